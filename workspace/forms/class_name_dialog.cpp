#include "workspace/forms/class_name_dialog.h"

TOptionsClass::TOptionsClass(QWidget* owner) : QDialog(owner, Qt::Window) {
    setObjectName("OptionsClass");
    setWindowTitle("Class Name");
}
