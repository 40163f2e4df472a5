#include "volume/core/view/shape_transform_text.h"

#include <cmath>

#include "platform/textformat.h"

namespace {

constexpr std::array<int, 9> kLinearElements = {0, 1, 2, 4, 5, 6, 8, 9, 10};
constexpr std::array<const char*, 3> kAxisNames = {"x", "y", "z"};

std::string refused(const std::string& box, const std::string& text, const std::string& wanted) {
    return box + " takes " + wanted + ", not \"" + text + "\". Nothing was applied.";
}

}  // namespace

ShapeTransformTexts shapeTransformTexts(const ShapePose& pose,
                                        const std::array<double, 3>& voxelSize, bool voxelSpace) {
    ShapeTransformTexts t;
    for (int k = 0; k < 9; ++k) {
        double value = pose.shape[static_cast<size_t>(kLinearElements[static_cast<size_t>(k)])];
        if (voxelSpace) value *= voxelSize[static_cast<size_t>(k / 3)];
        t.linear[static_cast<size_t>(k)] = platform::cformat("%.8g", value);
    }
    // The shift in full: a box that showed it cut to whole numbers would
    // lose the fraction at the next "Apply".
    for (int k = 0; k < 3; ++k)
        t.shift[static_cast<size_t>(k)] =
            platform::cformat("%.8g", pose.shape[static_cast<size_t>(12 + k)]);
    t.integers = {std::to_string(pose.parameter), std::to_string(pose.second)};
    return t;
}

std::optional<double> parseTypedNumber(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    std::string number(text);
    // One decimal comma reads as the point; "1,234.5" stays no number.
    if (const size_t comma = number.find(','); comma != std::string::npos) {
        if (number.find_first_of(",.", comma + 1) != std::string::npos ||
            number.find('.') != std::string::npos)
            return std::nullopt;
        number[comma] = '.';
    }
    return platform::parseReal(number);
}

std::optional<int32_t> parseTypedWholeNumber(std::string_view text, int32_t low, int32_t high) {
    const std::optional<double> value = parseTypedNumber(text);
    if (!value || *value != std::trunc(*value) || *value < low || *value > high)
        return std::nullopt;
    return static_cast<int32_t>(*value);
}

std::string applyShapeTransformTexts(const ShapeTransformTexts& texts, ShapePose& pose) {
    ShapePose read = pose;
    for (int k = 0; k < 9; ++k) {
        const std::string& text = texts.linear[static_cast<size_t>(k)];
        const std::optional<double> value = parseTypedNumber(text);
        if (!value)
            return refused(
                platform::cformat("Row %d, column %d of the matrix", k / 3 + 1, k % 3 + 1), text,
                "a number");
        read.shape[static_cast<size_t>(kLinearElements[static_cast<size_t>(k)])] = *value;
    }
    for (int k = 0; k < 3; ++k) {
        const std::string& text = texts.shift[static_cast<size_t>(k)];
        const std::optional<double> value = parseTypedNumber(text);
        if (!value || std::fabs(*value) > kShiftBoxLimit)
            return refused(
                std::string("The shift in ") + kAxisNames[static_cast<size_t>(k)], text,
                platform::cformat("a number from %g to %g", -kShiftBoxLimit, kShiftBoxLimit));
        read.shape[static_cast<size_t>(12 + k)] = *value;
    }
    for (int k = 0; k < 2; ++k) {
        const std::string& text = texts.integers[static_cast<size_t>(k)];
        const std::optional<int32_t> value =
            parseTypedWholeNumber(text, -kShapeIntegerLimit, kShapeIntegerLimit);
        if (!value)
            return refused(k == 0 ? "The shape parameter" : "The second shape integer", text,
                           platform::cformat("a whole number from %d to %d", -kShapeIntegerLimit,
                                             kShapeIntegerLimit));
        (k == 0 ? read.parameter : read.second) = *value;
    }
    pose = read;
    return {};
}

std::array<std::string, 9> identityTexts() {
    return {"1", "0", "0", "0", "1", "0", "0", "0", "1"};
}
