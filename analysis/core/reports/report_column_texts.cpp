#include "analysis/core/reports/report_column_texts.h"

#include <charconv>
#include <cmath>

namespace {

// "%.5g" without the C library's locale: to_chars in general form with a
// precision prints exactly what printf does in the "C" locale.
size_t formatValue(double value, char* out, size_t size) {
    if (!std::isfinite(value)) {
        out[0] = 'N';
        out[1] = 'a';
        out[2] = 'N';
        return 3;
    }
    const std::to_chars_result r =
        std::to_chars(out, out + size, value, std::chars_format::general, 5);
    return r.ec == std::errc() ? static_cast<size_t>(r.ptr - out) : 0;
}

}  // namespace

std::string reportValueString(double value) {
    char text[32];
    return std::string(text, formatValue(value, text, sizeof text));
}

ReportColumnTexts widestReportTexts(const ReportDocument& document) {
    ReportColumnTexts widest;
    std::array<size_t, kRoiCount> longest{};
    for (const FeatureRecord& record : document.records) {
        const std::string_view name = recordName(record);
        if (name.size() > widest[0].size()) widest[0] = std::string(name);
        for (size_t k = 0; k < static_cast<size_t>(kRoiCount); ++k) {
            char text[32];
            const size_t length = formatValue(record.values[k], text, sizeof text);
            if (length > longest[k]) {
                longest[k] = length;
                widest[k + 1].assign(text, length);
            }
        }
    }
    return widest;
}
