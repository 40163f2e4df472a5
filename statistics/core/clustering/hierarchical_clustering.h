// Agglomerative hierarchical clustering of r62's samples: all pair distances
// under one metric, repeated merging of the two closest active clusters under
// single, complete or average linkage, the cophenetic correlation of the tree
// and the inconsistency coefficient of every link, and the cut of the tree
// into k clusters that the dendrogram window shows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/checked_array.h"
#include "statistics/core/clustering/distance_metrics.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/reports/analysis_result.h"

enum : uint8_t {
    kLinkageSingle = 0,
    kLinkageComplete = 1,
    kLinkageAverage = 2,
};

inline constexpr int kMaxLinks = kMaxSamples - 1;

inline constexpr std::string_view kAhcReportTitle = " [agglomerative hierarchical clustering]";
inline constexpr std::string_view kAhcResultsLine =
    "* Results [agglomerative hierarchical clustering]";
inline constexpr std::string_view kAhcWrongDataMessage =
    "Hierarchical Clustering Analysis runtime error.\r[Wrong data.]\rTry another distance "
    "measure.";

std::string_view linkageName(uint8_t linkage);

struct MergePair {
    int16_t a = 0;  // label at the lower position of the active matrix
    int16_t b = 0;
};

// The tree of the last run, read by the dendrogram window.
struct ClusterTree {
    int sampleCount = 0;  // N; links 1..N-1, link s creates cluster N + s
    CheckedArray<MergePair, 1, kMaxLinks> MergeList;
    CheckedArray<double, 1, kMaxLinks> LinkHeights;
    // Per link: mean of heights, their standard deviation, their count, the
    // inconsistency coefficient.
    CheckedArray<std::array<double, 4>, 1, kMaxLinks> InconsistencyTable;
    double copheneticCorrelation = 0.0;
    double maxInconsistency = 0.0;
    int16_t maxInconsistencyLink = 0;  // 0 when no coefficient is positive
};

// The process's tree, allocated on first use.
ClusterTree& r62ClusterTree();

// Builds the tree of samples 1..sampleCount (2..2000) of context.points.
// For the Mahalanobis metric the caller has filled context.inverseCovariance.
// Fills MergeList, LinkHeights, the inconsistency table, the maximal
// coefficient and the cophenetic correlation.
void buildClusterTree(const DistanceContext& context, int sampleCount, uint8_t linkage,
                      ClusterTree& tree);

// Pearson correlation of the pair distances with the tree's cophenetic
// heights; 0 when either has no spread (two samples, or all distances equal).
double CopheneticCorrelation(const ClusterTree& tree, const DistanceContext& context);

// Fills the inconsistency table (depth 2) and the maximal coefficient.
void InconsistencyCoefficients(ClusterTree& tree);

struct AhcReport : AnalysisResult {
    std::string analysisName;  // caption of the result windows
};

// The lines after the header: metric, linkage, correlation, maximal coefficient.
std::vector<std::string> clusteringResultLines(const ClusterTree& tree, uint8_t metric,
                                               uint8_t linkage);

// The clustering command on the working data: prepares it (standardised when
// `standardize` is non-zero), writes the header and the results into the
// report and fills `tree`. With the Mahalanobis metric the working data are
// left centred. A singular covariance fails with kAhcWrongDataMessage followed
// by why and what helps (withSingularScatterAdvice).
AhcReport HierarchicalClustering(R62DataSet& data, uint8_t metric, uint8_t linkage,
                                 uint8_t standardize, std::string_view dateTime, ClusterTree& tree);

// The last stage of similarity based clustering: the same on `points`
// (samples 1..sampleCount, features 1..n), with the standardised Euclidean
// variances taken from the points themselves. The header is the caller's;
// `lines` get the results only.
AhcReport clusterScmPoints(SampleMatrix& points, int sampleCount, int n, uint8_t metric,
                           uint8_t linkage, ClusterTree& tree);

// Cluster number 1..k of every sample when the tree is cut into k clusters
// (2 <= k <= N - 1); element 0 unused.
std::vector<int> DendrogramCutLabels(const ClusterTree& tree, int k);

// Inconsistency coefficient of link N - k + 1 over the maximal coefficient
// (0 when the maximum is 0).
double DendrogramCutLevel(const ClusterTree& tree, int k);
