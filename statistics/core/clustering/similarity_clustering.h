// Similarity based clustering of r62's samples: every sample is moved, pass
// by pass, to the similarity-weighted mean of all samples until no sample
// moves more than a fixed tolerance, so that the samples of one dense group
// collapse onto a common point; the moved points are then clustered by the
// agglomerative hierarchical clustering with the chosen metric and linkage.
//
// The similarity of a point z to sample x_i is exp(-|z - x_i|^2 / beta) to the
// power gamma. beta is the sum of the population variances of the selected
// features; gamma is the smallest exponent of the sequence 1, 5, 10, 15, ...
// whose total similarities correlate with those of the next exponent at 0.97
// or more.
//
// All storage (the moved points, the condensed squared distances, the packed
// copies the passes run on) is allocated once for the whole process, so one
// run at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/clustering/hierarchical_clustering.h"
#include "statistics/core/data/data_set.h"

inline constexpr std::string_view kScmReportTitle = " [similarity based clustering method]";
inline constexpr std::string_view kScmResultsLine =
    "* Results [similarity based clustering method]";

inline constexpr double kScmCorrelationThreshold = 0.97;
inline constexpr double kScmMoveTolerance = 0.03;
inline constexpr double kScmFirstGamma = 1.0;
inline constexpr double kScmGammaStep = 5.0;
inline constexpr double kScmFirstMoveBound = 1e100;

// Guards against runs that never settle. Data that settle within them give
// the same result as without any bound.
inline constexpr int kScmMaxPasses = 10000;
inline constexpr double kScmMaxGamma = 1000.0;

struct ScmLimits {
    int maxPasses = kScmMaxPasses;
    double maxGamma = kScmMaxGamma;  // no exponent above it is tried
};

enum class ScmGammaEnd {
    NotRun,
    Correlated,  // a pair of exponents reached the correlation threshold
    NoSpread,    // every sample has the same total similarity at both exponents
    Vanished,    // the similarities of the next exponent are all zero (or not finite)
    Capped,      // the next exponent would exceed maxGamma
    BadScale,    // beta is not a finite positive number: no similarity can be formed
};

enum class ScmShiftEnd {
    NotRun,
    Settled,     // the largest move of a pass was at most the tolerance
    Capped,      // maxPasses passes were made without settling
    Degenerate,  // a sample's weights summed to 0 or to no finite number
};

// What one run of the method reads and what it finds out on the way.
struct ScmContext {
    // Prepared working data: FeatureData rows 1..SampleCount, features
    // 1..SelectedCount, and FeatureVariance behind SelectedFeatureIndex.
    const R62DataSet* data = nullptr;
    ScmLimits limits;
    // Called on the calling thread after every pass of the shift, with the
    // number of passes made so far.
    std::function<void(int pass)> onPass;

    // EstimateScmGamma
    double beta = 0.0;
    double gamma = 0.0;
    int gammaComparisons = 0;  // pairs of successive exponents compared
    double correlation = 0.0;  // of the last pair compared; NaN when undefined
    ScmGammaEnd gammaEnd = ScmGammaEnd::NotRun;

    // ShiftScmPoints
    int passCount = 0;
    double largestMove = 0.0;  // of the last pass made
    int stuckSample = 0;       // Degenerate: the first sample whose weights failed
    ScmShiftEnd shiftEnd = ScmShiftEnd::NotRun;

    bool capHit() const {
        return gammaEnd == ScmGammaEnd::Capped || shiftEnd == ScmShiftEnd::Capped;
    }
};

// The moved samples of the last run: rows 1..N, features 1..n.
SampleMatrix& ScmPoints();

// Euclidean distance of samples i and j of the working data over the selected
// features, whatever the metric option.
double ScmPairDistance(const R62DataSet& data, int i, int j);

// Fills the condensed vector of squared pair distances of the working data,
// E(i, j) = ScmPairDistance(i, j)^2 for i < j.
void computeScmSquaredDistances(const R62DataSet& data);

// E(i, j) of the last computeScmSquaredDistances, read at the pair (min, max);
// 0 for i == j.
double scmSquaredDistance(int i, int j, int sampleCount);

// Sets beta, gamma and the gamma fields of the context from its data and the
// squared distances (computeScmSquaredDistances first).
void EstimateScmGamma(ScmContext& context);

// Moves every sample with the context's beta and gamma until the largest move
// of a pass is at most kScmMoveTolerance (or a guard stops it); the result is
// in ScmPoints(). A run that stops on a degenerate pass keeps the positions of
// the last complete pass.
void ShiftScmPoints(ScmContext& context);

// Report lines that say which guard stopped the run; none when it settled.
std::vector<std::string> scmNoteLines(const ScmContext& context);

// The message of the error box when beta cannot be formed.
inline constexpr std::string_view kScmWrongDataMessage =
    "Similarity Based Clustering runtime error.\r[Wrong data.]\rThe spread of the selected "
    "features is not a finite positive number.";

// The command: prepares the working data (standardised when `standardize` is
// non-zero), writes the header and "* Results [similarity based clustering
// method]", shifts the samples and clusters ScmPoints() with `metric` and
// `linkage` into `tree`. Notes of guards that stopped the run follow the
// results line. A metric the shifted points cannot support (singular
// covariance for Mahalanobis, a feature without variance for the
// standardised Euclidean metric) fails with kAhcWrongDataMessage, keeping the
// lines written so far. `onPass` is called after every pass of the shift.
AhcReport SimilarityBasedClustering(R62DataSet& data, uint8_t metric, uint8_t linkage,
                                    uint8_t standardize, std::string_view dateTime,
                                    ClusterTree& tree, std::function<void(int pass)> onPass = {},
                                    const ScmLimits& limits = {});
