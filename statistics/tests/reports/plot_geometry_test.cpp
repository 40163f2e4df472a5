// Where the scatter plots put samples, frames, ticks and labels.
#include "statistics/core/reports/plot_geometry.h"
#include "statistics/core/reports/plot_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

AxisRange axis(double min, double max) {
    AxisRange a;
    a.min = min;
    a.max = max;
    return a;
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(PlotGeometry, RoundsToTheNearestPixelWithTiesToEvenAndStaysWithin16Bits) {
    EXPECT_EQ(roundPixel(0.5), 0);
    EXPECT_EQ(roundPixel(1.5), 2);
    EXPECT_EQ(roundPixel(2.5), 2);
    EXPECT_EQ(roundPixel(-2.5), -2);
    EXPECT_EQ(roundPixel(2.6), 3);
    EXPECT_EQ(roundPixel(kNaN), 0);
    EXPECT_EQ(roundPixel(kInf), 32767);
    EXPECT_EQ(roundPixel(-1e300), -32768);
}

TEST(PlotGeometry, AxisRangeSkipsNaNAndStartsFromTheExtremes) {
    const std::vector<double> values{3.0, kNaN, -1.0, 7.5};
    const AxisRange a = axisRangeOf(values.data(), static_cast<int>(values.size()));
    EXPECT_EQ(a.min, -1.0);
    EXPECT_EQ(a.max, 7.5);
    EXPECT_EQ(a.range(), 8.5);
    EXPECT_TRUE(a.usable());

    const AxisRange none = axisRangeOf(values.data(), 0);
    EXPECT_EQ(none.min, 1.7e308);
    EXPECT_EQ(none.max, -1.7e308);
    EXPECT_FALSE(none.usable());
}

TEST(PlotGeometry, TheFrameOfThe2DPlot) {
    const Frame2D f;
    EXPECT_EQ(f.left(), 55);
    EXPECT_EQ(f.top(), 15);
    EXPECT_EQ(f.right(), 370);
    EXPECT_EQ(f.bottom(), 233);
    EXPECT_EQ(f.plotWidth(), 315);
    EXPECT_EQ(f.plotHeight(), 218);
    EXPECT_EQ(f.xTickY(), 241);
    EXPECT_EQ(f.maxXTickX(true), 350);
    EXPECT_EQ(f.maxXTickX(false), 337);
    EXPECT_EQ(f.minYTickY(), 225);
    EXPECT_EQ(f.yTickX(30), 16);
    EXPECT_EQ(f.label1(40), (PixelPoint{192, 251}));
    EXPECT_EQ(f.label2(30, 13), (PixelPoint{20, 111}));
}

TEST(PlotGeometry, ADegenerateAxisPutsTheSamplesInItsMiddle) {
    EXPECT_EQ(normalisedPosition(3.0, axis(3.0, 3.0)), 0.5);
    EXPECT_EQ(normalisedPosition(1.0, axis(kNaN, kNaN)), 0.5);
    EXPECT_EQ(normalisedPosition(1.0, axis(0.0, kInf)), 0.5);
    EXPECT_EQ(normalisedPosition(5.0, axis(1.7e308, -1.7e308)), 0.5);
}

TEST(PlotGeometry, TheStrip) {
    const Strip1D s;
    EXPECT_EQ(s.frameLeft(), 23);
    EXPECT_EQ(s.frameTop(), 11);
    EXPECT_EQ(s.frameRight(), 365);
    EXPECT_EQ(s.frameBottom(), 242);
    EXPECT_EQ(s.plotWidth(), 335);
    EXPECT_EQ(s.plotHeight(), 218);
    EXPECT_EQ(s.tickY(), 245);
    EXPECT_EQ(s.maxTickX(true), 344);
    EXPECT_EQ(s.maxTickX(false), 327);
    const AxisRange a = axis(-1.0, 1.0);
    EXPECT_EQ(s.sample(-1.0, a), (PixelPoint{23, 120}));
    EXPECT_EQ(s.sample(1.0, a), (PixelPoint{358, 120}));
    // 167.5 rounds to 168.
    EXPECT_EQ(s.sample(0.0, a), (PixelPoint{191, 120}));
    EXPECT_EQ(s.sample(4.0, axis(4.0, 4.0)), (PixelPoint{191, 120}));
    EXPECT_EQ(s.label(50), (PixelPoint{167, 251}));
}

TEST(PlotGeometry, TheProjectionOfTheBox) {
    const Projection3D p = plot3DSetup();
    EXPECT_EQ(p.x0, 63);
    EXPECT_EQ(p.y0, 187);
    EXPECT_EQ(p.Su, 135);
    EXPECT_EQ(p.Sd, 146);
    EXPECT_EQ(p.Sv, 125);
    EXPECT_EQ(p.Project3D(0, 0, 0), (PixelPoint{63, 187}));
    EXPECT_EQ(p.Project3D(1, 0, 0), (PixelPoint{198, 133}));
    EXPECT_EQ(p.Project3D(1, 1, 1), (PixelPoint{344, 66}));
    EXPECT_EQ(p.Project3D(0, 0, 1), (PixelPoint{63, 62}));
}

TEST(PlotGeometry, TheBoxEndNumbersStandAlongTheirOwnEdgesAndFollowTheFlip) {
    const Projection3D p = plot3DSetup();
    const std::array<int, 6> widths{34, 28, 40, 34, 30, 36};  // xMin xMax yMin yMax zMin zMax
    const std::array<TextBox, 6> up = endNumberBoxes3D(p, true, widths, 13);
    const std::array<TextBox, 6> down = endNumberBoxes3D(p, false, widths, 13);
    // Flipped, the second axis's numbers change ends (each keeps its width).
    EXPECT_EQ(down[2].x, up[3].x + up[3].width - widths[2]);
    EXPECT_EQ(down[3].x, up[2].x);
    for (const auto& boxes : {up, down})
        for (size_t i = 0; i < boxes.size(); ++i)
            for (size_t j = i + 1; j < boxes.size(); ++j)
                EXPECT_FALSE(boxes[i].overlaps(boxes[j])) << i << " " << j;
    // At the front corner the second axis's end stays left of it, the
    // first's right of it, each under its own edge, clearly apart.
    const PixelPoint corner = p.Project3D(0, 1, 0);
    EXPECT_LE(up[3].x + up[3].width, corner.x - 10);
    EXPECT_GE(up[0].x, corner.x + 10);
    const PixelPoint back = p.Project3D(0, 0, 0);
    const auto edgeY = [](PixelPoint a, PixelPoint b, int x) {
        return a.y + (b.y - a.y) * (x - a.x) / double(b.x - a.x);
    };
    EXPECT_GT(up[3].y, edgeY(back, corner, up[3].x + up[3].width));
    EXPECT_GT(up[0].y, edgeY(corner, p.Project3D(1, 1, 0), up[0].x));
    // The third axis's numbers left of its edge, the minimum above the bottom corner.
    EXPECT_LT(up[4].x + up[4].width, back.x);
    EXPECT_LT(up[4].y + up[4].height, back.y);
    EXPECT_EQ(labelAnchors3D(p)[0], p.Project3D(0.5, 1.18, 0));
}

TEST(PlotGeometry, TickNumbers) {
    EXPECT_EQ(tickText(1234.5, false), "1.2E+003");
    EXPECT_EQ(tickText(-0.00012, false), "-1.2E-004");
    EXPECT_EQ(tickText(1.5, true), "  1.50");
    EXPECT_EQ(tickText(kNaN, false), "   NAN");

    EXPECT_TRUE(fixedTicks(axis(0, 199.9), false));
    EXPECT_FALSE(fixedTicks(axis(0, 200), false));
    EXPECT_TRUE(fixedTicks(axis(0, 200), true));
    EXPECT_FALSE(fixedTicks(axis(0, 0.01), true));
    EXPECT_FALSE(fixedTicks(axis(kNaN, kNaN), true));

    EXPECT_EQ(yTickTexts2D(axis(0, 1000)), (std::array<std::string, 2>{"1.0E+003", "0.0E+000"}));
    EXPECT_EQ(yTickTexts2D(axis(-1, 1)), (std::array<std::string, 2>{"  1.00", " -1.00"}));
}

TEST(PlotGeometry, ClassBoundariesAcrossTheBox) {
    const Frame2D f;
    // u = 0.5: nearly vertical.
    EXPECT_EQ(boundarySegment(f, {-0.5, 1.0, 0.0}),
              (std::array<PixelPoint, 2>{{{213, 233}, {213, 15}}}));
    // v = 0.5.
    EXPECT_EQ(boundarySegment(f, {-0.5, 0.0, 1.0}),
              (std::array<PixelPoint, 2>{{{55, 124}, {370, 124}}}));
    // No line at all stays within 16-bit pixels.
    const auto none = boundarySegment(f, {1.0, 0.0, 0.0});
    EXPECT_EQ(none[0].y, 233);
}

TEST(PlotGeometry, ClassColoursAndCharacters) {
    EXPECT_EQ(classRgb(1), 0xFF0000u);  // 0x0000FF as BGR: red
    EXPECT_EQ(classRgb(3), 0x0000FFu);
    EXPECT_EQ(classRgb(14), 0xA6CAF0u);
    EXPECT_EQ(classRgb(40), 0x40FBFFu);
    EXPECT_EQ(classRgb(0), 0u);
    EXPECT_EQ(classRgb(41), 0u);
    EXPECT_EQ(classSymbol(1), '1');
    EXPECT_EQ(classSymbol(10), 'A');
    EXPECT_EQ(classSymbol(40), 'e');
    EXPECT_EQ(classSymbol(55), 't');
    EXPECT_EQ(classSymbol(56), '?');
}

TEST(PlotGeometry, TheSampleMapIsClampedAndLaterSamplesWin) {
    SampleMap map(kPlotImageWidth, kPlotImageHeight);
    EXPECT_EQ(map.size(), 386u * 274u);
    map.mark(100, 50, 1);
    map.mark(104, 55, 2);
    EXPECT_EQ(map.at(100, 50), 1);
    EXPECT_EQ(map.at(107, 62), 2);
    EXPECT_EQ(map.at(104, 55), 2);
    EXPECT_EQ(map.at(103, 62), 1);
    EXPECT_EQ(map.at(108, 50), 0);
    EXPECT_EQ(map.at(100, 63), 0);

    // A cell over the corner keeps to the map; reads outside give 0.
    map.mark(382, 270, 7);
    EXPECT_EQ(map.at(385, 273), 7);
    EXPECT_EQ(map.at(0, 271), 0);
    map.mark(-5, -5, 8);
    EXPECT_EQ(map.at(0, 0), 8);
    EXPECT_EQ(map.at(2, 7), 8);
    EXPECT_EQ(map.at(3, 8), 0);
    EXPECT_EQ(map.at(-1, 0), 0);
    EXPECT_EQ(map.at(386, 0), 0);
    EXPECT_EQ(map.at(0, 274), 0);

    map.release();
    EXPECT_TRUE(map.empty());
    EXPECT_EQ(map.at(100, 50), 0);
    map.mark(100, 50, 3);
    EXPECT_EQ(map.at(100, 50), 0);
}
