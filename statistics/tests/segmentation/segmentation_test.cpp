#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "statistics/core/random_source.h"
#include "statistics/core/segmentation/pixel_stack.h"
#include "statistics/core/segmentation/segment_pixels.h"
#include "statistics/core/segmentation/segmentation_report.h"
#include "statistics/core/segmentation/segmentation_view.h"

namespace {

struct SegmentationCase {
    int width, height, depth, segments, external, internal;
    std::vector<uint32_t> seeds;
    std::vector<uint8_t> vectors;
    std::vector<int32_t> labels;
    double total;
    double lloydTotal;  // scikit-learn from the same starts
};

#include "statistics/tests/reference/segmentation_reference.inc"

// Hands out the case's seeds in turn, as the clock would at each reseed.
RandomSource seededRandom(const std::vector<uint32_t>& seeds) {
    auto next = std::make_shared<size_t>(0);
    return RandomSource([seeds, next] { return seeds[(*next)++ % seeds.size()]; });
}

}  // namespace

TEST(SegmentationGrey, ColoursReduceWithTheLuminanceWeights) {
    EXPECT_EQ(segmentationGrey(255, 255, 255), 255);
    EXPECT_EQ(segmentationGrey(255, 0, 0), 76);
    EXPECT_EQ(segmentationGrey(0, 255, 0), 150);
    EXPECT_EQ(segmentationGrey(0, 0, 255), 29);
    EXPECT_EQ(segmentationGrey(0, 0, 0), 0);

    PixelStack stack;
    EXPECT_FALSE(stack.start(513, 10, 1));
    EXPECT_FALSE(stack.start(10, 10, 51));
    ASSERT_TRUE(stack.start(2, 1, 2));
    const std::vector<uint8_t> first = {0, 0, 255, 255, 255, 255};  // red, white (B, G, R)
    const std::vector<uint8_t> second = {255, 0, 0, 0, 255, 0};     // blue, green
    stack.setImage(0, first, 6);
    stack.setImage(1, second, 6);
    EXPECT_EQ(std::vector<uint8_t>(stack.vectors().begin(), stack.vectors().end()),
              (std::vector<uint8_t>{76, 29, 255, 150}));
    const std::vector<uint8_t> mask = {0, 1};
    EXPECT_EQ(gatherRoiVectors(stack, mask), (std::vector<uint8_t>{255, 150}));
}

TEST(SegmentPixels, EqualsTheReferenceRunFromTheSameSeeds) {
    for (const SegmentationCase* c : {&kTwoImagesThreeSegments, &kFiveImagesFourSegments,
                                      &kOneImageTwoSegments, &kTwoBlocksOfPixels}) {
        SCOPED_TRACE(c->width * 1000 + c->depth);
        RandomSource random = seededRandom(c->seeds);
        SegmentationParameters parameters{c->segments, c->external, c->internal};
        std::vector<int> positions;
        const SegmentationResult result = SegmentPixels(c->vectors, c->depth, parameters, random,
                                                        [&](int p) { positions.push_back(p); });
        EXPECT_EQ(result.labels, c->labels);
        EXPECT_NEAR(result.total, c->total, 1e-9 * c->total);
        EXPECT_LE(result.total, c->lloydTotal * (1 + 1e-12));
        ASSERT_FALSE(positions.empty());
        EXPECT_EQ(positions.back(), c->external * c->internal);
        EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));

        const std::vector<int64_t> areas = segmentAreas(result.labels, c->segments);
        EXPECT_EQ(std::accumulate(areas.begin(), areas.end(), int64_t{0}),
                  static_cast<int64_t>(c->width) * c->height);
    }
}

TEST(SegmentPixels, PixelCountLimitAndEmptySegments) {
    EXPECT_FALSE(enoughPixelsToSegment(47, 16));
    EXPECT_TRUE(enoughPixelsToSegment(48, 16));
    EXPECT_FALSE(enoughPixelsToSegment(5, 2));

    // Every vector alike: the starts tie, every pixel joins segment 0 and the
    // other segments are repaired from it, never by taking a segment's only
    // pixel, so each segment ends with pixels.
    const std::vector<uint8_t> flat(30 * 2, 100);
    RandomSource random([] { return 99u; });
    const SegmentationResult result = SegmentPixels(flat, 2, {3, 2, 50}, random);
    const std::vector<int64_t> areas = segmentAreas(result.labels, 3);
    for (int64_t area : areas) EXPECT_GE(area, 1);
    EXPECT_EQ(areas[0] + areas[1] + areas[2], 30);
    EXPECT_EQ(result.total, 0.0);

    // Too few pixels: no run, every label 0.
    RandomSource other([] { return 1u; });
    const SegmentationResult refused =
        SegmentPixels(std::vector<uint8_t>(5, 1), 1, {2, 1, 50}, other);
    EXPECT_EQ(refused.total, kSegmentationNoTotal);
    EXPECT_EQ(refused.labels, std::vector<int32_t>(5, 0));
}

TEST(SegmentationView, BlendingAndComposition) {
    EXPECT_EQ(BlendChannel(255, 0, 255), 0);
    EXPECT_EQ(BlendChannel(0, 255, 255), 254);
    EXPECT_EQ(BlendChannel(200, 0, 77), 139);
    EXPECT_EQ(BlendChannel(10, 10, 200), 10);

    PixelStack stack;
    ASSERT_TRUE(stack.start(2, 1, 1));
    stack.setImage(0, std::vector<uint8_t>{100, 100, 100, 200, 200, 200}, 6);
    const std::vector<uint8_t> segments = paintSegments(2, 1, std::vector<int32_t>{0, 2});
    EXPECT_EQ(segments, (std::vector<uint8_t>{0, 0, 255, 255, 0, 0}));  // red, blue

    // Segments alone appear in full colour; over the image with transparency
    // 0 they vanish.
    EXPECT_EQ(ComposeSegmentationView(stack, 0, {}, segments, {false, false, true}, 77), segments);
    EXPECT_EQ(ComposeSegmentationView(stack, 0, {}, segments, {true, false, true}, 0),
              (std::vector<uint8_t>{100, 100, 100, 200, 200, 200}));
    const auto blended = ComposeSegmentationView(stack, 0, {}, segments, {true, false, true}, 128);
    EXPECT_EQ(blended[2], BlendChannel(100, 255, 128));
    EXPECT_TRUE(ComposeSegmentationView(stack, 0, {}, segments, {}, 77).empty());

    // The ROI colour 0x00CC33 blends by 2 × red = 102; a white loaded ROI is
    // capped at 255 so no channel leaves 0..255.
    const std::vector<uint8_t> roi = {0, 0xCC, 0x33, 255, 255, 255};
    const auto withRoi = ComposeSegmentationView(stack, 0, roi, {}, {true, true, false}, 77);
    EXPECT_EQ(withRoi[1], BlendChannel(100, 0xCC, 102));
    EXPECT_EQ(withRoi[3], BlendChannel(200, 255, 255));
    EXPECT_EQ(segmentationRoiMask(roi), (std::vector<uint8_t>{1, 1}));

    // A ROI run paints the mask's pixels with the successive labels.
    const std::vector<uint8_t> mask = {0, 1};
    EXPECT_EQ(paintSegments(2, 1, std::vector<int32_t>{1}, mask),
              (std::vector<uint8_t>{0, 0, 0, 0, 255, 0}));
}

TEST(SegmentationReport, TextsAndNames) {
    EXPECT_EQ(segmentColourName(0), "Red");
    EXPECT_EQ(segmentColourName(1), "Lime");
    EXPECT_EQ(segmentColourName(2), "Blue");
    EXPECT_EQ(segmentColourName(3), "Aqua");
    EXPECT_EQ(segmentColourName(4), "Fuchsia");
    EXPECT_EQ(segmentColourName(5), "Yellow");
    EXPECT_EQ(segmentColourName(6), "00080FF");
    EXPECT_EQ(segmentColourName(15), "0C4FF00");
    EXPECT_EQ(colourText(0x000000), "clBlack");

    const std::vector<int64_t> areas = {10, 20, 5};
    EXPECT_EQ(segmentationResultLines(areas),
              (std::vector<std::string>{
                  "", "> Segmentation results:", "Area of class #1 (Red segment) = 10",
                  "Area of class #2 (Lime segment) = 20", "Area of class #3 (Blue segment) = 5"}));
    const std::vector<std::string> paths = {"/data/scan/a.bmp", "/data/scan/b.bmp"};
    EXPECT_EQ(
        segmentationReportStart("2026-12-09 10:00:00", paths),
        (std::vector<std::string>{"> r62 - Segmentation Module Report", "",
                                  "> Launched on: 2026-12-09 10:00:00", "", "> Loaded images:", "",
                                  "> Path:", "/data/scan/", "", "> Files:", "a.bmp", "b.bmp"}));
    EXPECT_EQ(segmentationReportPath("/tmp/out"), "/tmp/out.seg");
    EXPECT_EQ(segmentationReportPath("/tmp/out.seg"), "/tmp/out.seg");
    EXPECT_EQ(segmentationReportPath("seg"), "seg.seg");
    EXPECT_EQ(segmentationDoneStatus(61234), "Done in (min:sec:msc) 01:01:234.");
    EXPECT_EQ(segmentationDoneStatus(5), "Done in (min:sec:msc) 00:00:005.");
}
