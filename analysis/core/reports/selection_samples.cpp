#include "analysis/core/reports/selection_samples.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "analysis/core/reports/report_classes.h"
#include "platform/textformat.h"

namespace {

// One used column of one document.
struct Column {
    const ReportDocument* document;
    int column;  // 1..16
    int classIndex;
};

}  // namespace

SampleSetStatus buildSelectionSamples(const std::vector<const ReportDocument*>& documents,
                                      const std::vector<SelectionFeature>& checked,
                                      SelectionSamples& samples, int classLimit) {
    samples = SelectionSamples();
    if (documents.empty()) return SampleSetStatus::NoDocument;

    // Classes in first-appearance order, then sorted; equal names keep that order.
    std::vector<std::string> met;
    std::vector<Column> columns;
    for (const ReportDocument* document : documents)
        for (int column = 1; column <= static_cast<int>(kRoiCount); ++column) {
            if (document->roiState[static_cast<size_t>(column - 1)] != kRoiUsed) continue;
            const std::string key = columnClassKey(*document, column);
            auto found = std::find_if(met.begin(), met.end(), [&](const std::string& name) {
                return platform::equalsNoCase(name, key);
            });
            if (found == met.end()) {
                met.push_back(key);
                found = met.end() - 1;
            }
            columns.push_back({document, column, static_cast<int>(found - met.begin())});
        }
    if (static_cast<int>(met.size()) > classLimit) return SampleSetStatus::TooManyClasses;
    std::vector<int> order(met.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return platform::lessNoCase(met[a], met[b]); });
    std::vector<int> rank(met.size());
    for (size_t i = 0; i < order.size(); ++i) {
        rank[static_cast<size_t>(order[i])] = static_cast<int>(i);
        samples.classes.push_back(met[static_cast<size_t>(order[i])]);
    }
    for (Column& column : columns) column.classIndex = rank[static_cast<size_t>(column.classIndex)];
    // Grouped by class; stable, so document and column order hold within a class.
    std::stable_sort(columns.begin(), columns.end(),
                     [](const Column& a, const Column& b) { return a.classIndex < b.classIndex; });

    const int classes = static_cast<int>(samples.classes.size());
    samples.classSize.assign(static_cast<size_t>(classes), 0);
    for (const Column& column : columns)
        ++samples.classSize[static_cast<size_t>(column.classIndex)];
    samples.classOffset.assign(static_cast<size_t>(classes), 0);
    for (int c = 1; c < classes; ++c)
        samples.classOffset[static_cast<size_t>(c)] =
            samples.classOffset[static_cast<size_t>(c - 1)] +
            samples.classSize[static_cast<size_t>(c - 1)];
    for (const Column& column : columns) samples.sampleClass.push_back(column.classIndex);

    std::vector<SelectionFeature> features = checked;
    std::stable_sort(features.begin(), features.end(),
                     [](const SelectionFeature& a, const SelectionFeature& b) {
                         return platform::lessNoCase(a.name, b.name);
                     });
    // Each document's record of every name (the later one when a name is held twice).
    std::vector<std::unordered_map<std::string_view, const FeatureRecord*>> records(
        documents.size());
    for (size_t d = 0; d < documents.size(); ++d)
        for (const FeatureRecord& record : documents[d]->records)
            records[d][recordName(record)] = &record;
    auto documentIndex = [&](const ReportDocument* document) {
        return static_cast<size_t>(std::find(documents.begin(), documents.end(), document) -
                                   documents.begin());
    };
    std::vector<size_t> columnDocument;
    for (const Column& column : columns) columnDocument.push_back(documentIndex(column.document));

    const size_t n = columns.size();
    samples.values.reserve(features.size() * n);
    std::vector<double> row(n);
    for (const SelectionFeature& feature : features) {
        bool complete = true;
        for (size_t s = 0; s < n && complete; ++s) {
            const auto& byName = records[columnDocument[s]];
            auto found = byName.find(feature.name);
            if (found == byName.end()) {
                complete = false;
                break;
            }
            row[s] = found->second->values[static_cast<size_t>(columns[s].column - 1)];
            complete = std::isfinite(row[s]);
        }
        if (!complete) {
            samples.leftOut.push_back(feature.name);
            continue;
        }
        samples.features.push_back(feature);
        samples.values.insert(samples.values.end(), row.begin(), row.end());
    }

    if (checked.empty()) return SampleSetStatus::NoFeatures;
    if (classes < 2 || std::any_of(samples.classSize.begin(), samples.classSize.end(),
                                   [](int count) { return count < 2; }))
        return SampleSetStatus::TooFewSamples;
    if (samples.features.empty()) return SampleSetStatus::NoFeatures;
    return SampleSetStatus::Ok;
}

SampleSetStatus collectSelectionSamples(SelectionSamples& samples, int classLimit) {
    std::vector<const ReportDocument*> documents;
    for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d != nullptr;
         d = NextReportDocument(d, nullptr))
        documents.push_back(d);
    std::vector<SelectionFeature> checked;
    for (int i = 0; i < featureNameCount(); ++i)
        if (featureNameStateAt(i) == kFeatureChecked) checked.push_back({featureNameAt(i), i});
    return buildSelectionSamples(documents, checked, samples, classLimit);
}

SampleSetMessage sampleSetMessage(SampleSetStatus status) {
    switch (status) {
        case SampleSetStatus::TooManyClasses:
            return {std::string(kTooManyClassesCaption), std::string(kTooManyClassesText), true};
        case SampleSetStatus::NoFeatures:
            return {std::string(kSampleSetErrorCaption), std::string(kNoFeaturesText), false};
        case SampleSetStatus::TooFewSamples:
            return {std::string(kSampleSetErrorCaption), std::string(kTooFewSamplesText), false};
        case SampleSetStatus::Ok:
        case SampleSetStatus::NoDocument:
            break;
    }
    return {};
}
