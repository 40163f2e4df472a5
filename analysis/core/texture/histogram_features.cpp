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
