#include "workspace/core/image/display_render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Counts = std::array<uint32_t, kRoiCount>;

struct Rgb {
    uint32_t r, g, b;
};

Rgb channels(uint32_t pixel) {
    return {pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF};
}

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
    return 0xFF000000u | r << 16 | g << 8 | b;
}
uint32_t greyRgb(uint32_t g) {
    return rgb(g, g, g);
}

// A plane filled from a list of samples, row by row.
struct Plane {
    Plane(int32_t width, int32_t height, const std::vector<uint16_t>& samples = {}) {
        PlaneCreate(&plane, width, height);
        for (size_t i = 0; i < samples.size() && i < plane.size(); ++i)
            plane.current[i] = samples[i];
    }
    ~Plane() { PlaneDestroy(&plane, 0); }
    Plane(const Plane&) = delete;
    Plane& operator=(const Plane&) = delete;
    ImagePlane plane;
};

// One pixel of grey sample v (optionally in the ROIs of `word`), rendered
// with the given parameters.
uint32_t renderOne(uint16_t v, const DisplayParams& params, const uint16_t* word = nullptr,
                   Counts* counts = nullptr) {
    Plane grey(1, 1, {v});
    Plane map(1, 1, {word ? *word : uint16_t{0}});
    DisplayBitmap bitmap;
    Counts local{};
    RenderDisplay(grey.plane, word ? &map.plane : nullptr, params, bitmap,
                  counts ? *counts : local);
    EXPECT_EQ(bitmap.width, 1);
    EXPECT_EQ(bitmap.height, 1);
    return bitmap.pixels.at(0);
}

DisplayParams window(int32_t lo, int32_t hi, GreyStyle style = GreyStyle::Normal) {
    DisplayParams p;
    p.windowLow = lo;
    p.windowHigh = hi;
    p.style = style;
    return p;
}

// --- The straightforward reference: the display formulas pixel by pixel. ---

uint32_t referenceGrey(int64_t v, int64_t lo, int64_t hi, GreyStyle style) {
    if (style == GreyStyle::Flat) return 127;
    if (hi == lo) return v > lo ? 255 : 0;
    int64_t d = ((v - lo) * 256) / (hi - lo);  // truncates towards zero
    uint32_t g = d >= 256 ? 255 : d < 0 ? 0 : static_cast<uint32_t>(d);
    if (style == GreyStyle::ThreeLevels && g != 0 && g != 255) g = 127;
    return g;
}

void referenceRender(const ImagePlane& grey, const ImagePlane* map, const DisplayParams& p,
                     std::vector<uint32_t>& pixels, Counts& counts) {
    counts.fill(0);
    pixels.assign(grey.size(), 0);
    for (int y = 0; y < grey.height; ++y) {
        for (int x = 0; x < grey.width; ++x) {
            uint32_t g = referenceGrey(grey.at(x, y), p.windowLow, p.windowHigh, p.style);
            uint32_t sr = 0, sg = 0, sb = 0, n = 0;
            uint16_t word = map ? map->at(x, y) : 0;
            for (int k = 1; k <= 16; ++k) {
                if (!(word & (1u << (k - 1)))) continue;
                counts[k - 1] += 1;
                if ((p.visibleRoiMask & (1u << (k - 1))) && k != p.hiddenRoi) {
                    uint32_t c = kRoiColours[k - 1];
                    sr += c & 0xFF;
                    sg += (c >> 8) & 0xFF;
                    sb += (c >> 16) & 0xFF;
                    n += 1;
                }
            }
            uint32_t pixel =
                n > 0 ? rgb(g / 2 + sr / (2 * n), g / 2 + sg / (2 * n), g / 2 + sb / (2 * n))
                      : greyRgb(g);
            pixels[static_cast<size_t>(y) * grey.width + x] = pixel;
        }
    }
}

// --- Grey window and styles ---

TEST(DisplayRenderWindow, EqualLimitsSplitBlackAndWhiteAboveTheLimit) {
    DisplayParams p = window(100, 100);
    EXPECT_EQ(renderOne(0, p), greyRgb(0));
    EXPECT_EQ(renderOne(99, p), greyRgb(0));
    EXPECT_EQ(renderOne(100, p), greyRgb(0));
    EXPECT_EQ(renderOne(101, p), greyRgb(255));
    EXPECT_EQ(renderOne(65535, p), greyRgb(255));
}

TEST(DisplayRenderWindow, RampUsesTruncatingIntegerDivision) {
    DisplayParams p = window(100, 200);
    EXPECT_EQ(renderOne(100, p), greyRgb(0));
    EXPECT_EQ(renderOne(150, p), greyRgb(128));  // 50*256/100
    EXPECT_EQ(renderOne(199, p), greyRgb(253));  // 25344/100 = 253.44
    EXPECT_EQ(renderOne(200, p), greyRgb(255));  // d = 256
    EXPECT_EQ(renderOne(4000, p), greyRgb(255));
    // 0..255 over 0..255: d = v*256/255, so 200 stays 200 and 255 is white.
    EXPECT_EQ(renderOne(200, window(0, 255)), greyRgb(200));
    EXPECT_EQ(renderOne(255, window(0, 255)), greyRgb(255));
}

TEST(DisplayRenderWindow, SamplesBelowTheWindowGiveNegativeOrZeroRampAndAreBlack) {
    DisplayParams p = window(100, 200);
    EXPECT_EQ(renderOne(99, p), greyRgb(0));  // -256/100 = -2
    EXPECT_EQ(renderOne(0, p), greyRgb(0));   // -25600/100
}

TEST(DisplayRenderWindow, CrossedBarsInvertTheRamp) {
    DisplayParams p = window(200, 100);
    EXPECT_EQ(renderOne(200, p), greyRgb(0));
    EXPECT_EQ(renderOne(250, p), greyRgb(0));    // 12800 / -100: negative
    EXPECT_EQ(renderOne(199, p), greyRgb(2));    // -256 / -100
    EXPECT_EQ(renderOne(150, p), greyRgb(128));  // -12800 / -100
    EXPECT_EQ(renderOne(100, p), greyRgb(255));  // d = 256
    EXPECT_EQ(renderOne(0, p), greyRgb(255));
}

TEST(DisplayRenderStyle, ThreeLevelsBlackAtLowWhiteFromHighGreyBetween) {
    DisplayParams p = window(100, 200, GreyStyle::ThreeLevels);
    EXPECT_EQ(renderOne(50, p), greyRgb(0));
    EXPECT_EQ(renderOne(100, p), greyRgb(0));
    EXPECT_EQ(renderOne(101, p), greyRgb(127));  // d = 2
    EXPECT_EQ(renderOne(150, p), greyRgb(127));
    EXPECT_EQ(renderOne(199, p), greyRgb(127));  // d = 253
    EXPECT_EQ(renderOne(200, p), greyRgb(255));
    EXPECT_EQ(renderOne(300, p), greyRgb(255));
}

TEST(DisplayRenderStyle, ThreeLevelsFollowsTheRampNotTheSample) {
    // In a window wider than 256 the first samples above the low limit still
    // give d = 0 and stay black; d = 255 is already white.
    DisplayParams p = window(0, 1000, GreyStyle::ThreeLevels);
    EXPECT_EQ(renderOne(3, p), greyRgb(0));      // 768/1000
    EXPECT_EQ(renderOne(4, p), greyRgb(127));    // 1024/1000
    EXPECT_EQ(renderOne(997, p), greyRgb(255));  // 255232/1000 = 255
    EXPECT_EQ(renderOne(996, p), greyRgb(127));  // 254.97
    // Equal limits keep their black and white.
    DisplayParams equal = window(100, 100, GreyStyle::ThreeLevels);
    EXPECT_EQ(renderOne(100, equal), greyRgb(0));
    EXPECT_EQ(renderOne(101, equal), greyRgb(255));
}

TEST(DisplayRenderStyle, FlatIsMidGreyWhateverTheWindow) {
    for (uint16_t v : {0, 100, 255, 4095, 65535}) {
        EXPECT_EQ(renderOne(v, window(0, 255, GreyStyle::Flat)), greyRgb(127));
        EXPECT_EQ(renderOne(v, window(100, 100, GreyStyle::Flat)), greyRgb(127));
    }
    // ROI 3 (blue) over flat grey: 63 + 255/2.
    uint16_t word = 1u << 2;
    EXPECT_EQ(renderOne(7, window(0, 255, GreyStyle::Flat), &word), rgb(63, 63, 63 + 127));
}

TEST(DisplayRenderWindow, ExtremeLimitsDoNotOverflow) {
    EXPECT_EQ(renderOne(65535, window(INT32_MIN, INT32_MAX)), greyRgb(128));
    EXPECT_EQ(renderOne(0, window(INT32_MAX, INT32_MIN)), greyRgb(127));
    EXPECT_EQ(renderOne(0, window(INT32_MIN, INT32_MIN)), greyRgb(255));
    EXPECT_EQ(renderOne(65535, window(-1, 0)), greyRgb(255));
    EXPECT_EQ(renderOne(0, window(70000, 80000)), greyRgb(0));
    EXPECT_EQ(renderOne(65535, window(80000, 70000)), greyRgb(255));
}

// --- Overlay and counts ---

TEST(DisplayRenderOverlay, RedAndGreenOverGrey200) {
    uint16_t word = 0b11;  // ROIs 1 and 2
    Counts counts{};
    uint32_t pixel = renderOne(200, window(0, 255), &word, &counts);
    Rgb c = channels(pixel);
    EXPECT_EQ(c.b, 100u);
    EXPECT_EQ(c.g, 100u + 63u);
    EXPECT_EQ(c.r, 100u + 63u);
    EXPECT_EQ(pixel >> 24, 0xFFu);
    EXPECT_EQ(counts[0], 1u);
    EXPECT_EQ(counts[1], 1u);
}

TEST(DisplayRenderOverlay, SingleRoiOverWhiteUsesIntegerHalves) {
    uint16_t word = 1;  // ROI 1, red
    EXPECT_EQ(renderOne(255, window(0, 255), &word), rgb(127 + 127, 127, 127));
    word = 1u << 12;  // ROI 13, 0x00C4FF
    EXPECT_EQ(renderOne(0, window(0, 255), &word), rgb(127, 0xC4 / 2, 0));
}

TEST(DisplayRenderOverlay, HiddenRoiIsCountedButNotDrawn) {
    uint16_t word = 1u << 2;  // ROI 3
    DisplayParams p = window(0, 255);
    p.hiddenRoi = 3;
    Counts counts{};
    EXPECT_EQ(renderOne(200, p, &word, &counts), greyRgb(200));
    EXPECT_EQ(counts[2], 1u);
    // With another ROI of the pixel still drawn, only that one blends in.
    word = 0b101;  // ROIs 1 and 3
    EXPECT_EQ(renderOne(200, p, &word, &counts), rgb(100 + 127, 100, 100));
    EXPECT_EQ(counts[0], 1u);
    EXPECT_EQ(counts[2], 1u);
    EXPECT_EQ(roiIndicatorColour(3, counts), kRoiColours[2]);
}

TEST(DisplayRenderOverlay, RoiOutsideTheVisibleMaskIsCountedButNotDrawn) {
    uint16_t word = 1u << 15;  // ROI 16
    DisplayParams p = window(0, 255);
    p.visibleRoiMask = 0x7FFF;
    Counts counts{};
    EXPECT_EQ(renderOne(50, p, &word, &counts), greyRgb(50));
    EXPECT_EQ(counts[15], 1u);
    p.visibleRoiMask = 0xFFFF;
    EXPECT_EQ(renderOne(50, p, &word, &counts), rgb(25 + 0, 25 + 127, 25 + 0x62));
}

TEST(DisplayRenderOverlay, HiddenRoiNumbersOutsideOneToSixteenHideNothing) {
    uint16_t word = 1;
    for (int hidden : {-1, 0, 17, 1000}) {
        DisplayParams p = window(0, 255);
        p.hiddenRoi = hidden;
        EXPECT_EQ(renderOne(255, p, &word), rgb(254, 127, 127)) << hidden;
    }
}

TEST(DisplayRenderCounts, OverlappingRoisAreEachCounted) {
    // 4 x 2 pixels: ROI 1 everywhere, ROI 2 on the right half, ROI 16 on one
    // pixel, ROI 9 on the bottom row.
    const uint16_t a = 1, b = 1 | 2, c = 1 | 2 | 0x8000, d = 1 | 0x100, e = 1 | 2 | 0x100;
    Plane grey(4, 2);
    Plane map(4, 2, {a, a, b, c, d, d, e, e});
    DisplayBitmap bitmap;
    Counts counts;
    counts.fill(99);
    RenderDisplay(grey.plane, &map.plane, window(0, 255), bitmap, counts);
    Counts expected{};
    expected[0] = 8;
    expected[1] = 4;
    expected[8] = 4;
    expected[15] = 1;
    EXPECT_EQ(counts, expected);
    EXPECT_EQ(roiIndicatorColour(2, counts), kRoiColours[1]);
    EXPECT_EQ(roiIndicatorColour(3, counts), kButtonFaceColour);
    EXPECT_EQ(roiIndicatorColour(0, counts), kButtonFaceColour);
    EXPECT_EQ(roiIndicatorColour(17, counts), kButtonFaceColour);
}

TEST(DisplayRenderCounts, LongRowsOfOneWordAreCountedExactly) {
    // Rows far longer than 255 pixels of one word, with a few odd pixels.
    Plane grey(1001, 3);
    Plane map(1001, 3);
    std::fill_n(map.plane.current, map.plane.size(), uint16_t{0xFFFF});
    map.plane.at(500, 1) = 0x0001;
    map.plane.at(1000, 2) = 0x8000;
    DisplayBitmap bitmap;
    Counts counts;
    RenderDisplay(grey.plane, &map.plane, window(0, 255), bitmap, counts);
    Counts expected;
    expected.fill(3001);
    expected[0] = 3002;
    expected[15] = 3002;
    EXPECT_EQ(counts, expected);
}

TEST(DisplayRenderCounts, WithoutAMatchingMapNothingIsDrawnOrCounted) {
    Plane grey(3, 2, {0, 50, 100, 150, 200, 255});
    Plane wrongSize(2, 3, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF});
    for (const ImagePlane* map : {static_cast<const ImagePlane*>(nullptr),
                                  static_cast<const ImagePlane*>(&wrongSize.plane)}) {
        DisplayBitmap bitmap;
        Counts counts;
        counts.fill(7);
        RenderDisplay(grey.plane, map, window(0, 255), bitmap, counts);
        EXPECT_EQ(counts, Counts{});
        ASSERT_EQ(bitmap.pixels.size(), 6u);
        EXPECT_EQ(bitmap.pixels[1], greyRgb(50));
        EXPECT_EQ(bitmap.pixels[5], greyRgb(255));
    }
}

// --- Bitmap ---

TEST(DisplayRenderBitmap, PixelsAreBgrxInMemoryRowsTopToBottom) {
    Plane grey(2, 2, {0, 255, 255, 0});
    Plane map(2, 2, {0, 0, 1, 0});  // bottom left in ROI 1 (red)
    DisplayBitmap bitmap;
    Counts counts;
    RenderDisplay(grey.plane, &map.plane, window(0, 255), bitmap, counts);
    ASSERT_EQ(bitmap.width, 2);
    ASSERT_EQ(bitmap.height, 2);
    unsigned char bytes[4];
    std::memcpy(bytes, &bitmap.pixels[2], 4);
    EXPECT_EQ(bytes[0], 127);  // B
    EXPECT_EQ(bytes[1], 127);  // G
    EXPECT_EQ(bytes[2], 254);  // R
    EXPECT_EQ(bytes[3], 255);
    EXPECT_EQ(bitmap.pixels[1], greyRgb(255));
    EXPECT_EQ(pixelFromColour(0x0000FF), rgb(255, 0, 0));
    EXPECT_EQ(pixelFromColour(0x010000), rgb(0, 0, 1));
    EXPECT_EQ(pixelFromColour(0x00C4FF), rgb(255, 0xC4, 0));
}

TEST(DisplayRenderBitmap, FollowsThePlaneSize) {
    DisplayBitmap bitmap;
    Counts counts;
    Plane big(5, 4);
    RenderDisplay(big.plane, nullptr, window(0, 255), bitmap, counts);
    EXPECT_EQ(bitmap.pixels.size(), 20u);
    Plane small(3, 1, {255, 255, 255});
    RenderDisplay(small.plane, nullptr, window(0, 255), bitmap, counts);
    EXPECT_EQ(bitmap.width, 3);
    EXPECT_EQ(bitmap.height, 1);
    EXPECT_EQ(std::vector<uint32_t>(bitmap.pixels.begin(), bitmap.pixels.end()),
              std::vector<uint32_t>(3, greyRgb(255)));
    Plane empty(0, 0);
    RenderDisplay(empty.plane, nullptr, window(0, 255), bitmap, counts);
    EXPECT_EQ(bitmap.width, 0);
    EXPECT_TRUE(bitmap.pixels.empty());
}

// --- Against the reference ---

class DisplayRenderReference : public ::testing::Test {
  protected:
    void fillRandom(uint32_t seed, int roiDensity) {
        std::mt19937 random(seed);
        for (size_t i = 0; i < grey.plane.size(); ++i) {
            grey.plane.current[i] = static_cast<uint16_t>(random() % 4096);
            // Runs of equal words like real ROIs, with noise between them.
            uint16_t word = static_cast<uint16_t>(random());
            if (static_cast<int>(random() % 100) >= roiDensity) word = 0;
            if (i > 0 && random() % 4 != 0) word = map.plane.current[i - 1];
            map.plane.current[i] = word;
        }
        // A few samples at the extremes of the range.
        grey.plane.current[0] = 0;
        grey.plane.current[1] = 65535;
    }
    void expectLikeReference(DisplayRenderer& renderer, const DisplayParams& p) {
        DisplayBitmap bitmap;
        Counts counts;
        renderer.render(grey.plane, &map.plane, p, bitmap, counts);
        std::vector<uint32_t> expected;
        Counts expectedCounts;
        referenceRender(grey.plane, &map.plane, p, expected, expectedCounts);
        EXPECT_EQ(counts, expectedCounts);
        ASSERT_EQ(bitmap.pixels.size(), expected.size());
        size_t mismatches = 0;
        for (size_t i = 0; i < expected.size(); ++i) mismatches += bitmap.pixels[i] != expected[i];
        EXPECT_EQ(mismatches, 0u) << "window " << p.windowLow << ".." << p.windowHigh << " style "
                                  << static_cast<int>(p.style) << " mask " << p.visibleRoiMask
                                  << " hidden " << p.hiddenRoi;
    }

    Plane grey{97, 61};
    Plane map{97, 61};
};

TEST_F(DisplayRenderReference, RandomImagesUnderChangingParameters) {
    const std::vector<std::array<int32_t, 2>> windows = {
        {0, 4095}, {200, 3800}, {1000, 1000}, {3000, 500}, {0, 1}, {-100, 70000}, {4095, 0}};
    const GreyStyle styles[] = {GreyStyle::Normal, GreyStyle::ThreeLevels, GreyStyle::Flat};
    const uint32_t masks[] = {0xFFFF, 0, 0x00FF, 0xA5C3, 0xFFFFFFFF};
    DisplayRenderer renderer;  // one renderer throughout, so its tables must follow every change
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        fillRandom(static_cast<uint32_t>(round), round % 2 ? 90 : 30);
        DisplayParams p;
        const auto& w = windows[random() % windows.size()];
        p.windowLow = w[0];
        p.windowHigh = w[1];
        p.style = styles[random() % 3];
        p.visibleRoiMask = masks[random() % 5];
        p.hiddenRoi = static_cast<int>(random() % 18);
        expectLikeReference(renderer, p);
    }
}

TEST_F(DisplayRenderReference, EachParameterChangeAloneIsSeen) {
    fillRandom(11, 80);
    DisplayRenderer renderer;
    DisplayParams p = window(200, 3800);
    expectLikeReference(renderer, p);
    p.windowLow = 201;
    expectLikeReference(renderer, p);
    p.windowHigh = 3000;
    expectLikeReference(renderer, p);
    p.style = GreyStyle::ThreeLevels;
    expectLikeReference(renderer, p);
    p.style = GreyStyle::Flat;
    expectLikeReference(renderer, p);
    p.windowLow = 5;  // flat ignores the window ...
    expectLikeReference(renderer, p);
    p.style = GreyStyle::Normal;  // ... but the ramp after it must not
    expectLikeReference(renderer, p);
    p.hiddenRoi = 4;
    expectLikeReference(renderer, p);
    p.visibleRoiMask = 0xFFF7;  // ROI 4 invisible and hidden: same overlay
    expectLikeReference(renderer, p);
    p.hiddenRoi = 0;
    expectLikeReference(renderer, p);
    p.visibleRoiMask = 0xFFFF;
    expectLikeReference(renderer, p);
    map.plane.current[5] ^= 0x0F0F;  // the map changes, the parameters do not
    grey.plane.current[9] = 3000;
    expectLikeReference(renderer, p);
}

TEST(DisplayRenderExhaustive, EverySampleUnderManyWindows) {
    // 256 x 256: every sample value once.
    Plane grey(256, 256);
    for (size_t i = 0; i < grey.plane.size(); ++i) grey.plane.current[i] = static_cast<uint16_t>(i);
    const std::vector<std::array<int32_t, 2>> windows = {{0, 255},
                                                         {0, 65535},
                                                         {65535, 0},
                                                         {100, 100},
                                                         {0, 0},
                                                         {65535, 65535},
                                                         {-5, -5},
                                                         {70000, 70000},
                                                         {1, 2},
                                                         {2, 1},
                                                         {300, 555},
                                                         {555, 300},
                                                         {-1000, 1000},
                                                         {60000, 70000},
                                                         {70000, 60000},
                                                         {12345, 12346},
                                                         {0, 100000},
                                                         {INT32_MIN, INT32_MAX},
                                                         {INT32_MAX, INT32_MIN},
                                                         {-3, 40000},
                                                         {40000, -3},
                                                         {65534, 65535},
                                                         {65535, 65534},
                                                         {0, 257},
                                                         {257, 0}};
    DisplayRenderer renderer;
    for (GreyStyle style : {GreyStyle::Normal, GreyStyle::ThreeLevels, GreyStyle::Flat}) {
        for (const auto& w : windows) {
            DisplayBitmap bitmap;
            Counts counts;
            renderer.render(grey.plane, nullptr, window(w[0], w[1], style), bitmap, counts);
            size_t mismatches = 0, helperMismatches = 0;
            for (uint32_t v = 0; v < 65536; ++v) {
                uint32_t expected = referenceGrey(v, w[0], w[1], style);
                if (bitmap.pixels[v] != greyRgb(expected) && ++mismatches < 3)
                    ADD_FAILURE() << "sample " << v << " window " << w[0] << ".." << w[1];
                helperMismatches +=
                    displayGrey(static_cast<int32_t>(v), w[0], w[1], style) != expected;
            }
            EXPECT_EQ(mismatches, 0u);
            EXPECT_EQ(helperMismatches, 0u);
        }
    }
}

TEST(DisplayRenderExhaustive, EveryRoiWordOverSeveralGreys) {
    // 256 x 256: every ROI word once, over one grey level at a time.
    Plane map(256, 256);
    for (size_t i = 0; i < map.plane.size(); ++i) map.plane.current[i] = static_cast<uint16_t>(i);
    Plane grey(256, 256);
    DisplayRenderer renderer;
    const std::array<std::pair<uint32_t, int>, 4> cases = {
        {{0xFFFF, 0}, {0xFFFF, 16}, {0x1234, 5}, {0, 0}}};
    for (uint16_t level : {0, 1, 128, 255}) {
        std::fill_n(grey.plane.current, grey.plane.size(), level);
        for (auto [mask, hidden] : cases) {
            DisplayParams p = window(0, 255);
            p.visibleRoiMask = mask;
            p.hiddenRoi = hidden;
            DisplayBitmap bitmap;
            Counts counts;
            renderer.render(grey.plane, &map.plane, p, bitmap, counts);
            std::vector<uint32_t> expected;
            Counts expectedCounts;
            referenceRender(grey.plane, &map.plane, p, expected, expectedCounts);
            EXPECT_EQ(std::vector<uint32_t>(bitmap.pixels.begin(), bitmap.pixels.end()), expected)
                << "grey " << level << " mask " << mask;
            EXPECT_EQ(counts, expectedCounts);  // each bit is set in half the words
            EXPECT_EQ(counts[0], 32768u);
            const auto g = static_cast<uint8_t>(referenceGrey(level, 0, 255, GreyStyle::Normal));
            for (uint32_t word : {0u, 1u, 3u, 0x8001u, 0xFFFFu, 0x1234u})
                EXPECT_EQ(overlayPixel(g, static_cast<uint16_t>(word), mask, hidden),
                          expected[word]);
        }
    }
}

TEST_F(DisplayRenderReference, BandOfRowsMatchesTheWholeRender) {
    fillRandom(3, 70);
    DisplayParams p = window(100, 3000);
    p.hiddenRoi = 2;
    std::vector<uint32_t> whole;
    Counts wholeCounts;
    referenceRender(grey.plane, &map.plane, p, whole, wholeCounts);

    DisplayBitmap bitmap;
    Counts counts;
    renderDisplayRows(grey.plane, &map.plane, p, bitmap, 10, 20, counts);
    ASSERT_EQ(bitmap.width, 97);
    ASSERT_EQ(bitmap.height, 61);
    // Counts of the band alone.
    Plane bandMap(97, 10);
    std::memcpy(bandMap.plane.current, map.plane.current + 10 * 97, 10 * 97 * sizeof(uint16_t));
    Plane bandGrey(97, 10);
    std::memcpy(bandGrey.plane.current, grey.plane.current + 10 * 97, 10 * 97 * sizeof(uint16_t));
    std::vector<uint32_t> band;
    Counts bandCounts;
    referenceRender(bandGrey.plane, &bandMap.plane, p, band, bandCounts);
    EXPECT_EQ(counts, bandCounts);
    for (size_t i = 0; i < bitmap.pixels.size(); ++i) {
        size_t row = i / 97;
        uint32_t expected = row >= 10 && row < 20 ? whole[i] : greyRgb(0);
        ASSERT_EQ(bitmap.pixels[i], expected) << i;
    }
    // The rest, in two bands with limits beyond the plane, completes the picture.
    renderDisplayRows(grey.plane, &map.plane, p, bitmap, -5, 10, counts);
    renderDisplayRows(grey.plane, &map.plane, p, bitmap, 20, 1000, counts);
    EXPECT_EQ(std::vector<uint32_t>(bitmap.pixels.begin(), bitmap.pixels.end()), whole);
    renderDisplayRows(grey.plane, &map.plane, p, bitmap, 30, 30, counts);
    EXPECT_EQ(counts, Counts{});
    EXPECT_EQ(std::vector<uint32_t>(bitmap.pixels.begin(), bitmap.pixels.end()), whole);
}

// --- Zoom and track bars ---

TEST(Zoom, StepsAndMenuCodes) {
    EXPECT_EQ(zoomScaleFor(256, 1), 512);
    EXPECT_EQ(zoomScaleFor(256, -1), 128);
    EXPECT_EQ(zoomScaleFor(256, 14), 64);
    EXPECT_EQ(zoomScaleFor(256, 12), 128);
    EXPECT_EQ(zoomScaleFor(1024, 11), 256);
    EXPECT_EQ(zoomScaleFor(256, 21), 512);
    EXPECT_EQ(zoomScaleFor(256, 41), 1024);
    EXPECT_EQ(zoomScaleFor(256, 81), 2048);
    EXPECT_EQ(zoomScaleFor(256, 161), 4096);
    EXPECT_EQ(zoomScaleFor(2048, 0), 256);
    EXPECT_EQ(zoomScaleFor(2048, 2), 256);
    EXPECT_EQ(zoomScaleFor(2048, 16), 256);
}

TEST(Zoom, StaysWithinOneToFourAndSixteenToOne) {
    EXPECT_EQ(zoomScaleFor(4096, 1), 4096);
    EXPECT_EQ(zoomScaleFor(64, -1), 64);
    EXPECT_EQ(zoomScaleFor(100, -1), 64);
    EXPECT_EQ(zoomScaleFor(130, -1), 65);
    EXPECT_EQ(zoomScaleFor(INT32_MAX, 1), 4096);
    EXPECT_EQ(zoomScaleFor(-8, -1), 64);
    int32_t scale = 256;
    for (int i = 0; i < 10; ++i) scale = zoomScaleFor(scale, 1);
    EXPECT_EQ(scale, 4096);
    for (int i = 0; i < 10; ++i) scale = zoomScaleFor(scale, -1);
    EXPECT_EQ(scale, 64);
}

TEST(DisplayWindowTrackBar, TopIsImageMaxBottomIsImageMin) {
    EXPECT_EQ(windowFromTrackBar(0, 4095, 0), 4095);
    EXPECT_EQ(windowFromTrackBar(0, 4095, 100), 0);
    EXPECT_EQ(windowFromTrackBar(0, 4095, 50), 2047);   // 204750/100
    EXPECT_EQ(windowFromTrackBar(10, 20, 33), 16);      // 10 + 670/100
    EXPECT_EQ(windowFromTrackBar(-100, 100, 99), -98);  // -100 + 200/100
    EXPECT_EQ(windowFromTrackBar(0, 65535, 1), 64879);  // 6488... 65535*99/100 = 64879.65
    EXPECT_EQ(windowFromTrackBar(7, 7, 40), 7);
}

TEST(DisplayWindowTrackBar, PositionsOutsideTheBarCountAsItsEnds) {
    EXPECT_EQ(windowFromTrackBar(0, 4095, -20), 4095);
    EXPECT_EQ(windowFromTrackBar(0, 4095, 250), 0);
    EXPECT_EQ(windowFromTrackBar(INT32_MIN, INT32_MAX, 0), INT32_MAX);
    EXPECT_EQ(windowFromTrackBar(INT32_MIN, INT32_MAX, 100), INT32_MIN);
}

}  // namespace
