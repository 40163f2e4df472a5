// Wavelet energies and map against values computed independently by
// data/wavelet_cases.py (numpy slicing per level, per-ROI masks), and the
// cases whose values follow by hand.
#include "analysis/core/texture/wavelets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct WaveletCase {
    const char* name;
    int32_t width, height, bitDepth, imageMax, imageMin, bits, normalisation;
    const uint16_t* samples;
    const uint16_t* roi;
    const double (*energies)[16];
    int unfilled;
    const double* map;
};

#include "analysis/tests/data/wavelet_cases.inc"

TextureContext contextOf(const uint16_t* samples, const uint16_t* roi, int32_t w, int32_t h,
                         int32_t bitDepth, int32_t imageMax = 0, int32_t imageMin = 0) {
    TextureContext c;
    c.samples = samples;
    c.roiMap = roi;
    c.width = w;
    c.height = h;
    c.BitDepth = bitDepth;
    c.ImageMax = imageMax;
    c.ImageMin = imageMin;
    return c;
}

AnalysisOptions waveletOptions(int32_t bits, int32_t normalisation) {
    AnalysisOptions o;
    o.Ng_wav = bits;
    o.Do_normal = normalisation;
    return o;
}

void expectClose(double expected, double actual, const std::string& where) {
    if (std::isinf(expected)) {
        EXPECT_EQ(actual, kInf) << where;
    } else {
        EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::abs(expected))) << where;
    }
}

TEST(WaveletSizes, WorkingSizeIsTheSmallestPowerOfTwoFrom16) {
    EXPECT_EQ(waveletWorkingSize(100, 60), 128);
    EXPECT_EQ(waveletWorkingSize(1, 1), 16);
    EXPECT_EQ(waveletWorkingSize(16, 17), 32);
    EXPECT_EQ(waveletWorkingSize(4096, 10), 4096);
    EXPECT_EQ(waveletWorkingSize(4097, 10), 0);
    EXPECT_EQ(waveletWorkingSize(0, 10), 0);
}

TEST(WaveletSizes, ScalesStopBelowSixteen) {
    EXPECT_EQ(waveletScaleCount(128), 3);  // 64, 32, 16
    const auto sizes = waveletScaleSizes(256);
    EXPECT_EQ(sizes[0], 128);
    EXPECT_EQ(sizes[3], 16);
    EXPECT_EQ(sizes[4], 0);
    EXPECT_EQ(waveletScaleCount(16), 0);
    EXPECT_EQ(waveletScaleCount(32), 1);
    EXPECT_EQ(waveletScaleCount(4096), 8);
}

TEST(WaveletRecords, NamesRunBandsWithinScales) {
    EXPECT_EQ(waveletRecordName(0), "WavEnLL_s-1");
    EXPECT_EQ(waveletRecordName(1), "WavEnLH_s-1");
    EXPECT_EQ(waveletRecordName(2), "WavEnHL_s-1");
    EXPECT_EQ(waveletRecordName(3), "WavEnHH_s-1");
    EXPECT_EQ(waveletRecordName(10), "WavEnHL_s-3");
    EXPECT_EQ(waveletRecordName(31), "WavEnHH_s-8");
}

TEST(WaveletEnergies, AgreeWithTheIndependentComputation) {
    for (const WaveletCase& c : kWaveletCases) {
        const TextureContext context =
            contextOf(c.samples, c.roi, c.width, c.height, c.bitDepth, c.imageMax, c.imageMin);
        const WaveletFeatures f =
            computeWaveletFeatures(context, waveletOptions(c.bits, c.normalisation));
        ASSERT_TRUE(f.computed) << c.name;
        ASSERT_EQ(f.records.size(), 32u);
        EXPECT_EQ(f.unfilled, c.unfilled) << c.name;
        for (int i = 0; i < 32; ++i) {
            EXPECT_EQ(recordName(f.records[static_cast<size_t>(i)]), waveletRecordName(i));
            for (int r = 0; r < 16; ++r)
                expectClose(c.energies[i][r],
                            f.records[static_cast<size_t>(i)].values[static_cast<size_t>(r)],
                            std::string(c.name) + " record " + std::to_string(i) + " ROI " +
                                std::to_string(r + 1));
        }
    }
}

TEST(WaveletMap, HoldsThePyramidOfTheWholeImage) {
    for (const WaveletCase& c : kWaveletCases) {
        if (!c.map) continue;
        const TextureContext context =
            contextOf(c.samples, c.roi, c.width, c.height, c.bitDepth, c.imageMax, c.imageMin);
        const WaveletPyramid map = computeWaveletMap(context, waveletOptions(c.bits, 0));
        const int32_t d = waveletWorkingSize(c.width, c.height);
        ASSERT_EQ(map.size, d) << c.name;
        ASSERT_EQ(map.values.size(), static_cast<size_t>(d) * static_cast<size_t>(d));
        for (size_t i = 0; i < map.values.size(); ++i)
            ASSERT_NEAR(map.values[i], c.map[i], 1e-9) << c.name << " at " << i;
    }
}

TEST(WaveletEnergies, VerticalStripesGiveEnergyInLowAndHorizontalDetailOnly) {
    // Columns alternate 10, 20: rows give L = 15, H = -5; columns keep them,
    // so LL = 15, HL = -5, LH = HH = 0 everywhere. D = 32: one scale.
    std::vector<uint16_t> samples(32 * 32), roi(32 * 32, 1);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) samples[static_cast<size_t>(y * 32 + x)] = x % 2 ? 20 : 10;
    const WaveletFeatures f = computeWaveletFeatures(
        contextOf(samples.data(), roi.data(), 32, 32, 8), waveletOptions(8, 0));
    EXPECT_DOUBLE_EQ(f.records[0].values[0], 225.0);  // LL
    EXPECT_DOUBLE_EQ(f.records[1].values[0], 0.0);    // LH
    EXPECT_DOUBLE_EQ(f.records[2].values[0], 25.0);   // HL
    EXPECT_DOUBLE_EQ(f.records[3].values[0], 0.0);    // HH
    EXPECT_EQ(f.records[4].values[0], kInf);          // scale 2 is not computed
    EXPECT_EQ(f.unfilled, 28);                        // 7 scales without LL
    EXPECT_EQ(f.records[0].values[1], 0.0);           // an empty ROI has 0 everywhere
}

TEST(WaveletEnergies, ASinglePixelRoiReachesTooFewCoefficients) {
    std::vector<uint16_t> samples(100 * 60, 7), roi(100 * 60, 0);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint16_t>(i * 37 % 251);
    roi[30 * 100 + 50] = 1;
    const WaveletFeatures f = computeWaveletFeatures(
        contextOf(samples.data(), roi.data(), 100, 60, 8), waveletOptions(8, 0));
    for (const FeatureRecord& r : f.records) EXPECT_EQ(r.values[0], kInf);
    EXPECT_EQ(f.unfilled, 32);  // u = 8: the runner keeps none of the records
}

TEST(WaveletEnergies, NoRoiWithPixelsLeavesEveryRecordUnfilled) {
    std::vector<uint16_t> samples(40 * 40, 9), roi(40 * 40, 0);
    const WaveletFeatures f = computeWaveletFeatures(
        contextOf(samples.data(), roi.data(), 40, 40, 8), waveletOptions(8, 0));
    EXPECT_TRUE(f.computed);
    EXPECT_EQ(f.unfilled, 32);
}

TEST(WaveletEnergies, OneSharedDecompositionEqualsOnePerRoi) {
    const WaveletCase& c = kWaveletCases[0];
    const TextureContext context = contextOf(c.samples, c.roi, c.width, c.height, c.bitDepth);
    const WaveletFeatures shared = computeWaveletFeatures(context, waveletOptions(8, 0));
    const int32_t d = waveletWorkingSize(c.width, c.height);
    const auto masks = waveletMasks(c.roi, c.width, c.height, d);
    for (int r = 0; r < 16; ++r) {
        bool any = false;
        for (size_t i = 0; i < static_cast<size_t>(c.width * c.height); ++i)
            any |= (c.roi[i] >> r) & 1;
        if (!any) continue;
        std::vector<uint16_t> levels(c.samples, c.samples + c.width * c.height);
        const auto e =
            waveletEnergies(waveletWorkingImage(levels.data(), c.width, c.height, d), masks, r);
        for (size_t i = 0; i < 32; ++i)
            EXPECT_EQ(e[i], shared.records[i].values[static_cast<size_t>(r)]);
    }
}

TEST(WaveletEnergies, AnImageSideOver4096IsRefusedWithANote) {
    std::vector<uint16_t> samples(4097 * 2, 1), roi(4097 * 2, 1);
    const TextureContext context = contextOf(samples.data(), roi.data(), 4097, 2, 8);
    EXPECT_FALSE(computeWaveletFeatures(context, waveletOptions(8, 0)).computed);
    EXPECT_EQ(computeWaveletMap(context, waveletOptions(8, 0)).size, 0);
    EXPECT_FALSE(waveletRefusalNote(context, waveletOptions(8, 0)).empty());
    const TextureContext fits = contextOf(samples.data(), roi.data(), 4096, 2, 8);
    EXPECT_TRUE(waveletRefusalNote(fits, waveletOptions(8, 0)).empty());
}

TEST(WaveletMasks, OrReduceTwoByTwoBlocks) {
    std::vector<uint16_t> roi(20 * 20, 0);
    roi[0] = 1;             // (0, 0)
    roi[19 * 20 + 19] = 2;  // (19, 19): in the padding's neighbourhood
    const auto masks = waveletMasks(roi.data(), 20, 20, 32);
    ASSERT_EQ(masks[0].size(), 256u);
    EXPECT_EQ(masks[0][0], 1);
    EXPECT_EQ(masks[0][9 * 16 + 9], 2);
    EXPECT_TRUE(masks[1].empty());  // 32 has one scale
}

}  // namespace
