#include "workspace/core/image/colour_modes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Pixel {
    uint8_t b, g, r;
    std::array<uint16_t, 8> byMode;  // worked out independently, modes 0..7
};

// Blue, red and grey pixels are the cases users check by eye; the rest cover
// every quadrant of the hue circle and the extremes of U and V.
const Pixel kPixels[] = {
    {255, 0, 0, {29, 0, 0, 255, 255, 106, 248, 242}},       // pure blue
    {0, 0, 255, {76, 255, 0, 0, 84, 255, 76, 252}},         // pure red
    {0, 255, 0, {149, 0, 255, 0, 43, 20, 164, 255}},        // pure green
    {128, 128, 128, {128, 128, 128, 128, 127, 127, 0, 0}},  // grey
    {255, 255, 255, {255, 255, 255, 255, 127, 127, 0, 0}},  // white
    {0, 0, 0, {0, 0, 0, 0, 127, 127, 0, 0}},                // black
    {10, 200, 30, {127, 30, 200, 10, 61, 57, 160, 180}},
    {200, 40, 90, {73, 90, 40, 200, 199, 139, 6, 135}},
    {255, 0, 255, {105, 255, 0, 255, 211, 234, 36, 255}},  // magenta
    {0, 255, 255, {225, 255, 255, 0, 0, 148, 120, 242}},   // yellow: U at its minimum
    {1, 0, 0, {0, 0, 0, 1, 128, 127, 248, 0}},
};

TEST(ColourModes, EveryModeGivesTheExpectedSample) {
    for (const Pixel& p : kPixels) {
        for (uint32_t mode = 0; mode < kColourModeCount; ++mode) {
            EXPECT_EQ(colourToGrey(p.b, p.g, p.r, mode), p.byMode[mode])
                << "B" << int(p.b) << " G" << int(p.g) << " R" << int(p.r) << " mode " << mode;
        }
    }
}

TEST(ColourModes, GreyPixelsHaveNoHueOrSaturation) {
    for (int v = 0; v < 256; ++v) {
        const auto c = static_cast<uint8_t>(v);
        EXPECT_EQ(colourToGrey(c, c, c, 6), 0) << v;
        EXPECT_EQ(colourToGrey(c, c, c, 7), 0) << v;
        EXPECT_EQ(colourToGrey(c, c, c, 0), v) << v;
    }
}

TEST(ColourModes, EverySampleStaysWithinEightBits) {
    for (int b = 0; b < 256; b += 15)
        for (int g = 0; g < 256; g += 15)
            for (int r = 0; r < 256; r += 15)
                for (uint32_t mode = 0; mode < kColourModeCount; ++mode)
                    ASSERT_LE(colourToGrey(static_cast<uint8_t>(b), static_cast<uint8_t>(g),
                                           static_cast<uint8_t>(r), mode),
                              255)
                        << b << " " << g << " " << r << " mode " << mode;
}

TEST(ColourModes, AModeAboveSevenActsAsBrightness) {
    for (uint32_t mode : {8u, 9u, 255u, 0xFFFFFFFFu}) {
        EXPECT_EQ(colourToGrey(255, 0, 0, mode), 29);
        EXPECT_EQ(colourToGrey(0, 0, 255, mode), 76);
        EXPECT_EQ(colourModePrefix(mode), "");
        EXPECT_EQ(colourModeStatusText(mode), "");
    }
}

TEST(ColourModes, PrefixesAndStatusTexts) {
    const char* prefixes[] = {"", "R_", "G_", "B_", "U_", "V_", "H_", "S_"};
    const char* texts[] = {"",
                           "R_ Red channel",
                           "G_ Green channel",
                           "B_ Blue channel",
                           "U_ U channel",
                           "V_ V channel",
                           "H_ Color phase",
                           "S_ Saturation"};
    for (uint32_t mode = 0; mode < kColourModeCount; ++mode) {
        EXPECT_EQ(colourModePrefix(mode), prefixes[mode]) << mode;
        EXPECT_EQ(colourModeStatusText(mode), texts[mode]) << mode;
    }
}

TEST(ColourModes, ConvertingAPictureAppliesTheModeToEveryPixelInOrder) {
    RgbImage image;
    image.width = 4;
    image.height = 3;
    const size_t count = 12;  // cycles through the table, so its first pixels come twice
    for (size_t i = 0; i < count; ++i) {
        const Pixel& p = kPixels[i % std::size(kPixels)];
        image.bgr.insert(image.bgr.end(), {p.b, p.g, p.r});
    }
    for (uint32_t mode = 0; mode <= kColourModeCount; ++mode) {
        std::vector<uint16_t> samples(count + 1, 0xBEEF);
        convertToGrey(image, mode, samples.data());
        for (size_t i = 0; i < count; ++i) {
            const Pixel& p = kPixels[i % std::size(kPixels)];
            const uint32_t expectedMode = mode < kColourModeCount ? mode : 0;
            EXPECT_EQ(samples[i], p.byMode[expectedMode]) << "pixel " << i << " mode " << mode;
        }
        EXPECT_EQ(samples[count], 0xBEEF) << "wrote past the picture, mode " << mode;
    }
}

TEST(ColourModes, AnEmptyPictureWritesNothing) {
    RgbImage empty;
    uint16_t sample = 0xBEEF;
    convertToGrey(empty, 0, &sample);
    EXPECT_EQ(sample, 0xBEEF);
}

}  // namespace
