// The "3D Editor" window. It exists from start-up to exit and is reached
// through its global pointer.
#pragma once

#include <QWidget>

class TVoiEditor : public QWidget {
    Q_OBJECT
  public:
    explicit TVoiEditor(QWidget* owner);
};
