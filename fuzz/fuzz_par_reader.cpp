// Report files come from anywhere. Any bytes must decode without a crash, and
// whatever decodes must survive a save and a load: the same header, class
// names and record names, values rounded to what the file keeps, and then the
// very same bytes when written again.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "analysis/core/reports/report_file.h"

namespace {

// Small enough that a file of empty-looking lines cannot exhaust memory.
constexpr size_t kFuzzMaxRecords = 4096;

double eightDigits(double value) {
    char text[64];
    auto printed = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 8);
    double back = 0;
    std::from_chars(text, printed.ptr, back);
    return back;
}

void checkDecoded(const ParFile& file) {
    if (file.records.size() > kFuzzMaxRecords) std::abort();
    for (const std::string& name : file.classNames)
        if (name.size() > kMaxRoiNameLength ||
            name.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string::npos)
            std::abort();
    if (file.header.find('\0') != std::string::npos) std::abort();
    for (const FeatureRecord& record : file.records) {
        std::string_view name = recordName(record);
        if (name.empty() || name.size() > kMaxFeatureNameLength) std::abort();
        if (name.find_first_of(" \t\r\n") != std::string_view::npos) std::abort();
        for (double value : record.values)
            if (std::isnan(value) || value == -INFINITY) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ParReadResult first = decodeParFile(text, kFuzzMaxRecords);
    if (first.status != ParFileStatus::Ok) {
        if (first.message.empty() || !first.file.records.empty() || !first.file.header.empty())
            std::abort();
        return 0;
    }
    if (!first.message.empty()) std::abort();
    checkDecoded(first.file);

    const std::string written = encodeParFile(first.file);
    ParReadResult second = decodeParFile(written, kFuzzMaxRecords);
    if (second.status != ParFileStatus::Ok) std::abort();
    const ParFile& a = first.file;
    const ParFile& b = second.file;
    if (a.header != b.header || a.classNames != b.classNames) std::abort();
    if (a.records.size() != b.records.size()) std::abort();
    for (size_t r = 0; r < a.records.size(); ++r) {
        if (recordName(a.records[r]) != recordName(b.records[r])) std::abort();
        for (size_t k = 0; k < kRoiCount; ++k) {
            const double before = a.records[r].values[k];
            const double after = b.records[r].values[k];
            if (std::isinf(before) ? after != before : after != eightDigits(before)) std::abort();
        }
    }
    if (encodeParFile(b) != written) std::abort();
    return 0;
}
