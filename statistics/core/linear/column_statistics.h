// Per-column statistics of a sample matrix (rows = samples 1..N, columns =
// features 1..n): the means, the centring, the sums of products behind a
// covariance or scatter matrix, the per-class means and one column's mean,
// variance and standard deviation. Every sum starts at 0 and runs over the
// samples in ascending order, column by column, so each analysis that uses
// these gets exactly the bits it had when it summed on its own.
#pragma once

#include <cstdint>
#include <memory>

#include "statistics/core/checked_array.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/linear/linear_algebra.h"

// mean_f = (Σ_{i=1..N} x[i][f]) / N, for f = 1..n.
Vector30 columnMeans(const SampleMatrix& x, int samples, int n);

// x[i][f] := x[i][f] - mean_f, for i = 1..N, f = 1..n.
void centreColumns(SampleMatrix& x, int samples, int n, const Vector30& mean);

// S[a][b] = Σ_{i=1..N} x[i][a] · x[i][b], for 1 ≤ a ≤ b ≤ n: the diagonal and
// the upper triangle; the rest stays 0. The columns a are spread over the
// cores, each sum on one core, so the result does not depend on their count.
Matrix30 crossProductSums(const SampleMatrix& x, int samples, int n);

// N_c = the number of samples with Category = c;
// m_c[f] = (Σ_{i: Category_i = c} x[i][f]) / N_c, for c = 1..C with N_c > 0
// (a class without samples keeps count 0 and mean 0).
struct ClassMeans {
    CheckedArray<int16_t, 1, kMaxCategories> count{};
    CheckedArray<Vector30, 1, kMaxCategories> mean{};
};
// About 10 KB, so on the heap.
std::unique_ptr<ClassMeans> classMeans(const R62DataSet& data, const SampleMatrix& x, int n);

// One column f of x over samples 1..N:
//   mean     = (Σ_i x[i][f]) / N
//   variance = Σ_i (x[i][f] - mean)² / (N - 1)
//   standardDeviation = √variance
// A column whose values are all equal, or one with fewer than two samples,
// has variance and standard deviation exactly 0; no samples give all 0.
struct ColumnStatistics {
    double mean = 0.0;
    double variance = 0.0;
    double standardDeviation = 0.0;
};
ColumnStatistics columnStatistics(const SampleMatrix& x, int samples, int column);

// The variance of column f as the formula gives it, without the special cases
// above: the clusterings divide by it as it falls, rounding and all.
double columnVariance(const SampleMatrix& x, int samples, int column);
