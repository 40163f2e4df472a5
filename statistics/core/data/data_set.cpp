#include "statistics/core/data/data_set.h"

#include "platform/textformat.h"
#include "statistics/core/linear/column_statistics.h"

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

PrepareResult PrepareWorkingData(R62DataSet& data, uint8_t standardize) {
    const int n = data.SampleCount;
    const int features = data.FeatureCount;
    checkRange(n, 0, kMaxSamples);
    checkRange(features, 0, kMaxFeatures);

    data.FeatureMean.fill(0.0);
    data.FeatureVariance.fill(0.0);
    data.FeatureStd.fill(0.0);
    for (int j = 1; j <= features; ++j) {
        const ColumnStatistics stats = columnStatistics(data.RawData, n, j);
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
