#include "statistics/core/clustering/distance_metrics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<SampleMatrix> samples(const std::vector<std::vector<double>>& rows) {
    auto x = std::make_unique<SampleMatrix>();
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t k = 0; k < rows[i].size(); ++k)
            (*x)[static_cast<int>(i) + 1][static_cast<int>(k) + 1] = rows[i][k];
    return x;
}

}  // namespace

TEST(R62DistanceMetrics, EuclideanAndCityBlock) {
    const auto x = samples({{0.0, 0.0}, {3.0, 4.0}, {-1.0, 2.0}});
    EXPECT_DOUBLE_EQ(EuclideanDistance(*x, 1, 2, 2), 5.0);
    EXPECT_DOUBLE_EQ(EuclideanDistance(*x, 2, 1, 2), 5.0);
    EXPECT_DOUBLE_EQ(EuclideanDistance(*x, 2, 2, 2), 0.0);
    EXPECT_DOUBLE_EQ(EuclideanDistance(*x, 2, 3, 2), std::sqrt(20.0));
    // A plain sum, no square root.
    EXPECT_DOUBLE_EQ(CityBlockDistance(*x, 1, 2, 2), 7.0);
    EXPECT_DOUBLE_EQ(CityBlockDistance(*x, 2, 3, 2), 6.0);
    // Only features 1..n count.
    EXPECT_DOUBLE_EQ(EuclideanDistance(*x, 1, 2, 1), 3.0);
}

TEST(R62DistanceMetrics, StandardizedEuclideanDividesByTheVariances) {
    const auto x = samples({{0.0, 0.0}, {3.0, 4.0}});
    Vector30 v{};
    v[1] = 4.0;
    v[2] = 16.0;
    EXPECT_DOUBLE_EQ(StandardizedEuclideanDistance(*x, 1, 2, 2, v), std::sqrt(9.0 / 4.0 + 1.0));
}

TEST(R62DistanceMetrics, MahalanobisIsTheQuadraticForm) {
    const auto x = samples({{1.0, 2.0}, {0.0, 0.0}});
    Matrix30 m{};
    m[1][1] = 2.0;
    m[1][2] = 1.0;
    m[2][1] = 1.0;
    m[2][2] = 3.0;
    // d = (1, 2): d M d = 2 + 2 + 2 + 12 = 18.
    EXPECT_DOUBLE_EQ(MahalanobisDistance(*x, 1, 2, 2, m), std::sqrt(18.0));
    EXPECT_DOUBLE_EQ(MahalanobisDistance(*x, 1, 1, 2, m), 0.0);
}

TEST(R62DistanceMetrics, PairDistancesDispatchesOnTheMetric) {
    const auto x = samples({{0.0, 0.0}, {3.0, 4.0}});
    DistanceContext context;
    context.points = x.get();
    context.featureCount = 2;
    context.variances[1] = 1.0;
    context.variances[2] = 4.0;
    context.inverseCovariance[1][1] = 1.0;
    context.inverseCovariance[2][2] = 0.25;
    context.metric = kMetricEuclidean;
    EXPECT_DOUBLE_EQ(PairDistances(1, 2, context), 5.0);
    context.metric = kMetricStandardizedEuclidean;
    EXPECT_DOUBLE_EQ(PairDistances(1, 2, context), std::sqrt(13.0));
    context.metric = kMetricMahalanobis;
    EXPECT_DOUBLE_EQ(PairDistances(1, 2, context), std::sqrt(13.0));
    context.metric = kMetricCityBlock;
    EXPECT_DOUBLE_EQ(PairDistances(1, 2, context), 7.0);
}

TEST(R62DistanceMetrics, InverseCovarianceCentresAndInverts) {
    // Centred: (-1,-1), (1,1), (1,0), (-1,0); covariance [[4/3, 2/3], [2/3, 2/3]],
    // whose inverse is [[1.5, -1.5], [-1.5, 3]].
    const auto x = samples({{0.0, 0.0}, {2.0, 2.0}, {2.0, 1.0}, {0.0, 1.0}});
    Matrix30 m{};
    ASSERT_TRUE(InverseCovarianceForMahalanobis(*x, 4, 2, m));
    EXPECT_NEAR(m[1][1], 1.5, 1e-12);
    EXPECT_NEAR(m[1][2], -1.5, 1e-12);
    EXPECT_NEAR(m[2][1], -1.5, 1e-12);
    EXPECT_NEAR(m[2][2], 3.0, 1e-12);
    EXPECT_DOUBLE_EQ((*x)[1][1], -1.0);
    EXPECT_DOUBLE_EQ((*x)[1][2], -1.0);
    EXPECT_DOUBLE_EQ((*x)[3][2], 0.0);
}

TEST(R62DistanceMetrics, InverseCovarianceFailsOnDependentFeatures) {
    // Covariance [[4, 4], [4, 4]]: the second pivot is exactly 0.
    const auto x = samples({{0.0, 0.0}, {2.0, 2.0}, {4.0, 4.0}});
    Matrix30 m{};
    EXPECT_FALSE(InverseCovarianceForMahalanobis(*x, 3, 2, m));
}

TEST(R62DistanceMetrics, CondensedPairIndexRunsRowByRow) {
    EXPECT_EQ(condensedPairIndex(1, 2, 4), 1);
    EXPECT_EQ(condensedPairIndex(1, 3, 4), 2);
    EXPECT_EQ(condensedPairIndex(1, 4, 4), 3);
    EXPECT_EQ(condensedPairIndex(2, 3, 4), 4);
    EXPECT_EQ(condensedPairIndex(2, 4, 4), 5);
    EXPECT_EQ(condensedPairIndex(3, 4, 4), 6);
    EXPECT_EQ(condensedPairIndex(1, 2, 2000), 1);
    EXPECT_EQ(condensedPairIndex(1999, 2000, 2000), 1999000);
    // Every pair gets its own index, in order.
    int expected = 0;
    for (int i = 1; i < 50; ++i)
        for (int j = i + 1; j <= 50; ++j) ASSERT_EQ(condensedPairIndex(i, j, 50), ++expected);
}

TEST(R62DistanceMetrics, MetricNames) {
    EXPECT_EQ(metricName(0), "Euclidean metric");
    EXPECT_EQ(metricName(1), "Standardized Euclidean metric");
    EXPECT_EQ(metricName(2), "Mahalanobis metric");
    EXPECT_EQ(metricName(3), "City Block metric");
}
