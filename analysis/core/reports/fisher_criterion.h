// The Fisher coefficient of each feature: how far apart the class means lie
// against the spread inside the classes.
#pragma once

#include <vector>

#include "analysis/core/reports/selection_result.h"
#include "analysis/core/reports/selection_samples.h"

// F of every feature of the set, in feature order.
std::vector<double> fisherCoefficients(const SelectionSamples& samples);

// The best min(features, 10) features by F: each pick is the largest F that
// is at least 0 among the features not yet picked, the last feature among
// equal values.
SelectionResult rankByFisher(const SelectionSamples& samples);
