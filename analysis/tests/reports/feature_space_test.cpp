#include "analysis/core/reports/feature_space.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

TEST(FeatureSpace, SymbolsRankOrdersAndScales) {
    EXPECT_EQ(featureSpaceSymbol(0), "1");
    EXPECT_EQ(featureSpaceSymbol(8), "9");
    EXPECT_EQ(featureSpaceSymbol(9), "A");
    EXPECT_EQ(featureSpaceSymbol(16), "H");  // the 17th class, drawn in black

    const double values[] = {3, 1, 2, 1, 5};
    EXPECT_EQ(rankOrder(values, 5), (std::vector<int>{1, 3, 2, 0, 4}));
    const AxisScale axis = axisScale(values, rankOrder(values, 5));
    EXPECT_DOUBLE_EQ(axis.centre, 3);
    EXPECT_DOUBLE_EQ(axis.scale, 50);
    const double flat[] = {7, 7, 7};
    EXPECT_EQ(axisScale(flat, rankOrder(flat, 3)).scale, 0);  // collapses onto the other axes

    // First axis wins: a feature on axes 1 and 3 keeps weight 3.
    EXPECT_EQ(featureSpaceWeights({2, 1, 2}, 4), (std::vector<double>{-1, 2, 3, -1}));
    EXPECT_EQ(featureSpaceWeights({0, 0, 0}, 1), (std::vector<double>{3}));
}

TEST(FeatureSpace, TurnsFollowTheFormulaAndStayOrthonormal) {
    FeatureSpaceRotation r;
    r.turn(1, 3, 20);  // φ = 0.2: row 1 (1, 0, 0) becomes (cos φ, 0, −sin φ)
    EXPECT_NEAR(r.matrix()[0][0], std::cos(0.2), 1e-15);
    EXPECT_NEAR(r.matrix()[0][2], -std::sin(0.2), 1e-15);
    EXPECT_NEAR(r.matrix()[2][0], std::sin(0.2), 1e-15);
    EXPECT_NEAR(r.matrix()[2][2], std::cos(0.2), 1e-15);

    for (int k = 0; k < 10000; ++k) {
        r.turn(1, 3, 7);
        r.turn(2, 3, -3);
        r.turn(1, 2, 11);
    }
    const auto& m = r.matrix();
    const auto inverse = r.inverse();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double dot = 0, product = 0;
            for (int k = 0; k < 3; ++k) {
                dot += m[i][k] * m[j][k];
                product += m[i][k] * inverse[k][j];
            }
            EXPECT_NEAR(dot, i == j ? 1 : 0, 1e-12);
            EXPECT_NEAR(product, i == j ? 1 : 0, 1e-12);
        }
}

TEST(FeatureSpace, PictureHasAxesLabelsAndOneSymbolPerSampleInDepthOrder) {
    SelectionSamples s;
    s.classes = {"a", "b"};
    s.classSize = {2, 1};
    s.classOffset = {0, 2};
    s.sampleClass = {0, 0, 1};
    s.features = {{"Contrast", 0}, {"Entropy", 1}};
    s.values = {0, 1, 2, /* Entropy */ 5, 5, 5};
    FeatureSpaceView view;
    view.axisFeatures = {0, 1, 0};  // two features: the third axis repeats the first
    const auto items = featureSpacePicture(s, view);
    int symbols = 0, lines = 0;
    std::vector<std::string> texts;
    for (const PlotItem& item : items) {
        if (item.kind == PlotItem::Kind::DottedLine) ++lines;
        if (item.kind == PlotItem::Kind::Text) texts.push_back(item.text);
        if (item.kind == PlotItem::Kind::Text && item.bold) ++symbols;
    }
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(symbols, 3);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Contrast"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "+2"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "+5"), texts.end());
    // At the identity the viewing direction is the third axis (Contrast,
    // positive): symbols in ascending Contrast, the class-b sample last, in
    // its ROI colour (green). Names and values come after the symbols, drawn
    // over them.
    const auto lastSymbol =
        std::find_if(items.rbegin(), items.rend(), [](const PlotItem& item) { return item.bold; });
    EXPECT_EQ(lastSymbol->text, "2");
    EXPECT_EQ(lastSymbol->colour, 0x00FF00u);
    EXPECT_FALSE(items.back().bold);
}

namespace {

double lengthOf(const PlotItem& line) {
    return std::hypot(line.x2 - line.x, line.y2 - line.y);
}

double cosine(const PlotItem& a, const PlotItem& b) {
    return ((a.x2 - a.x) * (b.x2 - b.x) + (a.y2 - a.y) * (b.y2 - b.y)) / lengthOf(a) / lengthOf(b);
}

double distanceToLine(const PlotItem& label, const PlotItem& line) {
    const double dx = line.x2 - line.x, dy = line.y2 - line.y;
    const double squared = dx * dx + dy * dy;
    const double t =
        squared > 0
            ? std::clamp(((label.x - line.x) * dx + (label.y - line.y) * dy) / squared, 0.0, 1.0)
            : 0;
    return std::hypot(label.x - line.x - t * dx, label.y - line.y - t * dy);
}

}  // namespace

TEST(FeatureSpace, LabelsStayInsideThePictureAndValuesApartHoweverItTurns) {
    SelectionSamples s;
    s.classes = {"a"};
    s.classSize = {3};
    s.classOffset = {0};
    s.sampleClass = {0, 0, 0};
    s.features = {{"Contrast", 0}, {"LongFeatureNameOfTheGradient", 1}, {"Entropy", 2}};
    s.values = {-123456, 0.5, 98765.4, 1e-7, 2e-7, 3.5e-6, -1, 0, 1};
    FeatureSpaceView view;
    view.axisFeatures = {0, 1, 2};
    int checked = 0;
    for (int a = 0; a < 628; a += 37) {
        for (int b = 0; b < 628; b += 41) {
            view.rotation = initialFeatureSpaceRotation();
            view.rotation.turn(1, 3, a);
            view.rotation.turn(2, 3, b);
            view.rotation.turn(1, 2, a / 2);
            std::vector<PlotItem> labels, lines;
            for (const PlotItem& item : featureSpacePicture(s, view)) {
                if (item.kind == PlotItem::Kind::DottedLine) lines.push_back(item);
                if (item.kind != PlotItem::Kind::Text || item.bold) continue;
                const LabelBox box = labelBox(item);
                EXPECT_GE(item.x - box.halfWidth, 0) << item.text << " " << a << " " << b;
                EXPECT_LE(item.x + box.halfWidth, kFeatureSpaceSize) << item.text;
                EXPECT_GE(item.y - box.halfHeight, 0) << item.text;
                EXPECT_LE(item.y + box.halfHeight, kFeatureSpaceSize) << item.text;
                if (item.height < 10) labels.push_back(item);  // the six end values
            }
            ASSERT_EQ(labels.size(), 6u);
            for (size_t i = 0; i < labels.size(); ++i)
                for (size_t j = i + 1; j < labels.size(); ++j) {
                    const LabelBox p = labelBox(labels[i]), q = labelBox(labels[j]);
                    EXPECT_TRUE(std::abs(labels[i].x - labels[j].x) >= p.halfWidth + q.halfWidth ||
                                std::abs(labels[i].y - labels[j].y) >= p.halfHeight + q.halfHeight)
                        << labels[i].text << " on " << labels[j].text << " at " << a << ", " << b;
                }
            // Values come per axis, low end first: each lies nearer its own
            // axis than any other, also at the corner the three share.
            ASSERT_EQ(lines.size(), 3u);
            for (size_t i = 0; i < labels.size(); ++i) {
                if (lengthOf(lines[i / 2]) <= 60) continue;  // seen (nearly) end-on
                const double own = distanceToLine(labels[i], lines[i / 2]);
                for (size_t k = 0; k < 3; ++k) {
                    // Axes seen end-on or nearly along each other stay apart
                    // only by their names.
                    if (k == i / 2 || lengthOf(lines[k]) <= 60 ||
                        std::abs(cosine(lines[k], lines[i / 2])) > 0.94)
                        continue;
                    EXPECT_LT(own, distanceToLine(labels[i], lines[k]))
                        << labels[i].text << " at " << a << ", " << b;
                }
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 200);
}
