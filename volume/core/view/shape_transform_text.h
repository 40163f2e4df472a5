// What the transformation window shows of the shape in hand and reads back:
// the nine linear elements row by row (0, 1, 2 / 4, 5, 6 / 8, 9, 10) with
// eight significant digits, optionally each row scaled by its axis's voxel
// size ("Voxel space"), the shift (12, 13, 14) and the two shape integers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "volume/core/shapes/shape_drag.h"
#include "volume/core/view/view_matrix.h"

struct ShapeTransformTexts {
    std::array<std::string, 9> linear;
    std::array<std::string, 3> shift;
    std::array<std::string, 2> integers;  // the shape parameter, the second integer
};

// The ranges of the boxes' up-down arrows, which "Apply" also holds to.
inline constexpr double kShiftBoxLimit = 10000;
inline constexpr int kShapeIntegerLimit = 100;

// The pose as the window shows it.
ShapeTransformTexts shapeTransformTexts(const ShapePose& pose,
                                        const std::array<double, 3>& voxelSize, bool voxelSpace);

// A number as a user types it, whatever the locale: blanks around it, a sign,
// and a decimal point or a decimal comma ("2.7", "2,7", "-1e3"). Anything
// else, infinity and NaN included, is no number.
std::optional<double> parseTypedNumber(std::string_view text);

// A typed number that is whole and within [low, high]; anything else
// ("2.7", "1e12", "abc") is none.
std::optional<int32_t> parseTypedWholeNumber(std::string_view text, int32_t low, int32_t high);

// "Apply": every box is read; the linear part is taken exactly as shown.
// When a box holds no number, or one outside its range (the shift within
// ±10000, the integers whole and within ±100), the pose is left unchanged and
// the message says which box; else the pose is replaced and the text is empty.
std::string applyShapeTransformTexts(const ShapeTransformTexts& texts, ShapePose& pose);

// The texts of "1": the identity.
std::array<std::string, 9> identityTexts();
