// The solid shape models in model units (100 is the nominal half-size): how
// each is cut into tetrahedra for filling, and its faces for drawing.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "volume/core/volume/raster_fill.h"

// Shape kinds of the editor.
enum class ShapeKind : int32_t {
    None = 0,
    Ellipsoid = 1,
    ElasticSurface = 2,
    Tube = 3,
    TubeAlt = 4,  // filled as the tube
    Cube = 5,
    Tetrahedron = 6,
    FloodFill = 7,
    MoveVoi = 8,
    CopyVoi = 9,
};

inline constexpr int32_t kTubeSectors = 200;

// The tetrahedron's corners. They are not a regular tetrahedron: the edges
// are 200 (0-1, 2-3), 217.2 (0-2, 1-2) and 206.5 (0-3, 1-3), and the volume
// 1,049,581 against 942,809 for the regular one of edge 200 (a regular base
// would have its two first corners at y = -57.735). They fix which voxels a
// fill covers, so they stay as they are.
inline constexpr std::array<Point3, 4> kTetrahedronCorners{{{100, -77.35027, -54.433105},
                                                            {-100, -77.35027, -54.433105},
                                                            {0, 115.470055, -54.433105},
                                                            {0, 0, 108.86621}}};

using Tetrahedron = std::array<Point3, 4>;

// Cube with taper p: bottom face z = -100 with corners (+-(100 + p), +-(100 + p)),
// top face z = +100 with corners (+-(100 - p), +-(100 - p)); 5 tetrahedra.
std::vector<Tetrahedron> cubeTetrahedra(int32_t p);
// Tube: a truncated cone along z from radius 100 + p at z = -100 to 100 - p
// at z = +100, as 200 sectors of 3 tetrahedra between both rims and the axis.
std::vector<Tetrahedron> tubeTetrahedra(int32_t p);
std::vector<Tetrahedron> tetrahedronTetrahedra();
// The tetrahedra of a solid kind (tube, cube, tetrahedron); empty for the others.
std::vector<Tetrahedron> solidTetrahedra(ShapeKind kind, int32_t p);

// One flat face for drawing: counter-clockwise seen from outside, with its
// outward unit normal.
struct ShapeTriangle {
    Point3 a, b, c;
    Point3 normal;
};
// The faces of a solid kind (a quad face comes as two triangles); faces of
// zero area (the top of a cube or tube with p = 100) are left out.
std::vector<ShapeTriangle> solidFaces(ShapeKind kind, int32_t p);

// Signed volume of a tetrahedron: (b - a) . ((c - a) x (d - a)) / 6.
double tetrahedronVolume(const Tetrahedron& t);
