// r62's neural-network classifiers: "ANN: n-class (training)" trains one
// network with an output per category, "ANN: one-class (training)" one with a
// single output that tells the selected category from all others. Both train
// the one-hidden-layer network by back-propagation and then by the numerical
// minimisation of its error, classify every sample with it, and report the
// run; the report ends with the trained weights, so the saved .cls file is
// also the stored classifier that "ANN classifier testing" reads back.
//
// The main window runs each core inside its analysis frame (data check,
// report flags cleared, status text; afterwards the ANN-training report flag)
// and shows the result as it shows the other analyses': Reported puts the
// lines into MemoOut, NoFeatures and PreparationRefused show the message and
// leave MemoOut as it was, Failed (an arithmetic or range fault during
// training) shows the message and puts the lines written so far into MemoOut.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/classifiers/neural_network.h"
#include "statistics/core/classifiers/stored_network.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/random_source.h"
#include "statistics/core/reports/analysis_result.h"

inline constexpr std::string_view kAnnNoFeaturesMessage =
    "ANN classifier runtime error.\rNumber of selected features should be at least 2.\r[Use "
    "\"Options\" menu item to select features.]";
inline constexpr std::string_view kAnnTooManyCategoriesMessage =
    "ANN classifier runtime error.\rNumber of categories can not be larger than 6.";

// The classifiers train at most this many categories.
inline constexpr int kAnnMaxCategories = 6;

struct AnnTrainingReport : AnalysisResult {
    StoredNetwork network;  // as trained (weights in report order)
    int misclassified = 0;
};

// The cores. Both prepare the working data standardised (the option
// StandardizeData is neither read nor changed), take the layer size, rate,
// iteration limits and selected category from `options`,
// and leave the trained weights in `net`. The n-class run writes ClassResult
// (0 where the network gives no single category); the one-vs-all run leaves
// it alone. `random` gives the initial weights and the training samples.
AnnTrainingReport AnnNClassTraining(R62DataSet& data, const R62Options& options, NeuralNetwork& net,
                                    std::string_view dateTime, RandomSource& random,
                                    const NetworkProgress& progress = {});
AnnTrainingReport AnnOneVsAllTraining(R62DataSet& data, const R62Options& options,
                                      NeuralNetwork& net, std::string_view dateTime,
                                      RandomSource& random, const NetworkProgress& progress = {});

// The same on the process's options, network and generator.
AnnTrainingReport runAnnNClassTraining(R62DataSet& data, std::string_view dateTime,
                                       const NetworkProgress& progress = {});
AnnTrainingReport runAnnOneVsAllTraining(R62DataSet& data, std::string_view dateTime,
                                         const NetworkProgress& progress = {});

// "> Missclassified f. vectors: k/N [or x.xx%]", shared with the network test.
std::string misclassifiedVectorsLine(int misclassified, int samples);

// An output above 0.5 says yes; exactly 0.5 rounds to 0.
inline bool outputSaysYes(double output) {
    return output > 0.5;
}

// The category of the one output above 0.5 among outputs 1..categories of
// the last forward pass, 0 when none or several are.
int16_t singleCategory(const NeuralNetwork& net, int categories);

// Runs the network of `kind` in `net` on every sample's working row (loaded
// into NetInput) and appends misclassifiedVectorsLine and a line per
// misclassified sample to `lines`; returns their number. One-vs-all: a sample
// is wrong when the output's yes or no disagrees with its being of
// `selectedCategory`, and ClassResult is left alone. Otherwise (n-class, NDA)
// ClassResult := singleCategory over the data's categories. Throws
// RangeCheckError without samples.
int classifySamples(NeuralNetwork& net, R62DataSet& data, StoredNetworkKind kind,
                    int selectedCategory, std::vector<std::string>& lines);
