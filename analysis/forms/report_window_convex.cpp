// The report window's convex-border search and 3D feature space: both take
// the samples of the open reports (any number of classes), the search runs
// on the worker behind the progress window and its result box comes on the
// GUI thread; accepting either checks exactly the chosen features and ranks
// them by weight.
#include <QPointer>
#include <climits>
#include <memory>

#include "analysis/core/runner/analysis_runner.h"
#include "analysis/forms/feature_space_window.h"
#include "analysis/forms/progress_window.h"
#include "analysis/forms/report_list_model.h"
#include "analysis/forms/report_window.h"
#include "platform/qt/dialog_owner.h"
#include "workspace/forms/vantu_windows.h"

namespace {
constexpr int32_t kConvexBorderMode = 120;
}

void TReport::registerConvexBorderJob() {
    QPointer<TReport> self(this);
    registerProgressJob(kConvexBorderMode, [self]() -> std::optional<ProgressJob> {
        if (!self || !self->convexSamples_) return std::nullopt;
        std::shared_ptr<const SelectionSamples> samples = self->convexSamples_;
        auto result = std::make_shared<ConvexBorderResult>();
        ProgressJob job;
        job.run = [samples, result](const ProgressSink& progress) {
            *result = FindConvexBorder(*samples, progress);
            return true;
        };
        // A cancelled search still reports what it found so far.
        job.finish = [self, result](bool) {
            if (self) self->convexResult_ = result;
        };
        return job;
    });
}

void TReport::Convexborder1Click() {
    if (currentDocument() == nullptr || _Progress == nullptr) return;
    auto samples = std::make_shared<SelectionSamples>();
    collectSelectionSamples(*samples, INT_MAX);
    convexSamples_ = samples;
    convexResult_.reset();
    AnalysisMode = kConvexBorderMode;
    platform::execOwnedBy(_Progress, this);
    convexSamples_.reset();
    if (!convexResult_) return;
    const std::shared_ptr<ConvexBorderResult> result = std::move(convexResult_);
    if (!(selectionBox &&
          selectionBox(std::string(kConvexResultTitle), convexBorderText(*result, *samples))))
        return;
    acceptWeights(*samples, convexBorderWeights(*result, *samples));
}

void TReport::Manual1Click() {
    if (currentDocument() == nullptr || _FFSpace == nullptr) return;
    SelectionSamples samples;
    collectSelectionSamples(samples, INT_MAX);
    std::vector<double> weights;
    if (_FFSpace->FeatureSpaceShow(samples, weights) != 0) return;
    acceptWeights(samples, weights);
}

void TReport::acceptWeights(const SelectionSamples& samples, const std::vector<double>& weights) {
    rankingList.clear();
    deselectAllFeatureNames();
    for (size_t f = 0; f < weights.size(); ++f)
        if (weights[f] > 0) selectFeatureName(samples.features[f].name, true);
    model_->checksChanged();
    showCurrentReport();
    for (int f : rankByWeight(weights))
        rankingList.push_back(samples.features[static_cast<size_t>(f)].name);
}
