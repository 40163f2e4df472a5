// The first-order 3D families of one VOI: its normalisation window, the
// grey-level histogram features and the gradient features, each through the
// 2D engine's evaluator of its family with the 3D engine's moment rules.
#pragma once

#include <array>
#include <cstdint>

#include "analysis/core/texture/gradient_features.h"
#include "analysis/core/texture/histogram_features.h"
#include "volume/core/texture3d/voi_grid.h"

// 0 none, 1 mean +/- 3 sigma, 2 the 1 % and 99 % limits.
inline constexpr int32_t kNormNone = 0;
inline constexpr int32_t kNormThreeSigma = 1;
inline constexpr int32_t kNormPercent = 2;

// The window of the VOI's 16-bit samples: the limits of normalisationLimits
// (analysis/core/texture/normalisation.h) for modes 1 (3 sigma) and 2
// (1 percent); any other mode keeps lo = 0, hi = 65535.
NormWindow volumeNormalisation(const VoiGrid& grid, int32_t mode);

inline constexpr int kVolumeHistogramFeatures = kHistogramRecordCount;
// "Mean3D" .. "Perc.99%3D": histogramFeatures of the samples shifted to `bits` bits.
std::array<double, kVolumeHistogramFeatures> volumeHistogramFeatures(const VoiGrid& grid, int bits);

inline constexpr int kVolumeGradientFeatures = kGradientRecordCount;
// "_VolumeGr" .. "GrNonZeros": gradientFeatures of the magnitudes
// sqrt(gx^2 + gy^2 + gz^2) of the central differences of the levels
// (kOutsideVoi outside the VOI) at voxels whose six face neighbours are in
// the VOI; every value is kMissingValue when the work list cannot be allocated.
std::array<double, kVolumeGradientFeatures> volumeGradientFeatures(
    const VoiGrid& grid, const std::vector<uint16_t>& levels);
