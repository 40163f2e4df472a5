// What PCA, LDA and NDA have in common once they know their features: the
// samples projected on them, the lines of the projected samples, the Fisher
// coefficient and the leave-one-out 1-NN in the projected space, the plot of
// the first one to three projected features, and the one report they all
// hand back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/data/data_set.h"
#include "statistics/core/linear/linear_algebra.h"
#include "statistics/core/reports/analysis_result.h"
#include "statistics/core/reports/plot_geometry.h"

// The samples projected by the last PCA, LDA or NDA: columns 1..n of rows
// 1..SampleCount. The process's matrix, allocated on first use.
SampleMatrix& r62ProjectedData();

// What a PCA, LDA or NDA run hands back.
struct ProjectionReport : AnalysisResult {
    // PCA and LDA: the eigenvalues, descending 1..n, and the projection whose
    // column k is component or discriminant direction k (row = feature; an
    // LDA direction has unit length).
    Vector30 eigenvalues{};
    Matrix30 projection{};
    int linearDimensionality = 0;  // PCA, LDA: the projected columns reported
    int16_t rotationCount = 0;     // PCA, LDA: of the eigen solver
    double fisher = 0.0;           // of the projected features
    int misclassified = 0;         // PCA, LDA: by 1-NN; NDA: by the network
    // NDA with two features: the class boundary of each output neuron
    // (w0 + w1 f1 + w2 f2 = 0, from NdaW3) for the "ann" plot, in output
    // order: line k is drawn in the colour of class k + 1. Empty otherwise.
    std::vector<BoundaryLine> boundaries;
    int weightCount = 0;  // NDA: of its network
};

// projected[i][k] = Σ_{f=1..n} x[i][f] · P[f][k], for i = 1..N, k = 1..n;
// every other entry 0. The samples are spread over the cores.
void projectSamples(const SampleMatrix& x, int samples, const Matrix30& projection, int n,
                    SampleMatrix& projected);

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

// The plot of projected columns 1..3 with labels `axisPrefix` + "1" to
// `axisPrefix` + "3": a strip for m = 1, a 2-D plot with `tag` for m = 2, the
// 3-D plot otherwise.
void fillProjectedPlot(PlotInput& plot, const R62DataSet& data, const SampleMatrix& projected,
                       int m, const char* title, std::string_view axisPrefix, const char* tag);

// How a linear projection names its features in the report and the plot.
struct ProjectionNames {
    const char* heading;  // "> Most expressive features (MEF):"
    const char* acronym;  // "MEF": the 1-NN line and the axis labels
    const char* title;    // of the plot
    const char* tag;      // of a 2-D plot
};

// The common end of PCA and LDA: every sample of the working data projected
// on the n columns of report.projection into `projected`; then, over the
// first m columns, the Fisher line, the heading and the sample lines, the
// 1-NN classification (ClassResult) and its block, and the plot.
void reportProjection(R62DataSet& data, int n, int m, SampleMatrix& projected,
                      const ProjectionNames& names, ProjectionReport& report);
