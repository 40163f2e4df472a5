#include "analysis/core/reports/selection_result.h"

#include <algorithm>

#include "platform/textformat.h"

namespace {

struct CriterionTexts {
    std::string_view title;
    std::string_view head;
    std::string_view progress;
};

const CriterionTexts& textsOf(SelectionCriterion criterion) {
    static const CriterionTexts kTexts[] = {
        {"Fisher coefficient", "Feature name:\tF:\r\n---------------------------\r\n",
         "Fisher selection"},
        {"POE+ACC", "Feature name:\tP:\r\n---------------------------\r\n", "POE+ACC selection"},
        {"Mutual Information", "Feature name:\tMI:\r\n---------------------------\r\n",
         "Mutual Information selection"},
        {"Single features", "Feature name:\tk-NN:\r\n---------------------------\r\n",
         "Singles selection"},
        {"Feature pairs",
         "Feature1 name:\tFeature2 name:\tk-NN:\r\n---------------------------\r\n",
         "Pairs selection"},
        {"Feature triples",
         "Feature1 name:\tFeature2 name:\tFeature3 name:\tk-NN:\r\n---------------------------\r\n",
         "Triplets selection"},
    };
    const int index = std::clamp(static_cast<int>(criterion), 1, 6) - 1;
    return kTexts[index];
}

const std::string& nameOf(const SelectionSamples& samples, int feature) {
    static const std::string kNone;
    if (feature < 0 || feature >= samples.featureCount()) return kNone;
    return samples.features[static_cast<size_t>(feature)].name;
}

void appendUnique(std::vector<std::string>& list, const std::string& name) {
    if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(name);
}

}  // namespace

std::string_view selectionTitle(SelectionCriterion criterion) {
    return textsOf(criterion).title;
}

std::string_view selectionHead(SelectionCriterion criterion) {
    return textsOf(criterion).head;
}

std::string_view selectionProgressText(SelectionCriterion criterion) {
    return textsOf(criterion).progress;
}

std::string selectionResultText(SelectionCriterion criterion, const SelectionResult& result,
                                const SelectionSamples& samples) {
    std::string text(selectionHead(criterion));
    for (const SelectionEntry& entry : result) {
        switch (criterion) {
            case SelectionCriterion::Fisher:
            case SelectionCriterion::PoeAcc:
            case SelectionCriterion::MutualInformation:
                // An infinite F prints as C's "inf".
                text += nameOf(samples, entry.first) + "\t" +
                        platform::cformat("%.4f", entry.value) + "\r\n";
                break;
            case SelectionCriterion::Singles:
                text += nameOf(samples, entry.first) + "\t" + std::to_string(entry.errors) + "\r\n";
                break;
            case SelectionCriterion::Pairs:
                text += nameOf(samples, entry.second) + "\t" + nameOf(samples, entry.first) + "\t" +
                        std::to_string(entry.errors) + "\r\n";
                break;
            case SelectionCriterion::Triples:
                text += nameOf(samples, entry.third) + "\t" + nameOf(samples, entry.second) + "\t" +
                        nameOf(samples, entry.first) + "\t" + std::to_string(entry.errors) + "\r\n";
                break;
        }
    }
    return text;
}

std::vector<std::string> selectionRankingNames(const SelectionResult& result,
                                               const SelectionSamples& samples) {
    std::vector<std::string> names;
    for (const SelectionEntry& entry : result)
        if (entry.first >= 0) appendUnique(names, nameOf(samples, entry.first));
    return names;
}

std::vector<std::string> selectionWinnerNames(const SelectionResult& result,
                                              const SelectionSamples& samples) {
    std::vector<std::string> names;
    for (const SelectionEntry& entry : result)
        for (int feature : {entry.first, entry.second, entry.third})
            if (feature >= 0) appendUnique(names, nameOf(samples, feature));
    return names;
}

void acceptSelectionResult(const SelectionResult& result, const SelectionSamples& samples) {
    deselectAllFeatureNames();
    for (const std::string& name : selectionWinnerNames(result, samples))
        selectFeatureName(name, true);
}

void NearestNeighbourTable::offer(const SelectionEntry& entry) {
    auto at = std::find_if(entries_.begin(), entries_.end(),
                           [&](const SelectionEntry& kept) { return kept.errors > entry.errors; });
    if (at == entries_.end() && static_cast<int>(entries_.size()) >= capacity_) return;
    entries_.insert(at, entry);
    if (static_cast<int>(entries_.size()) > capacity_) entries_.pop_back();
}

void NearestNeighbourTable::merge(const NearestNeighbourTable& later) {
    for (const SelectionEntry& entry : later.entries_) offer(entry);
}

SelectionResult rankBySingleValues(const std::vector<double>& value, int featureCount,
                                   SingleValueRanking rule) {
    std::vector<bool> picked(value.size(), false);
    SelectionResult result;
    const int picks = std::min(featureCount, kSelectionTableSize);
    for (int k = 0; k < picks; ++k) {
        int best = -1;
        for (size_t f = 0; f < value.size(); ++f) {
            const double v = value[f];
            if (picked[f] || v != v || (rule.nonNegativeOnly && v < 0.0)) continue;
            if (best < 0) {
                best = static_cast<int>(f);
                continue;
            }
            const double top = value[static_cast<size_t>(best)];
            if (v > top || (rule.laterWinsTie && v == top)) best = static_cast<int>(f);
        }
        if (best < 0) break;  // nothing left that can rank: the table ends here
        picked[static_cast<size_t>(best)] = true;
        SelectionEntry entry;
        entry.first = best;
        entry.value = value[static_cast<size_t>(best)];
        result.push_back(entry);
    }
    return result;
}
