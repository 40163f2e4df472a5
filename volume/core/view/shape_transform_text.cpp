#include "volume/core/view/shape_transform_text.h"

#include <climits>
#include <cmath>

#include "platform/textformat.h"

namespace {
constexpr std::array<int, 9> kLinearElements = {0, 1, 2, 4, 5, 6, 8, 9, 10};
}

ShapeTransformTexts shapeTransformTexts(const Matrix4& shape,
                                        const std::array<double, 3>& voxelSize, bool voxelSpace) {
    ShapeTransformTexts t;
    for (int k = 0; k < 9; ++k) {
        double value = shape[static_cast<size_t>(kLinearElements[static_cast<size_t>(k)])];
        if (voxelSpace) value *= voxelSize[static_cast<size_t>(k / 3)];
        t.linear[static_cast<size_t>(k)] = platform::cformat("%.8g", value);
    }
    for (int k = 0; k < 3; ++k) {
        const double shift = shape[static_cast<size_t>(12 + k)];
        // Truncated in double first: a shift beyond the integers stays at their ends.
        const double truncated = std::trunc(shift);
        t.shift[static_cast<size_t>(k)] = !(truncated > -2147483648.0) ? INT32_MIN
                                          : truncated > 2147483647.0   ? INT32_MAX
                                                                     : static_cast<int>(truncated);
    }
    return t;
}

int applyShapeTransformTexts(const ShapeTransformTexts& texts, Matrix4& shape) {
    int refused = 0;
    for (int k = 0; k < 9; ++k) {
        const double value = platform::cToReal(texts.linear[static_cast<size_t>(k)]);
        if (!std::isfinite(value)) {
            ++refused;
            continue;
        }
        shape[static_cast<size_t>(kLinearElements[static_cast<size_t>(k)])] = value;
    }
    for (int k = 0; k < 3; ++k)
        shape[static_cast<size_t>(12 + k)] = texts.shift[static_cast<size_t>(k)];
    return refused;
}

std::array<std::string, 9> identityTexts() {
    return {"1", "0", "0", "0", "1", "0", "0", "0", "1"};
}
