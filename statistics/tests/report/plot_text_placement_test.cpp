// Texts on the fixed-size plot pictures: never cut at the picture's edge,
// tick numbers never printed over each other, a long vertical axis label
// written upwards.
#include <gtest/gtest.h>

#include <vector>

#include "statistics/core/report/plot_geometry.h"

namespace {

TEST(R62PlotTexts, ATextRunningOverAnEdgeIsMovedInWhole) {
    // The 2-D plot's vertical label "S(1,0)Contrast" (84 pixels) at 50 - 84.
    EXPECT_EQ(keptInside({-34, 100, 84, 13}, 385, 273), (TextBox{0, 100, 84, 13}));
    EXPECT_EQ(keptInside({350, 265, 60, 13}, 385, 273), (TextBox{325, 260, 60, 13}));
    EXPECT_EQ(keptInside({10, 10, 60, 13}, 385, 273), (TextBox{10, 10, 60, 13}));
    // Larger than the picture: kept at the left and top edges.
    EXPECT_EQ(keptInside({-5, -5, 500, 300}, 385, 273), (TextBox{0, 0, 500, 300}));
    // With a margin: off the edges too (the X maximum "  2.05" ended at 384).
    EXPECT_EQ(keptInside({350, 241, 34, 14}, 385, 273, 3), (TextBox{348, 241, 34, 14}));
    EXPECT_EQ(keptInside({0, 100, 70, 13}, 385, 273, 3), (TextBox{3, 100, 70, 13}));
}

TEST(R62PlotTexts, TickNumbersThatWouldOverlapAreMovedApart) {
    // The box's X minimum and, just above and left of it, the Y maximum.
    std::vector<TextBox> ticks = {{120, 200, 40, 13}, {110, 195, 60, 13}, {300, 20, 30, 13}};
    separateTexts(ticks, 385, 273);
    EXPECT_EQ(ticks[0], (TextBox{120, 200, 40, 13}));  // the first keeps its place
    EXPECT_FALSE(ticks[1].overlaps(ticks[0]));
    EXPECT_EQ(ticks[1].x, 110);
    EXPECT_EQ(ticks[1].y, 187);  // up by 8 rather than down by 18
    EXPECT_EQ(ticks[2], (TextBox{300, 20, 30, 13}));

    // At the bottom edge the move goes up, also when down were shorter.
    std::vector<TextBox> low = {{10, 250, 40, 13}, {20, 255, 40, 13}};
    separateTexts(low, 385, 273);
    EXPECT_FALSE(low[1].overlaps(low[0]));
    EXPECT_EQ(low[1].y, 237);

    // Three on one spot end up as three separate rows, all inside.
    std::vector<TextBox> pile(3, TextBox{50, 100, 40, 13});
    separateTexts(pile, 385, 273);
    for (size_t i = 0; i < pile.size(); ++i)
        for (size_t j = 0; j < i; ++j) EXPECT_FALSE(pile[i].overlaps(pile[j])) << i << j;

    // Boxes that only touch do not overlap.
    EXPECT_FALSE((TextBox{0, 0, 10, 10}).overlaps(TextBox{10, 0, 10, 10}));
    EXPECT_FALSE((TextBox{0, 0, 10, 10}).overlaps(TextBox{0, 10, 10, 10}));
}

TEST(R62PlotTexts, AVerticalAxisLabelTooLongForTheMarginIsWrittenUpwards) {
    const Frame2D frame;
    // "MEF 2" (30 pixels) fits left of the frame as before.
    EXPECT_FALSE(label2Upright(frame, 30));
    EXPECT_FALSE(label2Upright(frame, 48));
    // "S(1,0)Contrast" would start left of the picture.
    EXPECT_TRUE(label2Upright(frame, 84));
    const PixelPoint start = label2UprightStart(frame, 84, 13);
    // In the margin, clear of the frame at x = 55, centred on the plot's height.
    EXPECT_GE(start.x, 2);
    EXPECT_LE(start.x + 13, frame.left());
    EXPECT_EQ(start.y, frame.top() + frame.plotHeight() / 2 + 42);
    // The text (upwards from start.y) stays between the corner tick numbers.
    EXPECT_GT(start.y - 84, frame.maxYTickY() + 13);
    EXPECT_LT(start.y, frame.minYTickY());
    // A label longer than the plot is kept within the frame's height.
    EXPECT_EQ(label2UprightStart(frame, 400, 13).y, frame.top() + frame.plotHeight());
}

TEST(R62PlotTexts, TheBoxsThirdAxisLabelTooWideForTheMarginIsWrittenUpwards) {
    const Projection3D p = plot3DSetup();
    EXPECT_FALSE(label3Upright3D(p, 35));  // "MEF 3"
    ASSERT_TRUE(label3Upright3D(p, 75));   // "petal_length" ran across the box's left edge
    const TextBox box = label3UprightBox3D(p, 75, 13);
    EXPECT_GE(box.x, 0);
    EXPECT_LT(box.x + box.width, p.x0 - 2);  // clear of the edge
    // Beside the left edge, which runs from the top-left corner down to x0, y0.
    EXPECT_GT(box.y, p.Project3D(0, 0, 1).y);
    EXPECT_LT(box.y + box.height, p.y0);
}

}  // namespace
