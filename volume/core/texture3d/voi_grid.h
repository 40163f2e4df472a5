// One VOI cut out of the volumes once per family: the grey samples of its
// box, which of them belong to the VOI, and their requantised levels. The
// inner loops of the 3D families walk these flat arrays instead of reading
// voxels one by one through the slices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "volume/core/volume/volume3d.h"

// A level of a voxel outside the VOI.
inline constexpr uint16_t kOutsideVoi = 0xFFFF;

// The grey-level window of one VOI; without normalisation the plain shift is used.
struct NormWindow {
    int32_t lo = 0;
    int32_t hi = 65535;
};

struct VoiGrid {
    VoiBox box;
    int32_t dx = 0, dy = 0, dz = 0;  // box extents
    int64_t members = 0;
    std::vector<uint16_t> grey;  // dx * dy * dz samples, x fastest, then y, then z
    std::vector<uint8_t> inVoi;  // 1 where the voxel belongs to the VOI

    size_t index(int32_t x, int32_t y, int32_t z) const {
        return (static_cast<size_t>(z) * static_cast<size_t>(dy) + static_cast<size_t>(y)) *
                   static_cast<size_t>(dx) +
               static_cast<size_t>(x);
    }
};

// The box of VOI `voi` (0..15) as the mask's last Volume3DRoiBounds left it.
// Membership is read strictly from the mask (a voxel outside a smaller slice
// is not in the VOI); grey values through the clamping read of the image.
VoiGrid buildVoiGrid(const Volume3D& image, const Volume3D& mask, int voi);

// Requantisation of a grey value v to `bits` bits.
//   plain:      q = v >> (16 - bits)
//   windowed:   v' = clamp(v, lo, hi) - lo;  q = mulDiv(v', 2^bits - 1, hi - lo)
//               (rounded to nearest), q = 0 when hi <= lo
uint16_t requantise(uint16_t v, int bits, const NormWindow* window);

// The level of every voxel of the grid, kOutsideVoi for those outside the VOI.
std::vector<uint16_t> gridLevels(const VoiGrid& grid, int bits, const NormWindow* window);
