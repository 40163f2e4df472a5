// Report documents for the ranking tests: an "_Area" record that makes the
// given columns used, class names per column, and features with one value
// per column.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "analysis/core/reports/report_document.h"

struct TestFeature {
    std::string name;
    std::vector<double> values;  // value k for ROI column k + 1
};

// Columns 1..classes.size() are used (those in `excluded`, 0-based, are
// excluded by the user); class name "" leaves a column unnamed.
inline ReportDocument* addSelectionDocument(const std::vector<std::string>& classes,
                                            const std::vector<TestFeature>& features,
                                            const std::vector<int>& excluded = {}) {
    std::vector<FeatureRecord> records(1);
    setRecordName(records[0], "_Area");
    for (size_t k = 0; k < classes.size(); ++k) records[0].values[k] = 100;
    for (const TestFeature& feature : features) {
        FeatureRecord record;
        setRecordName(record, feature.name);
        for (size_t k = 0; k < feature.values.size() && k < kRoiCount; ++k)
            record.values[k] = feature.values[k];
        records.push_back(record);
    }
    ReportDocument* document =
        NewReportDocument(static_cast<int>(records.size()), records.data(), "Run\r\n", "run");
    for (size_t k = 0; k < classes.size(); ++k) document->roiName[k] = classes[k];
    for (int k : excluded) document->roiState[static_cast<size_t>(k)] = kRoiExcluded;
    return document;
}
