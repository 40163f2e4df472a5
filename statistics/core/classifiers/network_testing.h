// "ANN classifier testing": applies a network stored in a saved .cls report
// (n-class or one-vs-all ANN classifier) or .nda report (NDA) to the loaded
// data set and reports how it classifies them (a .tst report).
//
// The main window's command: do nothing while a tool window is open; without
// NewConsistentData show kNoDataMessage and stop; clear the analysis and
// classification report flags (the clustering flags stay); ask for the file
// (kNetworkOpenFilter, kNetworkOpenTitle; cancel stops); call runNetworkTest
// with its path and show the result:
//   - statusText, when not empty, goes to the status bar first;
//   - clearMemoOut: MemoOut is emptied before any message is shown;
//   - Reported: lines into MemoOut (shown), the graph window for `plot` (NDA)
//     with `boundaries`, and the testing report flag is set;
//   - PreparationRefused: messages in plain message boxes;
//   - NoFeatures, Failed: messages in error boxes (OK button).
// No report flag is set unless the outcome is Reported.
//
// What the test changes, as the program always has: the feature selection
// becomes the network's, the working data hold the network's features in the
// network's input order standardised with the training means and deviations
// (which also replace FeatureMean and FeatureStd of those features until the
// next analysis recomputes them), SelectedCategory becomes the one-vs-all
// network's, and the network globals hold the stored network. A stop leaves
// what was changed up to it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/classifiers/neural_network.h"
#include "statistics/core/classifiers/stored_network.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/reports/analysis_result.h"
#include "statistics/core/reports/plot_geometry.h"

inline constexpr std::string_view kNetworkOpenFilter =
    "Classification & NDA report files (*.cls;*nda)|*.cls;*.nda";
inline constexpr std::string_view kNetworkOpenTitle =
    "Reading *.cls or *.nda file with ANN weights";

inline constexpr std::string_view kTestNoFeaturesMessage =
    "ANN classifier testing - runtime error.\rNumber of selected features should be at least "
    "2.\r[Use \"Options\" menu item to select features.]";
inline constexpr std::string_view kTestTooManyCategoriesMessage =
    "ANN classifier testing - runtime error.\rNumber of categories can not be larger than 6.";

// "Feature "<name>" is not represented in "<data file>" test-data file ..".
std::string featureNotRepresentedMessage(std::string_view feature, std::string_view dataFileName);

struct NetworkTestReport : AnalysisResult {
    std::string statusText;     // for the status bar; empty: leave it
    bool clearMemoOut = false;  // the test got as far as emptying MemoOut
    StoredNetwork network;      // as read
    // The training statistics read from the file, in the network's input
    // order (1..SelectedCount).
    PerFeature trainingMean{};
    PerFeature trainingStd{};
    int misclassified = 0;
    double fisher = 0.0;                   // NDA
    std::vector<BoundaryLine> boundaries;  // NDA with two features, as the NDA plot draws them
};

// The test on a report's text; weightFileName (the file's name without its
// folder) names it in the messages and tells its kind. `projected` receives
// the NDA features of an NDA test.
NetworkTestReport testStoredNetwork(R62DataSet& data, R62Options& options, NeuralNetwork& net,
                                    SampleMatrix& projected, std::string text,
                                    std::string_view weightFileName, std::string_view dateTime);

// Reads the file at `path` and tests it on the process's options, network
// and projected data. A file that cannot be read is a plain message.
NetworkTestReport runNetworkTest(R62DataSet& data, const std::string& path,
                                 std::string_view dateTime);
