#include "analysis/core/reports/report_selection.h"

#include <unordered_set>

int setFeatureChecked(std::string_view name, bool checked) {
    const int state = FeatureNameState(name);
    if (state == (checked ? kFeatureUnchecked : kFeatureChecked)) selectFeatureName(name, checked);
    return FeatureNameState(name);
}

int toggleFeatureCheck(std::string_view name) {
    const int state = FeatureNameState(name);
    if (state == kFeatureUnchecked || state == kFeatureChecked)
        selectFeatureName(name, state == kFeatureUnchecked);
    return FeatureNameState(name);
}

void invertFeatureChecks(const ReportDocument& document) {
    std::unordered_set<std::string_view> done;
    for (const FeatureRecord& record : document.records) {
        const std::string_view name = recordName(record);
        if (done.insert(name).second) toggleFeatureCheck(name);
    }
}
