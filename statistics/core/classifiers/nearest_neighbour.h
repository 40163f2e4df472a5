// Leave-one-out nearest-neighbour (1-NN) classification of r62's samples and
// the report block of misclassified samples that the raw-data, PCA and LDA
// reports share with the "1_NN" command.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/data/data_set.h"
#include "statistics/core/simd.h"

// Squared Euclidean distance between samples i and j over the working columns
// 1..SelectedCount of FeatureData, summed in column order; 0 without columns.
double SampleSqDistance(const R62DataSet& data, int i, int j);

// --- squared distances two rows at a time (also k-means' kernel) -------------
//
// Rows regrouped in pairs, feature by feature, in the two-double lanes of
// simd.h: block b holds rows 2b and 2b + 1 (0-based). Each lane sums its own
// features in column order, so a lane holds exactly the scalar distance.
inline constexpr int kDistanceLanes = LaneTraits<Lanes2>::kWidth;
using LaneBlock = Lanes2[kMaxFeatures];

// Samples 1..count of the working columns 1..features into blocks
// 0..(count + 1) / 2 - 1; the lane past an odd count is 0.
void loadSampleLanes(const R62DataSet& data, int count, int features, LaneBlock* blocks);
// The same from rows 1..count of any sample matrix (projected data).
void loadSampleLanes(const SampleMatrix& rows, int count, int features, LaneBlock* blocks);

// Row `row` of the blocks, each feature in both lanes.
inline void broadcastLaneRow(const LaneBlock* blocks, int row, int features, Lanes2* sample) {
    for (int f = 0; f < features; ++f) {
        const double x = blocks[row / kDistanceLanes][f][row % kDistanceLanes];
        sample[f] = Lanes2{x, x};
    }
}

// Squared distances from the broadcast `sample` to the rows of each block in
// [first, last), into distances[first..last - 1]. Four blocks at a time keep
// four independent sums in flight, in registers.
inline void laneSqDistances(const LaneBlock* blocks, const Lanes2* sample, int features, int first,
                            int last, Lanes2* distances) {
    int b = first;
    for (; b + 3 < last; b += 4)
        sqDistancesToBlocks4(blocks[b], blocks[b + 1], blocks[b + 2], blocks[b + 3], sample,
                             features, distances + b);
    for (; b < last; ++b) distances[b] = sqDistancesToBlock(blocks[b], sample, features);
}

// For every sample i = 1..SampleCount, ClassResult[i] = the category of its
// nearest other sample under distance(i, j). The nearest is the strictly
// smallest distance, so among equal distances the lowest sample number wins
// and a NaN or infinite distance never wins. A sample without any neighbour
// (alone, or every distance NaN or infinite) gets class 0. Returns the number
// of misclassified samples, those counted.
template <class Distance>
int LeaveOneOut1NN(R62DataSet& data, Distance&& distance) {
    const int n = data.SampleCount;
    checkRange(n, 0, kMaxSamples);
    int misclassified = 0;
    for (int i = 1; i <= n; ++i) {
        double best = std::numeric_limits<double>::infinity();
        int nearest = 0;
        for (int j = 1; j <= n; ++j) {
            if (j == i) continue;
            const double d = distance(i, j);
            if (d < best) {
                best = d;
                nearest = j;
            }
        }
        data.ClassResult[i] = nearest == 0 ? int16_t{0} : data.Category[nearest];
        if (nearest == 0 || data.ClassResult[i] != data.Category[i]) ++misclassified;
    }
    return misclassified;
}

// LeaveOneOut1NN with SampleSqDistance, with the same results to the bit, in
// about an eighth of the time: each distance is computed once for both
// samples, several samples at a time.
int leaveOneOut1NNSampleDistance(R62DataSet& data);

// The same kernel on columns 1..features (0..30) of rows 1..SampleCount of
// `rows` (the working data, or projected data), each distance summed in
// column order; the parts of the work are spread over all cores with the
// same results on any number of threads.
int leaveOneOut1NNRows(R62DataSet& data, const SampleMatrix& rows, int features);

// "Missclassified data vectors: k/N [or x.xx%]", then one line
// "Sample No:%3d; Category: %2d; ClassResult: %2d" per misclassified sample
// in ascending order (ClassResult against Category).
std::vector<std::string> misclassificationBlock(const R62DataSet& data, int misclassified);

enum class NearestNeighbourOutcome {
    Reported,            // lines hold the report; show MemoOut
    PreparationRefused,  // message in a plain message box; MemoOut untouched
    NoFeatures,          // message in an error box (OK button); MemoOut untouched
};

struct NearestNeighbourReport {
    NearestNeighbourOutcome outcome = NearestNeighbourOutcome::Reported;
    std::string message;
    std::vector<std::string> lines;  // the whole report, header first
    int misclassified = 0;
};

inline constexpr std::string_view kKnnNoFeaturesMessage =
    "k-NN classifier runtime error.\rNumber of selected features should be at least 1.\r[Use "
    "\"Options\" menu item to select features.]";

// The core of the "1_NN" command: prepares the working data (standardised
// when `standardize` is non-zero), classifies every sample by its nearest
// other sample and reports the misclassified ones. dateTime goes into the
// report header.
NearestNeighbourReport NearestNeighbourClassification(R62DataSet& data, uint8_t standardize,
                                                      std::string_view dateTime);
