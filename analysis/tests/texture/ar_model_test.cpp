#include "analysis/core/texture/ar_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "analysis/tests/texture/ar_model_reference.h"
#include "workspace/core/workspace_state.h"

namespace {

struct Image {
    PlanePtr grey;
    PlanePtr roi;
};

template <typename F>
Image makeImage(int w, int h, F value) {
    Image image{NewPlane(w, h), NewPlane(w, h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            image.grey->at(x, y) = static_cast<uint16_t>(value(x, y));
            image.roi->at(x, y) = 1;
        }
    return image;
}

ArValues fit(const Image& image) {
    return FitArModel(*image.grey, *image.roi, 1, 0, 0, image.grey->width - 1,
                      image.grey->height - 1);
}

// Least squares through Householder QR of the design matrix: a different road
// to the same coefficients than the normal equations.
std::vector<double> leastSquares(std::vector<std::vector<double>> rows, std::vector<double> rhs) {
    const size_t m = rows.size(), n = rows[0].size();
    for (size_t k = 0; k < n; ++k) {
        double norm = 0;
        for (size_t i = k; i < m; ++i) norm += rows[i][k] * rows[i][k];
        norm = std::sqrt(norm);
        double alpha = rows[k][k] > 0 ? -norm : norm;
        std::vector<double> v(m, 0.0);
        for (size_t i = k; i < m; ++i) v[i] = rows[i][k];
        v[k] -= alpha;
        double vv = 0;
        for (size_t i = k; i < m; ++i) vv += v[i] * v[i];
        for (size_t j = k; j < n; ++j) {
            double dot = 0;
            for (size_t i = k; i < m; ++i) dot += v[i] * rows[i][j];
            for (size_t i = k; i < m; ++i) rows[i][j] -= 2 * dot / vv * v[i];
        }
        double dot = 0;
        for (size_t i = k; i < m; ++i) dot += v[i] * rhs[i];
        for (size_t i = k; i < m; ++i) rhs[i] -= 2 * dot / vv * v[i];
    }
    std::vector<double> x(n);
    for (size_t k = n; k-- > 0;) {
        double s = rhs[k];
        for (size_t j = k + 1; j < n; ++j) s -= rows[k][j] * x[j];
        x[k] = s / rows[k][k];
    }
    return x;
}

TEST(ArModel, RampsGiveASingularSystemAndMissingValues) {
    for (const auto& image : {makeImage(6, 6, [](int x, int) { return x; }),
                              makeImage(8, 8, [](int x, int y) { return x + y; })}) {
        ArValues v = fit(image);
        int w = image.grey->width;
        EXPECT_EQ(v[0], (w - 1) * (w - 2));
        for (int i = 1; i < 6; ++i) EXPECT_TRUE(std::isinf(v[static_cast<size_t>(i)])) << i;
    }
}

TEST(ArModel, ConstantThinAndEmptyRegions) {
    ArValues constant = fit(makeImage(5, 5, [](int, int) { return 7; }));
    EXPECT_EQ(constant[0], 0);
    EXPECT_TRUE(std::isinf(constant[1]) && std::isinf(constant[5]));
    ArValues thin = fit(makeImage(9, 1, [](int x, int) { return x * x; }));
    EXPECT_EQ(thin[0], 0);
    EXPECT_TRUE(std::isinf(thin[3]));
    Image image = makeImage(4, 4, [](int x, int y) { return x * y; });
    ArValues none = FitArModel(*image.grey, *image.roi, 2, 0, 0, 3, 3);
    for (double value : none) EXPECT_EQ(value, 0.0);
}

TEST(ArModel, ARandomTextureMatchesAnIndependentLeastSquaresFit) {
    uint32_t seed = 99;
    auto next = [&seed] {
        seed = seed * 134775813u + 1u;
        return seed >> 20;
    };
    Image image = makeImage(24, 20, [&](int, int) { return next(); });
    // Leave a hole so that the neighbourhood rule matters.
    for (int y = 8; y < 12; ++y)
        for (int x = 10; x < 13; ++x) image.roi->at(x, y) = 0;
    ArValues v = fit(image);

    const ImagePlane& g = *image.grey;
    const ImagePlane& r = *image.roi;
    double sum = 0, n = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x)
            if (r.at(x, y)) sum += g.at(x, y), n += 1;
    double mean = sum / n, sq = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x)
            if (r.at(x, y)) sq += (g.at(x, y) - mean) * (g.at(x, y) - mean);
    double sd = std::sqrt(sq / n);
    auto z = [&](int x, int y) { return (g.at(x, y) - mean) / sd; };
    auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < 24 && y < 20 && r.at(x, y); };
    std::vector<std::vector<double>> rows;
    std::vector<double> rhs;
    for (int y = 1; y < 20; ++y)
        for (int x = 1; x < 23; ++x)
            if (in(x, y) && in(x - 1, y) && in(x, y - 1) && in(x - 1, y - 1) && in(x + 1, y - 1)) {
                rows.push_back({z(x - 1, y), z(x - 1, y - 1), z(x, y - 1), z(x + 1, y - 1)});
                rhs.push_back(z(x, y));
            }
    std::vector<double> teta = leastSquares(rows, rhs);
    EXPECT_EQ(v[0], static_cast<double>(rows.size()));
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(v[i + 1], teta[i], 1e-10 * std::max(1.0, std::fabs(teta[i])));
    double residual = 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        double e = rhs[k];
        for (size_t i = 0; i < 4; ++i) e -= teta[i] * rows[k][i];
        residual += e * e;
    }
    EXPECT_NEAR(v[5], std::sqrt(residual / static_cast<double>(rows.size())), 1e-10);
}

TEST(ArModel, TheCofactorSolveInvertsAKnownSystem) {
    std::array<std::array<double, 4>, 4> a = {
        {{4, 1, 0, 0}, {1, 3, 1, 0}, {0, 1, 2, 1}, {0, 0, 1, 5}}};
    std::array<double, 4> x = {1, -2, 0.5, 3};
    std::array<double, 4> b{};
    for (size_t i = 0; i < 4; ++i)
        for (size_t j = 0; j < 4; ++j) b[i] += a[i][j] * x[j];
    std::array<double, 4> solved{};
    ASSERT_TRUE(SolveByCofactors(a, b, solved));
    for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(solved[i], x[i], 1e-12);
    a[3] = a[2];
    EXPECT_FALSE(SolveByCofactors(a, b, solved));
}

}  // namespace

namespace {

void expectSameBits(const ArValues& fast, const ArValues& plain) {
    for (size_t i = 0; i < fast.size(); ++i)
        EXPECT_EQ(std::bit_cast<uint64_t>(fast[i]), std::bit_cast<uint64_t>(plain[i]))
            << "value " << i << ": " << fast[i] << " vs " << plain[i];
}

}  // namespace

TEST(ArModel, FastPassesGiveThePlainLoopsBitsOnRaggedRegions) {
    // Overlapping blobs with holes and one-pixel spurs, boxes that reach past
    // the image or cut the region, 8- and 16-bit levels.
    uint32_t seed = 7;
    const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 12; ++round) {
        const int w = 3 + static_cast<int>(next() >> 27) * 3,
                  h = 2 + static_cast<int>(next() >> 28) * 4;
        const uint32_t levels = round % 2 ? 65536 : 256;
        Image image{NewPlane(w, h), NewPlane(w, h)};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                image.grey->at(x, y) = static_cast<uint16_t>((next() >> 8) % levels);
                const int dx = x - w / 2, dy = y - h / 3;
                uint16_t word = dx * dx + dy * dy < w * h / 3 ? 1 : 0;  // a disc
                if ((next() >> 29) == 0) word ^= 1;                     // holes and spurs
                if ((x + y) % 3 != 0) word |= 2;                        // a grating
                if (x == y) word |= 4;                                  // a one-pixel line
                image.roi->at(x, y) = word;
            }
        for (uint16_t bit : {uint16_t{1}, uint16_t{2}, uint16_t{4}, uint16_t{8}}) {
            expectSameBits(FitArModel(*image.grey, *image.roi, bit, 0, 0, w - 1, h - 1),
                           plainArFit(*image.grey, *image.roi, bit, 0, 0, w - 1, h - 1));
            expectSameBits(FitArModel(*image.grey, *image.roi, bit, -3, 1, w + 4, h - 2),
                           plainArFit(*image.grey, *image.roi, bit, -3, 1, w + 4, h - 2));
            expectSameBits(FitArModel(*image.grey, *image.roi, bit, 2, -1, w / 2, h),
                           plainArFit(*image.grey, *image.roi, bit, 2, -1, w / 2, h));
        }
    }
}

TEST(ArModel, APlaneNarrowerThanTheOtherLimitsTheBox) {
    Image image = makeImage(9, 7, [](int x, int y) { return (x * 37 + y * 11 + x * y) % 50; });
    PlanePtr wide = NewPlane(12, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 12; ++x) wide->at(x, y) = 1;
    expectSameBits(FitArModel(*image.grey, *wide, 1, 0, 0, 11, 6),
                   plainArFit(*image.grey, *wide, 1, 0, 0, 11, 6));
    EXPECT_EQ(FitArModel(*image.grey, *wide, 1, 0, 0, 11, 6)[0], 7.0 * 6.0);
}
