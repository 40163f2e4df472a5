// What the 3D view draws for the shape being placed, in model units: flat
// faces of the solids, the surface mesh as shaded triangles or as wires, and
// the voxel faces that preview a VOI being moved or copied. Plain arrays of
// coordinates, ready for vertex arrays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "volume/core/shapes/shape_fill.h"
#include "volume/core/shapes/shape_models.h"
#include "volume/core/shapes/surface_mesh.h"

struct ShapeGeometry {
    // Triangles counter-clockwise seen from outside: 9 coordinates each, and
    // a unit normal (3 coordinates) for every corner.
    std::vector<double> triangles;
    std::vector<double> normals;
    // Lines: 6 coordinates each, drawn unlit.
    std::vector<double> lines;

    size_t triangleCount() const { return triangles.size() / 9; }
    size_t lineCount() const { return lines.size() / 6; }
    bool empty() const { return triangles.empty() && lines.empty(); }
};

// A tube, cube or tetrahedron of parameter p, flat-shaded (empty for other kinds).
ShapeGeometry solidGeometry(ShapeKind kind, int32_t p);
// The mesh as triangles, each corner with its node's normal (the mean of its
// triangles' normals).
ShapeGeometry meshSolidGeometry(const SurfaceMesh& mesh);
// The mesh as lines between neighbouring nodes.
ShapeGeometry meshWireGeometry(const SurfaceMesh& mesh);
// The voxel faces of a VOI preview, two triangles per face.
ShapeGeometry voxelFaceGeometry(const std::vector<VoxelFace>& faces);
