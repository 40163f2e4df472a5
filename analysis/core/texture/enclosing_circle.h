// The smallest circle that holds a set of points (Welzl's incremental
// method over the points in a fixed shuffled order).
#pragma once

#include <vector>

#include "analysis/core/texture/convex_hull.h"

struct Circle {
    double x = 0;
    double y = 0;
    double radius = 0;
};

// Radius 0 at the point for one point; radius 0 at (0, 0) for none.
Circle smallestEnclosingCircle(const std::vector<IntPoint>& points);
