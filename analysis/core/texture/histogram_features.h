// The histogram family: moments and percentiles of the samples of a region,
// levels counted from 1. One evaluator serves the 2D engine, the maps and the
// 3D engine.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/central_moments.h"
#include "analysis/core/texture/grey_histogram.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"
#include "analysis/core/texture/texture_records.h"

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
// All 0 for an empty region. A percentile whose count is never reached (the
// region holds samples past the bins) is the number of bins + 1.
// The 3D engine's records carry the suffix "3D" ("Mean3D" ...).

// The 9 features in the order of kHistogramFeatureNames from the occupied
// levels: forEachLevel(visit) calls visit(level, count) for levels 0..levels-1
// in ascending order (empty ones may be among them); p is the number of
// samples.
template <class ForEachLevel>
std::array<double, kHistogramRecordCount> histogramFeaturesOf(ForEachLevel&& forEachLevel,
                                                              int64_t p, int32_t levels,
                                                              MomentRules rules = {}) {
    std::array<double, kHistogramRecordCount> f{};
    if (p <= 0) return f;
    const double n = static_cast<double>(p);
    // The level sum, and the percentiles: each search goes on from where the
    // previous one stopped.
    const double thresholds[] = {0.01 * n, 0.1 * n, 0.5 * n, n - 0.1 * n, n - 0.01 * n};
    int found = 0;
    uint64_t cumulative = 0;
    double sum = 0;
    forEachLevel([&](int32_t i, double count) {
        sum += (i + 1.0) * count;
        cumulative += static_cast<uint64_t>(count);
        while (found < 5 && static_cast<double>(cumulative) >= thresholds[found])
            f[kPerc01 + found++] = i + 1.0;
    });
    while (found < 5) f[kPerc01 + found++] = levels + 1.0;
    const double mean = sum / n;
    double squares = 0;
    forEachLevel([&](int32_t i, double count) {
        const double d = i + 1.0 - mean;
        squares += d * d * count;
    });
    const double variance = squares / n;
    f[kMean] = mean;
    f[kVariance] = variance;
    if (variance != 0) {
        double cubes = 0, fourths = 0;
        forEachLevel([&](int32_t i, double count) {
            const double d = i + 1.0 - mean;
            cubes += d * d * d * count;
            fourths += fourthPower(d, rules.fourthPower) * count;
        });
        f[kSkewness] = cubes / std::sqrt(variance * variance * variance) / n;
        f[kKurtosis] = fourths / (variance * variance) / n - 3;
    }
    return f;
}

// The 9 features of a histogram (its bins first..last).
std::array<double, kHistogramRecordCount> histogramFeatures(const GreyHistogram& histogram,
                                                            MomentRules rules = {});

// The 9 features of ROI `roi` (0..15) from its own histogram: the unit of
// work of Analyse2D, which spreads ROIs over threads; throws std::bad_alloc
// when memory runs out.
std::array<double, kHistogramRecordCount> roiHistogramFeatures(const TextureContext& context,
                                                               const RoiStatisticsTable& statistics,
                                                               int roi);

// The 9 records from the values of every ROI, in their order.
void appendHistogramRecordsOf(const std::array<RoiValues, kHistogramRecordCount>& values,
                              std::vector<FeatureRecord>& out);
