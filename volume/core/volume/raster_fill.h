// Shapes written into a VOI mask: a triangle in one slice (scan-line fill on
// integer pixel positions, pixels exactly on an edge included) and a
// tetrahedron cut into such triangles slice by slice. Every covered voxel v
// becomes mode.apply(v). Coordinates may lie anywhere, also far outside the
// volume or not be finite: they are clamped as doubles before any integer
// conversion, and what lies outside is dropped.
#pragma once

#include <cstdint>

#include "volume/core/volume/draw_mode.h"
#include "volume/core/volume/volume3d.h"

struct Point2 {
    double x = 0;
    double y = 0;
};

struct Point3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

void FillTriangleInSlice(Volume3D& mask, DrawMode mode, int32_t z, Point2 a, Point2 b, Point2 c);

void VoxeliseTetrahedron(Volume3D& mask, DrawMode mode, Point3 a, Point3 b, Point3 c, Point3 d);
