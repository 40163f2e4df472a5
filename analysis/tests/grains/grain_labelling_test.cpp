// Grain labelling, the ROI bits of grains, the batches of a grain analysis
// and the closing of the ROI map.
#include "analysis/core/grains/grain_labelling.h"

#include <gtest/gtest.h>

#include <vector>

#include "analysis/core/grains/roi_closing.h"

namespace {

struct Image {
    int32_t width, height;
    std::vector<uint16_t> samples;
    Image(int32_t w, int32_t h) : width(w), height(h), samples(static_cast<size_t>(w) * h, 0) {}
    void block(int32_t x0, int32_t y0, int32_t w, int32_t h, uint16_t v = 200) {
        for (int32_t y = y0; y < y0 + h; ++y)
            for (int32_t x = x0; x < x0 + w; ++x) samples[static_cast<size_t>(y * width + x)] = v;
    }
};

// n grains of 3 x 3 pixels on a grid, one every 5 pixels.
Image gridOfGrains(int32_t across, int32_t down) {
    Image image(across * 5, down * 5);
    for (int32_t j = 0; j < down; ++j)
        for (int32_t i = 0; i < across; ++i) image.block(i * 5 + 1, j * 5 + 1, 3, 3);
    return image;
}

TEST(GrainLabelling, FindsFourConnectedGrainsAboveTheThresholdInRasterOrder) {
    Image image(20, 10);
    image.block(10, 1, 3, 3);
    image.block(2, 2, 2, 2);
    image.block(13, 4, 1, 1);     // touches (12, 3) diagonally only: its own grain
    image.block(5, 7, 4, 2, 58);  // not above the threshold
    const GrainLabels labels = findGrains(image.samples.data(), 20, 10, 58, 0);
    ASSERT_EQ(labels.grains.size(), 3u);
    EXPECT_EQ(labels.grains[0].seedX, 10);
    EXPECT_EQ(labels.grains[0].seedY, 1);
    EXPECT_EQ(labels.grains[0].count, 9);
    EXPECT_EQ(labels.grains[1].seedX, 2);
    EXPECT_EQ(labels.grains[1].xmax, 3);
    EXPECT_EQ(labels.grains[2].count, 1);
}

TEST(GrainLabelling, SmallGrainsAreDroppedAndTheLaterOnesMoveUp) {
    Image image(20, 10);
    image.block(1, 1, 2, 2);  // 4 pixels: dropped
    image.block(5, 1, 3, 3);  // 9 pixels
    const GrainLabels labels = findGrains(image.samples.data(), 20, 10, 58, 5);
    ASSERT_EQ(labels.grains.size(), 1u);
    EXPECT_EQ(labels.grains[0].seedX, 5);
    EXPECT_EQ(labels.label[1 * 20 + 1], -1);
    EXPECT_EQ(labels.label[1 * 20 + 5], 0);
}

TEST(GrainLabelling, TwentyGrainsOneGrainPerRoiMakeTwoBatches) {
    const Image image = gridOfGrains(5, 4);
    const GrainLabels labels = findGrains(image.samples.data(), image.width, image.height, 58, 1);
    ASSERT_EQ(labels.grains.size(), 20u);
    const auto batches = grainBatches(labels.grains.size(), 1);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].last - batches[0].first, 16u);
    EXPECT_EQ(batches[1].last - batches[1].first, 4u);
    // The second batch reuses the ROIs from the first one.
    EXPECT_EQ(grainRoiBit(16, 1), 1);
    EXPECT_EQ(grainRoiBit(19, 1), 8);
    EXPECT_TRUE(grainBatches(0, 1).empty());
    EXPECT_EQ(grainBatches(40, 2).size(), 2u);
}

TEST(GrainLabelling, GrainsShareRoisInGroups) {
    EXPECT_EQ(grainRoiBit(5, 2), 1u << 2);  // grain 5 with two grains per ROI
    EXPECT_EQ(grainRoiBit(4, 2), 1u << 2);
    EXPECT_EQ(grainRoiBit(3, 2), 1u << 1);
    EXPECT_EQ(grainRoiBit(5, 0), 1u << 5);   // 0 grains per ROI counts as 1
    EXPECT_EQ(grainRoiBit(33, 2), 1u << 0);  // ROIs are reused cyclically

    const Image image = gridOfGrains(3, 2);
    const GrainLabels labels = findGrains(image.samples.data(), image.width, image.height, 58, 1);
    std::vector<uint16_t> roi(image.samples.size(), 0);
    paintGrains(labels, 0, labels.grains.size(), 2, roi.data());
    // Grain 5 is the last one (bottom right); its seed gets bit 2.
    const Grain& g5 = labels.grains[5];
    EXPECT_EQ(roi[static_cast<size_t>(g5.seedY * image.width + g5.seedX)], 1u << 2);
    EXPECT_EQ(roi[0], 0u);
}

TEST(GrainLabelling, MoreThan4096GrainsLoseNone) {
    const Image image = gridOfGrains(80, 60);  // 4800 grains
    const GrainLabels labels = findGrains(image.samples.data(), image.width, image.height, 58, 9);
    ASSERT_EQ(labels.grains.size(), 4800u);
    std::vector<uint16_t> roi(image.samples.size(), 0);
    paintGrains(labels, 0, labels.grains.size(), 1, roi.data());
    size_t painted = 0;
    for (uint16_t v : roi) painted += v != 0;
    EXPECT_EQ(painted, 4800u * 9);
}

TEST(GrainLabelling, AGrainLargerThanTheOldFillStackIsWhole) {
    Image image(600, 600);
    image.block(0, 0, 600, 600);
    const GrainLabels labels = findGrains(image.samples.data(), 600, 600, 58, 0);
    ASSERT_EQ(labels.grains.size(), 1u);
    EXPECT_EQ(labels.grains[0].count, 360000);
}

TEST(RoiClosing, JoinsBlocksOneColumnApart) {
    // Two 3 x 4 blocks with one empty column between them become one 7 x 4 block.
    const int32_t w = 15, h = 10;
    std::vector<uint16_t> roi(static_cast<size_t>(w * h), 0);
    for (int32_t y = 3; y < 7; ++y)
        for (int32_t x : {4, 5, 6, 8, 9, 10}) roi[static_cast<size_t>(y * w + x)] = 1;
    closeRoiMap(roi.data(), w, h, 1);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            EXPECT_EQ(roi[static_cast<size_t>(y * w + x)],
                      (y >= 3 && y < 7 && x >= 4 && x <= 10) ? 1 : 0)
                << x << "," << y;
}

TEST(RoiClosing, DepthZeroChangesNothingAndBitsCloseSeparately) {
    const int32_t w = 15, h = 10;
    std::vector<uint16_t> roi(static_cast<size_t>(w * h), 0);
    for (int32_t y = 3; y < 7; ++y) {
        for (int32_t x : {4, 5, 6}) roi[static_cast<size_t>(y * w + x)] = 1;
        for (int32_t x : {8, 9, 10}) roi[static_cast<size_t>(y * w + x)] = 2;
    }
    const std::vector<uint16_t> before = roi;
    closeRoiMap(roi.data(), w, h, 0);
    EXPECT_EQ(roi, before);
    closeRoiMap(roi.data(), w, h, 1);
    // Different ROIs do not join: the gap column belongs to neither alone.
    EXPECT_EQ(roi[static_cast<size_t>(4 * w + 7)] & 1, 0);
    EXPECT_EQ(roi[static_cast<size_t>(4 * w + 5)], 1);
}

}  // namespace
