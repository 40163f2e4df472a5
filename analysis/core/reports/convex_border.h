// The convex-border search: for every class of the open reports, the smallest
// set of one, two or three features in which a convex border (an interval, a
// convex polygon, a convex polyhedron) encloses the class's samples and is
// entered by few samples of other classes; and the classification rule each
// border gives.
//
// Intrusion of a border = the number of other classes' samples inside it plus
// a margin in [0, 1): for an interval (hi − lo)/(2m + hi − lo), m the nearest
// outside value's distance to a bound; for a polygon or polyhedron the largest
// d_c/(d_c + d_s) over the outside samples, d_c from the class centre to where
// the way to the sample leaves the border and d_s from there to the sample.
// Lower is better. Classes whose name begins with "_" take part only as
// intruders.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/reports/selection_samples.h"
#include "analysis/core/runner/progress.h"

inline constexpr double kConvexTolerance = 1e-9;
inline constexpr int kConvexProgressSteps = 128;
inline constexpr std::string_view kConvexResultTitle = "Neat split - convex bound";

// One side of a border: Σ normal[k]·x_k + offset <= 0, or == 0 when every
// sample of the class lies on it.
struct ConvexHalfSpace {
    std::array<double, 3> normal{};
    double offset = 0;
    bool onPlane = false;
};

struct ConvexBorder {
    int size = 0;  // 0 = none yet, 1, 2 or 3 features
    std::array<int, 3> features{-1, -1, -1};
    double intrusion = -1;
    double low = 0, high = 0;            // the interval of a single feature
    std::vector<ConvexHalfSpace> sides;  // two or three features
};

struct ConvexBorderResult {
    std::vector<ConvexBorder> borders;  // one per class
    bool cancelled = false;
};

// The line through two points of a feature plane: normal = (q − p) turned by a
// right angle, (x, y) → (y, −x), normalised; offset = −normal·p. Fails when the
// points are closer than the tolerance.
std::optional<ConvexHalfSpace> lineThroughPoints(const std::array<double, 2>& p,
                                                 const std::array<double, 2>& q);
// The plane through three points: normal = (q − p) × (r − p), normalised;
// offset = −normal·p. Fails when the points are (nearly) on one line.
std::optional<ConvexHalfSpace> planeThroughPoints(const std::array<double, 3>& p,
                                                  const std::array<double, 3>& q,
                                                  const std::array<double, 3>& r);

// The search over the set's features and classes, reporting "Convex border
// (search: 1/3)" ... "(completion)" with 128 steps per search and stopping
// at once when progress.cancelled(): the borders found so far stand, and
// `cancelled` is set.
ConvexBorderResult FindConvexBorder(const SelectionSamples& samples, const ProgressSink& progress);

// The text of the result box.
std::string convexBorderText(const ConvexBorderResult& result, const SelectionSamples& samples);

// Acceptance: each feature's weight is the largest 1/(1 + intrusion) over the
// classes whose border uses it, −1 for the others.
std::vector<double> convexBorderWeights(const ConvexBorderResult& result,
                                        const SelectionSamples& samples);
// The features of positive weight in descending order of weight, the first
// among equals first.
std::vector<int> rankByWeight(const std::vector<double>& weights);
