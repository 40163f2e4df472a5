// k-means clustering of r62's working data: a batch phase (assign every
// sample to its nearest centroid, move every centroid to its members' mean)
// followed by a sample-by-sample improvement phase, from several random
// starts, keeping the start with the smallest total of squared distances;
// then the silhouette of every sample and the report.
//
// All distances are squared Euclidean over the working columns
// 1..SelectedCount of FeatureData. The fast loops below produce the same
// values to the bit as CentroidSqDistance and SampleSqDistance: every sum runs
// over the features in column order and over the members in sample order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/checked_array.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/random_source.h"
#include "statistics/core/reports/analysis_result.h"

inline constexpr int kMaxClusters = 40;
inline constexpr int kKMeansRestarts = 5;
inline constexpr int kKMeansIterationLimit = 5000;
// The totals start here, above any real total.
inline constexpr double kKMeansNoTotal = 1e100;

inline constexpr std::string_view kKMeansReportTitle = " [k-means clustering]";
inline constexpr std::string_view kKMeansResultsLine = "* Results [k-means clustering]";
inline constexpr std::string_view kKMeansAnalysisName = "Silhouette Plot";
// The start draw needs K distinct samples among 1..N - 1, and the arrays hold
// at most 40 clusters.
inline constexpr std::string_view kKMeansTooManyClustersMessage =
    "K-means Clustering runtime error.\r[Too many clusters.]\rThe number of clusters must be "
    "smaller than the number of samples.";
inline constexpr std::string_view kKMeansClusterRangeMessage =
    "K-means Clustering runtime error.\r[Wrong number of clusters.]\rSet 2 to 40 clusters in "
    "the options.";

using ClusterLabels = CheckedArray<int16_t, 1, kMaxSamples>;
using ClusterCentroids = CheckedArray<CheckedArray<double, 1, kMaxFeatures>, 1, kMaxClusters>;
using ClusterStarts = CheckedArray<int16_t, 1, kMaxClusters>;
using SilhouetteArray = CheckedArray<double, 1, kMaxSamples>;

// Squared distance from centroid `cluster` to sample `sample` over the
// working columns, summed in column order.
double CentroidSqDistance(const R62DataSet& data, const ClusterCentroids& centroids, int cluster,
                          int sample);
// SampleSqDistance(data, i, j) of nearest_neighbour.h is the distance between
// two samples.

// Called after every batch iteration and every improvement pass, with the
// restart (1..5) and the iteration counter, so that a window can repaint
// during a long run. It must not touch the data set.
using KMeansProgress = std::function<void(int restart, int iteration)>;

// The distinct start indices of one restart: starts[1..clusterCount], each
// the generator's draw below N - 1, plus 1 (sample N is never a start), drawn
// again while it repeats an earlier one. Needs 1 <= clusterCount <= N - 1.
void drawKMeansStarts(RandomSource& random, int sampleCount, int clusterCount,
                      ClusterStarts& starts);

// One restart from given start samples.
struct KMeansRun {
    ClusterLabels labels;  // 1..clusterCount for samples 1..N
    ClusterCentroids centroids;
    CheckedArray<double, 1, kMaxClusters> partialSums;  // members' distances per cluster
    double total = kKMeansNoTotal;
    int iterations = 0;
    // Where the batch phase alone ended.
    double batchTotal = kKMeansNoTotal;
    int batchIterations = 0;
};

// The batch and improvement phases on the working data from centroid c :=
// sample starts[c]. `restart` is only passed on to `progress`.
//
// A cluster that loses all its members in the batch phase keeps its centroid.
// The improvement phase never moves the only member out of its cluster (its
// mean would be 0/0; the move could not lower the total anyway).
void runKMeansFromStarts(const R62DataSet& data, int clusterCount, const ClusterStarts& starts,
                         KMeansRun& run, int iterationLimit = kKMeansIterationLimit,
                         const KMeansProgress& progress = {}, int restart = 1);

// The silhouette of samples 1..N under `labels` (1..clusterCount), with
// squared distances. 0 where it is undefined: a sample alone in its cluster,
// no other non-empty cluster, or a = b = 0. Empty clusters are skipped.
void kMeansSilhouettes(const R62DataSet& data, int clusterCount, const ClusterLabels& labels,
                       SilhouetteArray& values);

struct KMeansReport : AnalysisResult {
    std::string analysisName;  // caption of the silhouette window
    int clusterCount = 0;
    int sampleCount = 0;
    int featureCount = 0;
    int iterationLimit = kKMeansIterationLimit;
    double bestTotal = kKMeansNoTotal;
    int bestIterations = 0;
    ClusterLabels labels;  // also in the data set's ClassResult
    ClusterCentroids centroids;
    SilhouetteArray SilhouetteValues;
};

// The report lines after "* Results [k-means clustering]", from the kept
// result and its silhouettes.
std::vector<std::string> kMeansResultLines(const KMeansReport& report);

// The k-means command on the working data (prepared, standardised when
// `standardize` is non-zero): `clusterCount` clusters from kKMeansRestarts
// random starts of r62Random(), reseeded before each. Fills ClassResult with
// the kept labels. A cluster count outside 2..40 or not below the number of
// samples fails with an error message after the header. `iterationLimit` is
// kKMeansIterationLimit except in tests.
KMeansReport KMeansClustering(R62DataSet& data, int clusterCount, uint8_t standardize,
                              std::string_view dateTime, const KMeansProgress& progress = {},
                              int iterationLimit = kKMeansIterationLimit);
