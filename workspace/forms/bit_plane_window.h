// The "Geometryczne_test" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QWidget>

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* owner);
};
