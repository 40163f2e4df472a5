#include "volume/core/volume/raster_fill.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The integers ceil(lo)..floor(hi) inside 0..limit-1; false when there are none.
// Clamped as doubles first, so no huge or non-finite value is ever converted.
bool integerSpan(double lo, double hi, int32_t limit, int32_t& first, int32_t& last) {
    lo = std::ceil(lo);
    hi = std::floor(hi);
    if (!(lo <= hi)) return false;  // also catches NaN
    lo = std::max(lo, 0.0);
    hi = std::min(hi, static_cast<double>(limit) - 1.0);
    if (!(lo <= hi)) return false;
    first = static_cast<int32_t>(lo);
    last = static_cast<int32_t>(hi);
    return true;
}

void fillRow(VolumeSlice& slice, DrawMode mode, int32_t y, double e1, double e2) {
    int32_t x0 = 0;
    int32_t x1 = 0;
    if (!integerSpan(std::min(e1, e2), std::max(e1, e2), slice.width, x0, x1)) return;
    uint16_t* row =
        slice.samples.data() + static_cast<size_t>(y) * static_cast<size_t>(slice.width);
    for (int32_t x = x0; x <= x1; ++x) row[x] = mode.apply(row[x]);
}

}  // namespace

void FillTriangleInSlice(Volume3D& mask, DrawMode mode, int32_t z, Point2 a, Point2 b, Point2 c) {
    VolumeSlice* slice = mask.slice(z);
    if (!slice || !slice->present()) return;
    std::array<Point2, 3> p{a, b, c};
    // Stable: on a tie in y the earlier point comes first.
    std::stable_sort(p.begin(), p.end(),
                     [](const Point2& u, const Point2& v) { return u.y < v.y; });
    const Point2 top = p[0];
    const Point2 middle = p[1];
    const Point2 bottom = p[2];
    if (bottom.y - top.y == 0) return;
    // long edge: x = l (y - top.y) + top.x
    const double l = (bottom.x - top.x) / (bottom.y - top.y);
    int32_t y0 = 0;
    int32_t y1 = 0;
    if (middle.y - top.y != 0) {
        const double m = (middle.x - top.x) / (middle.y - top.y);
        if (m != l && integerSpan(top.y, middle.y, slice->height, y0, y1))
            for (int32_t i = y0; i <= y1; ++i)
                fillRow(*slice, mode, i, l * (i - top.y) + top.x, m * (i - top.y) + top.x);
    }
    if (bottom.y - middle.y != 0) {
        const double m = (bottom.x - middle.x) / (bottom.y - middle.y);
        if (m != l && integerSpan(middle.y, bottom.y, slice->height, y0, y1))
            for (int32_t i = y0; i <= y1; ++i)
                fillRow(*slice, mode, i, l * (i - top.y) + top.x, m * (i - middle.y) + middle.x);
    }
}

namespace {

// The point of edge P-Q at height z (the edge must not be flat).
Point2 atHeight(const Point3& p, const Point3& q, double z) {
    const double t = (z - p.z) / (q.z - p.z);
    return {p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)};
}

}  // namespace

void VoxeliseTetrahedron(Volume3D& mask, DrawMode mode, Point3 a, Point3 b, Point3 c, Point3 d) {
    std::array<Point3, 4> p{a, b, c, d};
    // Stable: the lowest point is the first of equals, the highest the last.
    std::stable_sort(p.begin(), p.end(),
                     [](const Point3& u, const Point3& v) { return u.z < v.z; });
    const Point3 A = p[0];
    const Point3 B = p[1];
    const Point3 C = p[2];
    const Point3 D = p[3];
    if (D.z - A.z == 0) return;
    int32_t z0 = 0;
    int32_t z1 = 0;
    if (B.z - A.z != 0 && C.z - A.z != 0 && integerSpan(A.z, B.z, mask.sliceCount, z0, z1))
        for (int32_t i = z0; i <= z1; ++i)
            FillTriangleInSlice(mask, mode, i, atHeight(A, B, i), atHeight(A, C, i),
                                atHeight(A, D, i));
    if (C.z - B.z != 0 && D.z - B.z != 0 && integerSpan(B.z, C.z, mask.sliceCount, z0, z1))
        for (int32_t i = z0; i <= z1; ++i) {
            // The cross-section is a quadrilateral: two triangles.
            const Point2 bc = atHeight(B, C, i);
            const Point2 ad = atHeight(A, D, i);
            FillTriangleInSlice(mask, mode, i, bc, atHeight(A, C, i), ad);
            FillTriangleInSlice(mask, mode, i, bc, atHeight(B, D, i), ad);
        }
    if (D.z - C.z != 0 && D.z - B.z != 0 && integerSpan(C.z, D.z, mask.sliceCount, z0, z1))
        for (int32_t i = z0; i <= z1; ++i)
            FillTriangleInSlice(mask, mode, i, atHeight(C, D, i), atHeight(A, D, i),
                                atHeight(B, D, i));
}
