// The first-order 3D families of one VOI: its normalisation window, the
// grey-level histogram features and the gradient features.
#pragma once

#include <array>
#include <cstdint>

#include "volume/core/texture3d/voi_grid.h"

// 0 none, 1 mean +/- 3 sigma, 2 the 1 % and 99 % limits.
inline constexpr int32_t kNormNone = 0;
inline constexpr int32_t kNormThreeSigma = 1;
inline constexpr int32_t kNormPercent = 2;

// The window of the VOI's 16-bit samples (bins counted from 1):
//   m = sum (k + 1) h[k] / n,   s2 = sum (k + 1 - m)^2 h[k] / n
//   3 sigma:   lo = trunc(m - 3 sqrt(s2)),  hi = trunc(m + 3 sqrt(s2))
//   1 percent: t = 0.01 n;  l = first bin with C[l] >= t;
//              g = first bin from l on with C[g] >= n - t;  lo = l + 1, hi = g
//   other:     lo = 0, hi = 65535
NormWindow volumeNormalisation(const VoiGrid& grid, int32_t mode);

inline constexpr int kVolumeHistogramFeatures = 9;
// "Mean3D" .. "Perc.99%3D" of the samples shifted to `bits` bits.
std::array<double, kVolumeHistogramFeatures> volumeHistogramFeatures(const VoiGrid& grid, int bits);

inline constexpr int kVolumeGradientFeatures = 6;
// "_VolumeGr" .. "GrNonZeros" over the levels (kOutsideVoi outside the VOI);
// every value is kMissingValue when the work list cannot be allocated.
std::array<double, kVolumeGradientFeatures> volumeGradientFeatures(
    const VoiGrid& grid, const std::vector<uint16_t>& levels);
