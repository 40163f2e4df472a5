#include "statistics/core/distance_metrics.h"

#include <cmath>

double EuclideanDistance(const SampleMatrix& x, int i, int j, int n) {
    const SampleRow& a = x[i];
    const SampleRow& b = x[j];
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
        const double d = a[k] - b[k];
        sum += d * d;
    }
    return std::sqrt(sum);
}

double StandardizedEuclideanDistance(const SampleMatrix& x, int i, int j, int n,
                                     const Vector30& variances) {
    const SampleRow& a = x[i];
    const SampleRow& b = x[j];
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
        const double d = a[k] - b[k];
        sum += d * d / variances[k];
    }
    return std::sqrt(sum);
}

double MahalanobisDistance(const SampleMatrix& x, int i, int j, int n, const Matrix30& M) {
    const SampleRow& a = x[i];
    const SampleRow& b = x[j];
    Vector30 d{};
    for (int k = 1; k <= n; ++k) d[k] = a[k] - b[k];
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
        double w = 0.0;
        for (int l = 1; l <= n; ++l) w += d[l] * M[l][k];
        sum += w * d[k];
    }
    return std::sqrt(sum);
}

double CityBlockDistance(const SampleMatrix& x, int i, int j, int n) {
    const SampleRow& a = x[i];
    const SampleRow& b = x[j];
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) sum += std::fabs(a[k] - b[k]);
    return sum;
}

double PairDistances(int i, int j, const DistanceContext& context) {
    const SampleMatrix& x = *context.points;
    const int n = context.featureCount;
    switch (context.metric) {
        case kMetricStandardizedEuclidean:
            return StandardizedEuclideanDistance(x, i, j, n, context.variances);
        case kMetricMahalanobis:
            return MahalanobisDistance(x, i, j, n, context.inverseCovariance);
        case kMetricCityBlock:
            return CityBlockDistance(x, i, j, n);
        default:
            return EuclideanDistance(x, i, j, n);
    }
}

bool InverseCovarianceForMahalanobis(SampleMatrix& x, int sampleCount, int n, Matrix30& M) {
    Vector30 mean{};
    for (int k = 1; k <= n; ++k) {
        double sum = 0.0;
        for (int s = 1; s <= sampleCount; ++s) sum += x[s][k];
        mean[k] = sum / sampleCount;
    }
    for (int s = 1; s <= sampleCount; ++s)
        for (int k = 1; k <= n; ++k) x[s][k] -= mean[k];

    Matrix30 c{};
    for (int s = 1; s <= sampleCount; ++s) {
        const SampleRow& row = x[s];
        for (int k = 1; k <= n; ++k)
            for (int l = k; l <= n; ++l) c[k][l] += row[k] * row[l];
    }
    for (int k = 1; k <= n; ++k)
        for (int l = k; l <= n; ++l) {
            c[k][l] /= (sampleCount - 1);
            c[l][k] = c[k][l];
        }

    Vector30 p{};
    if (!CholeskyDecompose(c, p, n)) return false;
    InvertLowerTriangular(c, p, n);  // c := inverse(L)
    Matrix30 transposed{};
    for (int r = 1; r <= n; ++r)
        for (int col = 1; col <= n; ++col) transposed[r][col] = c[col][r];
    MatrixMultiply(transposed, c, M, n);
    return true;
}

int CondensedPairIndex(int i, int j, int sampleCount) {
    const double k =
        static_cast<double>(i - 1) * static_cast<double>(2 * sampleCount - i) / 2.0 + (j - i);
    return static_cast<int>(std::lround(k));
}

std::string_view metricName(uint8_t metric) {
    switch (metric) {
        case kMetricStandardizedEuclidean:
            return "Standardized Euclidean metric";
        case kMetricMahalanobis:
            return "Mahalanobis metric";
        case kMetricCityBlock:
            return "City Block metric";
        default:
            return "Euclidean metric";
    }
}
