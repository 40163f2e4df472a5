// POE+ACC: the probability of error of each feature (the share of samples
// lying inside another class's range) plus the average correlation with the
// features chosen before it, so that a good feature that only repeats an
// earlier one ranks low.
#pragma once

#include <vector>

#include "analysis/core/reports/selection_result.h"
#include "analysis/core/reports/selection_samples.h"

// POE of every feature, in feature order: overlapping samples / N. A class's
// range starts from [10,000,000, -10,000,000], so a class whose values all
// lie beyond those bounds keeps the bound: stored reports rank that way.
std::vector<double> probabilitiesOfError(const SelectionSamples& samples);

// The pooled within-class correlation ρ_fg of two features.
double pooledCorrelation(const SelectionSamples& samples, int f, int g);

// The best min(features, 10) features: first the smallest POE, then each
// pick j = 1, 2, ... the feature g minimising (POE_g + (1/j)·Σ_s |ρ_sg|) / 2
// over the picked s (the first among equals); finally ordered by ascending
// value, equal values keeping their order.
SelectionResult rankByPoeAcc(const SelectionSamples& samples);
