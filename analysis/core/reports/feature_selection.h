// Ranking the checked features of the open report documents: one criterion
// at a time (what the report window's six commands and the macro command
// "FeatureSelection" run), and "MI+PA+F (30)", the union of the winners of
// three criteria. Nothing here shows a window: the results say what the
// caller shows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/core/reports/selection_result.h"
#include "analysis/core/reports/selection_samples.h"
#include "analysis/core/runner/progress.h"

// A finished run: the result table, the box's title and text, and the
// ranking list (each entry's first feature, in rank order).
struct FeatureSelectionOutcome {
    SelectionCriterion criterion = SelectionCriterion::Fisher;
    SelectionResult result;
    std::string title;
    std::string text;
    std::vector<std::string> ranking;
    std::vector<std::string> winners;  // every feature of every entry
};

// Runs the criterion on a sample set that collectSelectionSamples built (Ok).
// Safe on a worker thread: it reads only the set. nullopt when the progress
// sink's cancel flag turned true.
std::optional<FeatureSelectionOutcome> runFeatureSelection(SelectionCriterion criterion,
                                                           const SelectionSamples& samples,
                                                           const ProgressSink& progress);

// The report window's mode (101..106) of a criterion, and back (nullopt for
// any other mode).
int selectionMode(SelectionCriterion criterion);
std::optional<SelectionCriterion> selectionCriterionOfMode(int mode);

// "MI+PA+F (30)" on the current document: MI, POE+ACC and Fisher in turn,
// each on the features still checked, each unchecking its up to ten winners;
// then exactly the winners that were checked before are checked. A run that
// fails leaves every check mark as it was and the ranking list untouched.
struct MipafOutcome {
    bool ran = false;                  // false: nothing changed
    std::vector<std::string> ranking;  // the winners in the order found (when ran)
    std::string errorCaption;          // a box to show, error icon unless plainBox
    std::string errorText;
    bool plainBox = false;
};
MipafOutcome runMipaf(const ReportDocument* currentReport);

inline constexpr std::string_view kMipafMiErrorText =
    "Invalid data for Mutual Information analysis";
inline constexpr std::string_view kMipafMiErrorCaption = "MI Error";
inline constexpr std::string_view kMipafPoeErrorText = "Invalid data for POE+ACC analysis";
inline constexpr std::string_view kMipafPoeErrorCaption = "PA Error";
inline constexpr std::string_view kMipafFisherErrorText = "Invalid data for Fisher analysis";
inline constexpr std::string_view kMipafFisherErrorCaption = "F Error";
