#include "analysis/core/reports/feature_selection.h"

#include <algorithm>
#include <set>

#include "analysis/core/reports/fisher_criterion.h"
#include "analysis/core/reports/mutual_information_criterion.h"
#include "analysis/core/reports/nearest_neighbour_criterion.h"
#include "analysis/core/reports/poe_acc_criterion.h"

std::optional<FeatureSelectionOutcome> runFeatureSelection(SelectionCriterion criterion,
                                                           const SelectionSamples& samples,
                                                           const ProgressSink& progress) {
    FeatureSelectionOutcome outcome;
    outcome.criterion = criterion;
    switch (criterion) {
        case SelectionCriterion::Fisher:
            outcome.result = rankByFisher(samples);
            break;
        case SelectionCriterion::PoeAcc:
            outcome.result = rankByPoeAcc(samples);
            break;
        case SelectionCriterion::MutualInformation:
            outcome.result = rankByMutualInformation(samples);
            break;
        case SelectionCriterion::Singles:
            outcome.result = rankSingles(samples);
            break;
        case SelectionCriterion::Pairs:
        case SelectionCriterion::Triples: {
            std::optional<SelectionResult> result = criterion == SelectionCriterion::Pairs
                                                        ? rankPairs(samples, progress)
                                                        : rankTriples(samples, progress);
            if (!result) return std::nullopt;
            outcome.result = std::move(*result);
            break;
        }
    }
    if (progress.cancelled()) return std::nullopt;
    outcome.title = std::string(selectionTitle(criterion));
    outcome.text = selectionResultText(criterion, outcome.result, samples);
    outcome.ranking = selectionRankingNames(outcome.result, samples);
    outcome.winners = selectionWinnerNames(outcome.result, samples);
    return outcome;
}

int selectionMode(SelectionCriterion criterion) {
    return 100 + static_cast<int>(criterion);
}

std::optional<SelectionCriterion> selectionCriterionOfMode(int mode) {
    if (mode < 101 || mode > 106) return std::nullopt;
    return static_cast<SelectionCriterion>(mode - 100);
}

namespace {

// The check state of every registry name, to put back after a failed run.
std::vector<std::pair<std::string, bool>> registryChecks() {
    std::vector<std::pair<std::string, bool>> checks;
    for (int i = 0; i < featureNameCount(); ++i)
        checks.emplace_back(featureNameAt(i), featureNameUses(featureNameAt(i)) > 0);
    return checks;
}

void restoreChecks(const std::vector<std::pair<std::string, bool>>& checks) {
    for (const auto& [name, checked] : checks) selectFeatureName(name, checked);
}

}  // namespace

MipafOutcome runMipaf(const ReportDocument* currentReport) {
    MipafOutcome outcome;
    if (currentReport == nullptr) return outcome;
    std::set<std::string> checkedBefore;
    for (const FeatureRecord& record : currentReport->records)
        if (FeatureNameState(recordName(record)) == kFeatureChecked)
            checkedBefore.emplace(recordName(record));
    const auto checks = registryChecks();

    struct Step {
        SelectionCriterion criterion;
        std::string_view errorText;
        std::string_view errorCaption;
    };
    const Step steps[] = {
        {SelectionCriterion::MutualInformation, kMipafMiErrorText, kMipafMiErrorCaption},
        {SelectionCriterion::PoeAcc, kMipafPoeErrorText, kMipafPoeErrorCaption},
        {SelectionCriterion::Fisher, kMipafFisherErrorText, kMipafFisherErrorCaption},
    };
    std::vector<std::string> ranking;
    bool first = true;
    for (const Step& step : steps) {
        SelectionSamples samples;
        const SampleSetStatus status = collectSelectionSamples(samples);
        // The earlier criteria took every feature there was: nothing is left to rank.
        if (!first && status == SampleSetStatus::NoFeatures) break;
        if (status != SampleSetStatus::Ok) {
            restoreChecks(checks);
            if (status == SampleSetStatus::TooManyClasses) {
                outcome.errorCaption = std::string(step.errorCaption);
                outcome.errorText = std::string(step.errorText);
            } else if (status != SampleSetStatus::NoDocument) {
                const SampleSetMessage message = sampleSetMessage(status);
                outcome.errorCaption = message.caption;
                outcome.errorText = message.text;
                outcome.plainBox = !message.errorIcon;
            }
            return outcome;
        }
        first = false;
        std::optional<FeatureSelectionOutcome> run =
            runFeatureSelection(step.criterion, samples, ProgressSink());
        if (!run) break;
        for (const std::string& name : run->ranking) {
            if (std::find(ranking.begin(), ranking.end(), name) == ranking.end())
                ranking.push_back(name);
            selectFeatureName(name, false);
        }
    }
    // The winners are the names that were checked and are unchecked now.
    std::set<std::string> done;  // an aggregated document holds a name several times
    for (const FeatureRecord& record : currentReport->records) {
        const std::string_view name = recordName(record);
        if (!done.emplace(name).second) continue;
        const int state = FeatureNameState(name);
        const bool winner = state == kFeatureUnchecked && checkedBefore.count(std::string(name));
        if (winner)
            selectFeatureName(name, true);
        else if (state == kFeatureChecked)
            selectFeatureName(name, false);
    }
    outcome.ran = true;
    outcome.ranking = std::move(ranking);
    return outcome;
}
