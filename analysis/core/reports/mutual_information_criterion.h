// Mutual information between a feature and the class: how much knowing the
// feature's value (in a few bins) tells about the class, in bits.
#pragma once

#include <vector>

#include "analysis/core/reports/selection_result.h"
#include "analysis/core/reports/selection_samples.h"

// The number of bins for N samples: ⌊log₂ N⌋ + 1.
int mutualInformationBins(int sampleCount);

// The bin of x among `bins` bins of width `width` from `low`: 0 below low,
// the last at or above high; a zero, NaN or infinite width (all samples
// equal) puts every value in bin 0, and no value ever lands outside the bins.
int mutualInformationBin(double x, double low, double high, double width, int bins);

// MI of every feature, in feature order; 0 for a feature whose samples are all equal.
std::vector<double> mutualInformation(const SelectionSamples& samples);

// The best min(features, 10) features by MI, the first among equal values.
SelectionResult rankByMutualInformation(const SelectionSamples& samples);
