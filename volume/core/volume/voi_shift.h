// Moving or copying one VOI of a mask by an integer offset.
#pragma once

#include <cstdint>

#include "volume/core/volume/draw_mode.h"
#include "volume/core/volume/volume3d.h"

// For every voxel (x, y, z) holding sourceBit: when moving it first loses the
// bit; then voxel (x+dx, y+dy, z+dz) becomes mode.apply(value) (dropped
// outside the volume). The scan runs against the offset on each axis, so a
// source voxel is always read before anything is written over it.
void ShiftVoiBit(Volume3D& mask, uint16_t sourceBit, DrawMode mode, bool move, int32_t dx,
                 int32_t dy, int32_t dz);
