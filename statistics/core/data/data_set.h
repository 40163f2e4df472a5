// r62's one data set: the samples of the loaded .sel file in fixed arrays
// (2000 samples, 30 features, 40 categories), the statistics of every
// feature, and the working matrix that every analysis starts from.
//
// Indices are 1-based as the program has always used them; column 0 of a row
// holds the category value. The arrays are allocated once and overwritten by
// each load; every subscript is range-checked (RangeCheckError).
#pragma once

#include <cstdint>
#include <string>

#include "statistics/core/checked_array.h"

inline constexpr int kMaxSamples = 2000;
inline constexpr int kMaxFeatures = 30;
inline constexpr int kMaxCategories = 40;

// One sample: [0] the category value, [1..30] the features by feature number.
using SampleRow = CheckedArray<double, 0, kMaxFeatures>;
using SampleMatrix = CheckedArray<SampleRow, 1, kMaxSamples>;
using PerFeature = CheckedArray<double, 1, kMaxFeatures>;
using PerSample16 = CheckedArray<int16_t, 1, kMaxSamples>;

struct R62DataSet {
    // The samples as read; entries of undeclared columns are 0.
    SampleMatrix RawData;
    // Working matrix: after `PrepareWorkingData`, columns 1..SelectedCount hold
    // the selected features in ascending feature number; other columns are stale.
    SampleMatrix FeatureData;
    PerSample16 Category;     // class 1..40 of each sample (rounded column 0)
    PerSample16 ClassResult;  // class given by the last classification, 0 for none
    // Per feature number, over all samples: mean, sample variance (divisor
    // N - 1) and standard deviation.
    PerFeature FeatureMean;
    PerFeature FeatureVariance;
    PerFeature FeatureStd;
    int16_t FeatureCount = 0;   // highest declared feature number
    int16_t SelectedCount = 0;  // selected features after preparation
    int16_t CategoryCount = 0;  // highest declared category number
    int16_t SampleCount = 0;    // N
    CheckedArray<std::string, 1, kMaxFeatures> FeatureName;
    CheckedArray<std::string, 1, kMaxFeatures> SelectedFeatureName;
    CheckedArray<int16_t, 1, kMaxFeatures> SelectedFeatureIndex;
    // The selection of the options window; a successful load selects every
    // declared feature.
    CheckedArray<uint8_t, 1, kMaxFeatures> FeatureSelected;
    CheckedArray<std::string, 0, kMaxCategories> CategoryName;  // [0] unused
    std::string DataFileName;                                   // loaded file without its folder
    uint8_t NewConsistentData = 0;  // set while the data may be analysed

    // Back to the empty state of program start, without reallocating.
    void reset();
};

// The process's data set, allocated on first use and kept for the whole run.
R62DataSet& r62Data();

// Empties the process's data set (tests; a fresh start).
void resetR62Data();

// The outcome of `PrepareWorkingData`: when it refuses, `message` is the text
// of the plain message box to show, and the working data were not touched.
struct PrepareResult {
    bool prepared = false;
    std::string message;
};

// Recomputes mean, variance and standard deviation of features
// 1..FeatureCount from RawData, then rebuilds FeatureData: a copy of RawData,
// standardised ((x - mean) / std) when `standardize` is non-zero, with the
// selected features (FeatureSelected) moved to columns 1..SelectedCount in
// ascending feature number. Sets NewConsistentData. Refuses, before touching
// FeatureData, when a feature's standard deviation is zero.
PrepareResult PrepareWorkingData(R62DataSet& data, uint8_t standardize);

// The same on the process's data set.
PrepareResult PrepareWorkingData(uint8_t standardize);
