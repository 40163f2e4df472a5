// "Accept - fill it in": what accepting the current shape does to the VOI
// mask, by shape kind. The editor calls this with its shape matrix, the
// voxel sizes and the draw mode of the active VOI, then rebuilds its slices
// and pushes one undo snapshot; Cancel simply does not call it.
#pragma once

#include <cstdint>

#include "volume/core/shapes/shape_matrix.h"
#include "volume/core/shapes/shape_models.h"
#include "volume/core/shapes/surface_mesh.h"
#include "volume/core/volume/draw_mode.h"
#include "volume/core/volume/volume3d.h"

struct AcceptedShape {
    ShapeKind kind = ShapeKind::None;
    int32_t parameter = 0;              // p of the tube and the cube
    const SurfaceMesh* mesh = nullptr;  // the ellipsoid or elastic surface
    uint16_t sourceBit = 0;             // the VOI moved or copied
};

// Ellipsoid and elastic surface: the mesh as a fan of tetrahedra; tube
// (both kinds), cube, tetrahedron: their tetrahedra; move / copy: the source
// VOI shifted by moveOffset(shape, sizes) with `mode`. False, and the mask
// untouched, for the other kinds and for a surface kind without a mesh.
bool acceptShape(Volume3D& mask, const AcceptedShape& accepted, const Matrix16& shape,
                 const VoxelSizes& sizes, DrawMode mode);
