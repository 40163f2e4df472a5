// The "Block" dialog: places a new shape by its size (in per cent) and its
// centre. It exists from start-up to exit and is reached through its global
// pointer.
#pragma once

#include <QDialog>

#include "volume/core/view/view_matrix.h"

class QSpinBox;

class TBlock : public QDialog {
    Q_OBJECT
  public:
    explicit TBlock(QWidget* owner);

    // Size 100 and the centre's limits ± trunc(extent x voxel size / 2) of
    // the volume; after "Next", the placement: identity, diagonal size/100,
    // shift (X, Y, Z).
    void prepare(int32_t width, int32_t height, int32_t slices, double sx, double sy, double sz);
    Matrix4 placement() const;

    QSpinBox *Size = nullptr, *X = nullptr, *Y = nullptr, *Z = nullptr;

  protected:
    // Every opening starts at Size, its text selected: what is typed first
    // is the size, never a coordinate left from the last placement.
    void showEvent(QShowEvent* event) override;
};
