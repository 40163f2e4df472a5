#include "analysis/core/runner/analysis_runner.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/textformat.h"

int32_t AnalysisMode = 0;

std::string timeDocumentName(const std::tm& t) {
    return platform::cformat("%d-%d-%d %02d_%02d_%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                             t.tm_hour, t.tm_min, t.tm_sec);
}

std::string currentDocumentName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return timeDocumentName(local);
}

std::string uniqueDocumentName(const std::string& base, const std::vector<std::string>& taken) {
    auto used = [&](const std::string& name) {
        return std::find(taken.begin(), taken.end(), name) != taken.end();
    };
    std::string candidate = base;
    for (int n = 1; used(candidate) && n <= 9999; ++n)
        candidate = base + "(" + std::to_string(n) + ")";
    return candidate;
}

std::string imageTitle(const std::string& imageFileName, const std::string& featurePrefix) {
    std::string title = platform::fileNamePart(imageFileName);
    if (!featurePrefix.empty()) title += " (" + featurePrefix + "channel)";
    return title;
}

void applyFeaturePrefix(std::vector<FeatureRecord>& records, const std::string& prefix) {
    if (prefix.empty()) return;
    for (FeatureRecord& record : records) {
        std::string name(recordName(record));
        name = name.starts_with('_') ? "_" + prefix + name.substr(1) : prefix + name;
        setRecordName(record, name);
    }
}
