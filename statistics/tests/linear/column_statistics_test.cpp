#include "statistics/core/linear/column_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// A sample matrix whose rows 1..N hold `rows`, columns 1..n.
std::unique_ptr<SampleMatrix> matrixOf(const std::vector<std::vector<double>>& rows) {
    auto x = std::make_unique<SampleMatrix>();
    for (SampleRow& row : *x) row.fill(0.0);
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t f = 0; f < rows[i].size(); ++f)
            (*x)[static_cast<int>(i) + 1][static_cast<int>(f) + 1] = rows[i][f];
    return x;
}

TEST(ColumnStatistics, OneSampleHasItsValueAsMeanAndNoSpread) {
    const auto x = matrixOf({{-3.25, 7.0}});
    const ColumnStatistics stats = columnStatistics(*x, 1, 1);
    EXPECT_EQ(stats.mean, -3.25);
    EXPECT_EQ(stats.variance, 0.0);
    EXPECT_EQ(stats.standardDeviation, 0.0);
    const Vector30 mean = columnMeans(*x, 1, 2);
    EXPECT_EQ(mean[1], -3.25);
    EXPECT_EQ(mean[2], 7.0);
}

TEST(ColumnStatistics, NoSamplesGiveZeros) {
    const auto x = matrixOf({{5.0}});
    const ColumnStatistics stats = columnStatistics(*x, 0, 1);
    EXPECT_EQ(stats.mean, 0.0);
    EXPECT_EQ(stats.variance, 0.0);
    EXPECT_EQ(stats.standardDeviation, 0.0);
}

TEST(ColumnStatistics, AConstantColumnHasExactlyZeroSpreadWhereRoundingWouldLeaveSome) {
    // 0.1 + 0.1 + 0.1 = 0.30000000000000004, and / 3 is not 0.1 again: the
    // deviations would be tiny but not zero without the constant-column rule.
    const auto x = matrixOf({{0.1}, {0.1}, {0.1}});
    const ColumnStatistics stats = columnStatistics(*x, 3, 1);
    EXPECT_NE(stats.mean, 0.1);
    EXPECT_EQ(stats.variance, 0.0);
    EXPECT_EQ(stats.standardDeviation, 0.0);
}

TEST(ColumnStatistics, VarianceDividesByNMinusOne) {
    const auto x = matrixOf({{1.0}, {2.0}, {3.0}, {6.0}});
    const ColumnStatistics stats = columnStatistics(*x, 4, 1);
    EXPECT_EQ(stats.mean, 3.0);
    EXPECT_EQ(stats.variance, 14.0 / 3.0);  // (4 + 1 + 0 + 9) / 3
    EXPECT_EQ(stats.standardDeviation, std::sqrt(14.0 / 3.0));
}

TEST(ColumnStatistics, LargeValuesStayFinite) {
    const auto x = matrixOf({{1e150, -1e150}, {3e150, -3e150}});
    const ColumnStatistics stats = columnStatistics(*x, 2, 1);
    EXPECT_EQ(stats.mean, 2e150);
    EXPECT_TRUE(std::isfinite(stats.variance));
    EXPECT_DOUBLE_EQ(stats.variance, 2e300);
    EXPECT_DOUBLE_EQ(stats.standardDeviation, std::sqrt(2.0) * 1e150);
    const Vector30 mean = columnMeans(*x, 2, 2);
    EXPECT_EQ(mean[2], -2e150);
    const Matrix30 sums = crossProductSums(*x, 2, 2);
    EXPECT_TRUE(std::isfinite(sums[1][2]));
    EXPECT_DOUBLE_EQ(sums[1][2], -1e301);
}

TEST(ColumnStatistics, SumsRunOverTheSamplesInAscendingOrder) {
    // 1 + 1e16 rounds back to 1e16, so the ascending sum is 0; any other
    // order that adds 1 last would give 1. The reports' bits depend on this.
    const auto x = matrixOf({{1.0}, {1e16}, {-1e16}});
    EXPECT_EQ(columnMeans(*x, 3, 1)[1], 0.0);
    EXPECT_EQ(columnStatistics(*x, 3, 1).mean, 0.0);
    const auto y = matrixOf({{1e16}, {-1e16}, {1.0}});
    EXPECT_EQ(columnMeans(*y, 3, 1)[1], 1.0 / 3.0);
}

TEST(ColumnStatistics, CrossProductSumsFillTheUpperTriangleOnly) {
    const auto x = matrixOf({{1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}});
    const Matrix30 sums = crossProductSums(*x, 2, 3);
    EXPECT_EQ(sums[1][1], 17.0);
    EXPECT_EQ(sums[1][2], 22.0);
    EXPECT_EQ(sums[1][3], 27.0);
    EXPECT_EQ(sums[2][2], 29.0);
    EXPECT_EQ(sums[2][3], 36.0);
    EXPECT_EQ(sums[3][3], 45.0);
    EXPECT_EQ(sums[2][1], 0.0);
    EXPECT_EQ(sums[3][1], 0.0);
    EXPECT_EQ(sums[3][2], 0.0);
    EXPECT_EQ(sums[1][4], 0.0);
}

TEST(ColumnStatistics, CentringLeavesColumnsOfZeroMean) {
    auto x = matrixOf({{1.0, 10.0}, {2.0, 20.0}, {6.0, 60.0}});
    const Vector30 mean = columnMeans(*x, 3, 2);
    centreColumns(*x, 3, 2, mean);
    EXPECT_EQ((*x)[1][1], -2.0);
    EXPECT_EQ((*x)[3][2], 30.0);
    EXPECT_EQ(columnMeans(*x, 3, 2)[1], 0.0);
    EXPECT_EQ((*x)[4][1], 0.0);  // rows past N are left alone
}

TEST(ColumnStatistics, ClassMeansSkipAClassWithoutSamples) {
    auto data = std::make_unique<R62DataSet>();
    data->SampleCount = 4;
    data->CategoryCount = 3;
    const int categories[] = {1, 3, 1, 3};
    const double values[] = {1.0, 10.0, 2.0, 30.0};
    for (int i = 1; i <= 4; ++i) {
        data->Category[i] = static_cast<int16_t>(categories[i - 1]);
        data->FeatureData[i][1] = values[i - 1];
        data->FeatureData[i][2] = -values[i - 1];
    }
    const std::unique_ptr<ClassMeans> means = classMeans(*data, data->FeatureData, 2);
    EXPECT_EQ(means->count[1], 2);
    EXPECT_EQ(means->count[2], 0);
    EXPECT_EQ(means->count[3], 2);
    EXPECT_EQ(means->mean[1][1], 1.5);
    EXPECT_EQ(means->mean[1][2], -1.5);
    EXPECT_EQ(means->mean[2][1], 0.0);
    EXPECT_EQ(means->mean[3][1], 20.0);
    EXPECT_EQ(means->mean[3][2], -20.0);
}

}  // namespace
