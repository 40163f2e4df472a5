// The "Feature space" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QDialog>

class TFFSpace : public QDialog {
    Q_OBJECT
  public:
    explicit TFFSpace(QWidget* owner);
};
