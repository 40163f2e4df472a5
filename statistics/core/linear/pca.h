// Principal component analysis of r62's working data, and the pieces its
// report shares with LDA: the projected data, the distance between projected
// samples and the printed matrix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/data/data_set.h"
#include "statistics/core/linear/linear_algebra.h"
#include "statistics/core/report/analysis_result.h"

// The samples projected by the last PCA, LDA or NDA: columns 1..n of rows
// 1..SampleCount. The process's matrix, allocated on first use.
SampleMatrix& r62ProjectedData();

// Sum over k = 1..m of (projected[i][k] - projected[j][k])^2, in column order.
double ProjectedSqDistance(const SampleMatrix& projected, int i, int j, int m);

// Leave-one-out 1-NN of every sample by ProjectedSqDistance over m columns,
// with the rule and results of LeaveOneOut1NN (lowest sample number among
// equal distances): the working data's fast kernel on the projected rows.
// Sets ClassResult and returns the number of misclassified samples.
int leaveOneOut1NNProjected(R62DataSet& data, const SampleMatrix& projected, int m);

// The title line, then per row r = 1..n the fields "  " + "%13.6e" of M[r][c].
std::vector<std::string> PrintMatrix(const Matrix30& M, std::string_view title, int n);

// The smallest number of leading components whose share of the total reaches
// 0.99, at most n. The total sums |values| when `absoluteTotal` is set.
int linearDimensionalityOf(const Vector30& sortedValues, int n, bool absoluteTotal);

// Per sample i: "%3d" of its category, then "  " + "%13.6e" of projected
// columns 1..m.
void appendProjectedSampleLines(const R62DataSet& data, const SampleMatrix& projected, int m,
                                std::vector<std::string>& lines);

// The plot of projected columns 1..3 with labels "<axis> 1" to "<axis> 3":
// a strip for m = 1, a 2-D plot with `tag` for m = 2, the 3-D plot otherwise.
void fillProjectedPlot(PlotInput& plot, const R62DataSet& data, const SampleMatrix& projected,
                       int m, const char* title, const char* axis, const char* tag);

// How a projection names its features in the report and the plot.
struct ProjectionNames {
    const char* heading;  // "> Most expressive features (MEF):"
    const char* acronym;  // "MEF": the 1-NN line and the axis labels
    const char* title;    // of the plot
    const char* tag;      // of a 2-D plot
};

// The common end of PCA and LDA: every sample of the working data projected
// on the n columns of `projection` into `projected`; then, over the first m
// columns, the Fisher line, the heading and the sample lines, the 1-NN
// classification (ClassResult) and its block, and the plot.
void reportProjection(R62DataSet& data, const Matrix30& projection, int n, int m,
                      SampleMatrix& projected, const ProjectionNames& names, AnalysisResult& report,
                      double& fisher, int& misclassified);

inline constexpr std::string_view kPcaNoFeaturesMessage =
    "Principal Component Analysis runtime error.\rNumber of selected features should be at "
    "least 2.\r[Use \"Options\" menu item to select features.]";

// The mean of each of the first n columns over samples 1..samples.
Vector30 featureMeans(const SampleMatrix& x, int samples, int n);

struct PcaReport : AnalysisResult {
    Vector30 eigenvalues{};  // descending, 1..n
    Matrix30 projection{};   // column k = component k, row = feature
    int linearDimensionality = 0;
    int16_t rotationCount = 0;
    double fisher = 0.0;
    int misclassified = 0;
};

// The core of "PCA": prepares the working data (standardised when
// `standardize` is non-zero) and leaves it centred, writes every sample's
// projection on all n components into `projected`, reports, and fills the
// plot of the first one to three components. Sets ClassResult.
PcaReport PrincipalComponentAnalysis(R62DataSet& data, SampleMatrix& projected, uint8_t standardize,
                                     std::string_view dateTime);

// The same on the process's projected data.
PcaReport runPrincipalComponentAnalysis(R62DataSet& data, uint8_t standardize,
                                        std::string_view dateTime);
