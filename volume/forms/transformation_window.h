// The "Transformation" window: the current shape matrix as numbers (the
// linear part row by row, the shift, the two shape integers), edited and
// applied to the shape; a tool window beside the 3D editor. It exists from
// start-up to exit and is reached through its global pointer.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "volume/core/view/view_matrix.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TTransformation : public QWidget {
    Q_OBJECT
  public:
    explicit TTransformation(QWidget* owner);

    // Fills the edits from the editor's shape matrix (ShowShapeTransform).
    void ShowShapeTransform();
    // "Apply": the edits into the shape matrix and the shape integers, then
    // the shape is rebuilt and drawn.
    void ApplyShapeTransform();
    // "1": the identity into the nine linear edits.
    void identityClick();

    std::array<QLineEdit*, 9> linear{};             // Edit1..Edit9
    std::array<QSpinBox*, 3> shift{};               // Edit10..Edit12
    QSpinBox *Edit13 = nullptr, *Edit14 = nullptr;  // shape parameter, second integer
    QCheckBox* VoxelSpace = nullptr;
    QPushButton *ApplyButton = nullptr, *OneButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
};
