// 3D run-length: matrices of runs of equal requantised levels along lines of
// the VOI's box. Their features are the family's
// (analysis/core/texture/run_length_features.h), summed level by level.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/core/texture/run_length_features.h"
#include "volume/core/texture3d/voi_grid.h"

struct VolumeRunDirection {
    std::string_view prefix;
    int32_t x = 0, y = 0, z = 0;  // step in voxel coordinates
};

inline constexpr int kVolumeRunDirectionsBasic = 5;
inline constexpr int kVolumeRunDirectionsAll = 13;
inline constexpr std::array<VolumeRunDirection, kVolumeRunDirectionsAll> kVolumeRunDirections = {{
    {kRunLengthDirectionPrefixes[0], 1, 0, 0},
    {kRunLengthDirectionPrefixes[1], 0, 1, 0},
    {kRunLengthDirectionPrefixes[2], -1, 1, 0},
    {kRunLengthDirectionPrefixes[3], 1, 1, 0},
    {kRunLengthDirectionPrefixes[4], 0, 0, 1},
    {kRunLengthDirectionPrefixes[5], 1, 0, 1},
    {kRunLengthDirectionPrefixes[6], 0, 1, 1},
    {kRunLengthDirectionPrefixes[7], -1, 1, 1},
    {kRunLengthDirectionPrefixes[8], 1, 1, 1},
    {kRunLengthDirectionPrefixes[9], 1, 0, -1},
    {kRunLengthDirectionPrefixes[10], 0, 1, -1},
    {kRunLengthDirectionPrefixes[11], -1, 1, -1},
    {kRunLengthDirectionPrefixes[12], 1, 1, -1},
}};

// The matrix of one direction, G = 2^bits levels by L = maxRun lengths:
// every line of the step that crosses the box is walked once from where it
// enters the box; consecutive VOI voxels of one level form a run, ended by a
// voxel outside the VOI, a change of level or the box edge. Runs longer than
// L are counted at L. Stops early, returning false, when `cancel` is set.
bool volumeRunLengthMatrix(const VoiGrid& grid, const std::vector<uint16_t>& levels, int bits,
                           int32_t maxRun, const VolumeRunDirection& dir, RunLengthMatrix& matrix,
                           const std::atomic<bool>* cancel = nullptr);

// The features of the matrix, summed level by level (stored 3D reports hold
// the bits of that order); all zero when it holds no run.
inline std::array<double, kRunLengthFeatureCount> volumeRunLengthFeatures(
    const RunLengthMatrix& matrix) {
    return runLengthFeatures(matrix, RunLengthSummation::ByLevel);
}
