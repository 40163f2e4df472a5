#include "statistics/core/reports/report_header.h"

#include "platform/textformat.h"

std::vector<std::string> reportHeaderLines(const R62DataSet& data, std::string_view title,
                                           uint8_t standardize, std::string_view dateTime) {
    std::vector<std::string> lines;
    lines.push_back("* r62 report file" + std::string(title) + " <" + std::string(dateTime) + ">");
    lines.push_back("* Data file name: \"" + data.DataFileName + "\"");
    const int selected = data.SelectedCount;
    lines.push_back(
        platform::cformat("* Selected features [%d out of %d]", selected, data.FeatureCount));
    for (int k = 1; k <= selected; ++k) {
        const int f = data.SelectedFeatureIndex[k];
        lines.push_back(data.SelectedFeatureName[k] + platform::cformat(" [#%d/#%d]", k, f) +
                        "; p.mean=" + platform::formatExponent(data.FeatureMean[f], 13, 6) +
                        ", p.std=" + platform::formatExponent(data.FeatureStd[f], 13, 6));
    }
    lines.push_back(standardize != 0 ? "Feature vector standardized: YES"
                                     : "Feature vector standardized: NO");
    return lines;
}

std::vector<std::string> reportOpeningLines(const R62DataSet& data, std::string_view title,
                                            uint8_t standardize, std::string_view dateTime,
                                            std::string_view resultsLine) {
    std::vector<std::string> lines = reportHeaderLines(data, title, standardize, dateTime);
    lines.emplace_back();
    lines.emplace_back(resultsLine);
    return lines;
}

std::vector<std::string> testReportHeaderLines(const R62DataSet& data, std::string_view title,
                                               uint8_t standardize, std::string_view dateTime) {
    return reportHeaderLines(data, title, standardize, dateTime);
}

std::string reportDateTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[128];
    const size_t length = std::strftime(text, sizeof text, "%x %X", &local);
    return std::string(text, length);
}
