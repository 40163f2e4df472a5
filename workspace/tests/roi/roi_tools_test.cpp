#include "workspace/core/roi/roi_tools.h"

#include <gtest/gtest.h>

namespace {

// A 12 x 10 image of grey 100 with the whole map in ROI 1, rendered as the
// window would, and a tool session over it.
class RoiToolsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.GreyImage = newPlane(12, 10);
        state.RoiMap = newPlane(12, 10);
        std::fill(state.GreyImage->current, state.GreyImage->current + 120, uint16_t{100});
        resetRoiMap(*state.RoiMap);
        redraw(0);
    }
    void redraw(int hidden) {
        DisplayParams params{0, 255, GreyStyle::Normal, 0xFFFF, hidden};
        RenderDisplay(*state.GreyImage, state.RoiMap.get(), params, bitmap, state.RoiPixelCount);
    }
    ToolFeedback drag(Point from, Point to, bool ctrl = false) {
        session.press({from, true, ctrl});
        session.move({to, true, ctrl});
        return session.release({to, true, ctrl});
    }
    void choose(int roi) { session.selectRoi(roi); }
    uint16_t word(int x, int y) const { return state.RoiMap->at(x, y); }
    int countWith(uint16_t value) const {
        int n = 0;
        for (size_t i = 0; i < state.RoiMap->size(); ++i) n += state.RoiMap->current[i] == value;
        return n;
    }

    WorkspaceState state;
    DisplayBitmap bitmap;
    RoiToolSession session{state, bitmap, [this](int hidden) { redraw(hidden); }};
};

TEST_F(RoiToolsTest, NonOverlappingDrawingTakesPixelsFromOtherRois) {
    choose(2);
    session.selectTool(RoiTool::Rectangle);
    ToolFeedback f = drag({2, 2}, {5, 4});
    EXPECT_TRUE(f.committed);
    EXPECT_TRUE(f.undoPushed);
    EXPECT_EQ(word(2, 2), 2);
    EXPECT_EQ(word(4, 3), 2);
    EXPECT_EQ(word(5, 3), 1);  // the right and bottom edges stay outside
    EXPECT_EQ(word(2, 4), 1);
    EXPECT_EQ(countWith(2), 6);
    EXPECT_EQ(state.RoiPixelCount[1], 6u);
    EXPECT_EQ(state.RoiPixelCount[0], 114u);
}

TEST_F(RoiToolsTest, OverlappingDrawingAddsAndTheEraseModesRemove) {
    choose(3);
    session.selectMode(CommitMode::Overlapping);
    session.selectTool(RoiTool::Rectangle);
    drag({0, 0}, {4, 4});
    EXPECT_EQ(word(1, 1), 1 | 4);
    choose(2);
    drag({2, 2}, {6, 6});
    EXPECT_EQ(word(3, 3), 1 | 2 | 4);
    session.selectMode(CommitMode::EraseActive);
    drag({3, 3}, {4, 4});
    EXPECT_EQ(word(3, 3), 1 | 4);
    EXPECT_EQ(word(2, 2), 1 | 2 | 4);
    session.selectMode(CommitMode::EraseAll);
    drag({2, 2}, {3, 3});
    EXPECT_EQ(word(2, 2), 0);
    EXPECT_EQ(word(1, 1), 1 | 4);
}

TEST_F(RoiToolsTest, CtrlGivesASquareFollowingTheShorterAxis) {
    EXPECT_EQ(constrainedEnd({5, 5}, {9, 7}), (Point{7, 7}));
    EXPECT_EQ(constrainedEnd({5, 5}, {1, 8}), (Point{2, 8}));
    EXPECT_EQ(constrainedEnd({5, 5}, {5, 9}), (Point{5, 5}));  // no width: nothing
    EXPECT_EQ(constrainedEnd({5, 5}, {8, 5}), (Point{5, 5}));
    choose(2);
    session.selectTool(RoiTool::Rectangle);
    session.press({{1, 1}, true, true});
    ToolFeedback shown = session.move({{7, 4}, true, true});
    EXPECT_EQ(shown.status, "[1, 1] - [7, 4] <3, 3>");
    session.release({{7, 4}, true, true});
    EXPECT_EQ(countWith(2), 9);
    shown = session.move({{7, 4}, false, false});
    EXPECT_EQ(shown.status, "Intensity(7, 4) = 100");
}

TEST_F(RoiToolsTest, UndoAndRedoStepThroughToolCommits) {
    choose(2);
    session.selectTool(RoiTool::Rectangle);
    drag({0, 0}, {2, 2});
    choose(3);
    drag({0, 0}, {1, 1});
    EXPECT_EQ(word(0, 0), 4);
    ASSERT_TRUE(planeUndo(*state.RoiMap));
    EXPECT_EQ(word(0, 0), 2);
    ASSERT_TRUE(planeUndo(*state.RoiMap));
    EXPECT_EQ(word(0, 0), 1);
    ASSERT_TRUE(planeRedo(*state.RoiMap));
    EXPECT_EQ(word(1, 1), 2);
}

TEST_F(RoiToolsTest, PenAndFillCommitOnRelease) {
    choose(2);
    session.selectTool(RoiTool::Pen);
    session.press({{1, 1}, true, false});
    session.move({{4, 1}, true, false});
    session.release({{4, 1}, true, false});
    EXPECT_EQ(countWith(2), 4);
    state.PenWidth = 3;
    choose(3);
    session.press({{8, 8}, true, false});
    session.release({{8, 8}, true, false});
    EXPECT_EQ(countWith(4), 9);  // a 3-pixel pen covers the centres within 1.5

    // Fill the area of ROI 1's colour: everything that is still only in ROI 1.
    choose(4);
    session.selectTool(RoiTool::Fill);
    session.press({{0, 9}, true, false});
    session.release({{0, 9}, true, false});
    EXPECT_EQ(countWith(1), 0);
    EXPECT_EQ(countWith(8), 120 - 4 - 9);
}

TEST_F(RoiToolsTest, APolygonNeedsThreePointsButAlwaysCommits) {
    choose(2);
    session.selectTool(RoiTool::Polygon);
    session.press({{1, 1}, true, false});
    session.press({{6, 1}, true, false});
    ToolFeedback f = session.doubleClick();
    EXPECT_TRUE(f.committed);
    EXPECT_EQ(countWith(2), 6);  // the line between the two points only
    EXPECT_EQ(state.PolygonCount, -2);

    session.move({{0, 0}, false, false});
    session.move({{0, 0}, false, false});
    EXPECT_EQ(state.PolygonCount, 0);
    for (Point p : {Point{1, 4}, Point{8, 4}, Point{8, 8}, Point{1, 8}})
        session.press({p, true, false});
    ToolFeedback rubber = session.move({{5, 9}, false, false});
    ASSERT_TRUE(rubber.rubberLine);
    EXPECT_EQ(rubber.rubberLine->first, (Point{1, 8}));
    session.doubleClick();
    EXPECT_EQ(word(4, 6), 2);
    EXPECT_EQ(word(8, 8), 2);  // the outline belongs to it
    EXPECT_EQ(word(9, 6), 1);
}

TEST_F(RoiToolsTest, TheLastPolygonSlotIsCountedAndThenReplaced) {
    session.selectTool(RoiTool::Polygon);
    for (int i = 0; i < 255; ++i) session.press({{i % 12, i % 10}, true, false});
    EXPECT_EQ(state.PolygonCount, 255);
    session.press({{11, 0}, true, false});
    EXPECT_EQ(state.PolygonCount, 256);
    EXPECT_EQ(session.polygonPoints().back(), (Point{11, 0}));
    session.press({{0, 9}, true, false});
    EXPECT_EQ(state.PolygonCount, 256);
    EXPECT_EQ(session.polygonPoints().size(), 256u);
    EXPECT_EQ(session.polygonPoints().back(), (Point{0, 9}));
}

TEST_F(RoiToolsTest, MovingPartlyOffTheImageDropsThatPartAndUndoRestoresIt) {
    ClearRoiBit(*state.RoiMap, 1);
    for (int y = 2; y < 5; ++y)
        for (int x = 2; x < 6; ++x) state.RoiMap->at(x, y) = 2;
    redraw(0);
    choose(2);
    session.selectTool(RoiTool::Move);
    session.press({{3, 3}, true, false});
    ToolFeedback shown = session.move({{10, 3}, true, false});
    EXPECT_EQ(shown.status, "[3, 3] - [10, 3]");
    ToolFeedback f = session.release({{10, 3}, true, false});
    EXPECT_TRUE(f.undoPushed);
    EXPECT_EQ(countWith(2), 3 * 3);  // columns 9..11 remain of 9..12
    EXPECT_EQ(word(2, 2), 0);
    EXPECT_EQ(word(11, 4), 2);
    ASSERT_TRUE(planeUndo(*state.RoiMap));
    EXPECT_EQ(countWith(2), 12);
    EXPECT_EQ(word(2, 2), 2);
}

TEST_F(RoiToolsTest, CopyKeepsTheOriginalAndEraseModesNeverEraseTheRoiByMoving) {
    ClearRoiBit(*state.RoiMap, 1);
    state.RoiMap->at(1, 1) = 2;
    redraw(0);
    choose(2);
    session.selectTool(RoiTool::Copy);
    drag({1, 1}, {4, 2});
    EXPECT_EQ(word(1, 1), 2);
    EXPECT_EQ(word(4, 2), 2);
    session.selectMode(CommitMode::EraseActive);
    session.selectTool(RoiTool::Move);
    drag({4, 2}, {6, 2});
    EXPECT_EQ(word(6, 2), 2);
    EXPECT_EQ(word(4, 2), 0);
    EXPECT_EQ(word(1, 1), 0);  // moved along with the rest of the ROI
    EXPECT_EQ(word(3, 1), 2);
    EXPECT_EQ(countWith(2), 2);
}

TEST_F(RoiToolsTest, ResetAndClearTouchOnlyWhatTheySay) {
    state.RoiMap->at(0, 0) = 2 | 4;
    ClearRoiBit(*state.RoiMap, 2);
    EXPECT_EQ(word(0, 0), 4);
    ClearRoiBit(*state.RoiMap, 0);
    ClearRoiBit(*state.RoiMap, 17);
    EXPECT_EQ(word(0, 0), 4);
    resetRoiMap(*state.RoiMap);
    EXPECT_EQ(countWith(1), 120);
}

TEST(RoiRaster, FloodFillStopsAtOtherColoursAndEllipsesStayInTheirBox) {
    DisplayBitmap b{6, 5, VectorForOverwrite<uint32_t>(30, 7)};
    for (int y = 0; y < 5; ++y) b.pixels[static_cast<size_t>(y * 6 + 3)] = 9;  // a wall
    floodFill(b, {0, 0}, 5);
    int filled = 0;
    for (uint32_t p : b.pixels) filled += p == 5;
    EXPECT_EQ(filled, 15);
    EXPECT_EQ(b.pixels[4], 7u);
    floodFill(b, {-1, 0}, 5);  // outside: nothing

    DisplayBitmap e{20, 20, VectorForOverwrite<uint32_t>(400, 0)};
    fillEllipse(e, {12, 14}, {2, 4}, 1);
    int area = 0, outside = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            if (e.pixels[static_cast<size_t>(y * 20 + x)]) {
                ++area;
                outside += x < 2 || x > 11 || y < 4 || y > 13;
            }
    EXPECT_EQ(outside, 0);
    EXPECT_NEAR(area, 3.14159 * 25, 8);
    EXPECT_EQ(e.pixels[static_cast<size_t>(9 * 20 + 7)], 1u);  // the centre
}

}  // namespace
