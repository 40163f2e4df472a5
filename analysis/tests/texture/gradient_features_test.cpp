#include "analysis/core/texture/gradient_features.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/tests/texture/texture_test_image.h"

namespace {

std::vector<FeatureRecord> gradientRecords(const TestImage& image, int32_t bits, int32_t mode = 0) {
    AnalysisOptions options;
    options.Ng_gr = bits;
    options.Do_normal = mode;
    return familyRecords(image.context(), options, kGradientFamily);
}

}  // namespace

TEST(GradientFeatures, ThreeInteriorPixelsByHand) {
    // 5 x 3 ROI, levels = samples (8 bits): interior pixels (1,1), (2,1), (3,1)
    // have gradients sqrt(0+0) = 0, sqrt(3^2+4^2) = 5, sqrt(0+4^2) = 4.
    TestImage image = TestImage::fromRows({{0, 0, 0, 0, 0},  //
                                           {10, 7, 10, 10, 10},
                                           {0, 0, 4, 4, 0}});
    image.addRect(0, 0, 0, 4, 2);
    const auto out = gradientRecords(image, 8);
    ASSERT_EQ(out.size(), 6u);
    const char* names[] = {"_AreaGr",    "GrMean",     "GrVariance",
                           "GrSkewness", "GrKurtosis", "GrNonZeros"};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(recordName(out[k]), names[k]);
    EXPECT_EQ(out[0].values[0], 3);
    EXPECT_NEAR(out[1].values[0], 3, 1e-12);
    EXPECT_NEAR(out[2].values[0], 14.0 / 3, 1e-12);  // (9 + 4 + 1) / 3
    EXPECT_NEAR(out[3].values[0], (-27.0 + 8 + 1) / 3 / std::pow(14.0 / 3, 1.5), 1e-12);
    EXPECT_NEAR(out[4].values[0], (81.0 + 16 + 1) / 3 / (14.0 / 3 * 14.0 / 3) - 3, 1e-12);
    EXPECT_NEAR(out[5].values[0], 2.0 / 3, 1e-12);
}

TEST(GradientFeatures, AConstantSlopeHasNoSpread) {
    // Samples 3x + 5y: every gradient is sqrt(6^2 + 10^2).
    TestImage image(9, 7, 8);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) image.sample(x, y) = static_cast<uint16_t>(3 * x + 5 * y);
    image.addRect(3, 0, 0, 8, 6);
    const auto out = gradientRecords(image, 8);
    EXPECT_EQ(out[0].values[3], 7 * 5);
    EXPECT_NEAR(out[1].values[3], std::sqrt(136.0), 1e-12);
    EXPECT_EQ(out[2].values[3], 0);
    EXPECT_EQ(out[3].values[3], 0);
    EXPECT_EQ(out[4].values[3], 0);
    EXPECT_EQ(out[5].values[3], 1);
}

TEST(GradientFeatures, ARoiTwoPixelsWideHasNoGradient) {
    TestImage image(10, 10, 8);
    for (int i = 0; i < 100; ++i) image.samples[i] = static_cast<uint16_t>(i * 37 % 251);
    image.addRect(0, 4, 0, 5, 9);
    image.addRect(1, 0, 3, 9, 4);
    image.addPixel(2, 5, 5);
    const auto out = gradientRecords(image, 4);
    for (int k = 0; k < 6; ++k)
        for (int r : {0, 1, 2, 3}) EXPECT_EQ(out[k].values[r], 0) << k << " " << r;
}

TEST(GradientFeatures, NeighboursMustBeInTheRoi) {
    // A 5 x 5 ROI without its centre: of the 9 interior pixels only the four
    // corners of the inner square keep all four neighbours.
    TestImage image(5, 5, 8);
    image.addRect(0, 0, 0, 4, 4);
    image.roi[2 * 5 + 2] = 0;
    image.sample(2, 0) = 32;  // above (2, 1), which is excluded anyway
    image.sample(0, 1) = 48;  // left of (1, 1): level 3 of 4 bits
    const auto out = gradientRecords(image, 4);
    EXPECT_EQ(out[0].values[0], 4);
    EXPECT_NEAR(out[1].values[0], 3.0 / 4, 1e-12);  // gradients 3, 0, 0, 0
    EXPECT_NEAR(out[5].values[0], 1.0 / 4, 1e-12);
}

TEST(GradientFeatures, AConstantNormalisedRoiIsFlat) {
    TestImage image(6, 6, 12);
    for (uint16_t& s : image.samples) s = 3000;
    image.addRect(0, 0, 0, 5, 5);
    const auto out = gradientRecords(image, 6, 3);
    EXPECT_EQ(out[0].values[0], 16);
    EXPECT_EQ(out[1].values[0], 0);
    EXPECT_EQ(out[5].values[0], 0);
}

TEST(GradientFeatures, AllRoisAtOnceEqualOneRegionAtATime) {
    std::mt19937 random(11);
    TestImage image(33, 27, 12);
    for (uint16_t& s : image.samples) s = static_cast<uint16_t>(random() % 4096);
    for (int r = 0; r < kRoiCount; ++r) {
        const int x0 = random() % 20, y0 = random() % 15;
        image.addRect(r, x0, y0, x0 + 3 + random() % 10, y0 + 3 + random() % 10);
    }
    TestImage tiles = image;
    for (int y = 0; y < tiles.height; ++y)
        for (int x = 0; x < tiles.width; ++x)
            tiles.roi[size_t(y) * tiles.width + x] =
                random() % 9 == 0 ? 0 : uint16_t(1u << ((y / 7) * 4 + x / 9));
    for (const TestImage* map : {&image, &tiles}) {
        const TextureContext context = map->context();
        for (int32_t mode : {0, 1, 3}) {
            const auto out = gradientRecords(*map, 7, mode);
            RoiStatisticsTable stats = computeRoiStatistics(context);
            AnalysisOptions options;
            options.Do_normal = mode;
            std::vector<FeatureRecord> ignored;
            ASSERT_TRUE(appendNormalisationRecords(context, stats, options, ignored));
            std::vector<double> g;
            for (int r = 0; r < kRoiCount; ++r) {
                const LevelTable table(roiLevelMapping(context, stats[r], mode, 7), 4096);
                collectGradients(context, stats[r].box(), r, table, g);
                const auto f = gradientFeatures(g);
                for (int k = 0; k < 6; ++k) EXPECT_EQ(out[k].values[r], f[k]) << mode << r << k;
            }
        }
    }
}
