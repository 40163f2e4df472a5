#include "statistics/core/reports/analysis_result.h"

bool startAnalysis(R62DataSet& data, uint8_t standardize, AnalysisResult& report) {
    const PrepareResult prepared = PrepareWorkingData(data, standardize);
    if (prepared.prepared) return true;
    report.outcome = AnalysisOutcome::PreparationRefused;
    report.messages.push_back(prepared.message);
    return false;
}

bool startTwoFeatureAnalysis(R62DataSet& data, uint8_t standardize,
                             std::string_view noFeaturesMessage, AnalysisResult& report) {
    if (!startAnalysis(data, standardize, report)) return false;
    if (data.SelectedCount >= 2) return true;
    report.outcome = AnalysisOutcome::NoFeatures;
    report.messages.emplace_back(noFeaturesMessage);
    return false;
}
