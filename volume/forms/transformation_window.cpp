#include "volume/forms/transformation_window.h"

TTransformation::TTransformation(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("Transformation");
    setWindowTitle("Transformation");
}
