// The "Image Info" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QWidget>

class TImageInfoView : public QWidget {
    Q_OBJECT
  public:
    explicit TImageInfoView(QWidget* owner);
};
