// The "Transformation" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QWidget>

class TTransformation : public QWidget {
    Q_OBJECT
  public:
    explicit TTransformation(QWidget* owner);
};
