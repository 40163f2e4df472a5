// Wavelet energies: a dyadic Haar decomposition of the image, repeated
// periodically to a square of side D = 2^k, and the mean energy of each band
// over the coefficients that a ROI reaches at each scale.
//
// The decomposition is kept in place in one D x D array, which is at the same
// time the picture of the "Wavelet" map: at each scale with band size n, HL
// holds the n x n square at column n, row 0, LH the one at column 0, row n,
// HH the one at column n, row n; the deepest LL stays at the top left.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/large_block.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/texture_context.h"

inline constexpr int kWaveletScales = 8;
inline constexpr int kWaveletRecordCount = 4 * kWaveletScales;
inline constexpr int32_t kWaveletLargestSize = 4096;
inline constexpr int32_t kWaveletSmallestBand = 16;

// The smallest of 16, 32, ..., 4096 that is >= max(width, height); 0 when a
// side is over 4096 (or the image is empty): no decomposition then.
int32_t waveletWorkingSize(int32_t width, int32_t height);

// Band size of scales 1..8 (entry s-1): D / 2^s, 0 when below 16 and for
// every scale after the first 0.
std::array<int32_t, kWaveletScales> waveletScaleSizes(int32_t workingSize);

// Number of non-zero scale sizes.
int waveletScaleCount(int32_t workingSize);

// "WavEnLL_s-1", "WavEnLH_s-1", "WavEnHL_s-1", "WavEnHH_s-1", "WavEnLL_s-2", ...
std::string waveletRecordName(int index);

// A D x D array of doubles, value (x, y) at x + y * D.
struct WaveletPyramid {
    int32_t size = 0;
    int scales = 0;  // scales decomposed
    LargeVector<double> values;

    double at(int32_t x, int32_t y) const {
        return values[static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x)];
    }
};

// The working image: value (x, y) = level (x mod width, y mod height) of
// `levels` (width x height). workingSize must be >= both sides.
WaveletPyramid waveletWorkingImage(const uint16_t* levels, int32_t width, int32_t height,
                                   int32_t workingSize);

// One Haar level on the m x m top-left square (h = m / 2):
//   L = (a + b) * 0.5, H = (a - b) * 0.5 along rows (a = column 2j, b = 2j+1),
//   then LL = (L_2k + L_2k+1) * 0.5, LH = (L_2k - L_2k+1) * 0.5,
//        HL = (H_2k + H_2k+1) * 0.5, HH = (H_2k - H_2k+1) * 0.5 along columns;
// LL lands at (0, 0), HL at (h, 0), LH at (0, h), HH at (h, h).
void haarLevel(WaveletPyramid& pyramid, int32_t m);

// Decomposes the working image while the scale sizes last.
void decomposeWavelet(WaveletPyramid& pyramid);

// The ROI masks of scales 1..8: mask 1 is the ROI map padded with 0 to D x D
// and OR-reduced over 2 x 2 blocks once, mask s+1 the OR-reduction of mask s.
// Entry s-1 has (D / 2^s)^2 words (empty for scales not decomposed).
std::vector<std::vector<uint16_t>> waveletMasks(const uint16_t* roiMap, int32_t width,
                                                int32_t height, int32_t workingSize);

// Energies of one ROI from its working image (not yet decomposed): entry
// 4 (s - 1) + band (LL, LH, HL, HH) = mean of the
// squared coefficients of the band whose mask bit `roi` (0..15) is set;
// +infinity when there are 3 or fewer such coefficients or the scale was not
// decomposed.
std::array<double, kWaveletRecordCount> waveletEnergies(
    WaveletPyramid working, const std::vector<std::vector<uint16_t>>& masks, int roi);

struct WaveletFeatures {
    // 32 records in the order of waveletRecordName.
    std::vector<FeatureRecord> records;
    // 4 U: the records at the end that no ROI fills. u(r) = number of scales
    // whose LL energy is +infinity or 0 for ROI r; U = the smallest u over the
    // ROIs with pixels (8 when none has pixels).
    int unfilled = kWaveletRecordCount;
    bool computed = false;  // false when the image has no working size
};

// The energies of every ROI with levels of Ng_wav bits; each ROI requantises
// with its own normalisation limits (Do_normal), and ROIs that map samples
// alike (always when Do_normal is 0) share one decomposition. A ROI without
// pixels gets 0 in every record. Returns computed = false (no records) for an
// image side over 4096. Checks `cancelled` between decompositions.
WaveletFeatures computeWaveletFeatures(const TextureContext& context,
                                       const AnalysisOptions& options,
                                       const std::atomic<bool>* cancel = nullptr);

// The "Wavelet" map: the decomposition of the whole image with the limits
// computed over every pixel (Do_normal; mode 3 takes ImageMin..ImageMax).
// size 0 for an image side over 4096.
WaveletPyramid computeWaveletMap(const TextureContext& context, const AnalysisOptions& options);

// The header line of a run with wavelet features or map asked for but an
// image side over 4096; empty otherwise.
std::string waveletRefusalNote(const TextureContext& context, const AnalysisOptions& options);
