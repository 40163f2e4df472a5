// Accepting a shape: its tetrahedra placed by the shape matrix, mapped to
// voxel coordinates and filled into the VOI mask with a draw mode; and moving
// or copying a whole VOI by the shape's shift, with the voxel-face outline
// that previews it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "volume/core/shapes/shape_matrix.h"
#include "volume/core/shapes/shape_models.h"
#include "volume/core/volume/draw_mode.h"
#include "volume/core/volume/volume3d.h"

// The frame of a mask: its extents and the (sanitised) voxel sizes.
VolumeFrame volumeFrameOf(const Volume3D& mask, const VoxelSizes& sizes);

// Every model-space tetrahedron: corners through `shape` to the scene, then to
// voxel coordinates, then VoxeliseTetrahedron with `mode`.
void fillTetrahedra(Volume3D& mask, const std::vector<Tetrahedron>& tetrahedra,
                    const Matrix16& shape, const VoxelSizes& sizes, DrawMode mode);

// Fills a tube, cube or tetrahedron of parameter p (other kinds do nothing).
void fillSolid(Volume3D& mask, ShapeKind kind, int32_t p, const Matrix16& shape,
               const VoxelSizes& sizes, DrawMode mode);

// Move (or copy) the VOI bit `sourceBit` by moveOffset(shape, sizes) voxels,
// writing with `mode`.
void shiftVoiByShape(Volume3D& mask, uint16_t sourceBit, DrawMode mode, bool move,
                     const Matrix16& shape, const VoxelSizes& sizes);

// One voxel face of the preview, in scene coordinates, counter-clockwise seen
// from outside the VOI, with its outward normal.
struct VoxelFace {
    std::array<Point3, 4> corners;
    Point3 normal;
};
// Every face between a voxel holding `bit` and one that does not (or lies
// outside the volume). Voxel centres sit at (i + 0.5) s - extent s / 2.
std::vector<VoxelFace> voiFacePreview(const Volume3D& mask, uint16_t bit, const VoxelSizes& sizes);
