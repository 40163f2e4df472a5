// The "Block" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QDialog>

class TBlock : public QDialog {
    Q_OBJECT
  public:
    explicit TBlock(QWidget* owner);
};
