// 3D run-length: matrices of runs of equal requantised levels along lines of
// the VOI's box, and the 5 features computed from each.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

#include "volume/core/texture3d/voi_grid.h"

inline constexpr int kVolumeRlmFeatures = 5;
inline constexpr std::array<std::string_view, kVolumeRlmFeatures> kVolumeRlmNames = {
    "RLNonUni", "GLevNonU", "LngREmph", "ShrtREmp", "Fraction"};

struct VolumeRunDirection {
    std::string_view prefix;
    int32_t x = 0, y = 0, z = 0;  // step in voxel coordinates
};

inline constexpr int kVolumeRunDirectionsBasic = 5;
inline constexpr int kVolumeRunDirectionsAll = 13;
inline constexpr std::array<VolumeRunDirection, kVolumeRunDirectionsAll> kVolumeRunDirections = {{
    {"Horzl_", 1, 0, 0},
    {"Vertl_", 0, 1, 0},
    {"45dgr_", -1, 1, 0},
    {"135dr_", 1, 1, 0},
    {"Z_", 0, 0, 1},
    {"FHorzl_", 1, 0, 1},
    {"FVertl_", 0, 1, 1},
    {"F45dgr_", -1, 1, 1},
    {"F135dr_", 1, 1, 1},
    {"BHorzl_", 1, 0, -1},
    {"BVertl_", 0, 1, -1},
    {"B45dgr_", -1, 1, -1},
    {"B135dr_", 1, 1, -1},
}};

// The G x L matrix (G = 2^bits rows of grey level, L columns of run length
// 1..L, at [g * L + l - 1]) of one direction: every line of the step that
// crosses the box is walked once from where it enters the box; consecutive
// VOI voxels of one level form a run, ended by a voxel outside the VOI, a
// change of level or the box edge. Runs longer than L are counted at L.
// Stops early, returning false, when `cancel` is set.
bool volumeRunLengthMatrix(const VoiGrid& grid, const std::vector<uint16_t>& levels, int bits,
                           int32_t maxRun, const VolumeRunDirection& dir,
                           std::vector<uint32_t>& matrix,
                           const std::atomic<bool>* cancel = nullptr);

// With S = sum R and l the run length:
//   RLNonUni = sum_l (sum_g R)^2 / S     GLevNonU = sum_g (sum_l R)^2 / S
//   LngREmph = sum l^2 R / S             ShrtREmp = sum R / l^2 / S
//   Fraction = S / sum l R
// All zero when S = 0.
std::array<double, kVolumeRlmFeatures> volumeRunLengthFeatures(const std::vector<uint32_t>& matrix,
                                                               int bits, int32_t maxRun);
