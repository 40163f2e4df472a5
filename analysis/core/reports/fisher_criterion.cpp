#include "analysis/core/reports/fisher_criterion.h"

#include <algorithm>
#include <limits>

#include "platform/parallel.h"

std::vector<double> fisherCoefficients(const SelectionSamples& samples) {
    const int features = samples.featureCount();
    const int classes = samples.classCount();
    const double n = samples.sampleCount();
    std::vector<double> prior(static_cast<size_t>(classes));
    double priorSquares = 0.0;
    for (int c = 0; c < classes; ++c) {
        prior[static_cast<size_t>(c)] =
            samples.classSize[static_cast<size_t>(c)] / n;  // P_c = n_c / N
        priorSquares += prior[static_cast<size_t>(c)] * prior[static_cast<size_t>(c)];
    }
    std::vector<double> result(static_cast<size_t>(features));
    parallelFor(static_cast<size_t>(features), 16, [&](size_t begin, size_t end) {
        std::vector<double> mean(static_cast<size_t>(classes)), variance(mean.size());
        for (size_t f = begin; f < end; ++f) {
            const double* x = samples.feature(static_cast<int>(f));
            for (int c = 0; c < classes; ++c) {
                const int first = samples.classOffset[static_cast<size_t>(c)];
                const int count = samples.classSize[static_cast<size_t>(c)];
                double sum = 0.0;
                for (int s = 0; s < count; ++s) sum += x[first + s];
                const double mu = sum / count;  // μ_c = Σ_s x / n_c
                double squares = 0.0;
                for (int s = 0; s < count; ++s)
                    squares += (x[first + s] - mu) * (x[first + s] - mu);
                mean[static_cast<size_t>(c)] = mu;
                variance[static_cast<size_t>(c)] = squares / count;  // σ²_c = Σ_s (x − μ_c)² / n_c
            }
            double between = 0.0, within = 0.0;
            for (int c = 0; c < classes; ++c)
                for (int d = c + 1; d < classes; ++d) {
                    const double gap = mean[static_cast<size_t>(c)] - mean[static_cast<size_t>(d)];
                    // between = Σ_{c<d} P_c·P_d·(μ_c − μ_d)²
                    between +=
                        prior[static_cast<size_t>(c)] * prior[static_cast<size_t>(d)] * gap * gap;
                }
            for (int c = 0; c < classes; ++c)
                within += prior[static_cast<size_t>(c)] *
                          variance[static_cast<size_t>(c)];  // Σ_c P_c·σ²_c
            double value;
            if (between == 0.0)
                value = 0.0;
            else if (within == 0.0)
                value = std::numeric_limits<double>::infinity();
            else
                value =
                    2.0 / (1.0 - priorSquares) * between / within;  // F = 2/(1 − Σ P_c²) · B / W
            result[f] = value;
        }
    });
    return result;
}

SelectionResult rankByFisher(const SelectionSamples& samples) {
    return rankBySingleValues(fisherCoefficients(samples), samples.featureCount(),
                              {.laterWinsTie = true, .nonNegativeOnly = true});
}
