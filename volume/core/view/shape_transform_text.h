// What the transformation window shows of the shape matrix and reads back:
// the nine linear elements row by row (0, 1, 2 / 4, 5, 6 / 8, 9, 10) with
// eight significant digits, optionally each row scaled by its axis's voxel
// size ("Voxel space"), and the shift (12, 13, 14) truncated to integers.
#pragma once

#include <array>
#include <string>

#include "volume/core/view/view_matrix.h"

struct ShapeTransformTexts {
    std::array<std::string, 9> linear;
    std::array<int, 3> shift{};
};

// The matrix as the window shows it.
ShapeTransformTexts shapeTransformTexts(const Matrix4& shape,
                                        const std::array<double, 3>& voxelSize, bool voxelSpace);

// "Apply": the nine texts read as C reads a number (its leading number, else
// 0) into the linear part exactly as shown, the shift into elements 12..14.
// A text that reads as infinity or NaN is refused: that element keeps its
// value. Returns how many texts were refused.
int applyShapeTransformTexts(const ShapeTransformTexts& texts, Matrix4& shape);

// The texts of "1": the identity.
std::array<std::string, 9> identityTexts();
