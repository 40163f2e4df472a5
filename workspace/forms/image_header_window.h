// The "ImageHeader" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QWidget>

class TImageHeader : public QWidget {
    Q_OBJECT
  public:
    explicit TImageHeader(QWidget* owner);
};
