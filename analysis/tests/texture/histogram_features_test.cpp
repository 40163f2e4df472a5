#include "analysis/core/texture/histogram_features.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "analysis/tests/texture/texture_test_image.h"

namespace {

std::array<double, kHistogramRecordCount> featuresOfRoi(const TestImage& image, int roi) {
    const TextureContext context = image.context();
    const RoiStatisticsTable stats = computeRoiStatistics(context);
    GreyHistogram histogram;
    buildGreyHistogram(context, stats[roi].box(), roi, histogram);
    return histogramFeatures(histogram);
}

}  // namespace

TEST(HistogramFeatures, MomentsAndPercentilesOfTenSamples) {
    // Samples 0 0 4 4 4 8 8 8 8 12 count as levels 1 1 5 5 5 9 9 9 9 13.
    TestImage image(5, 2, 12);
    const int v[] = {0, 0, 4, 4, 4, 8, 8, 8, 8, 12};
    for (int i = 0; i < 10; ++i) image.sample(i % 5, i / 5) = static_cast<uint16_t>(v[i]);
    image.addRect(0, 0, 0, 4, 1);
    const auto f = featuresOfRoi(image, 0);
    EXPECT_NEAR(f[0], 6.6, 1e-12);
    EXPECT_NEAR(f[1], 13.44, 1e-12);
    EXPECT_NEAR(f[2], -0.093522, 5e-7);
    EXPECT_NEAR(f[3], -0.897959, 5e-7);
    // Hand values: sum of cubed deviations -46.08, of fourth powers 3796.992.
    EXPECT_NEAR(f[2], -46.08 / 10 / std::pow(13.44, 1.5), 1e-12);
    EXPECT_NEAR(f[3], 3796.992 / 10 / (13.44 * 13.44) - 3, 1e-12);
    // Thresholds 0.1, 1, 5, 9, 9.9 reached at samples 0, 0, 4, 8, 12.
    EXPECT_EQ(f[4], 1);
    EXPECT_EQ(f[5], 1);
    EXPECT_EQ(f[6], 5);
    EXPECT_EQ(f[7], 9);
    EXPECT_EQ(f[8], 13);
}

TEST(HistogramFeatures, ARoiOfOneGreyValue) {
    TestImage image(6, 6, 8);
    for (uint16_t& s : image.samples) s = 37;
    image.addRect(0, 1, 1, 4, 3);
    image.addPixel(1, 5, 5);  // one pixel
    for (int roi : {0, 1}) {
        const auto f = featuresOfRoi(image, roi);
        EXPECT_EQ(f[0], 38) << roi;
        EXPECT_EQ(f[1], 0) << roi;
        EXPECT_EQ(f[2], 0) << roi;
        EXPECT_EQ(f[3], 0) << roi;
        for (int k = 4; k < 9; ++k) EXPECT_EQ(f[k], 38) << roi << " " << k;
    }
}

TEST(HistogramFeatures, FamilyRecordsInOrderForAllRois) {
    TestImage image(8, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) image.sample(x, y) = static_cast<uint16_t>(x * 8 + y);
    image.addRect(0, 0, 0, 7, 7);
    image.addRect(9, 2, 2, 2, 2);
    std::vector<FeatureRecord> out(1);  // the records follow the area record
    const std::vector<FeatureRecord> family =
        familyRecords(image.context(), AnalysisOptions{}, kHistogramFamily);
    out.insert(out.end(), family.begin(), family.end());
    ASSERT_EQ(out.size(), 1u + kHistogramRecordCount);
    const char* names[] = {"Mean",     "Variance", "Skewness", "Kurtosis", "Perc.01%",
                           "Perc.10%", "Perc.50%", "Perc.90%", "Perc.99%"};
    for (int k = 0; k < kHistogramRecordCount; ++k) EXPECT_EQ(recordName(out[1 + k]), names[k]);
    EXPECT_EQ(out[1].values[0], 32.5);  // samples 0..63
    EXPECT_NEAR(out[2].values[0], (64 * 64 - 1) / 12.0, 1e-9);
    EXPECT_EQ(out[1].values[9], 19);  // sample 18
    for (int r : {1, 2, 8, 10, 15})
        for (int k = 1; k <= kHistogramRecordCount; ++k) EXPECT_EQ(out[k].values[r], 0);
}

TEST(HistogramFeatures, OnePassHistogramsEqualTheRegionHistograms) {
    std::mt19937 random(7);
    TestImage image(40, 30, 10);
    for (uint16_t& s : image.samples) s = static_cast<uint16_t>(random() % 1024);
    for (uint16_t& m : image.roi) m = static_cast<uint16_t>(random() & random());
    const TextureContext context = image.context();
    const RoiStatisticsTable stats = computeRoiStatistics(context);
    const auto all = buildRoiHistograms(context, stats);
    GreyHistogram one;
    for (int r = 0; r < kRoiCount; ++r) {
        buildGreyHistogram(context, stats[r].box(), r, one);
        EXPECT_EQ(all[r].bins, one.bins) << r;
        EXPECT_EQ(all[r].count, one.count) << r;
        EXPECT_EQ(all[r].first, one.first) << r;
        EXPECT_EQ(all[r].last, one.last) << r;
    }
}
