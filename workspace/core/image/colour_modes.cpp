#include "workspace/core/image/colour_modes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace {

// The colour differences as doubles; both are exactly 0 for a grey pixel,
// since the integer numerators are.
double uOf(uint8_t b, uint8_t g, uint8_t r) {
    return static_cast<double>(886 * b - 587 * g - 299 * r) / 886.0;
}
double vOf(uint8_t b, uint8_t g, uint8_t r) {
    return static_cast<double>(701 * r - 587 * g - 114 * b) / 701.0;
}

uint16_t brightness(uint8_t b, uint8_t g, uint8_t r) {
    return static_cast<uint16_t>((114 * b + 587 * g + 299 * r) / 1000);
}
uint16_t redOf(uint8_t, uint8_t, uint8_t r) {
    return r;
}
uint16_t greenOf(uint8_t, uint8_t g, uint8_t) {
    return g;
}
uint16_t blueOf(uint8_t b, uint8_t, uint8_t) {
    return b;
}
// The offsets 225930 = 255 x 886 and 178755 = 255 x 701 keep the numerators
// non-negative, so the integer division never rounds toward zero from below.
uint16_t uChannel(uint8_t b, uint8_t g, uint8_t r) {
    return static_cast<uint16_t>((886 * b - 587 * g - 299 * r + 225930) / 1772);
}
uint16_t vChannel(uint8_t b, uint8_t g, uint8_t r) {
    return static_cast<uint16_t>((701 * r - 587 * g - 114 * b + 178755) / 1402);
}
uint16_t hue(uint8_t b, uint8_t g, uint8_t r) {
    const double u = uOf(b, g, r);
    const double v = vOf(b, g, r);
    if (u == 0.0 && v == 0.0) return 0;
    double h = std::atan2(v, u);
    if (h < 0) h += 2 * std::numbers::pi;
    return static_cast<uint16_t>(h * 40.58451049);
}
uint16_t saturation(uint8_t b, uint8_t g, uint8_t r) {
    const double u = uOf(b, g, r);
    const double v = vOf(b, g, r);
    return static_cast<uint16_t>(std::sqrt(u * u + v * v) * 0.937);
}

template <uint16_t (*convert)(uint8_t, uint8_t, uint8_t)>
void convertAll(const uint8_t* bgr, size_t count, uint16_t* samples) {
    for (size_t i = 0; i < count; ++i, bgr += 3) samples[i] = convert(bgr[0], bgr[1], bgr[2]);
}

constexpr std::string_view kPrefixes[kColourModeCount] = {"",   "R_", "G_", "B_",
                                                          "U_", "V_", "H_", "S_"};
constexpr std::string_view kStatusTexts[kColourModeCount] = {"",
                                                             "R_ Red channel",
                                                             "G_ Green channel",
                                                             "B_ Blue channel",
                                                             "U_ U channel",
                                                             "V_ V channel",
                                                             "H_ Color phase",
                                                             "S_ Saturation"};

}  // namespace

uint16_t colourToGrey(uint8_t b, uint8_t g, uint8_t r, uint32_t mode) {
    switch (mode) {
        case 1:
            return redOf(b, g, r);
        case 2:
            return greenOf(b, g, r);
        case 3:
            return blueOf(b, g, r);
        case 4:
            return uChannel(b, g, r);
        case 5:
            return vChannel(b, g, r);
        case 6:
            return hue(b, g, r);
        case 7:
            return saturation(b, g, r);
        default:
            return brightness(b, g, r);
    }
}

std::string_view colourModePrefix(uint32_t mode) {
    return mode < kColourModeCount ? kPrefixes[mode] : kPrefixes[0];
}

std::string_view colourModeStatusText(uint32_t mode) {
    return mode < kColourModeCount ? kStatusTexts[mode] : kStatusTexts[0];
}

void convertToGrey(const RgbImage& image, uint32_t mode, uint16_t* samples) {
    if (image.width <= 0 || image.height <= 0) return;
    // Never read past the pixels actually held, whatever the size fields say.
    const size_t count = std::min(
        static_cast<size_t>(image.width) * static_cast<size_t>(image.height), image.bgr.size() / 3);
    convertToGrey(image.bgr.data(), count, mode, samples);
}

void convertToGrey(const uint8_t* bgr, size_t count, uint32_t mode, uint16_t* samples) {
    switch (mode) {
        case 1:
            return convertAll<redOf>(bgr, count, samples);
        case 2:
            return convertAll<greenOf>(bgr, count, samples);
        case 3:
            return convertAll<blueOf>(bgr, count, samples);
        case 4:
            return convertAll<uChannel>(bgr, count, samples);
        case 5:
            return convertAll<vChannel>(bgr, count, samples);
        case 6:
            return convertAll<hue>(bgr, count, samples);
        case 7:
            return convertAll<saturation>(bgr, count, samples);
        default:
            return convertAll<brightness>(bgr, count, samples);
    }
}
