#include "workspace/forms/roi_remark_dialog.h"

TRoiRemark::TRoiRemark(QWidget* owner) : QDialog(owner, Qt::Window) {
    setObjectName("RoiRemark");
    setWindowTitle("Remark");
}
