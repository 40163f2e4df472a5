// The report window's feature ranking: the six criteria behind the progress
// window, the result box, "MI+PA+F (30)", and the same criteria run from a
// macro without the box.
#include <QPointer>
#include <memory>

#include "analysis/core/reports/feature_selection.h"
#include "analysis/core/runner/analysis_runner.h"
#include "analysis/forms/progress_window.h"
#include "analysis/forms/report_list_model.h"
#include "analysis/forms/report_window.h"
#include "analysis/forms/selection_box.h"
#include "platform/dialogs.h"
#include "platform/qt/dialog_owner.h"
#include "workspace/forms/vantu_windows.h"

namespace {

// A set-up failure, as the set-up reports it.
void showSampleSetFailure(SampleSetStatus status) {
    const SampleSetMessage message = sampleSetMessage(status);
    if (message.text.empty()) return;
    platform::showMessage(
        message.caption, message.text, platform::MessageButtons::Ok,
        message.errorIcon ? platform::MessageIcon::Error : platform::MessageIcon::None);
}

const SelectionCriterion kCriteria[] = {
    SelectionCriterion::Fisher,  SelectionCriterion::PoeAcc, SelectionCriterion::MutualInformation,
    SelectionCriterion::Singles, SelectionCriterion::Pairs,  SelectionCriterion::Triples,
};

}  // namespace

void TReport::registerRankingJobs() {
    if (!selectionBox)
        selectionBox = [this](const std::string& title, const std::string& text) {
            return showSelectionBox(this, title, text);
        };
    QPointer<TReport> self(this);
    for (SelectionCriterion criterion : kCriteria)
        registerProgressJob(
            selectionMode(criterion), [self, criterion]() -> std::optional<ProgressJob> {
                if (!self || !self->rankingSamples_) return std::nullopt;
                // The worker reads its own copy of the samples and writes only its result.
                std::shared_ptr<const SelectionSamples> samples = self->rankingSamples_;
                auto result = std::make_shared<std::optional<FeatureSelectionOutcome>>();
                ProgressJob job;
                job.run = [samples, criterion, result](const ProgressSink& progress) {
                    progress.range(100);
                    progress.report(std::string(selectionProgressText(criterion)));
                    *result = runFeatureSelection(criterion, *samples, progress);
                    return result->has_value();
                };
                job.finish = [self, result](bool completed) {
                    if (self && completed) self->rankingOutcome_ = std::move(*result);
                };
                return job;
            });
}

void TReport::runRankingCommand(SelectionCriterion criterion) {
    if (currentDocument() == nullptr || _Progress == nullptr) return;
    auto samples = std::make_shared<SelectionSamples>();
    const SampleSetStatus status = collectSelectionSamples(*samples);
    if (status != SampleSetStatus::Ok) {
        showSampleSetFailure(status);
        return;
    }
    rankingSamples_ = samples;
    rankingOutcome_.reset();
    AnalysisMode = selectionMode(criterion);
    platform::execOwnedBy(_Progress, this);
    rankingSamples_.reset();
    // Cancelled: no result, and every check mark stays as it was.
    if (!rankingOutcome_) return;
    const FeatureSelectionOutcome outcome = std::move(*rankingOutcome_);
    rankingOutcome_.reset();
    applyRankingOutcome(outcome, false);
}

void TReport::applyRankingOutcome(const FeatureSelectionOutcome& outcome, bool accept) {
    rankingList = outcome.ranking;
    if (!accept && !(selectionBox && selectionBox(outcome.title, outcome.text))) return;
    deselectAllFeatureNames();
    for (const std::string& name : outcome.winners) selectFeatureName(name, true);
    model_->checksChanged();
    showCurrentReport();
}

void TReport::ReportFeatureSelection(int method, bool accept) {
    if (currentDocument() == nullptr || method < 1 || method > 6) return;
    SelectionSamples samples;
    const SampleSetStatus status = collectSelectionSamples(samples);
    if (status != SampleSetStatus::Ok) {
        showSampleSetFailure(status);
        return;
    }
    const SelectionCriterion criterion = static_cast<SelectionCriterion>(method);
    std::optional<FeatureSelectionOutcome> outcome =
        runFeatureSelection(criterion, samples, ProgressSink());
    if (outcome) applyRankingOutcome(*outcome, accept);
}

void TReport::FishercriterionClick() {
    runRankingCommand(SelectionCriterion::Fisher);
}

void TReport::POECriterionClick() {
    runRankingCommand(SelectionCriterion::PoeAcc);
}

void TReport::Mutualinformation1Click() {
    runRankingCommand(SelectionCriterion::MutualInformation);
}

void TReport::Singles1Click() {
    runRankingCommand(SelectionCriterion::Singles);
}

void TReport::Pairs1Click() {
    runRankingCommand(SelectionCriterion::Pairs);
}

void TReport::Triplets1Click() {
    runRankingCommand(SelectionCriterion::Triples);
}

void TReport::MIPAF1Click() {
    const ReportDocument* document = currentDocument();
    if (document == nullptr) return;
    const MipafOutcome outcome = runMipaf(document);
    if (!outcome.errorText.empty())
        platform::showMessage(
            outcome.errorCaption, outcome.errorText, platform::MessageButtons::Ok,
            outcome.plainBox ? platform::MessageIcon::None : platform::MessageIcon::Error);
    if (!outcome.ran) return;
    rankingList = outcome.ranking;
    model_->checksChanged();
    showCurrentReport();
}
