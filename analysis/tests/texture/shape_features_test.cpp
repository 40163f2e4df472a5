// Shape features: the records with fixed formulas against a literal numpy
// computation, the ones scikit-image also measures against its regionprops
// (both in data/shape_cases.py), and the cases worked out by hand.
#include "analysis/core/texture/shape_features.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "analysis/core/texture/contour_following.h"
#include "analysis/core/texture/convex_hull.h"
#include "analysis/core/texture/diameter_profile.h"
#include "analysis/core/texture/thinning.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct ShapeExpectation {
    int index;
    double value;
    const char* source;
};

struct ShapeCase {
    const char* name;
    int32_t width, height;
    const uint8_t* mask;
    const ShapeExpectation* expected;
    size_t count;
};

#include "analysis/tests/data/shape_cases.inc"

size_t recordIndex(std::string_view name) {
    for (size_t i = 0; i < kShapeGroup1Names.size(); ++i)
        if (kShapeGroup1Names[i] == name) return i;
    ADD_FAILURE() << "no record " << name;
    return 0;
}

double value(const ShapeMeasures& m, std::string_view name) {
    return m.group1[recordIndex(name)];
}

ShapeRegion regionOf(const std::vector<uint8_t>& mask, int32_t w, int32_t h) {
    return shapeRegionFromMask(mask, w, h);
}

std::vector<uint8_t> rectangle(int32_t w, int32_t h, int32_t x0, int32_t y0, int32_t x1,
                               int32_t y1) {
    std::vector<uint8_t> m(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x) m[static_cast<size_t>(y * w + x)] = 1;
    return m;
}

TEST(ShapeFeatures, AgreeWithTheFormulasAndWithRegionprops) {
    for (const ShapeCase& c : kShapeCases) {
        std::vector<uint8_t> mask(c.mask, c.mask + c.width * c.height);
        const ShapeMeasures m = measureShape(regionOf(mask, c.width, c.height), 1.0, true, false);
        for (size_t i = 0; i < c.count; ++i) {
            const ShapeExpectation& e = c.expected[i];
            const double actual = m.group1[static_cast<size_t>(e.index)];
            EXPECT_NEAR(actual, e.value, 1e-9 * std::max(1.0, std::abs(e.value)))
                << c.name << " " << kShapeGroup1Names[static_cast<size_t>(e.index)] << " ("
                << e.source << ")";
        }
    }
}

TEST(ShapeFeatures, TenByTenSquareAtTheOrigin) {
    const ShapeMeasures m =
        measureShape(regionOf(rectangle(10, 10, 0, 0, 9, 9), 10, 10), 1.0, true, false);
    EXPECT_DOUBLE_EQ(value(m, "GeoX"), 4.5);
    EXPECT_DOUBLE_EQ(value(m, "GeoY"), 4.5);
    EXPECT_DOUBLE_EQ(value(m, "GeoF"), 100);
    EXPECT_NEAR(value(m, "GeoSpol"), 11.2838, 1e-4);
    EXPECT_NEAR(value(m, "GeoFh"), 9, 1e-12);
    EXPECT_NEAR(value(m, "GeoFv"), 9, 1e-12);
    EXPECT_NEAR(value(m, "GeoFmin"), 9, 1e-12);
    EXPECT_NEAR(value(m, "GeoFmax"), 12.7279, 1e-4);
    EXPECT_NEAR(value(m, "GeoUw"), 36, 1e-12);  // 36 steps of the outer contour
    EXPECT_NEAR(value(m, "GeoUl"), 36, 1e-12);
    EXPECT_NEAR(value(m, "GeoSmax"), std::sqrt(162.0), 1e-12);
    EXPECT_NEAR(value(m, "GeoD1"), 9, 1e-12);  // inscribed: 2 * 5 - 1
    EXPECT_NEAR(value(m, "GeoD2"), std::sqrt(162.0), 1e-9);
    EXPECT_EQ(value(m, "GeoNc"), 36);
    EXPECT_EQ(value(m, "GeoNv"), 4);
    EXPECT_EQ(value(m, "GeoNo"), 0);
    EXPECT_EQ(value(m, "GeoNx"), 1);
}

TEST(ShapeFeatures, LengthsScaleByFAndAreasByFSquared) {
    const ShapeRegion r = regionOf(rectangle(30, 20, 3, 4, 20, 12), 30, 20);
    const ShapeMeasures one = measureShape(r, 1.0, true, true);
    const ShapeMeasures half = measureShape(r, 0.5, true, true);
    for (std::string_view name : {"GeoX", "GeoSpol", "GeoUg", "GeoFmax", "GeoMaver", "GeoD2",
                                  "GeoLmaxE", "GeoRc1", "GeoRc2", "GeoSigR", "GeoXo"})
        EXPECT_DOUBLE_EQ(value(half, name), value(one, name) * 0.5) << name;
    for (std::string_view name : {"GeoF", "GeoS1", "GeoS2", "GeoFE", "GeoM2x", "GeoSxL"})
        EXPECT_DOUBLE_EQ(value(half, name), value(one, name) * 0.25) << name;
    for (std::string_view name : {"GeoAox", "GeoRs", "GeoRm", "GeoW1", "GeoW2", "GeoNc", "GeoNv"})
        EXPECT_DOUBLE_EQ(value(half, name), value(one, name)) << name;
    for (size_t i = 0; i < kShapeGroup2Count; ++i)
        EXPECT_DOUBLE_EQ(half.group2[i], one.group2[i] * 0.5)
            << shapeGroup2Name(static_cast<int>(i));
}

TEST(ShapeFeatures, DegenerateShapesGiveNoNegativeWidthAndMissingRatios) {
    std::vector<uint8_t> dot(25, 0);
    dot[2 * 5 + 3] = 1;
    const ShapeMeasures m = measureShape(regionOf(dot, 5, 5), 1.0, true, true);
    for (size_t i = 0; i < kShapeGroup1Count; ++i)
        EXPECT_FALSE(std::isnan(m.group1[i])) << kShapeGroup1Names[i];
    for (std::string_view name : {"GeoFmax", "GeoFmin", "GeoFh", "GeoFv", "GeoFt", "GeoSmax"})
        EXPECT_EQ(value(m, name), 0.0) << name;
    for (std::string_view name : {"GeoRf", "GeoRff", "GeoW5", "GeoW4", "GeoEr", "GeoW13"})
        EXPECT_EQ(value(m, name), kInf) << name;
    EXPECT_EQ(value(m, "GeoUw"), 0.0);
    for (double v : m.group2) EXPECT_EQ(v == 0.0 || v == 3.0 || v == 2.0, true);

    std::vector<uint8_t> line = rectangle(12, 5, 2, 2, 9, 2);
    const ShapeMeasures l = measureShape(regionOf(line, 12, 5), 1.0, true, true);
    EXPECT_EQ(value(l, "GeoFv"), 0.0);
    EXPECT_EQ(value(l, "GeoRf"), kInf);
    EXPECT_DOUBLE_EQ(value(l, "GeoFh"), 7.0);
    EXPECT_DOUBLE_EQ(value(l, "GeoUw"), 14.0);  // walked there and back
    for (int k = 0; k < kProfilePoints; ++k)
        EXPECT_NEAR(l.group2[static_cast<size_t>(4 + 3 * k)], 1.0, 1e-12);
}

TEST(ShapeFeatures, EmptyRoiGivesZeroEverywhere) {
    const ShapeMeasures m =
        measureShape(regionOf(std::vector<uint8_t>(16, 0), 4, 4), 1.0, true, true);
    for (double v : m.group1) EXPECT_EQ(v, 0.0);
    for (double v : m.group2) EXPECT_EQ(v, 0.0);
}

TEST(ShapeRegionTest, HolesAreCountedByFourConnectedGroups) {
    // A 9 x 9 square with two separate holes and one diagonal pair of hole
    // pixels, which are two holes under 4-connectivity.
    std::vector<uint8_t> m = rectangle(11, 11, 1, 1, 9, 9);
    m[3 * 11 + 3] = 0;
    m[3 * 11 + 7] = 0;
    m[6 * 11 + 4] = 0;
    m[7 * 11 + 5] = 0;
    const ShapeRegion r = regionOf(m, 11, 11);
    EXPECT_EQ(r.holes, 4);
    EXPECT_EQ(r.holePixels, 4);
    EXPECT_EQ(r.count, 81 - 4);
}

TEST(ShapeRegionTest, LargeBackgroundFillsDoNotOverflow) {
    // A thin frame around a large empty inside: one hole of about 250,000
    // pixels, far more than a fixed stack of 131,070 entries could hold.
    const int32_t n = 502;
    std::vector<uint8_t> m(static_cast<size_t>(n) * n, 0);
    for (int32_t i = 0; i < n; ++i) {
        m[static_cast<size_t>(i)] = m[static_cast<size_t>((n - 1) * n + i)] = 1;
        m[static_cast<size_t>(i * n)] = m[static_cast<size_t>(i * n + n - 1)] = 1;
    }
    const ShapeRegion r = regionOf(m, n, n);
    EXPECT_EQ(r.holes, 1);
    EXPECT_EQ(r.holePixels, int64_t{500} * 500);
}

TEST(Thinning, ABarThinsToALineWithTwoEnds) {
    const ShapeRegion r = regionOf(rectangle(40, 12, 3, 3, 32, 7), 40, 12);
    const Skeleton s = thinShape(r);
    EXPECT_GT(s.count, 20);
    EXPECT_LT(s.count, 32);
    EXPECT_EQ(s.endPoints, 2);
    EXPECT_EQ(s.branchPoints, 0);
    EXPECT_LE(s.passes, kMaxThinningPasses);
}

TEST(Thinning, APlusSignHasFourEndsAndABranch) {
    std::vector<uint8_t> m = rectangle(31, 31, 14, 2, 16, 28);
    const std::vector<uint8_t> across = rectangle(31, 31, 2, 14, 28, 16);
    for (size_t i = 0; i < m.size(); ++i) m[i] |= across[i];
    const Skeleton s = thinShape(regionOf(m, 31, 31));
    EXPECT_EQ(s.endPoints, 4);
    EXPECT_GE(s.branchPoints, 1);
}

TEST(ContourFollowing, WalksTheOuterBoundaryOnly) {
    std::vector<uint8_t> m = rectangle(12, 12, 1, 1, 10, 10);
    m[5 * 12 + 5] = 0;  // a hole: not on the outer contour
    const ContourChain c = followContour(regionOf(m, 12, 12));
    EXPECT_EQ(c.straightSteps, 36);
    EXPECT_EQ(c.diagonalSteps, 0);
    // A diagonal line: every step is diagonal, there and back.
    std::vector<uint8_t> d(100, 0);
    for (int i = 0; i < 6; ++i) d[static_cast<size_t>((i + 2) * 10 + i + 2)] = 1;
    const ContourChain diagonal = followContour(regionOf(d, 10, 10));
    EXPECT_EQ(diagonal.diagonalSteps, 10);
    EXPECT_NEAR(diagonal.length(), 10 * std::sqrt(2.0), 1e-12);
}

TEST(ConvexHullTest, DropsPointsOnEdges) {
    const auto hull = convexHull({{0, 0}, {2, 0}, {4, 0}, {4, 4}, {0, 4}, {2, 2}});
    EXPECT_EQ(hull.size(), 4u);
    EXPECT_DOUBLE_EQ(polygonArea(hull), 16);
    EXPECT_DOUBLE_EQ(polygonPerimeter(hull), 16);
}

TEST(DiameterProfile, ADiskIsAsThickAsItIsWideAcrossItsMiddle) {
    std::vector<uint8_t> m(41 * 41, 0);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x)
            if ((x - 20) * (x - 20) + (y - 20) * (y - 20) <= 144)
                m[static_cast<size_t>(y * 41 + x)] = 1;
    const ShapeMeasures s = measureShape(regionOf(m, 41, 41), 1.0, false, true);
    const double middle = s.group2[4 + 3 * 6];
    EXPECT_NEAR(middle, 25, 1.0);
    // Left and right parts share the thickness about equally at the middle.
    EXPECT_NEAR(s.group2[5 + 3 * 6], s.group2[6 + 3 * 6], 1.0);
    // Thinner towards the ends of the diameter.
    EXPECT_LT(s.group2[4], middle);
    EXPECT_LT(s.group2[4 + 3 * 12], middle);
}

TEST(ShapeRecords, GroupsInTheirOrderWithTheirNames) {
    EXPECT_EQ(shapeGroup2Name(0), "_GeoA_x1");
    EXPECT_EQ(shapeGroup2Name(3), "_GeoA_y2");
    EXPECT_EQ(shapeGroup2Name(4), "GeoPw01");
    EXPECT_EQ(shapeGroup2Name(5), "GeoPl01");
    EXPECT_EQ(shapeGroup2Name(6), "GeoPr01");
    EXPECT_EQ(shapeGroup2Name(42), "GeoPr13");
    GrainOptions o;
    EXPECT_EQ(shapeRecordCount(o), 0);
    o.Sg_DoGeometryP = true;
    EXPECT_EQ(shapeRecordCount(o), 43);
    o.Sg_DoGeometry = true;
    EXPECT_EQ(shapeRecordCount(o), 116);

    std::vector<uint16_t> map(20 * 20, 0);
    for (int y = 2; y < 8; ++y)
        for (int x = 3; x < 9; ++x) map[static_cast<size_t>(y * 20 + x)] = 1 | 4;
    o.Sg_PPU = 0;  // no scaling
    std::vector<FeatureRecord> records;
    appendShapeRecords(map.data(), 20, 20, o, records);
    ASSERT_EQ(records.size(), 116u);
    EXPECT_EQ(recordName(records[0]), "GeoX");
    EXPECT_EQ(recordName(records[72]), "GeoXYo");
    EXPECT_EQ(recordName(records[73]), "_GeoA_x1");
    EXPECT_DOUBLE_EQ(records[2].values[0], 36);  // GeoF of ROI 1
    EXPECT_DOUBLE_EQ(records[2].values[2], 36);  // ROI 3 is the same square
    EXPECT_DOUBLE_EQ(records[2].values[1], 0);   // ROI 2 is empty
}

}  // namespace
