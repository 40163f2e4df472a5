#include "analysis/core/reports/convex_border.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

struct ExpectedBorder {
    int size;
    std::vector<int> features;
    double intrusion;
};

struct ConvexCase {
    std::vector<std::string> classes;
    std::vector<int> sizes;
    std::vector<double> values;  // feature-major
    std::vector<ExpectedBorder> borders;
};

#include "analysis/tests/data/convex_border_reference.inc"

// A sample set of the given classes and sizes over features named f0, f1, ...
SelectionSamples sampleSet(const std::vector<std::string>& classes, const std::vector<int>& sizes,
                           const std::vector<double>& values) {
    SelectionSamples s;
    s.classes = classes;
    s.classSize = sizes;
    int offset = 0;
    for (size_t c = 0; c < sizes.size(); ++c) {
        s.classOffset.push_back(offset);
        for (int k = 0; k < sizes[c]; ++k) s.sampleClass.push_back(static_cast<int>(c));
        offset += sizes[c];
    }
    s.values = values;
    for (size_t f = 0; f < values.size() / static_cast<size_t>(offset); ++f)
        s.features.push_back({"f" + std::to_string(f), static_cast<int>(f)});
    return s;
}

}  // namespace

TEST(ConvexBorder, IntervalsAndPolygonsAgreeWithTheHullReference) {
    for (const ConvexCase* c : {&kClouds0, &kClouds1, &kClouds2, &kClouds3, &kUnderscore}) {
        const SelectionSamples samples = sampleSet(c->classes, c->sizes, c->values);
        const ConvexBorderResult result = FindConvexBorder(samples, ProgressSink{});
        ASSERT_FALSE(result.cancelled);
        ASSERT_EQ(result.borders.size(), c->borders.size());
        for (size_t k = 0; k < c->borders.size(); ++k) {
            SCOPED_TRACE(c->classes[k]);
            const ConvexBorder& border = result.borders[k];
            EXPECT_EQ(border.size, c->borders[k].size);
            for (int i = 0; i < border.size; ++i)
                EXPECT_EQ(border.features[static_cast<size_t>(i)], c->borders[k].features[i]);
            if (border.size > 0) {
                EXPECT_NEAR(border.intrusion, c->borders[k].intrusion, 1e-9);
            }
        }
    }
}

TEST(ConvexBorder, TwoClassesOnALineGiveTheWrittenRulesAndWeights) {
    // A = {1, 3}, B = {5, 7}: each interval leaves the other class out, at
    // the margin (3 − 1)/(2·2 + 3 − 1) = 1/3.
    const SelectionSamples samples = sampleSet({"A", "B"}, {2, 2}, {1, 3, 5, 7});
    std::vector<std::string> texts;
    int steps = 0;
    ProgressSink progress;
    progress.text = [&](const std::string& t) { texts.push_back(t); };
    progress.step = [&] { ++steps; };
    const ConvexBorderResult result = FindConvexBorder(samples, progress);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Convex border (search: 1/3)", "Convex border (search: 2/3)",
                         "Convex border (search: 3/3)", "Convex border (reduction)",
                         "Convex border (completion)"}));
    EXPECT_EQ(steps, kConvexProgressSteps);  // the single search; the others have no candidate
    EXPECT_EQ(convexBorderText(result, samples),
              "-------- Convex border search results\r\n"
              "\r\n---- Strongest feature set:\r\n"
              "A: f0; [Intrusion = 0.333333]\r\n"
              "B: f0; [Intrusion = 0.333333]\r\n"
              "\r\n-- Classification rules:\r\n"
              "\r\n// Class A: f0 [Intrusion = 0.333333]\r\n"
              "  A = (f0 >= 1.000000) && (f0 <= 3.000000);\r\n"
              "\r\n// Class B: f0 [Intrusion = 0.333333]\r\n"
              "  B = (f0 >= 5.000000) && (f0 <= 7.000000);\r\n");
    const std::vector<double> weights = convexBorderWeights(result, samples);
    ASSERT_EQ(weights.size(), 1u);
    EXPECT_DOUBLE_EQ(weights[0], 0.75);
    EXPECT_EQ(rankByWeight({0.5, -1, 0.75, 0.5}), (std::vector<int>{2, 0, 3}));
}

TEST(ConvexBorder, CollinearSamplesGiveOneEqualityLineAndUnderscoreClassesNoRule) {
    // A lies on the diagonal; B's samples spread over A's ranges in both
    // features, one of them on the diagonal too.
    const SelectionSamples samples = sampleSet({"A", "B", "_noise"}, {3, 4, 1},
                                               {0, 1, 2, 0.5, 1.5, 2, 1.2, 9,    // f0
                                                0, 1, 2, 1.5, 0.5, 0, 1.2, 9});  // f1
    const ConvexBorderResult result = FindConvexBorder(samples, ProgressSink{});
    const std::string text = convexBorderText(result, samples);
    ASSERT_EQ(result.borders[0].size, 2);
    ASSERT_EQ(result.borders[0].sides.size(), 1u);
    EXPECT_TRUE(result.borders[0].sides[0].onPlane);
    EXPECT_EQ(text.find("== 0)"), text.rfind("== 0)"));
    EXPECT_NE(text.find("== 0)"), std::string::npos);
    // The intruder on the diagonal counts whole.
    EXPECT_GE(result.borders[0].intrusion, 1.0);
    EXPECT_EQ(text.find("_noise"), std::string::npos);
    EXPECT_EQ(result.borders[2].size, 0);
}

TEST(ConvexBorder, TriplesEncloseATetrahedronAndCancelKeepsResultsSoFar) {
    // A: the corners of a tetrahedron and its centre; B sits around it so that
    // no interval or polygon in two of the features is clean.
    std::vector<double> a = {0, 4, 0, 0, 1, 0, 0, 4, 0, 1, 0, 0, 0, 4, 1};
    std::vector<double> b = {3, 3, 3, -1, 2, 2, 3, 3, -1, 3, 2, 0.5, 3, -1, 3, 3, 0.5, 2};
    std::vector<double> values;
    for (int f = 0; f < 3; ++f) {
        values.insert(values.end(), a.begin() + f * 5, a.begin() + f * 5 + 5);
        values.insert(values.end(), b.begin() + f * 6, b.begin() + f * 6 + 6);
    }
    const SelectionSamples samples = sampleSet({"A", "B"}, {5, 6}, values);
    const ConvexBorderResult result = FindConvexBorder(samples, ProgressSink{});
    ASSERT_EQ(result.borders[0].size, 3);
    EXPECT_LT(result.borders[0].intrusion, 1.0);  // every B sample lies outside the tetrahedron
    EXPECT_EQ(result.borders[0].sides.size(), 4u);
    const std::string text = convexBorderText(result, samples);
    EXPECT_NE(text.find("// Class A: f2, f1, f0 [Intrusion = "), std::string::npos);

    std::atomic<bool> stop{true};
    ProgressSink cancelled;
    cancelled.cancel = &stop;
    const ConvexBorderResult none = FindConvexBorder(samples, cancelled);
    EXPECT_TRUE(none.cancelled);
    EXPECT_EQ(none.borders[0].size, 0);
}

TEST(ConvexBorder, GeometryFailsOnCoincidentPoints) {
    EXPECT_FALSE(lineThroughPoints({1, 1}, {1, 1}).has_value());
    const auto line = lineThroughPoints({0, 0}, {2, 0});
    ASSERT_TRUE(line.has_value());
    EXPECT_DOUBLE_EQ(line->normal[0], 0);
    EXPECT_DOUBLE_EQ(line->normal[1], -1);
    EXPECT_FALSE(planeThroughPoints({0, 0, 0}, {1, 1, 1}, {2, 2, 2}).has_value());
    const auto plane = planeThroughPoints({0, 0, 1}, {1, 0, 1}, {0, 1, 1});
    ASSERT_TRUE(plane.has_value());
    EXPECT_DOUBLE_EQ(plane->normal[2], 1);
    EXPECT_DOUBLE_EQ(plane->offset, -1);
}
