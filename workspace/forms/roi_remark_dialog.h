// The "Remark" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QDialog>

class TRoiRemark : public QDialog {
    Q_OBJECT
  public:
    explicit TRoiRemark(QWidget* owner);
};
