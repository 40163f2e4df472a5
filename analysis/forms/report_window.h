// The "Report" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QWidget>

class TReport : public QWidget {
    Q_OBJECT
  public:
    explicit TReport(QWidget* owner);
};
