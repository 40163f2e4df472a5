// What r62's raw-data, PCA and LDA analyses hand back to the main window: the
// outcome, the messages to show, the report lines for MemoOut, and the input
// of the scatter-plot window.
#pragma once

#include <string>
#include <vector>

#include "statistics/core/checked_array.h"
#include "statistics/core/data/data_set.h"

enum class PlotKind {
    None,    // nothing to draw (the analysis did not report)
    Plot1D,  // a strip of PlotX
    Plot2D,  // PlotX against PlotY, with `tag`
    Plot3D,  // the box plot of PlotX, PlotY, PlotZ
};

// Samples 1..sampleCount are drawn, each as the class in Category.
struct PlotInput {
    CheckedArray<double, 1, kMaxSamples> PlotX;
    CheckedArray<double, 1, kMaxSamples> PlotY;
    CheckedArray<double, 1, kMaxSamples> PlotZ;
    std::string PlotTitle;
    std::string AxisLabel1;
    std::string AxisLabel2;
    std::string AxisLabel3;
    PlotKind kind = PlotKind::None;
    std::string tag;  // of a 2-D plot: "raw", "pca" or "lda"
    int sampleCount = 0;
};

enum class AnalysisOutcome {
    Reported,            // lines hold the report; show MemoOut and draw the plot
    PreparationRefused,  // messages[0] in a plain message box; MemoOut untouched
    NoFeatures,          // messages[0] in an error box (OK button); MemoOut untouched
    Failed,              // each message in an error box in turn; lines (header and title) go to
                         // MemoOut, which is shown; nothing is drawn
};

struct AnalysisResult {
    AnalysisOutcome outcome = AnalysisOutcome::Reported;
    std::vector<std::string> messages;
    std::vector<std::string> lines;  // the whole report, header first
    PlotInput plot;
};

// How every analysis starts: the working data are prepared; false, with the
// outcome and its message set, when the run must stop there.
bool startAnalysis(R62DataSet& data, uint8_t standardize, AnalysisResult& report);

// How the analyses that need two features start: as above, then false, with
// the outcome and `noFeaturesMessage` set, when fewer than two are selected.
bool startTwoFeatureAnalysis(R62DataSet& data, uint8_t standardize,
                             std::string_view noFeaturesMessage, AnalysisResult& report);
