#include "analysis/core/texture/normalisation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/core/texture/grey_histogram.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/tests/texture/texture_test_image.h"

namespace {

constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();

LevelMapping shiftMapping(int32_t bitDepth, int32_t bits) {
    return LevelMapping{kNormaliseNone, bitDepth, bits, {}};
}

LevelMapping limitMapping(int32_t low, int32_t high, int32_t bits) {
    return LevelMapping{kNormaliseMinMax, 12, bits, {low, high}};
}

// The ten samples used for the moment checks: 0 0 4 4 4 8 8 8 8 12.
TestImage tenSamples(int32_t bitDepth = 8) {
    TestImage image(10, 1, bitDepth);
    const int v[] = {0, 0, 4, 4, 4, 8, 8, 8, 8, 12};
    for (int x = 0; x < 10; ++x) image.sample(x, 0) = static_cast<uint16_t>(v[x]);
    image.addRect(0, 0, 0, 9, 0);
    return image;
}

NormalisationLimits limitsOf(const TestImage& image, int32_t mode) {
    const TextureContext context = image.context();
    const RoiStatisticsTable stats = computeRoiStatistics(context);
    GreyHistogram histogram;
    buildGreyHistogram(context, stats[0].box(), 0, histogram);
    return normalisationLimits(histogram, mode, context.BitDepth, stats[0].smallest,
                               stats[0].largest);
}

}  // namespace

TEST(Normalisation, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(mulDiv(5, 3, 2), 8);  // 7.5
    EXPECT_EQ(mulDiv(-5, 3, 2), -8);
    EXPECT_EQ(mulDiv(5, -3, 2), -8);
    EXPECT_EQ(mulDiv(5, 3, -2), -8);
    EXPECT_EQ(mulDiv(-5, -3, -2), -8);
    EXPECT_EQ(mulDiv(-5, 3, -2), 8);
    EXPECT_EQ(mulDiv(1, 1, 3), 0);  // 0.33
    EXPECT_EQ(mulDiv(2, 1, 3), 1);  // 0.67
    EXPECT_EQ(mulDiv(7, 1, 2), 4);  // 3.5
    EXPECT_EQ(mulDiv(0, 63, -1), 0);
    EXPECT_EQ(mulDiv(-1, 63, -1), 63);
}

TEST(Normalisation, MulDivUsesA64BitProduct) {
    EXPECT_EQ(mulDiv(100000, 100000, 100000), 100000);
    EXPECT_EQ(mulDiv(kIntMax, kIntMax, kIntMax), kIntMax);
    EXPECT_EQ(mulDiv(kIntMin, 1, 1), kIntMin);
}

TEST(Normalisation, MulDivGivesMinusOneOnZeroDivisorOrOverflow) {
    EXPECT_EQ(mulDiv(5, 3, 0), -1);
    EXPECT_EQ(mulDiv(0, 0, 0), -1);
    EXPECT_EQ(mulDiv(kIntMax, 2, 1), -1);
    EXPECT_EQ(mulDiv(kIntMin, -1, 1), -1);
    EXPECT_EQ(mulDiv(kIntMin, 2, 1), -1);
}

TEST(Normalisation, ShiftsWithoutNormalisation) {
    EXPECT_EQ(requantiseSample(4095, shiftMapping(12, 6)), 63);  // 12 -> 6 bits
    EXPECT_EQ(requantiseSample(64, shiftMapping(12, 6)), 1);
    EXPECT_EQ(requantiseSample(63, shiftMapping(12, 6)), 0);
    EXPECT_EQ(requantiseSample(255, shiftMapping(8, 10)), 1020);  // 8 -> 10 bits
    EXPECT_EQ(requantiseSample(1, shiftMapping(8, 12)), 16);
    EXPECT_EQ(requantiseSample(200, shiftMapping(8, 8)), 200);
    // A sample wider than the bit depth is masked, never out of range.
    EXPECT_EQ(requantiseSample(0x1FF, shiftMapping(8, 8)), 0xFF);
    EXPECT_EQ(requantiseSample(0xFFFF, shiftMapping(8, 6)), 63);
}

TEST(Normalisation, ScalesBetweenTheLimits) {
    // m * 15 / 10 rounded: 0, 1.5 -> 2, 3, 7.5 -> 8, 15.
    EXPECT_EQ(requantiseSample(100, limitMapping(100, 110, 4)), 0);
    EXPECT_EQ(requantiseSample(101, limitMapping(100, 110, 4)), 2);
    EXPECT_EQ(requantiseSample(102, limitMapping(100, 110, 4)), 3);
    EXPECT_EQ(requantiseSample(105, limitMapping(100, 110, 4)), 8);
    EXPECT_EQ(requantiseSample(110, limitMapping(100, 110, 4)), 15);
    // Outside the limits the sample is clamped.
    EXPECT_EQ(requantiseSample(3, limitMapping(100, 110, 4)), 0);
    EXPECT_EQ(requantiseSample(4000, limitMapping(100, 110, 4)), 15);
    // A negative low limit (mean - 3 sigma below zero).
    EXPECT_EQ(requantiseSample(0, limitMapping(-5, 10, 6)), 21);  // 5 * 63 / 15
}

TEST(Normalisation, EqualLimitsMapEverythingToTheTopLevel) {
    for (uint32_t v : {0u, 99u, 100u, 101u, 4095u}) {
        EXPECT_EQ(requantiseSample(v, limitMapping(100, 100, 6)), 63) << v;
        EXPECT_EQ(requantiseSample(v, limitMapping(100, 100, 8)), 255) << v;
    }
}

TEST(Normalisation, CrossedLimitsSplitAtTheHighLimit) {
    // Mode 2 on a ROI that is nearly one value gives low = high + 1.
    EXPECT_EQ(requantiseSample(77, limitMapping(78, 77, 6)), 0);
    EXPECT_EQ(requantiseSample(20, limitMapping(78, 77, 6)), 0);
    EXPECT_EQ(requantiseSample(78, limitMapping(78, 77, 6)), 63);
}

TEST(Normalisation, PixelsOutsideTheImageReadAsZero) {
    TestImage image(3, 2, 8);
    image.sample(0, 0) = 200;
    const TextureContext context = image.context();
    const LevelMapping shift = shiftMapping(8, 6);
    EXPECT_EQ(RequantisePixel(context, shift, 0, 0), 50);
    EXPECT_EQ(RequantisePixel(context, shift, 0, -1), 0);
    EXPECT_EQ(RequantisePixel(context, limitMapping(-5, 10, 6), 0, -1), 21);
    EXPECT_EQ(RequantisePixel(context, limitMapping(-5, 10, 6), 3, 0), 21);
    EXPECT_EQ(RequantisePixel(context, limitMapping(-5, 10, 6), 0, 2), 21);
}

TEST(Normalisation, LevelTableMatchesTheMappingForEverySample) {
    const LevelMapping mapping = limitMapping(-37, 1234, 7);
    const LevelTable table(mapping, 100);
    for (uint32_t v = 0; v < 5000; v += 7) EXPECT_EQ(table[v], requantiseSample(v, mapping)) << v;
    EXPECT_EQ(table.levels(), 128);
}

TEST(Normalisation, ThreeSigmaLimitsAreTruncatedFromLevelsCountedFromOne) {
    // Mean 6.6, variance 13.44: 6.6 -/+ 3 * 3.66606 = -4.398, 17.598.
    const NormalisationLimits l = limitsOf(tenSamples(), kNormaliseThreeSigma);
    EXPECT_EQ(l.low, -4);
    EXPECT_EQ(l.high, 17);
}

TEST(Normalisation, OnePercentLimitsMixLevelsCountedFromOneWithSamples) {
    // 1%: first sample 0 -> a = 1; 99%: last sample 12 -> b = 13, high = 12.
    const NormalisationLimits l = limitsOf(tenSamples(), kNormaliseOnePercent);
    EXPECT_EQ(l.low, 1);
    EXPECT_EQ(l.high, 12);
}

TEST(Normalisation, MinMaxAndDefaultLimits) {
    NormalisationLimits l = limitsOf(tenSamples(), kNormaliseMinMax);
    EXPECT_EQ(l.low, 0);
    EXPECT_EQ(l.high, 12);
    l = limitsOf(tenSamples(12), kNormaliseNone);
    EXPECT_EQ(l.low, 0);
    EXPECT_EQ(l.high, 4095);
}

TEST(Normalisation, ConstantRoiWithMinMaxRequantisesToTheTopLevel) {
    TestImage image(4, 4, 12);
    for (uint16_t& v : image.samples) v = 1000;
    image.addRect(0, 0, 0, 3, 3);
    const TextureContext context = image.context();
    RoiStatisticsTable stats = computeRoiStatistics(context);
    AnalysisOptions options;
    options.Do_normal = kNormaliseMinMax;
    std::vector<FeatureRecord> out;
    ASSERT_TRUE(appendNormalisationRecords(context, stats, options, out));
    EXPECT_EQ(stats[0].low, 1000);
    EXPECT_EQ(stats[0].high, 1000);
    const LevelMapping mapping = roiLevelMapping(context, stats[0], kNormaliseMinMax, 6);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(RequantisePixel(context, mapping, x, y), 63);
}

TEST(Normalisation, RecordsHoldTheLimitsOfEveryRoi) {
    TestImage image = tenSamples();
    image.addRect(3, 2, 0, 4, 0);  // samples 4 4 4
    const TextureContext context = image.context();
    RoiStatisticsTable stats = computeRoiStatistics(context);
    AnalysisOptions options;
    options.Do_normal = kNormaliseOnePercent;
    std::vector<FeatureRecord> out;
    ASSERT_TRUE(appendNormalisationRecords(context, stats, options, out));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(recordName(out[0]), "_MinNorm");
    EXPECT_EQ(recordName(out[1]), "_MaxNorm");
    EXPECT_EQ(out[0].values[0], 1);
    EXPECT_EQ(out[1].values[0], 12);
    EXPECT_EQ(out[0].values[3], 5);  // crossed: low = 4 + 1, high = 4
    EXPECT_EQ(out[1].values[3], 4);
    EXPECT_EQ(out[0].values[1], 0);  // empty ROI
    EXPECT_EQ(out[1].values[1], 0);
    EXPECT_EQ(normalisationRecordCount(options), 2);
}

TEST(Normalisation, NothingWithoutNormalisationOrWithAStoredNonsenseMode) {
    TestImage image = tenSamples();
    const TextureContext context = image.context();
    RoiStatisticsTable stats = computeRoiStatistics(context);
    for (int32_t mode : {0, 4, -1, 1000}) {
        AnalysisOptions options;
        options.Do_normal = mode;
        std::vector<FeatureRecord> out;
        ASSERT_TRUE(appendNormalisationRecords(context, stats, options, out));
        EXPECT_TRUE(out.empty()) << mode;
        EXPECT_EQ(normalisationRecordCount(options), 0) << mode;
    }
}
