// A data set for the clustering tests: one category, every feature selected,
// the rows as raw data and, as if prepared unstandardised, as working data.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "statistics/core/data/data_set.h"

inline std::unique_ptr<R62DataSet> unclassifiedData(const std::vector<std::vector<double>>& rows,
                                                    const std::string& fileName) {
    auto data = std::make_unique<R62DataSet>();
    data->SampleCount = static_cast<int16_t>(rows.size());
    data->SelectedCount = static_cast<int16_t>(rows[0].size());
    data->FeatureCount = data->SelectedCount;
    data->CategoryCount = 1;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int s = static_cast<int>(i) + 1;
        data->Category[s] = 1;
        data->RawData[s][0] = 1;
        for (size_t f = 0; f < rows[i].size(); ++f) {
            data->FeatureData[s][static_cast<int>(f) + 1] = rows[i][f];
            data->RawData[s][static_cast<int>(f) + 1] = rows[i][f];
        }
    }
    for (int f = 1; f <= data->FeatureCount; ++f) {
        data->FeatureName[f] = "f" + std::to_string(f);
        data->FeatureSelected[f] = 1;
    }
    data->DataFileName = fileName;
    return data;
}
