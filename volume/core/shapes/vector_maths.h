// The few vector operations the solids and the surface mesh are built from,
// on the points of the raster fills.
#pragma once

#include <cmath>

#include "volume/core/volume/raster_fill.h"

inline Point3 sub(Point3 a, Point3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Point3 cross(Point3 a, Point3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double dot(Point3 a, Point3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
// Unit length; the zero vector stays zero.
inline Point3 normalised(Point3 a) {
    const double l = std::sqrt(dot(a, a));
    return l > 0 ? Point3{a.x / l, a.y / l, a.z / l} : a;
}
