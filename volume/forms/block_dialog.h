// The "Block" dialog: places a new shape by its size (in per cent) and its
// centre. It exists from start-up to exit and is reached through its global
// pointer.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "volume/core/view/view_matrix.h"

class NumberBox;

class TBlock : public QDialog {
    Q_OBJECT
  public:
    explicit TBlock(QWidget* owner);

    // Size 100 and the centre's limits ± trunc(extent x voxel size / 2) of
    // the volume; after "Next", the placement: identity, diagonal size/100,
    // shift (X, Y, Z).
    void prepare(int32_t width, int32_t height, int32_t slices, double sx, double sy, double sz);
    Matrix4 placement() const;

    // "Next": the four boxes are read; one that holds no whole number in its
    // range is named in a message and the dialog stays open, nothing taken.
    void accept() override;

    // The boxes keep what is typed ("2.7" stays "2.7", to be refused, rather
    // than losing its point and becoming 27).
    NumberBox *Size = nullptr, *X = nullptr, *Y = nullptr, *Z = nullptr;

  protected:
    // Every opening starts at Size, its text selected: what is typed first
    // is the size, never a coordinate left from the last placement.
    void showEvent(QShowEvent* event) override;

  private:
    // What "Next" took, or what prepare set when the dialog is closed
    // otherwise: Size, X, Y, Z.
    std::array<int32_t, 4> taken_{100, 0, 0, 0};
};
