// The "Progress" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QDialog>

class TProgress : public QDialog {
    Q_OBJECT
  public:
    explicit TProgress(QWidget* owner);
};
