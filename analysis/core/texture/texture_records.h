// How the texture families hand over results: one record per feature, holding
// the value of every ROI, appended in the family's fixed order.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "workspace/core/roi/roi_set.h"

using RoiValues = std::array<double, kRoiCount>;

inline void appendFeatureRecord(std::vector<FeatureRecord>& out, std::string_view name,
                                const RoiValues& values) {
    FeatureRecord record;
    setRecordName(record, name);
    record.values = values;
    out.push_back(record);
}
