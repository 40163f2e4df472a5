// The "Image View" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QWidget>

class TImageView : public QWidget {
    Q_OBJECT
  public:
    explicit TImageView(QWidget* owner);
};
