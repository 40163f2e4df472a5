#include "analysis/core/texture/histogram_features.h"

#include <cmath>
#include <new>

#include "analysis/core/texture/texture_records.h"

std::array<double, kHistogramRecordCount> histogramFeatures(const GreyHistogram& histogram) {
    std::array<double, kHistogramRecordCount> f{};
    if (histogram.count <= 0) return f;
    const double p = static_cast<double>(histogram.count);
    const GreyMoments m = greyMoments(histogram);
    f[kMean] = m.mean;
    f[kVariance] = m.variance;
    if (m.variance != 0) {
        double cubes = 0, fourths = 0;
        for (int32_t i = histogram.first; i <= histogram.last; ++i) {
            const double d = i + 1.0 - m.mean;
            const double d2 = d * d;
            cubes += d2 * d * histogram.bins[i];
            fourths += d2 * d2 * histogram.bins[i];
        }
        f[kSkewness] = cubes / std::sqrt(m.variance * m.variance * m.variance) / p;
        f[kKurtosis] = fourths / (m.variance * m.variance) / p - 3;
    }
    CumulativeSearch search(histogram);
    const double thresholds[] = {0.01 * p, 0.1 * p, 0.5 * p, p - 0.1 * p, p - 0.01 * p};
    for (int k = 0; k < 5; ++k) f[kPerc01 + k] = search.next(thresholds[k]) + 1.0;
    return f;
}

bool appendHistogramRecords(const TextureContext& context, const RoiStatisticsTable& statistics,
                            std::vector<FeatureRecord>& out) {
    try {
        out.reserve(out.size() + kHistogramRecordCount);
        const auto histograms = buildRoiHistograms(context, statistics);
        std::array<RoiValues, kHistogramRecordCount> values{};
        for (int r = 0; r < kRoiCount; ++r) {
            const auto f = histogramFeatures(histograms[r]);
            for (int k = 0; k < kHistogramRecordCount; ++k) values[k][r] = f[k];
        }
        for (int k = 0; k < kHistogramRecordCount; ++k)
            appendFeatureRecord(out, kHistogramFeatureNames[k], values[k]);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
