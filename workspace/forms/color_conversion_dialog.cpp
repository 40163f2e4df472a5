#include "workspace/forms/color_conversion_dialog.h"

TFormColor::TFormColor(QWidget* owner) : QDialog(owner, Qt::Window) {
    setObjectName("FormColor");
    setWindowTitle("Color conversion");
}
