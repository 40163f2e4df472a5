// Raw-data analysis: how well the selected features separate the categories
// (Fisher coefficient), and the leave-one-out 1-NN result in their space.
#pragma once

#include <cstdint>
#include <string_view>

#include "statistics/core/data/data_set.h"
#include "statistics/core/reports/analysis_result.h"

// Fisher coefficient over columns 1..d of X for samples 1..SampleCount with
// their Category: between-class over within-class scatter, 1e6 when the
// within-class scatter is negligible (W / B <= 1e-6).
double ClassStatistics(const R62DataSet& data, const SampleMatrix& X, int d);

inline constexpr std::string_view kRawDataNoFeaturesMessage =
    "Raw-data analysis runtime error.\rNumber of selected features should be at least 2.\r[Use "
    "\"Options\" menu item to select features.]";

struct RawDataAnalysisReport : AnalysisResult {
    double fisher = 0.0;
    int misclassified = 0;
};

// The core of "Raw Data": prepares the working data (standardised when
// `standardize` is non-zero), reports F and the 1-NN result, and fills the
// plot of the first two or three features. Sets ClassResult.
RawDataAnalysisReport runRawDataAnalysis(R62DataSet& data, uint8_t standardize,
                                         std::string_view dateTime);

// The "> Fisher coefficient, F = ..." line the analyses share.
std::string fisherLine(double fisher);
