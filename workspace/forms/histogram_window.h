// The "Histogram" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QWidget>

class THistogram : public QWidget {
    Q_OBJECT
  public:
    explicit THistogram(QWidget* owner);
};
