#include "analysis/core/reports/selection_file.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <new>
#include <unordered_map>

#include "analysis/core/reports/report_classes.h"
#include "platform/files.h"
#include "platform/textformat.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";

// A name as one line of the file: whatever follows a line break or a NUL
// would break the file's structure, so it is dropped.
std::string lineText(std::string_view name) {
    return std::string(name.substr(0, name.find_first_of(std::string_view("\r\n\0", 3))));
}

// The column's class: its name, or its number when unnamed.
std::string classKey(const ReportDocument& document, int column) {
    std::string key = lineText(columnClassKey(document, column));
    return key.empty() ? std::to_string(column) : key;
}

// Position of name in list from `from` on, compared without regard to case; -1 when absent.
int indexOfText(const std::vector<std::string>& list, std::string_view name, size_t from = 0) {
    for (size_t i = from; i < list.size(); ++i)
        if (platform::equalsNoCase(list[i], name)) return static_cast<int>(i);
    return -1;
}

void appendUnique(std::vector<std::string>& list, const std::string& name) {
    if (indexOfText(list, name) < 0) list.push_back(name);
}

// The checked names held by every document, newest registry entry first.
std::vector<std::string> checkedFeatures() {
    std::vector<std::string> features;
    for (int i = featureNameCount() - 1; i >= 0; --i)
        if (featureNameStateAt(i) == kFeatureChecked) features.push_back(featureNameAt(i));
    return features;
}

void orderFeatures(std::vector<std::string>& features, const std::vector<std::string>& ranking,
                   SelectionOrder order) {
    switch (order) {
        case SelectionOrder::Ranking: {
            size_t front = 0;
            for (const std::string& ranked : ranking) {
                // Only unplaced entries are searched, so a ranked name that
                // repeats cannot pull an already placed feature back out.
                const int at = indexOfText(features, ranked, front);
                if (at < 0) continue;
                std::swap(features[static_cast<size_t>(at)], features[front]);
                ++front;
            }
            break;
        }
        case SelectionOrder::ReverseList:
            break;
        case SelectionOrder::Alphabetical:
            std::stable_sort(features.begin(), features.end(),
                             [](const std::string& a, const std::string& b) {
                                 return platform::lessNoCase(a, b);
                             });
            break;
    }
}

struct Sample {
    std::string classKey;
    std::vector<double> values;
};

// For each feature the document's record of that name (the later one when a
// document holds a name twice), nullptr when it holds none.
std::vector<const FeatureRecord*> recordsOf(const ReportDocument& document,
                                            const std::vector<std::string>& features) {
    std::unordered_map<std::string, const FeatureRecord*> byName;
    for (const FeatureRecord& record : document.records)
        byName[platform::lowerAscii(recordName(record))] = &record;
    std::vector<const FeatureRecord*> records;
    records.reserve(features.size());
    for (const std::string& feature : features) {
        auto found = byName.find(platform::lowerAscii(feature));
        records.push_back(found == byName.end() ? nullptr : found->second);
    }
    return records;
}

void appendLine(std::string& text, std::string_view line) {
    if (!text.empty()) text += kLineBreak;
    text += line;
}

}  // namespace

SelectionTime currentSelectionTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    SelectionTime time;
    if (localtime_r(&now, &local) == nullptr) return time;
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = local.tm_sec;
    return time;
}

std::string selectionLabelTime(const SelectionTime& time) {
    return platform::cformat("%04d-%d-%d %02d:%02d.%02d", time.year, time.month, time.day,
                             time.hour, time.minute, time.second);
}

std::string selectionFileNameFor(const SelectionTime& time) {
    return platform::cformat("%04d-%d-%d %02d_%02d_%02d.sel", time.year, time.month, time.day,
                             time.hour, time.minute, time.second);
}

SelectionFile encodeSelection(const ReportDocument* currentReport,
                              const std::vector<std::string>& rankingList, SelectionOrder order,
                              const std::optional<SelectionTime>& time) {
    SelectionFile file;
    if (currentReport == nullptr) return file;
    file.status = SelectionStatus::CannotCreate;

    file.features = checkedFeatures();
    orderFeatures(file.features, rankingList, order);
    if (order == SelectionOrder::ReverseList) file.orderNotice = kReverseOrderNotice;
    if (order == SelectionOrder::Alphabetical) file.orderNotice = kAlphabeticalOrderNotice;

    std::vector<std::string> classes;  // of every used column, kept or not
    std::vector<Sample> samples;
    for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d != nullptr;
         d = NextReportDocument(d, nullptr)) {
        const std::vector<const FeatureRecord*> records = recordsOf(*d, file.features);
        for (int column = 1; column <= kRoiCount; ++column) {
            const size_t k = static_cast<size_t>(column - 1);
            if (d->roiState[k] != kRoiUsed) continue;
            Sample sample{classKey(*d, column), {}};
            appendUnique(classes, sample.classKey);
            sample.values.reserve(records.size());
            bool complete = true;
            for (const FeatureRecord* record : records) {
                // r62 takes nothing but finite numbers.
                if (record == nullptr || !std::isfinite(record->values[k])) {
                    complete = false;
                    break;
                }
                sample.values.push_back(record->values[k]);
            }
            if (complete)
                samples.push_back(std::move(sample));
            else
                ++file.samplesLeftOut;
        }
    }
    // Categories come from the samples written: r62 refuses a category without samples.
    for (const Sample& sample : samples) appendUnique(file.categories, sample.classKey);
    file.categorySamples.assign(file.categories.size(), 0);
    for (const Sample& sample : samples)
        ++file.categorySamples[static_cast<size_t>(indexOfText(file.categories, sample.classKey))];
    for (const std::string& key : classes)
        if (indexOfText(file.categories, key) < 0) file.categoriesLeftOut.push_back(key);

    std::string& text = file.text;
    appendLine(text, "*label");
    appendLine(text,
               "converted data: " + selectionLabelTime(time ? *time : currentSelectionTime()));
    appendLine(text, "*features");
    for (size_t i = 0; i < file.features.size(); ++i)
        appendLine(text, platform::cformat("%d  %s", static_cast<int>(i + 1),
                                           lineText(file.features[i]).c_str()));
    appendLine(text, "*categories");
    for (size_t i = 0; i < file.categories.size(); ++i)
        appendLine(
            text, platform::cformat("%d  %s", static_cast<int>(i + 1), file.categories[i].c_str()));
    appendLine(text, "*data");
    for (const Sample& sample : samples) {
        std::string row =
            platform::cformat("%d", indexOfText(file.categories, sample.classKey) + 1);
        for (double value : sample.values) row += platform::cformat("  %.8g", value);
        appendLine(text, row);
    }
    appendLine(text, "*end");
    file.sampleCount = static_cast<int>(samples.size());
    return file;
}

SelectionStatus writeSelectionFile(const std::string& path, SelectionFile& file) {
    if (file.status == SelectionStatus::NoDocument) return file.status;
    bool written = false;
    try {
        written = !path.empty() && platform::writeWholeFileAtomically(path, file.text);
    } catch (const std::bad_alloc&) {
        written = false;
    }
    file.status = written ? SelectionStatus::Written : SelectionStatus::CannotCreate;
    return file.status;
}

SelectionFile SaveSelection(const std::string& path, const ReportDocument* currentReport,
                            const std::vector<std::string>& rankingList,
                            const std::optional<SelectionTime>& time, SelectionOrder order) {
    SelectionFile file;
    try {
        file = encodeSelection(currentReport, rankingList, order, time);
    } catch (const std::bad_alloc&) {
        file = SelectionFile{};
        file.status = SelectionStatus::CannotCreate;
        return file;
    }
    writeSelectionFile(path, file);
    return file;
}

std::string selectionLeftOutWarning(const SelectionFile& file) {
    std::string text;
    if (file.samplesLeftOut == 1)
        text =
            "1 sample was left out of the selection file:\r\n"
            "it has no value (NaN) for some of the selected features.";
    else if (file.samplesLeftOut > 1)
        text = std::to_string(file.samplesLeftOut) +
               " samples were left out of the selection file:\r\n"
               "they have no value (NaN) for some of the selected features.";
    if (!file.categoriesLeftOut.empty()) {
        text += text.empty() ? "" : "\r\n";
        text += "No sample is left of the class";
        text += file.categoriesLeftOut.size() == 1 ? " " : "es ";
        for (size_t i = 0; i < file.categoriesLeftOut.size(); ++i)
            text += (i == 0 ? "\"" : ", \"") + file.categoriesLeftOut[i] + "\"";
        text += ".";
    }
    return text;
}

std::string selectionWriteError(const std::string& path) {
    return "Cannot write the selection file \"" + path + "\".";
}

SelectionOrder selectionOrderForKeys(bool shift, bool ctrl) {
    if (shift) return SelectionOrder::ReverseList;
    if (ctrl) return SelectionOrder::Alphabetical;
    return SelectionOrder::Ranking;
}

R62HandOver r62HandOver(std::string_view programFolder, std::string_view temporaryFolder) {
    return {std::string(programFolder) + std::string(kR62ProgramName),
            std::string(temporaryFolder) + std::string(kHandOverFileName)};
}

std::string r62RefusalText(const SelectionFile& file) {
    std::string reasons;
    auto over = [&reasons](size_t count, int limit, const char* what) {
        if (count <= static_cast<size_t>(limit)) return;
        reasons += "\r\n" + std::to_string(count) + " " + what + ", r62 reads at most " +
                   std::to_string(limit) + ".";
    };
    over(file.features.size(), kR62MaxFeatures, "features are checked");
    over(file.categories.size(), kR62MaxCategories, "classes are used");
    over(static_cast<size_t>(std::max(file.sampleCount, 0)), kR62MaxSamples, "samples are used");
    std::string advice =
        reasons.empty() ? "" : " Uncheck features (or close reports) and try again.";
    for (size_t c = 0; c < file.categories.size() && c < file.categorySamples.size(); ++c)
        if (const int count = file.categorySamples[c]; count < kR62MinCategorySamples) {
            reasons += "\r\nThe class \"" + file.categories[c] + "\" has " + std::to_string(count) +
                       (count == 1 ? " sample" : " samples") + ", r62 needs at least " +
                       std::to_string(kR62MinCategorySamples) + " of each class.";
            advice = " Give each class more samples (or leave its ROIs out) and try again.";
        }
    if (reasons.empty()) return {};
    return "r62 would refuse this selection:" + reasons + "\r\nNothing was handed over." + advice;
}

std::string r62StartError(const R62HandOver& handOver) {
    if (handOver.path.empty()) return "Cannot start \"" + handOver.program + "\".";
    return "Cannot start \"" + handOver.program + "\" or open \"" + handOver.path +
           "\" with its program.";
}
