// Texts on the fixed-size plot pictures: never cut at the picture's edge,
// tick numbers never printed over each other, a long vertical axis label
// written upwards.
#include <gtest/gtest.h>

#include <vector>

#include "statistics/core/reports/plot_geometry.h"

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
