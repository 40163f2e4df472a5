// Nonlinear discriminant analysis: a two-hidden-layer network trained to
// classify all categories, whose second hidden layer (two or three neurons)
// gives the nonlinear discriminant features. The report doubles as a stored
// network (".nda"), which the classifier test reads back.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "statistics/core/classifiers/neural_network.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/linear/projection.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/random_source.h"
#include "statistics/core/reports/analysis_result.h"
#include "statistics/core/reports/plot_geometry.h"

inline constexpr std::string_view kNdaReportTitle = " [nonlinear discriminant analysis]";
inline constexpr std::string_view kNdaNoFeaturesMessage =
    "Nonlinear Discriminant Analysis runtime error.\rNumber of selected features should be at "
    "least 2.\r[Use \"Options\" menu item to select features.]";

// What the network needs from the options.
struct NdaParameters {
    int16_t GLayer = 1;  // 1..16
    int16_t HLayer = 2;  // 2..3
    double eta = 0.15;
    int32_t bpIterLimit = 150000;
    int16_t optyIterLimit = 50;  // 1..1000
};
NdaParameters ndaParametersOf(const R62Options& options);

// The NDA features of samples 1..N, the second hidden layer's outputs of the
// NDA network in `net` for each working row, into columns 1..H of `projected`
// (every other entry 0); appends the line of their Fisher coefficient to the
// report's lines and sets its plot: the 2-D "ann" plot with each output's
// class boundary appended to `boundaries` for H = 2, the 3-D plot for H = 3.
// Returns the Fisher coefficient.
double reportNdaFeatures(NeuralNetwork& net, const R62DataSet& data, SampleMatrix& projected,
                         AnalysisResult& report, std::vector<BoundaryLine>& boundaries);

// The core of "NDA". Prepares the working data always standardised (the
// StandardizeData option is neither read nor changed), trains `net` from new
// random weights (back-propagation, then the weight minimisation), sets
// ClassResult, writes the NDA features to columns 1..H of `projected` (every
// other entry 0), and reports. The plot is the 2-D "ann" plot with the class
// boundaries for H = 2, the 3-D plot for H = 3. A range or overflow fault
// during the run ends it with outcome Failed, its text in messages and the
// lines written so far.
ProjectionReport NonlinearDiscriminantAnalysis(R62DataSet& data, NeuralNetwork& net,
                                               SampleMatrix& projected,
                                               const NdaParameters& parameters,
                                               std::string_view dateTime, RandomSource& random,
                                               const NetworkProgress& progress = {});

// The same on the process's network, projected data and generator, with the
// given options.
ProjectionReport runNonlinearDiscriminantAnalysis(R62DataSet& data, const R62Options& options,
                                                  std::string_view dateTime,
                                                  const NetworkProgress& progress = {});
