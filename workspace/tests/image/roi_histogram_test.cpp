#include "workspace/core/image/roi_histogram.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RoiHistogram, CountsOnlyTheRoisPixels) {
    const std::vector<uint16_t> grey = {0, 5, 5, 9, 200, 7};
    const std::vector<uint16_t> roi = {1, 2, 2, 3, 1, 2};  // ROI 2: bit 1
    const RoiHistogram h = computeRoiHistogram(grey.data(), roi.data(), grey.size(), 2, 8);
    EXPECT_EQ(h.pixels, 4u);
    EXPECT_EQ(h.bins[5], 2u);
    EXPECT_EQ(h.bins[9], 1u);
    EXPECT_EQ(h.bins[200], 0u);
    EXPECT_EQ(h.minLum, 5);
    EXPECT_EQ(h.maxLum, 9);
    EXPECT_EQ(h.largestValueCount, 2u);
    const RoiHistogram none = computeRoiHistogram(grey.data(), roi.data(), grey.size(), 16, 8);
    EXPECT_EQ(none.pixels, 0u);
    EXPECT_EQ(none.largestValueCount, 0u);
}

TEST(RoiHistogram, TwelveBitImagesBinBySixteenAndAStaleDepthIsClamped) {
    const std::vector<uint16_t> grey = {4095, 4080, 16, 15, 2000};
    const std::vector<uint16_t> roi(grey.size(), 1);
    RoiHistogram h = computeRoiHistogram(grey.data(), roi.data(), grey.size(), 1, 12);
    EXPECT_EQ(h.bins[255], 2u);
    EXPECT_EQ(h.bins[1], 1u);
    EXPECT_EQ(h.bins[0], 1u);
    EXPECT_EQ(h.largestValueCount, 1u);
    // The depth says 8 bits while the image holds 12: bins stop at 255.
    h = computeRoiHistogram(grey.data(), roi.data(), grey.size(), 1, 8);
    EXPECT_EQ(h.bins[255], 3u);
    EXPECT_EQ(histogramXLabels(12), (std::array<std::string, 3>{"1", "2048", "4096"}));
    EXPECT_EQ(histogramXLabels(8), (std::array<std::string, 3>{"1", "128", "256"}));
    EXPECT_EQ(histogramXLabels(3), histogramXLabels(8));
}

TEST(RoiHistogram, BarHeightsAreRoundedAgainstTheSingleValueScale) {
    // 3 x 100 / (2 x 4) = 37.5
    EXPECT_EQ(histogramBarHeight(3, 9, 4), 38);
    EXPECT_EQ(histogramBarHeight(4, 8, 4), 100);
    // A bin of 16 values at 12 bits, each as frequent as the most frequent one.
    EXPECT_EQ(histogramBarHeight(16 * 7, 12, 7), 100);
    EXPECT_EQ(histogramBarHeight(1, 8, 3), 33);
    EXPECT_EQ(histogramBarHeight(5, 8, 0), 0);
}

TEST(RoiHistogram, TabsFollowTheRoisWithPixels) {
    std::array<uint32_t, kRoiCount> counts{};
    EXPECT_TRUE(histogramTabRois(counts).empty());
    EXPECT_EQ(histogramSelectedTab({}, 3), -1);
    counts[1] = 10;
    counts[4] = 2;
    const std::vector<int> tabs = histogramTabRois(counts);
    EXPECT_EQ(tabs, (std::vector<int>{2, 5}));
    EXPECT_EQ(histogramSelectedTab(tabs, 5), 1);
    EXPECT_EQ(histogramSelectedTab(tabs, 3), 0);
}

}  // namespace
