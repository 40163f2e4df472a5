// The gradient family: statistics of the central-difference gradient
// magnitude of the requantised levels over the interior pixels of a region
// (pixels whose four neighbours are in the region too).
#pragma once

#include <array>
#include <span>
#include <string_view>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"

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
// The 6 features in the order of kGradientFeatureNames: count, mean, variance,
// skewness, kurtosis, share of non-zero magnitudes. All 0 without magnitudes;
// skewness and kurtosis 0 when the variance is. When all magnitudes are equal
// the mean is that magnitude and the variance exactly 0, whatever the rounding
// of their sum.
std::array<double, kGradientRecordCount> gradientFeatures(std::span<const double> gradients);

// The 6 gradient records for all 16 ROIs (levels of Ng_gr bits, normalised by
// the ROI's limits when Do_normal is on; options are sanitized first). Returns
// false, appending nothing, when memory runs out.
bool appendGradientRecords(const TextureContext& context, const RoiStatisticsTable& statistics,
                           const AnalysisOptions& options, std::vector<FeatureRecord>& out);
