#include "workspace/core/roi/roi_morphology.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "workspace/core/workspace_state.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;  // (x, y)

constexpr uint16_t kRoi1 = 1;
constexpr uint16_t kRoi2 = 2;

PlanePtr mapWith(int w, int h, const Pixels& roi1) {
    PlanePtr map = newPlane(w, h);
    for (auto [x, y] : roi1) map->at(x, y) = kRoi1;
    return map;
}

Pixels pixelsOf(const ImagePlane& map, uint16_t m) {
    Pixels out;
    for (int y = 0; y < map.height; ++y)
        for (int x = 0; x < map.width; ++x)
            if (map.at(x, y) & m) out.insert({x, y});
    return out;
}

Pixels square(int x0, int y0, int x1, int y1) {
    Pixels out;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) out.insert({x, y});
    return out;
}

Pixels after(RoiMorphologyOp op, const Pixels& roi, int w = 10, int h = 10) {
    PlanePtr map = mapWith(w, h, roi);
    EXPECT_TRUE(applyRoiMorphology(*map, 1, op, false));
    return pixelsOf(*map, kRoi1);
}

// --- Dilation and erosion on a 10 x 10 map -------------------------------------

TEST(RoiMorphologyDilation, AnInnerPixelBecomesA3x3Square) {
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{5, 5}}), square(4, 4, 6, 6));
}

TEST(RoiMorphologyDilation, ThePixelsOfRowAndColumnZeroGainFewerNeighbours) {
    // Column 0: not the upper nor the upper-right neighbour.
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{0, 5}}), Pixels({{0, 5}, {1, 5}, {0, 6}, {1, 6}}));
    // Row 0: not the left nor the lower-left neighbour.
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{5, 0}}), Pixels({{5, 0}, {6, 0}, {5, 1}, {6, 1}}));
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{0, 0}}), square(0, 0, 1, 1));
    // Both exceptions at once: the top-right and bottom-left corners gain nothing.
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{9, 0}}), Pixels({{9, 0}}));
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{0, 9}}), Pixels({{0, 9}}));
}

TEST(RoiMorphologyDilation, TheLastRowAndColumnGetTheirWholeNeighbourhood) {
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{9, 5}}), square(8, 4, 9, 6));
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{5, 9}}), square(4, 8, 6, 9));
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{9, 9}}), square(8, 8, 9, 9));
}

TEST(RoiMorphologyErosion, ASinglePixelAndThinPartsVanish) {
    EXPECT_EQ(after(RoiMorphologyOp::Erosion, {{5, 5}}), Pixels());
    EXPECT_EQ(after(RoiMorphologyOp::Erosion, square(2, 4, 7, 5)), Pixels());
    EXPECT_EQ(after(RoiMorphologyOp::Erosion, square(3, 3, 7, 7)), square(4, 4, 6, 6));
}

TEST(RoiMorphologyErosion, TheImageBorderDoesNotErode) {
    EXPECT_EQ(after(RoiMorphologyOp::Erosion, square(0, 0, 9, 9)), square(0, 0, 9, 9));
    EXPECT_EQ(after(RoiMorphologyOp::Erosion, square(0, 0, 4, 9)), square(0, 0, 3, 9));
}

// The two passes written as set operations on separate copies: the forward
// pass adds left, upper and upper-left neighbours of the pixels in rows and
// columns from 1; the backward pass adds right, lower and lower-right
// neighbours of everything so far in rows up to H-2 and columns up to W-2.
Pixels referenceDilation(const Pixels& roi, int w, int h) {
    Pixels forward = roi;
    for (auto [x, y] : roi)
        if (x >= 1 && y >= 1) forward.insert({{x - 1, y}, {x, y - 1}, {x - 1, y - 1}});
    Pixels out = forward;
    for (auto [x, y] : forward)
        if (x <= w - 2 && y <= h - 2) out.insert({{x + 1, y}, {x, y + 1}, {x + 1, y + 1}});
    return out;
}

Pixels complement(const Pixels& roi, int w, int h) {
    Pixels out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!roi.count({x, y})) out.insert({x, y});
    return out;
}

TEST(RoiMorphologyDilation, RandomMapsMatchTheTwoPassesAsSetOperations) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        const int w = 1 + static_cast<int>(random() % 12);
        const int h = 1 + static_cast<int>(random() % 12);
        Pixels roi;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (random() % 5 == 0) roi.insert({x, y});
        EXPECT_EQ(after(RoiMorphologyOp::Dilation, roi, w, h), referenceDilation(roi, w, h));
        // Erosion removes what dilating the outside adds.
        EXPECT_EQ(after(RoiMorphologyOp::Erosion, roi, w, h),
                  complement(referenceDilation(complement(roi, w, h), w, h), w, h));
    }
}

// --- Opening and closing ----------------------------------------------------------

TEST(RoiMorphologyOpenClose, OpeningRemovesA2PixelBarAndKeepsA3x3Square) {
    EXPECT_EQ(after(RoiMorphologyOp::Opening, square(1, 2, 8, 3)), Pixels());
    Pixels both = square(1, 6, 3, 8);
    both.insert({{6, 1}, {7, 1}});
    EXPECT_EQ(after(RoiMorphologyOp::Opening, both), square(1, 6, 3, 8));
}

TEST(RoiMorphologyOpenClose, ClosingFillsAOnePixelGap) {
    Pixels bar = square(2, 5, 7, 5);
    bar.erase({5, 5});
    EXPECT_EQ(after(RoiMorphologyOp::Closing, bar), square(2, 5, 7, 5));
}

// --- Other ROIs and the non-overlapping mode ----------------------------------------

TEST(RoiMorphologyOtherRois, OnlyTheActiveBitChangesInTheOverlappingMode) {
    PlanePtr map = newPlane(10, 10);
    std::mt19937 random(3);
    for (size_t i = 0; i < map->size(); ++i) map->current[i] = static_cast<uint16_t>(random());
    const std::vector<uint16_t> before(map->current, map->current + map->size());
    for (auto op : {RoiMorphologyOp::Dilation, RoiMorphologyOp::Erosion, RoiMorphologyOp::Opening,
                    RoiMorphologyOp::Closing}) {
        ASSERT_TRUE(applyRoiMorphology(*map, 4, op, false));
        for (size_t i = 0; i < map->size(); ++i) ASSERT_EQ(map->current[i] & ~8, before[i] & ~8);
    }
}

TEST(RoiMorphologyOtherRois, TheNonOverlappingModeTakesTheGrownPixelsFromOtherRois) {
    for (bool nonOverlapping : {false, true}) {
        PlanePtr map = newPlane(10, 10);
        for (size_t i = 0; i < map->size(); ++i) map->current[i] = kRoi2;
        map->at(5, 5) = kRoi1;
        map->at(0, 0) = kRoi2 | 4;
        ASSERT_TRUE(applyRoiMorphology(*map, 1, RoiMorphologyOp::Dilation, nonOverlapping));
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                const bool grown = x >= 4 && x <= 6 && y >= 4 && y <= 6;
                const uint16_t outside = x == 0 && y == 0 ? kRoi2 | 4 : kRoi2;
                const uint16_t inside =
                    (x == 5 && y == 5) || nonOverlapping ? kRoi1 : kRoi1 | kRoi2;
                EXPECT_EQ(map->at(x, y), grown ? inside : outside) << x << "," << y;
            }
        }
    }
}

TEST(RoiMorphologyOtherRois, MakeActiveRoiExclusiveLeavesPixelsOutsideTheRoiAlone) {
    PlanePtr map = newPlane(3, 1);
    map->current[0] = 0x8001;
    map->current[1] = 0x8000;
    map->current[2] = 0;
    ASSERT_TRUE(MakeActiveRoiExclusive(*map, 16));
    EXPECT_EQ(map->current[0], 0x8000);
    EXPECT_EQ(map->current[1], 0x8000);
    EXPECT_EQ(map->current[2], 0);
}

// --- Degenerate input ------------------------------------------------------------------

TEST(RoiMorphologyLimits, ARoiNumberOutside1To16ChangesNothing) {
    PlanePtr map = mapWith(4, 4, {{1, 1}});
    map->at(2, 2) = 0xFFFF;
    for (int roi : {0, -1, 17, 1000}) {
        for (auto op : {RoiMorphologyOp::Dilation, RoiMorphologyOp::Erosion}) {
            EXPECT_FALSE(applyRoiMorphology(*map, roi, op, true));
            EXPECT_EQ(pixelsOf(*map, kRoi1), Pixels({{1, 1}, {2, 2}}));
            EXPECT_EQ(map->at(2, 2), 0xFFFF);
        }
        EXPECT_FALSE(DilateActiveRoi(*map, roi));
        EXPECT_FALSE(ErodeActiveRoi(*map, roi));
        EXPECT_FALSE(MakeActiveRoiExclusive(*map, roi));
    }
}

TEST(RoiMorphologyLimits, MapsOfOneRowOrColumnAreLeftAsTheyAre) {
    // Neither pass has a row (or column) to visit there.
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{2, 0}}, 5, 1), Pixels({{2, 0}}));
    EXPECT_EQ(after(RoiMorphologyOp::Dilation, {{0, 2}}, 1, 5), Pixels({{0, 2}}));
    EXPECT_EQ(after(RoiMorphologyOp::Erosion, {{0, 2}}, 1, 5), Pixels({{0, 2}}));
    EXPECT_EQ(after(RoiMorphologyOp::Erosion, {{0, 0}}, 1, 1), Pixels({{0, 0}}));
    PlanePtr empty = newPlane(0, 0);
    EXPECT_TRUE(applyRoiMorphology(*empty, 1, RoiMorphologyOp::Closing, true));
}

}  // namespace
