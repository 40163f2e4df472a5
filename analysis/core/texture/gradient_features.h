// The gradient family: statistics of the central-difference gradient
// magnitude of the requantised levels over the interior pixels of a region
// (pixels whose four neighbours are in the region too). One evaluator of the
// magnitudes serves the 2D engine, the maps and the 3D engine.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/central_moments.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"
#include "analysis/core/texture/texture_records.h"

inline constexpr int kGradientRecordCount = 6;
inline constexpr std::array<std::string_view, kGradientRecordCount> kGradientFeatureNames = {
    "_AreaGr", "GrMean", "GrVariance", "GrSkewness", "GrKurtosis", "GrNonZeros"};

// Appends to gradients the magnitude sqrt((q(x+1,y) - q(x-1,y))^2 +
// (q(x,y+1) - q(x,y-1))^2) of every pixel of rect (clipped to the image) that
// lies in the region together with its four neighbours, in raster order.
// Border rows and columns of rect have no gradient. gradients is cleared first.
void collectGradients(const TextureContext& context, const PixelRect& rect, int roi,
                      const LevelTable& levels, std::vector<double>& gradients);

// Named indices into the result of gradientFeatures, in the order of the names.
enum GradientFeature : int { kAreaGr, kGrMean, kGrVariance, kGrSkewness, kGrKurtosis, kGrNonZeros };
// The features of the K gradient magnitudes g of a region:
//   _AreaGr    K
//   GrMean     μ = Σ g / K
//   GrVariance σ² = Σ (g − μ)² / K
//   GrSkewness Σ (g − μ)³ / σ³ / K               (0 when σ² = 0)
//   GrKurtosis Σ (g − μ)⁴ / σ⁴ / K − 3           (0 when σ² = 0)
//   GrNonZeros #{g > 0} / K
// All 0 without magnitudes. The 3D engine's count record is "_VolumeGr".

// The 6 features in the order of kGradientFeatureNames from the magnitudes
// that forEach(visit) hands to visit(g) one by one, in the same order on
// every call. The rules are a template argument: the loops run over every
// pixel (or voxel) of a region.
template <MomentRules kRules, class ForEach>
std::array<double, kGradientRecordCount> gradientFeaturesOf(ForEach&& forEach) {
    std::array<double, kGradientRecordCount> f{};
    double count = 0, sum = 0, nonZero = 0, first = 0;
    bool allEqual = true;
    forEach([&](double g) {
        if (count == 0) first = g;
        count += 1;
        sum += g;
        nonZero += g > 0 ? 1 : 0;
        allEqual &= g == first;
    });
    if (count == 0) return f;
    f[kAreaGr] = count;
    f[kGrNonZeros] = nonZero / count;
    // Equal magnitudes have no spread. Summing an irrational magnitude such as
    // sqrt(136) moves the mean off it by rounding, and the moments of that
    // noise would be reported as a skewness of 1 and a kurtosis of -2.
    if (kRules.equalValuesHaveNoSpread && allEqual) {
        f[kGrMean] = first;
        return f;
    }
    const double mean = sum / count;
    double squares = 0, cubes = 0, fourths = 0;
    forEach([&](double g) {
        const double d = g - mean;
        squares += d * d;
        cubes += d * d * d;
        fourths += fourthPower(d, kRules.fourthPower);
    });
    const double variance = squares / count;
    f[kGrMean] = mean;
    f[kGrVariance] = variance;
    if (variance != 0) {
        const double sd = std::sqrt(variance);
        f[kGrSkewness] = cubes / (sd * sd * sd) / count;
        f[kGrKurtosis] = fourths / (variance * variance) / count - 3;
    }
    return f;
}

// The features of a list of magnitudes, by the 2D engine's rules.
inline std::array<double, kGradientRecordCount> gradientFeatures(
    std::span<const double> gradients) {
    return gradientFeaturesOf<kPlaneMomentRules>([&](auto visit) {
        for (double g : gradients) visit(g);
    });
}

class RoiLevels;

// The 6 features of ROI `roi` (0..15) with the run's levels of `bits` bits
// (Ng_gr); all 0 for an empty ROI. The unit of work of Analyse2D, which
// spreads ROIs over threads.
std::array<double, kGradientRecordCount> roiGradientFeatures(const TextureContext& context,
                                                             const RoiStatisticsTable& statistics,
                                                             const RoiLevels& levels, int32_t bits,
                                                             int roi);

// The 6 records from the values of every ROI, in their order.
void appendGradientRecordsOf(const std::array<RoiValues, kGradientRecordCount>& values,
                             std::vector<FeatureRecord>& out);
