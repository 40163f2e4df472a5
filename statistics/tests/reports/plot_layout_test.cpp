// Keeping the parts of a plot apart: symbols inside the frame, texts clear of
// everything drawn, the legend under the plot.
#include "statistics/core/reports/plot_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(R62PlotLayout, SymbolsAtTheExtremesStayInsideTheFrameWithAMargin) {
    // The 2-D frame's lines run along columns 55 and 369, rows 15 and 232;
    // a digit inks columns 1..5 and rows 2..10 of its cell.
    const SymbolInk ink{1, 2, 6, 11};
    const DataArea area = dataAreaInside(55, 15, 369, 232, ink);
    const PixelPoint low = area.cellAt(0.0, 0.0);
    const PixelPoint high = area.cellAt(1.0, 1.0);
    EXPECT_EQ(low.x + ink.left, 55 + 1 + kDataMargin);         // first inked column
    EXPECT_EQ(high.x + ink.right - 1, 369 - 1 - kDataMargin);  // last inked column
    EXPECT_EQ(high.y + ink.top, 15 + 1 + kDataMargin);         // the maximum is at the top
    EXPECT_EQ(low.y + ink.bottom - 1, 232 - 1 - kDataMargin);
    EXPECT_EQ(area.cellAt(0.5, 0.5).x, (low.x + high.x) / 2);
    EXPECT_DOUBLE_EQ(insetInBox(0.0), kBoxInset);
    EXPECT_DOUBLE_EQ(insetInBox(1.0), 1.0 - kBoxInset);
}

TEST(R62PlotLayout, ATextMovesTheLeastThatClearsWhatIsDrawnOrIsLeftOut) {
    TextPlacer placer(100, 60);
    placer.occupy({20, 20, 40, 20});  // a frame's inside
    // Free where it belongs: it stays, and now occupies its place.
    EXPECT_EQ(placer.place({0, 0, 10, 10}, 5), (TextBox{0, 0, 10, 10}));
    EXPECT_FALSE(placer.isFree({5, 5, 10, 10}, 0));
    EXPECT_FALSE(placer.isFree({11, 0, 5, 5}, 0));  // its halo keeps the next text off
    // Two rows over the frame's top: up by those rows and the gap of two.
    EXPECT_EQ(placer.place({30, 12, 20, 10}, 8), (TextBox{30, 8, 20, 10}));
    // Nowhere free within reach: a tick number is left out.
    EXPECT_FALSE(placer.place({30, 25, 20, 10}, 4).has_value());
    // A box that runs off the picture is never free.
    EXPECT_FALSE(placer.isFree({95, 50, 10, 10}, 0));
    // With an edge margin a box touching the edge is not free either: the
    // text moves inwards by the margin.
    placer.setEdgeMargin(3);
    EXPECT_FALSE(placer.isFree({90, 45, 10, 10}, 0));
    EXPECT_EQ(placer.place({90, 45, 10, 10}, 5, 0), (TextBox{87, 45, 10, 10}));
    placer.setEdgeMargin(0);

    // A convex outline occupies its inside, not the corners around it.
    TextPlacer box(60, 60);
    box.occupyConvex({{30, 5}, {55, 30}, {30, 55}, {5, 30}});
    EXPECT_FALSE(box.isFree({28, 28, 4, 4}, 0));
    EXPECT_TRUE(box.isFree({0, 0, 8, 8}, 0));
    EXPECT_TRUE(box.isFree({50, 50, 8, 8}, 0));
}

TEST(R62PlotLayout, TheOutlineOfTheBoxHoldsAllItsCorners) {
    const Projection3D p = plot3DSetup();
    TextPlacer placer(kPlotImageWidth, kPlotImageHeight);
    placer.occupyConvex(boxOutline(p, 1));
    for (double x : {0.0, 1.0})
        for (double y : {0.0, 1.0})
            for (double z : {0.0, 1.0}) {
                const PixelPoint at = p.Project3D(x, y, z);
                EXPECT_FALSE(placer.isFree({at.x, at.y, 1, 1}, 0)) << x << y << z;
            }
    // The corner of the picture stays free for texts.
    EXPECT_TRUE(placer.isFree({0, 0, 20, 10}, 0));
}

TEST(R62PlotLayout, TheLegendFlowsUnderThePlotAndWrapsWhereTheWidthEnds) {
    const ClassLegend one = layoutClassLegend({1, 2, 3}, {40, 60, 50}, 7, 13, 385, 273);
    ASSERT_EQ(one.items.size(), 3u);
    EXPECT_EQ(one.top, 273);
    EXPECT_EQ(one.items[0].symbol.y, one.items[2].symbol.y);  // one row
    EXPECT_GT(one.items[1].symbol.x, one.items[0].text.x + 40);
    EXPECT_GE(one.items[0].symbol.y, 273);
    EXPECT_EQ(one.height, 2 + 13 + 2);

    const ClassLegend wrapped =
        layoutClassLegend({1, 2, 3, 4}, {150, 150, 150, 20}, 7, 13, 385, 273);
    EXPECT_GT(wrapped.items[2].symbol.y, wrapped.items[1].symbol.y);
    EXPECT_EQ(wrapped.items[2].symbol.x, wrapped.items[0].symbol.x);
    EXPECT_EQ(wrapped.items[3].symbol.y, wrapped.items[2].symbol.y);
    EXPECT_EQ(wrapped.height, 2 + 2 * 13 + 2);

    EXPECT_EQ(layoutClassLegend({}, {}, 7, 13, 385, 273).height, 0);
    EXPECT_EQ(classesPresent({3, 1, 3, 0, 41, 2}), (std::vector<int>{1, 2, 3}));
}

TEST(R62PlotLayout, WideYTickNumbersAreWrittenUpwardsBesideTheFrameCorners) {
    const Frame2D frame;
    EXPECT_FALSE(yTicksUpright(frame, 24));  // "5.38"
    EXPECT_TRUE(yTicksUpright(frame, 58));   // "-2.5E+002"
    const TextBox top = uprightMaxYTick(frame, 58, 13);
    const TextBox bottom = uprightMinYTick(frame, 58, 13);
    EXPECT_LT(top.x + top.width, frame.left());
    EXPECT_EQ(top.y, frame.top());
    EXPECT_EQ(bottom.y + bottom.height, frame.bottom());
    EXPECT_FALSE(top.overlaps(bottom));
}

}  // namespace
