#include "statistics/core/linear/column_statistics.h"

#include <cmath>

#include "platform/parallel.h"

Vector30 columnMeans(const SampleMatrix& x, int samples, int n) {
    checkRange(samples, 0, kMaxSamples);
    checkRange(n, 0, kMaxFeatures);
    Vector30 mean{};
    for (int f = 1; f <= n; ++f) {
        double sum = 0.0;
        for (int i = 1; i <= samples; ++i) sum += x[i][f];
        mean[f] = sum / samples;
    }
    return mean;
}

void centreColumns(SampleMatrix& x, int samples, int n, const Vector30& mean) {
    checkRange(samples, 0, kMaxSamples);
    checkRange(n, 0, kMaxFeatures);
    for (int i = 1; i <= samples; ++i)
        for (int f = 1; f <= n; ++f) x[i][f] -= mean[f];
}

Matrix30 crossProductSums(const SampleMatrix& x, int samples, int n) {
    checkRange(samples, 0, kMaxSamples);
    checkRange(n, 0, kMaxFeatures);
    Matrix30 sums{};
    parallelFor(static_cast<size_t>(n), 1, [&](size_t begin, size_t end) {
        for (int a = static_cast<int>(begin) + 1; a <= static_cast<int>(end); ++a)
            for (int b = a; b <= n; ++b) {
                double sum = 0.0;
                for (int i = 1; i <= samples; ++i) sum += x[i][a] * x[i][b];
                sums[a][b] = sum;
            }
    });
    return sums;
}

std::unique_ptr<ClassMeans> classMeans(const R62DataSet& data, const SampleMatrix& x, int n) {
    const int samples = data.SampleCount;
    const int classes = data.CategoryCount;
    checkRange(samples, 0, kMaxSamples);
    checkRange(classes, 0, kMaxCategories);
    checkRange(n, 0, kMaxFeatures);
    auto means = std::make_unique<ClassMeans>();
    for (int i = 1; i <= samples; ++i) {
        const int c = data.Category[i];
        ++means->count[c];
        for (int f = 1; f <= n; ++f) means->mean[c][f] += x[i][f];
    }
    for (int c = 1; c <= classes; ++c) {
        if (means->count[c] == 0) continue;  // no samples: no mean
        for (int f = 1; f <= n; ++f) means->mean[c][f] /= means->count[c];
    }
    return means;
}

namespace {

// s² = Σ (x_i − mean)² / (N − 1)
double varianceAbout(const SampleMatrix& x, int samples, int column, double mean) {
    double squares = 0.0;
    for (int i = 1; i <= samples; ++i) {
        const double d = x[i][column] - mean;
        squares += d * d;
    }
    return squares / (samples - 1);
}

}  // namespace

ColumnStatistics columnStatistics(const SampleMatrix& x, int samples, int column) {
    checkRange(samples, 0, kMaxSamples);
    ColumnStatistics stats;
    if (samples < 1) return stats;
    double sum = 0.0;
    bool allEqual = true;
    const double first = x[1][column];
    for (int i = 1; i <= samples; ++i) {
        const double value = x[i][column];
        sum += value;
        allEqual = allEqual && value == first;
    }
    stats.mean = sum / samples;
    // A constant column has no spread. Testing it directly keeps the rounding
    // of sum / N from leaving a tiny non-zero deviation that would pass the
    // zero check and blow the column up on standardisation. With one sample
    // the divisor N - 1 would be zero.
    if (allEqual || samples < 2) return stats;
    stats.variance = varianceAbout(x, samples, column, stats.mean);
    stats.standardDeviation = std::sqrt(stats.variance);
    return stats;
}

double columnVariance(const SampleMatrix& x, int samples, int column) {
    double sum = 0.0;
    for (int i = 1; i <= samples; ++i) sum += x[i][column];
    return varianceAbout(x, samples, column, sum / samples);
}
