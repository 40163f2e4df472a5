// Convex hulls of pixel positions: the hull polygon of a point set, and the
// digital convex hull of a shape (the pixels whose centres lie in the hull of
// the midpoints of the shape's pixel sides), with the measures read from them.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/core/texture/shape_region.h"

struct IntPoint {
    int64_t x = 0;
    int64_t y = 0;
};

// The hull vertices in counter-clockwise order (x right, y up; clockwise on
// screen), without points that lie on an edge. One or two points for such
// sets; empty for none.
std::vector<IntPoint> convexHull(std::vector<IntPoint> points);

// Perimeter and area of a closed polygon; 0 for fewer than 2 or 3 vertices.
double polygonPerimeter(const std::vector<IntPoint>& polygon);
double polygonArea(const std::vector<IntPoint>& polygon);

// The two vertices farthest apart (the first pair found, in vertex order);
// both the single vertex for one point.
struct FarthestPair {
    IntPoint a;
    IntPoint b;
    double distance = 0;
};
FarthestPair farthestPair(const std::vector<IntPoint>& hull);

// The digital convex hull on the shape's mask (same size and origin): pixel
// centres inside or on the hull of the points (x +/- 1/2, y) and (x, y +/- 1/2)
// of every ROI pixel.
std::vector<uint8_t> digitalConvexHull(const ShapeRegion& region);

// The largest distance between two midpoints of sides that a hull pixel shares
// with a pixel outside the hull (the maximum Feret diameter measured on the
// boundary of the digital convex hull).
double convexFeretDiameter(const ShapeRegion& region, const std::vector<uint8_t>& convexImage);
