#include "analysis/core/texture/roi_geometry.h"

#include <gtest/gtest.h>

#include <vector>

#include "analysis/tests/texture/texture_test_image.h"

TEST(RoiGeometry, BoxCountAndSampleRangeOfEveryRoi) {
    TestImage image(6, 5, 8);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) image.sample(x, y) = static_cast<uint16_t>(10 * y + x);
    image.addRect(0, 1, 1, 3, 2);
    image.addRect(2, 0, 0, 5, 4);
    image.addPixel(15, 4, 3);
    image.addPixel(15, 2, 0);
    const TextureContext context = image.context();
    const RoiStatisticsTable s = computeRoiStatistics(context);

    EXPECT_EQ(s[0].xmin, 1);
    EXPECT_EQ(s[0].xmax, 3);
    EXPECT_EQ(s[0].ymin, 1);
    EXPECT_EQ(s[0].ymax, 2);
    EXPECT_EQ(s[0].count, 6);
    EXPECT_EQ(s[0].smallest, 11);
    EXPECT_EQ(s[0].largest, 23);

    EXPECT_EQ(s[2].count, 30);
    EXPECT_EQ(s[2].smallest, 0);
    EXPECT_EQ(s[2].largest, 45);

    EXPECT_EQ(s[15].count, 2);
    EXPECT_EQ(s[15].xmin, 2);
    EXPECT_EQ(s[15].xmax, 4);
    EXPECT_EQ(s[15].ymin, 0);
    EXPECT_EQ(s[15].ymax, 3);
    EXPECT_EQ(largestRoiCount(s), 30);
}

TEST(RoiGeometry, AnEmptyRoiHasAnInvertedBox) {
    TestImage image(6, 5, 8);
    const RoiStatisticsTable s = computeRoiStatistics(image.context());
    EXPECT_EQ(s[7].count, 0);
    EXPECT_EQ(s[7].xmin, 6);
    EXPECT_EQ(s[7].ymin, 5);
    EXPECT_EQ(s[7].xmax, 0);
    EXPECT_EQ(s[7].ymax, 0);
    EXPECT_EQ(s[7].smallest, 65535);
    EXPECT_EQ(s[7].largest, 0);
    EXPECT_TRUE(s[7].box().empty());
    EXPECT_TRUE(unionOfRoiBoxes(s).empty());
}

TEST(RoiGeometry, AreaRecordComesFirstWithEveryCount) {
    TestImage image(4, 4, 8);
    image.addRect(0, 0, 0, 3, 3);
    image.addPixel(4, 2, 2);
    std::vector<FeatureRecord> out;
    appendAreaRecord(computeRoiStatistics(image.context()), out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(recordName(out[0]), "_Area");
    EXPECT_EQ(out[0].values[0], 16);
    EXPECT_EQ(out[0].values[4], 1);
    EXPECT_EQ(out[0].values[1], 0);
}

TEST(RoiGeometry, PlanesOfDifferentSizesGiveAnEmptyContext) {
    ImagePlane grey, roi;
    PlaneCreate(&grey, 4, 4);
    PlaneCreate(&roi, 4, 5);
    const TextureContext context = textureContext(grey, roi, 255, 0, 8);
    EXPECT_FALSE(context.valid());
    const RoiStatisticsTable s = computeRoiStatistics(context);
    EXPECT_EQ(largestRoiCount(s), 0);
    PlaneDestroy(&grey, 0);
    PlaneDestroy(&roi, 0);
}
