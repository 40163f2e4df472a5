#include "analysis/core/reports/mutual_information_criterion.h"

#include <algorithm>
#include <cmath>

#include "platform/parallel.h"

int mutualInformationBins(int sampleCount) {
    int bins = 1;  // ⌊log₂ N⌋ + 1, counted without rounding
    for (unsigned n = static_cast<unsigned>(std::max(sampleCount, 1)); n > 1; n >>= 1) ++bins;
    return bins;
}

int mutualInformationBin(double x, double low, double high, double width, int bins) {
    if (!(width > 0.0) || !std::isfinite(width)) return 0;
    if (x < low) return 0;
    if (x >= high) return bins - 1;
    const double position = std::floor((x - low) / width);  // ⌊(x − low)/w⌋
    if (!(position >= 0.0)) return 0;
    // Rounding may carry a value just below high onto the edge.
    return position >= bins - 1 ? bins - 1 : static_cast<int>(position);
}

std::vector<double> mutualInformation(const SelectionSamples& samples) {
    const int features = samples.featureCount();
    const int classes = samples.classCount();
    const int n = samples.sampleCount();
    const int bins = mutualInformationBins(n);
    std::vector<double> result(static_cast<size_t>(features));
    parallelFor(static_cast<size_t>(features), 16, [&](size_t begin, size_t end) {
        std::vector<int> joint(static_cast<size_t>(bins * classes)),
            binCount(static_cast<size_t>(bins));
        for (size_t f = begin; f < end; ++f) {
            const double* x = samples.feature(static_cast<int>(f));
            double sum = 0.0;
            for (int s = 0; s < n; ++s) sum += x[s];
            const double mean = sum / n;
            double squares = 0.0;
            for (int s = 0; s < n; ++s) squares += (x[s] - mean) * (x[s] - mean);
            const double sigma = std::sqrt(squares / n);  // population σ over all N samples
            const double low = mean - 2.0 * sigma, high = mean + 2.0 * sigma;
            const double width = (high - low) / bins;  // w = (high − low)/B
            std::fill(joint.begin(), joint.end(), 0);
            std::fill(binCount.begin(), binCount.end(), 0);
            for (int s = 0; s < n; ++s) {
                const int b = mutualInformationBin(x[s], low, high, width, bins);
                ++binCount[static_cast<size_t>(b)];
                ++joint[static_cast<size_t>(samples.sampleClass[static_cast<size_t>(s)] * bins +
                                            b)];
            }
            double mi = 0.0;
            for (int b = 0; b < bins; ++b)
                for (int k = 0; k < classes; ++k) {
                    const double pb = static_cast<double>(binCount[static_cast<size_t>(b)]) / n;
                    const double pk =
                        static_cast<double>(samples.classSize[static_cast<size_t>(k)]) / n;
                    const double pkb =
                        static_cast<double>(joint[static_cast<size_t>(k * bins + b)]) / n;
                    if (pb == 0.0 || pk == 0.0 || pkb == 0.0) continue;
                    mi += pkb * std::log2(pkb / (pb * pk));  // p(k,b)·log₂(p(k,b)/(p(b)·p(k)))
                }
            result[f] = mi;
        }
    });
    return result;
}

SelectionResult rankByMutualInformation(const SelectionSamples& samples) {
    return rankBySingleValues(mutualInformation(samples), samples.featureCount(), {});
}
