#include "statistics/core/data/data_set.h"

#include <cmath>

#include "platform/textformat.h"

void R62DataSet::reset() {
    for (SampleRow& row : RawData) row.fill(0.0);
    for (SampleRow& row : FeatureData) row.fill(0.0);
    Category.fill(0);
    ClassResult.fill(0);
    FeatureMean.fill(0.0);
    FeatureVariance.fill(0.0);
    FeatureStd.fill(0.0);
    FeatureCount = 0;
    SelectedCount = 0;
    CategoryCount = 0;
    SampleCount = 0;
    FeatureName.fill(std::string());
    SelectedFeatureName.fill(std::string());
    SelectedFeatureIndex.fill(0);
    FeatureSelected.fill(0);
    CategoryName.fill(std::string());
    DataFileName.clear();
    NewConsistentData = 0;
}

void resetR62Data() {
    r62Data().reset();
}

FeatureStatistics computeFeatureStatistics(const R62DataSet& data, int feature) {
    const int n = data.SampleCount;
    checkRange(n, 0, kMaxSamples);
    FeatureStatistics stats;
    if (n < 1) return stats;
    double sum = 0.0;
    bool allEqual = true;
    const double first = data.RawData[1][feature];
    for (int i = 1; i <= n; ++i) {
        const double x = data.RawData[i][feature];
        sum += x;
        allEqual = allEqual && x == first;
    }
    stats.mean = sum / n;
    // A constant column has no spread. Testing it directly keeps the rounding
    // of sum / n from leaving a tiny non-zero deviation that would pass the
    // zero check and blow the column up on standardisation. With one sample
    // the divisor n - 1 would be zero.
    if (allEqual || n < 2) return stats;
    double squares = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double d = data.RawData[i][feature] - stats.mean;
        squares += d * d;
    }
    stats.variance = squares / (n - 1);
    stats.standardDeviation = std::sqrt(stats.variance);
    return stats;
}

PrepareResult PrepareWorkingData(R62DataSet& data, uint8_t standardize) {
    const int n = data.SampleCount;
    const int features = data.FeatureCount;
    checkRange(n, 0, kMaxSamples);
    checkRange(features, 0, kMaxFeatures);

    data.FeatureMean.fill(0.0);
    data.FeatureVariance.fill(0.0);
    data.FeatureStd.fill(0.0);
    for (int j = 1; j <= features; ++j) {
        const FeatureStatistics stats = computeFeatureStatistics(data, j);
        data.FeatureMean[j] = stats.mean;
        data.FeatureVariance[j] = stats.variance;
        data.FeatureStd[j] = stats.standardDeviation;
    }
    for (int j = 1; j <= features; ++j) {
        if (data.FeatureStd[j] == 0.0)
            return {false, platform::cformat("Standard deviation of feature #%d is zero!", j)};
    }

    data.FeatureData = data.RawData;
    data.NewConsistentData = 1;
    if (standardize != 0) {
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= features; ++j)
                data.FeatureData[i][j] =
                    (data.RawData[i][j] - data.FeatureMean[j]) / data.FeatureStd[j];
    }

    // Compaction in place: the target column never lies right of the source.
    int selected = 0;
    for (int j = 1; j <= features; ++j) {
        if (data.FeatureSelected[j] == 0) continue;
        ++selected;
        data.SelectedFeatureName[selected] = data.FeatureName[j];
        data.SelectedFeatureIndex[selected] = static_cast<int16_t>(j);
        for (int i = 1; i <= n; ++i) data.FeatureData[i][selected] = data.FeatureData[i][j];
    }
    data.SelectedCount = static_cast<int16_t>(selected);
    return {true, std::string()};
}

PrepareResult PrepareWorkingData(uint8_t standardize) {
    return PrepareWorkingData(r62Data(), standardize);
}
