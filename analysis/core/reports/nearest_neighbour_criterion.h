// Leave-one-out nearest-neighbour error counts of single features, feature
// pairs and feature triples: each sample is classified by its nearest other
// sample under the squared Euclidean distance over the set, and the count is
// the number of samples whose nearest neighbour belongs to another class.
//
// Distances are held in single precision: for singles and pairs the sum of
// squared differences is formed in double and rounded to float; for triples
// the values themselves are first rounded to float and the distance is formed
// in float, ((d₁² + d₂²) + d₃²). The nearest neighbour is the first sample,
// in class order and then sample order, with the smallest distance; a sample
// is never its own neighbour (however large the distances grow).
//
// Pairs and triples run on all cores with fixed partitions: the table is the
// one the plain lexicographic loop gives (same sets, counts and order).
#pragma once

#include <optional>

#include "analysis/core/reports/selection_result.h"
#include "analysis/core/reports/selection_samples.h"
#include "analysis/core/runner/progress.h"

// The error count of one set of 1, 2 or 3 features (indices into the set),
// computed directly. The ranking routines give the same counts, faster.
int nearestNeighbourErrors(const SelectionSamples& samples, const int* features, int size);

// Every feature in order; the best min(features, 10) by ascending count.
SelectionResult rankSingles(const SelectionSamples& samples);

// Every pair f < g, resp. triple f < g < h, in lexicographic order; the best
// min(features, 10) sets. Progress: a range of 128 steps, one step every
// F(F−1)/256 pairs resp. F(F−1)(F−2)/768 triples (every set when that is 0).
// nullopt when progress.cancelled() turned true during the run.
std::optional<SelectionResult> rankPairs(const SelectionSamples& samples,
                                         const ProgressSink& progress);
std::optional<SelectionResult> rankTriples(const SelectionSamples& samples,
                                           const ProgressSink& progress);
