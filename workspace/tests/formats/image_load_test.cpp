#include "workspace/core/formats/image_load.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>

namespace {

LoadedImage constantImage(int width, int height, uint16_t value) {
    LoadedImage image;
    image.width = width;
    image.height = height;
    image.samples.assign(static_cast<size_t>(width) * height, value);
    return image;
}

TEST(ImageLoad, BitDepthIsTheSmallestThatHoldsTheMaximum) {
    EXPECT_EQ(bitDepthFor(0), 8);
    EXPECT_EQ(bitDepthFor(255), 8);
    EXPECT_EQ(bitDepthFor(256), 9);
    EXPECT_EQ(bitDepthFor(4095), 12);
    EXPECT_EQ(bitDepthFor(4096), 13);
    EXPECT_EQ(bitDepthFor(65535), 16);
}

TEST(ImageLoad, TheFirstLoadPutsEveryPixelInRoiOne) {
    WorkspaceState state;
    LoadedImage image = constantImage(6, 5, 0);
    std::iota(image.samples.begin(), image.samples.end(), uint16_t{100});
    image.featurePrefix = "R_";
    image.loadedColourMode = 1;
    ASSERT_TRUE(applyLoadedImage(state, std::move(image), 100, 0));
    EXPECT_EQ(state.ImageWidth, 6u);
    EXPECT_EQ(state.ImageHeight, 5u);
    EXPECT_EQ(state.ImageMin, 100);
    EXPECT_EQ(state.ImageMax, 129);
    EXPECT_EQ(state.BitDepth, 8);
    EXPECT_EQ(state.WindowLow, 100);  // bar at the bottom: the minimum
    EXPECT_EQ(state.WindowHigh, 129);
    EXPECT_EQ(state.FeaturePrefix, "R_");
    EXPECT_EQ(state.LoadedColorMode, 1u);
    for (size_t i = 0; i < state.RoiMap->size(); ++i) EXPECT_EQ(state.RoiMap->current[i], 1);
    EXPECT_EQ(state.RoiMap->undoCount, 0);
}

TEST(ImageLoad, ALaterLoadKeepsTheRoiBitsWhereTheImagesOverlapAndDropsWhatTheOldImageKept) {
    WorkspaceState state;
    ASSERT_TRUE(applyLoadedImage(state, constantImage(5, 4, 10), 100, 0));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) state.RoiMap->at(x, y) = static_cast<uint16_t>(x + 10 * y);
    PlanePushUndo(state.RoiMap.get());
    state.WorkingSet = std::make_shared<ImageWorkingSet>();
    const std::weak_ptr<ImageWorkingSet> kept = state.WorkingSet;
    ASSERT_TRUE(applyLoadedImage(state, constantImage(7, 6, 300), 50, 50));
    EXPECT_TRUE(kept.expired());  // what was kept for the old image went with it
    EXPECT_EQ(state.RoiMap->width, 7);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(state.RoiMap->at(x, y), (x < 5 && y < 4) ? x + 10 * y : 0) << x << "," << y;
    EXPECT_EQ(state.RoiMap->undoCount, 0);  // a new map has no history
    EXPECT_EQ(state.BitDepth, 9);
    EXPECT_EQ(state.WindowLow, 300);  // a flat image: both ends at its one value

    ASSERT_TRUE(applyLoadedImage(state, constantImage(3, 2, 0), 100, 0));
    EXPECT_EQ(state.RoiMap->at(2, 1), 12);
}

TEST(ImageLoad, AfterATinyImageTheNextLoadStartsAfresh) {
    WorkspaceState state;
    ASSERT_TRUE(applyLoadedImage(state, constantImage(3, 3, 1), 100, 0));
    state.RoiMap->at(0, 0) = 4;
    ASSERT_TRUE(applyLoadedImage(state, constantImage(8, 8, 1), 100, 0));
    EXPECT_EQ(state.RoiMap->at(0, 0), 1);
    EXPECT_EQ(state.RoiMap->at(7, 7), 1);
}

TEST(ImageLoad, AnInconsistentImageChangesNothing) {
    WorkspaceState state;
    ASSERT_TRUE(applyLoadedImage(state, constantImage(5, 5, 7), 100, 0));
    const ImagePlane* before = state.GreyImage.get();
    LoadedImage broken = constantImage(5, 5, 9);
    broken.samples.pop_back();
    EXPECT_FALSE(applyLoadedImage(state, std::move(broken), 100, 0));
    EXPECT_EQ(state.GreyImage.get(), before);
    EXPECT_EQ(state.ImageWidth, 5u);
    EXPECT_EQ(state.ImageMax, 7);
}

TEST(ImageLoad, FormatsWithoutAReaderYetFailWithTheirCodes) {
    LoadedImage image;
    EXPECT_EQ(readImageSamples(3, "/no/file.ima", RawOptions{}, 0, image), kLoadScannerFailed);
    EXPECT_EQ(readImageSamples(12, "/no/file.dcm", RawOptions{}, 0, image), kLoadDicomRejected);
    EXPECT_EQ(readImageSamples(2, "/no/file.raw", RawOptions{}, 0, image), kLoadCannotRead);
    EXPECT_EQ(image.width, 0);
}

}  // namespace
