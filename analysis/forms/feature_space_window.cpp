#include "analysis/forms/feature_space_window.h"

TFFSpace::TFFSpace(QWidget* owner) : QDialog(owner, Qt::Window) {
    setObjectName("FFSpace");
    setWindowTitle("Feature space");
}
