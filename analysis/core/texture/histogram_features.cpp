#include "analysis/core/texture/histogram_features.h"

#include <new>

#include "analysis/core/texture/texture_records.h"

std::array<double, kHistogramRecordCount> histogramFeatures(const GreyHistogram& histogram,
                                                            MomentRules rules) {
    return histogramFeaturesOf(
        [&](auto visit) {
            for (int32_t i = histogram.first; i <= histogram.last; ++i)
                visit(i, static_cast<double>(histogram.bins[i]));
        },
        histogram.count, histogram.levels(), rules);
}

std::array<double, kHistogramRecordCount> roiHistogramFeatures(const TextureContext& context,
                                                               const RoiStatisticsTable& statistics,
                                                               int roi) {
    if (statistics[roi].count <= 0) return {};
    GreyHistogram histogram;
    buildGreyHistogram(context, statistics[roi].box(), roi, histogram);
    return histogramFeatures(histogram);
}

void appendHistogramRecordsOf(const std::array<RoiValues, kHistogramRecordCount>& values,
                              std::vector<FeatureRecord>& out) {
    for (int k = 0; k < kHistogramRecordCount; ++k)
        appendFeatureRecord(out, kHistogramFeatureNames[k], values[k]);
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
        appendHistogramRecordsOf(values, out);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
