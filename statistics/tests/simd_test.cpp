#include "statistics/core/simd.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr int kFeatures = 30;

// Bit patterns, so that NaNs compare and -0 differs from +0.
uint64_t bits(double v) {
    return std::bit_cast<uint64_t>(v);
}

// Rows with ordinary values, very large and very small ones, signed zeros,
// infinities and a NaN in a few places.
std::vector<std::vector<double>> testRows(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<std::vector<double>> rows(static_cast<size_t>(count),
                                          std::vector<double>(kFeatures));
    for (int r = 0; r < count; ++r)
        for (int k = 0; k < kFeatures; ++k)
            rows[r][k] = noise(random) * std::pow(10.0, (r * 7 + k * 3) % 9 - 4);
    rows[1][3] = -0.0;
    rows[2][5] = std::numeric_limits<double>::infinity();
    rows[3][0] = std::numeric_limits<double>::quiet_NaN();
    rows[4][7] = 1e200;
    rows[5][7] = -1e200;
    rows[6][9] = 1e-300;
    return rows;
}

TEST(SimdKernels, FourScalarSumsAreThePlainSums) {
    const auto rows = testRows(8, 1);
    for (int n : {0, 1, 5, kFeatures}) {
        const double* a[4] = {rows[0].data(), rows[1].data(), rows[2].data(), rows[3].data()};
        const double* b[4] = {rows[4].data(), rows[5].data(), rows[6].data(), rows[7].data()};
        double out[4];
        sqDistances4(a, b, n, out);
        for (int g = 0; g < 4; ++g) EXPECT_EQ(bits(out[g]), bits(sqDistance(a[g], b[g], n))) << n;
    }
    EXPECT_EQ(sqDistance(rows[0].data(), rows[1].data(), 0), 0.0);
    EXPECT_TRUE(std::isnan(sqDistance(rows[3].data(), rows[0].data(), 1)));
    EXPECT_EQ(sqDistance(rows[2].data(), rows[0].data(), kFeatures),
              std::numeric_limits<double>::infinity());
}

TEST(SimdKernels, LaneBlocksHoldThePlainSumOfEachRow) {
    const auto rows = testRows(11, 2);  // row 10 is the point
    const std::vector<double>& point = rows[10];
    // Rows 0..9 as five blocks of two.
    std::vector<Lanes2> blocks(5 * kFeatures);
    std::vector<Lanes2> broadcast(kFeatures);
    for (int r = 0; r < 10; ++r)
        for (int k = 0; k < kFeatures; ++k) blocks[(r / 2) * kFeatures + k][r % 2] = rows[r][k];
    for (int k = 0; k < kFeatures; ++k) broadcast[k] = Lanes2{point[k], point[k]};
    for (int n : {0, 1, 4, kFeatures}) {
        Lanes2 out[5];
        sqDistancesToBlocks4(&blocks[0], &blocks[kFeatures], &blocks[2 * kFeatures],
                             &blocks[3 * kFeatures], broadcast.data(), n, out);
        out[4] = sqDistancesToBlock(&blocks[4 * kFeatures], broadcast.data(), n);
        Lanes2 fromPoint[4];
        sqDistancesFromPoint4(&blocks[0], &blocks[kFeatures], &blocks[2 * kFeatures],
                              &blocks[3 * kFeatures], broadcast.data(), n, fromPoint);
        for (int r = 0; r < 10; ++r) {
            const uint64_t plain = bits(sqDistance(rows[r].data(), point.data(), n));
            EXPECT_EQ(bits(out[r / 2][r % 2]), plain) << "row " << r << ", " << n << " features";
            if (r < 8) {
                EXPECT_EQ(bits(fromPoint[r / 2][r % 2]), plain) << "row " << r;
            }
        }
    }
}

template <class V>
void checkColumnKernel(unsigned seed) {
    constexpr int kRows = 4 * LaneTraits<V>::kWidth;
    const auto rows = testRows(kRows + 1, seed);  // the last row is the point
    const std::vector<double>& point = rows[kRows];
    // Columns with a stride that leaves the vectors unaligned.
    const size_t stride = kRows + 3;
    std::vector<double> storage(kFeatures * stride + 1);
    double* columns = storage.data() + 1;
    for (int r = 0; r < kRows; ++r)
        for (int k = 0; k < kFeatures; ++k) columns[k * stride + r] = rows[r][k];
    for (auto [first, end] :
         {std::pair{0, 0}, std::pair{0, kFeatures}, std::pair{1, 8}, std::pair{3, 4}}) {
        double out[kRows + 1];
        out[kRows] = 42.0;
        sqDistancesToColumns<V>(point.data(), columns, stride, first, end, out);
        for (int r = 0; r < kRows; ++r)
            EXPECT_EQ(bits(out[r]),
                      bits(sqDistance(point.data() + first, rows[r].data() + first, end - first)))
                << "row " << r << ", features " << first << ".." << end;
        EXPECT_EQ(out[kRows], 42.0);  // nothing written past the block
    }
}

TEST(SimdKernels, ColumnKernelHoldsThePlainSumInEveryLane) {
    checkColumnKernel<Lanes2>(3);
    checkColumnKernel<Lanes4>(4);
}

}  // namespace
