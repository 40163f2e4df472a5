// The "Color conversion" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QDialog>

class TFormColor : public QDialog {
    Q_OBJECT
  public:
    explicit TFormColor(QWidget* owner);
};
