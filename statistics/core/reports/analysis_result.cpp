#include "statistics/core/reports/analysis_result.h"

bool startAnalysis(R62DataSet& data, uint8_t standardize, AnalysisResult& report) {
    const PrepareResult prepared = PrepareWorkingData(data, standardize);
    if (prepared.prepared) return true;
    report.outcome = AnalysisOutcome::PreparationRefused;
    report.messages.push_back(prepared.message);
    return false;
}

bool requireTwoFeatures(const R62DataSet& data, std::string_view message, AnalysisResult& report) {
    if (data.SelectedCount >= 2) return true;
    report.outcome = AnalysisOutcome::NoFeatures;
    report.messages.emplace_back(message);
    return false;
}
