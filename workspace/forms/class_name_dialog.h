// The "Class Name" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QDialog>

class TOptionsClass : public QDialog {
    Q_OBJECT
  public:
    explicit TOptionsClass(QWidget* owner);
};
