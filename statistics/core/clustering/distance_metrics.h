// The four distances between samples that the clustering methods use, the
// inverse covariance behind the Mahalanobis distance, and the condensed index
// of a sample pair.
//
// Samples are rows of a SampleMatrix (the working data, or the shifted points
// of similarity based clustering), features columns 1..n.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "statistics/core/data/data_set.h"
#include "statistics/core/linear/linear_algebra.h"

enum : uint8_t {
    kMetricEuclidean = 0,
    kMetricStandardizedEuclidean = 1,
    kMetricMahalanobis = 2,
    kMetricCityBlock = 3,
};

// Square root of the sum of squared differences over features 1..n.
double EuclideanDistance(const SampleMatrix& x, int i, int j, int n);

// Square root of the sum of (x_i - x_j)^2 / variances[k] over k = 1..n.
double StandardizedEuclideanDistance(const SampleMatrix& x, int i, int j, int n,
                                     const Vector30& variances);

// With d = x_i - x_j: w_k = sum over l of d_l M[l][k]; the square root of the
// sum over k of w_k d_k. M is the inverse covariance matrix.
double MahalanobisDistance(const SampleMatrix& x, int i, int j, int n, const Matrix30& M);

// Sum of absolute differences over features 1..n (no square root).
double CityBlockDistance(const SampleMatrix& x, int i, int j, int n);

// What the metrics need besides the samples.
struct DistanceContext {
    const SampleMatrix* points = nullptr;
    int featureCount = 0;
    uint8_t metric = kMetricEuclidean;
    Vector30 variances{};          // standardised Euclidean
    Matrix30 inverseCovariance{};  // Mahalanobis
};

// Dispatches on context.metric (0..3); any other value measures Euclidean.
double PairDistances(int i, int j, const DistanceContext& context);

// Distances of all pairs of samples 1..sampleCount into a square matrix,
// out[i * stride + j] for i, j in 1..sampleCount (row and column 0 untouched):
// bit for bit what PairDistances gives, each unordered pair computed once and
// mirrored (every metric is exactly symmetric), the work spread over the
// machine's cores for large sets.
void fillPairDistanceMatrix(const DistanceContext& context, int sampleCount, double* out,
                            size_t stride);

// Centres features 1..n of samples 1..sampleCount in place, forms their
// covariance (divisor sampleCount - 1) and inverts it through its Cholesky
// factor: M = inverse(L)^T * inverse(L). Returns false, with M unspecified,
// when the covariance is not positive definite.
bool InverseCovarianceForMahalanobis(SampleMatrix& x, int sampleCount, int n, Matrix30& M);

// Index of the pair i < j among the N(N-1)/2 pairs of N samples, 1-based:
// (i - 1)(2N - i)/2 + j - i, evaluated in floating point and rounded.
int condensedPairIndex(int i, int j, int sampleCount);

// Names in the clustering reports.
std::string_view metricName(uint8_t metric);
