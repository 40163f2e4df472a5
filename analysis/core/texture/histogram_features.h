// The histogram family: moments and percentiles of the raw samples of a
// region, levels counted from 1.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/grey_histogram.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"

inline constexpr int kHistogramRecordCount = 9;
inline constexpr std::array<std::string_view, kHistogramRecordCount> kHistogramFeatureNames = {
    "Mean",     "Variance", "Skewness", "Kurtosis", "Perc.01%",
    "Perc.10%", "Perc.50%", "Perc.90%", "Perc.99%"};

// Named indices into the result of histogramFeatures, in the order of the names.
enum HistogramFeature : int {
    kMean,
    kVariance,
    kSkewness,
    kKurtosis,
    kPerc01,
    kPerc10,
    kPerc50,
    kPerc90,
    kPerc99
};
// The features of the histogram h(i) of P samples (levels i counted from 1):
//   Mean     μ = Σ i h(i) / P
//   Variance σ² = Σ (i − μ)² h(i) / P
//   Skewness Σ (i − μ)³ h(i) / σ³ / P              (0 when σ² = 0)
//   Kurtosis Σ (i − μ)⁴ h(i) / σ⁴ / P − 3          (0 when σ² = 0)
//   Perc.x%  the first level i with Σ_{k ≤ i} h(k) ≥ x·P  (99 % and 90 % from P − 0.01·P, P −
//   0.1·P)
// The 9 features of a histogram in the order of kHistogramFeatureNames; all 0
// for an empty region. Skewness and kurtosis are 0 when the variance is.
std::array<double, kHistogramRecordCount> histogramFeatures(const GreyHistogram& histogram);

// The 9 histogram records for all 16 ROIs. Returns false, appending nothing,
// when memory runs out.
bool appendHistogramRecords(const TextureContext& context, const RoiStatisticsTable& statistics,
                            std::vector<FeatureRecord>& out);
