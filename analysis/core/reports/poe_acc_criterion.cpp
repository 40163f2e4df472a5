#include "analysis/core/reports/poe_acc_criterion.h"

#include <algorithm>
#include <cmath>

#include "platform/parallel.h"

namespace {

constexpr double kRangeStart = 10000000.0;
// A picked feature's POE: above any real one, so it never wins again.
constexpr double kPickedPoe = 10.0;

// cov_fg = Σ_c (Σ_s x_f,c,s·x_g,c,s − n_c·μ_f,c·μ_g,c) / (N − C)
double pooledCovariance(const SelectionSamples& samples, int f, int g) {
    const double* x = samples.feature(f);
    const double* y = samples.feature(g);
    double sum = 0.0;
    for (int c = 0; c < samples.classCount(); ++c) {
        const int first = samples.classOffset[static_cast<size_t>(c)];
        const int count = samples.classSize[static_cast<size_t>(c)];
        double sx = 0.0, sy = 0.0, sxy = 0.0;
        for (int s = first; s < first + count; ++s) {
            sx += x[s];
            sy += y[s];
            sxy += x[s] * y[s];
        }
        const double mx = sx / count, my = sy / count;
        sum += sxy - count * mx * my;
    }
    return sum / (samples.sampleCount() - samples.classCount());
}

}  // namespace

std::vector<double> probabilitiesOfError(const SelectionSamples& samples) {
    const int features = samples.featureCount();
    const int classes = samples.classCount();
    const int n = samples.sampleCount();
    std::vector<double> poe(static_cast<size_t>(features));
    parallelFor(static_cast<size_t>(features), 16, [&](size_t begin, size_t end) {
        std::vector<double> low(static_cast<size_t>(classes)), high(low.size());
        for (size_t f = begin; f < end; ++f) {
            const double* x = samples.feature(static_cast<int>(f));
            for (int c = 0; c < classes; ++c) {
                double lo = kRangeStart, hi = -kRangeStart;
                const int first = samples.classOffset[static_cast<size_t>(c)];
                for (int s = first; s < first + samples.classSize[static_cast<size_t>(c)]; ++s) {
                    lo = std::min(lo, x[s]);
                    hi = std::max(hi, x[s]);
                }
                low[static_cast<size_t>(c)] = lo;
                high[static_cast<size_t>(c)] = hi;
            }
            int overlapping = 0;
            for (int s = 0; s < n; ++s) {
                const int own = samples.sampleClass[static_cast<size_t>(s)];
                for (int c = 0; c < classes; ++c)
                    if (c != own && x[s] >= low[static_cast<size_t>(c)] &&
                        x[s] <= high[static_cast<size_t>(c)]) {
                        ++overlapping;
                        break;
                    }
            }
            poe[f] = static_cast<double>(overlapping) / n;  // POE_f = overlapping / N
        }
    });
    return poe;
}

double pooledCorrelation(const SelectionSamples& samples, int f, int g) {
    const double cov = pooledCovariance(samples, f, g);
    // ρ_fg = cov_fg / √(cov_ff·cov_gg), cov_fg itself when the root is 0
    const double root =
        std::sqrt(pooledCovariance(samples, f, f) * pooledCovariance(samples, g, g));
    return root == 0.0 ? cov : cov / root;
}

SelectionResult rankByPoeAcc(const SelectionSamples& samples) {
    std::vector<double> poe = probabilitiesOfError(samples);
    const int features = samples.featureCount();
    const int picks = std::min(features, kSelectionTableSize);
    // Σ over the picked features s of |ρ_sg|, kept up to date pick by pick.
    std::vector<double> correlationSum(static_cast<size_t>(features), 0.0);
    std::vector<double> covariance(static_cast<size_t>(features));
    parallelFor(static_cast<size_t>(features), 16, [&](size_t begin, size_t end) {
        for (size_t f = begin; f < end; ++f)
            covariance[f] = pooledCovariance(samples, static_cast<int>(f), static_cast<int>(f));
    });
    std::vector<bool> picked(static_cast<size_t>(features), false);
    SelectionResult result;
    for (int j = 0; j < picks; ++j) {
        int best = -1;
        double bestValue = 0.0;
        for (int g = 0; g < features; ++g) {
            if (picked[static_cast<size_t>(g)]) continue;
            const double value = j == 0 ? poe[static_cast<size_t>(g)]
                                        : (poe[static_cast<size_t>(g)] +
                                           (1.0 / j) * correlationSum[static_cast<size_t>(g)]) /
                                              2.0;
            if (std::isnan(value)) continue;
            if (best < 0 || value < bestValue) {
                best = g;
                bestValue = value;
            }
        }
        if (best < 0) break;
        picked[static_cast<size_t>(best)] = true;
        poe[static_cast<size_t>(best)] = kPickedPoe;
        SelectionEntry entry;
        entry.first = best;
        entry.value = bestValue;
        result.push_back(entry);
        // The new pick's correlations with everything still in the running.
        parallelFor(static_cast<size_t>(features), 16, [&](size_t begin, size_t end) {
            for (size_t g = begin; g < end; ++g) {
                if (picked[g]) continue;
                const double cov = pooledCovariance(samples, best, static_cast<int>(g));
                const double root =
                    std::sqrt(covariance[static_cast<size_t>(best)] * covariance[g]);
                correlationSum[g] += std::fabs(root == 0.0 ? cov : cov / root);
            }
        });
    }
    std::stable_sort(
        result.begin(), result.end(),
        [](const SelectionEntry& a, const SelectionEntry& b) { return a.value < b.value; });
    return result;
}
