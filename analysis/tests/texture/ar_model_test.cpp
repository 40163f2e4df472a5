#include "analysis/core/texture/ar_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <iomanip>
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
    Image image{newPlane(w, h), newPlane(w, h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            image.grey->at(x, y) = static_cast<uint16_t>(value(x, y));
            image.roi->at(x, y) = 1;
        }
    return image;
}

ArValues fit(const Image& image) {
    return fitArModel(*image.grey, *image.roi, 1, 0, 0, image.grey->width - 1,
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

TEST(ArModel, DependentRegressorsGiveMissingValuesNotNoise) {
    // Fewer than four usable pixels can never fix four coefficients, however
    // the rounding leaves the determinant: one, two and three usable pixels.
    uint32_t seed = 5;
    auto next = [&seed] {
        seed = seed * 134775813u + 1u;
        return seed >> 22;
    };
    for (int usable = 1; usable <= 3; ++usable) {
        Image image = makeImage(usable + 2, 2, [&](int, int) { return next(); });
        const ArValues v = fit(image);
        EXPECT_EQ(v[kAreaARM], usable);
        for (size_t i = kTeta1; i <= kSigma; ++i) EXPECT_TRUE(std::isinf(v[i])) << usable << i;
    }
    // Planes g = a x + b y + c make every regressor g minus a constant: rank 2,
    // yet the standardised levels round, and the rounded system is not exactly
    // singular. Small and large regions alike.
    for (const auto& [w, h, a, b] :
         {std::array<int, 4>{7, 6, 2, 3}, std::array<int, 4>{300, 200, 5, 7},
          std::array<int, 4>{1024, 1024, 17, 29}}) {
        const ArValues v = fit(makeImage(w, h, [a, b](int x, int y) { return a * x + b * y + 1; }));
        EXPECT_EQ(v[kAreaARM], (w - 2) * (h - 1));
        for (size_t i = kTeta1; i <= kSigma; ++i) EXPECT_TRUE(std::isinf(v[i])) << w << " " << i;
    }
    // The same plane with one level off by one is a well-posed fit again.
    Image bumped = makeImage(300, 200, [](int x, int y) { return 5 * x + 7 * y + 1; });
    bumped.grey->at(150, 100) += 1;
    EXPECT_TRUE(std::isfinite(fit(bumped)[kTeta1]));
}

TEST(ArModel, ConstantThinAndEmptyRegions) {
    ArValues constant = fit(makeImage(5, 5, [](int, int) { return 7; }));
    EXPECT_EQ(constant[0], 0);
    EXPECT_TRUE(std::isinf(constant[1]) && std::isinf(constant[5]));
    ArValues thin = fit(makeImage(9, 1, [](int x, int) { return x * x; }));
    EXPECT_EQ(thin[0], 0);
    EXPECT_TRUE(std::isinf(thin[3]));
    Image image = makeImage(4, 4, [](int x, int y) { return x * y; });
    ArValues none = fitArModel(*image.grey, *image.roi, 2, 0, 0, 3, 3);
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
    ASSERT_TRUE(solveByCofactors(a, b, solved));
    for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(solved[i], x[i], 1e-12);
    a[3] = a[2];
    EXPECT_FALSE(solveByCofactors(a, b, solved));
}

}  // namespace

namespace {

// The normal matrix of a fit, from the plain definition, and its condition
// number in the 1-norm (infinity when singular).
double conditionOfFit(const ImagePlane& grey, const ImagePlane& roi, uint16_t bit, int x0, int y0,
                      int x1, int y1) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, grey.width - 1), y1 = std::min(y1, grey.height - 1);
    const auto in = [&](int x, int y) {
        return x >= x0 && x <= x1 && y >= y0 && y <= y1 && (roi.at(x, y) & bit);
    };
    double sum = 0, n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (in(x, y)) sum += grey.at(x, y), n += 1;
    const double mean = sum / n;
    std::array<std::array<double, 4>, 4> a{};
    for (int y = y0 + 1; y <= y1; ++y)
        for (int x = x0 + 1; x < x1; ++x)
            if (in(x, y) && in(x - 1, y) && in(x, y - 1) && in(x - 1, y - 1) && in(x + 1, y - 1)) {
                const double u[4] = {grey.at(x - 1, y) - mean, grey.at(x - 1, y - 1) - mean,
                                     grey.at(x, y - 1) - mean, grey.at(x + 1, y - 1) - mean};
                for (size_t i = 0; i < 4; ++i)
                    for (size_t j = 0; j < 4; ++j) a[i][j] += u[i] * u[j];
            }
    // Gauss-Jordan with partial pivoting on [A | I]: a system singular but for
    // rounding shows tiny pivots and a huge inverse (a cofactor inverse would
    // divide noise by noise there).
    std::array<std::array<double, 8>, 4> m{};
    double norm = 0;
    for (size_t i = 0; i < 4; ++i) {
        for (size_t j = 0; j < 4; ++j) m[i][j] = a[i][j];
        m[i][4 + i] = 1;
    }
    for (size_t j = 0; j < 4; ++j) {
        double column = 0;
        for (size_t i = 0; i < 4; ++i) column += std::fabs(a[i][j]);
        norm = std::max(norm, column);
    }
    for (size_t k = 0; k < 4; ++k) {
        size_t pivot = k;
        for (size_t i = k + 1; i < 4; ++i)
            if (std::fabs(m[i][k]) > std::fabs(m[pivot][k])) pivot = i;
        if (m[pivot][k] == 0) return std::numeric_limits<double>::infinity();
        std::swap(m[k], m[pivot]);
        for (size_t i = 0; i < 4; ++i) {
            if (i == k) continue;
            const double f = m[i][k] / m[k][k];
            for (size_t j = k; j < 8; ++j) m[i][j] -= f * m[k][j];
        }
    }
    double inverseNorm = 0;
    for (size_t j = 0; j < 4; ++j) {
        double column = 0;
        for (size_t i = 0; i < 4; ++i) column += std::fabs(m[i][4 + j] / m[i][i]);
        inverseNorm = std::max(inverseNorm, column);
    }
    return norm * inverseNorm;
}

// The fast passes sum in lanes and take the variance from integer sums, the
// plain loop sums pixel after pixel: the sums differ in their last bits, and
// the solve passes that on magnified by the condition number of the normal
// matrix. For the well-conditioned systems of real textures the coefficients
// and Sigma agree within 1e-12 relative (the coefficients relative to the
// largest of them, as a solve's error is measured), far below the 8 digits a
// report prints and the golden runs' 1e-9; past a condition number of 1e3
// the bound grows with it; a system singular but for rounding (fewer than
// four usable pixels, say) gives missing values in both. The pixel count,
// missing values and zeros agree exactly.
void expectAgrees(const ImagePlane& grey, const ImagePlane& roi, uint16_t bit, int x0, int y0,
                  int x1, int y1) {
    const ArValues fast = fitArModel(grey, roi, bit, x0, y0, x1, y1);
    const ArValues plain = plainArFit(grey, roi, bit, x0, y0, x1, y1);
    EXPECT_EQ(fast[kAreaARM], plain[kAreaARM]);
    if (std::isinf(plain[kTeta1]) || plain[kAreaARM] == 0) {
        for (size_t i = 1; i < fast.size(); ++i) EXPECT_EQ(fast[i], plain[i]) << "value " << i;
        return;
    }
    const double condition = conditionOfFit(grey, roi, bit, x0, y0, x1, y1);
    if (!(condition < 1e12)) return;
    const double tolerance = 1e-12 * std::max(1.0, condition / 1e3);
    double largest = 0;
    for (size_t i = kTeta1; i <= kTeta4; ++i) largest = std::max(largest, std::fabs(plain[i]));
    for (size_t i = 1; i < fast.size(); ++i)
        EXPECT_LE(std::fabs(fast[i] - plain[i]),
                  tolerance * (i == kSigma ? std::fabs(plain[i]) : largest))
            << "value " << i << ": " << std::setprecision(17) << fast[i] << " vs " << plain[i]
            << ", condition " << condition << ", K " << plain[kAreaARM];
}

}  // namespace

TEST(ArModel, FastPassesAgreeWithThePlainLoopOnRaggedRegions) {
    // Overlapping blobs with holes and one-pixel spurs, boxes that reach past
    // the image or cut the region, 8- and 16-bit levels.
    uint32_t seed = 7;
    const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 12; ++round) {
        const int w = 3 + static_cast<int>(next() >> 27) * 3,
                  h = 2 + static_cast<int>(next() >> 28) * 4;
        const uint32_t levels = round % 2 ? 65536 : 256;
        Image image{newPlane(w, h), newPlane(w, h)};
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
            expectAgrees(*image.grey, *image.roi, bit, 0, 0, w - 1, h - 1);
            expectAgrees(*image.grey, *image.roi, bit, -3, 1, w + 4, h - 2);
            expectAgrees(*image.grey, *image.roi, bit, 2, -1, w / 2, h);
        }
    }
}

TEST(ArModel, APlaneNarrowerThanTheOtherLimitsTheBox) {
    Image image = makeImage(9, 7, [](int x, int y) { return (x * 37 + y * 11 + x * y) % 50; });
    PlanePtr wide = newPlane(12, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 12; ++x) wide->at(x, y) = 1;
    expectAgrees(*image.grey, *wide, 1, 0, 0, 11, 6);
    EXPECT_EQ(fitArModel(*image.grey, *wide, 1, 0, 0, 11, 6)[0], 7.0 * 6.0);
}

namespace {

// A 12-bit texture with causal correlation, so that the coefficients are far
// from zero: v = 0.5 v(x-1, y) + 0.3 v(x, y-1) + noise.
PlanePtr correlatedTexture(int w, int h, uint32_t seed) {
    PlanePtr grey = newPlane(w, h);
    std::vector<double> v(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            double s = static_cast<double>(seed >> 20) - 2048.0;
            if (x > 0) s += 0.5 * v[static_cast<size_t>(y) * w + x - 1];
            if (y > 0) s += 0.3 * v[static_cast<size_t>(y - 1) * w + x];
            v[static_cast<size_t>(y) * w + x] = s;
            grey->at(x, y) = static_cast<uint16_t>(std::clamp(2048.0 + s / 2, 0.0, 4095.0));
        }
    return grey;
}

}  // namespace

TEST(ArModel, LargeRegionsAtTheImageEdgeAgreeWithThePlainLoop) {
    const int w = 523, h = 301;
    const PlanePtr grey = correlatedTexture(w, h, 11);
    const PlanePtr roi = newPlane(w, h);
    uint32_t seed = 5;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            uint16_t word = 1;  // the whole image
            const int dx = x - w, dy = y - h / 2;
            const int rr = dx * dx + dy * dy;
            if (rr < 200 * 200 && rr > 60 * 60) word |= 2;    // a ring cut by the right edge
            if (x % 7 < 3 && y > 2) word |= 4;                // teeth: one usable pixel a row
            if ((seed >> 28) != 0 && x + y > 150) word |= 8;  // a half plane with holes
            if (y == h - 1 || x == 0 || (y < 40 && x % 2)) word |= 16;  // edges and stripes
            roi->at(x, y) = word;
        }
    for (uint16_t bit : {uint16_t{1}, uint16_t{2}, uint16_t{4}, uint16_t{8}, uint16_t{16}}) {
        SCOPED_TRACE(bit);
        const ArValues fast = fitArModel(*grey, *roi, bit, 0, 0, w - 1, h - 1);
        expectAgrees(*grey, *roi, bit, 0, 0, w - 1, h - 1);
        if (bit != 16) {
            EXPECT_GT(std::fabs(fast[kTeta1]), 0.1);
        }
        expectAgrees(*grey, *roi, bit, -5, 17, w + 9, h + 2);
    }
    // The teeth give spans of one pixel, one to a row.
    EXPECT_EQ(fitArModel(*grey, *roi, 4, 0, 0, w - 1, h - 1)[kAreaARM],
              (h - 4) * ((w + 6) / 7) + 0.0);
}

TEST(ArModel, ABoxTallerThanOneBandOfLevelsAgreesWithThePlainLoop) {
    // Over 2^20 pixels: the standardised levels are held a band at a time.
    const int w = 72, h = 15000;
    const PlanePtr grey = correlatedTexture(w, h, 3);
    const PlanePtr roi = newPlane(w, h);
    uint32_t seed = 9;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            roi->at(x, y) = (seed >> 27) != 0 ? 1 : 0;
        }
    expectAgrees(*grey, *roi, 1, 0, 0, w - 1, h - 1);
}

TEST(ArModel, SixteenBitExtremesKeepTheVarianceExact) {
    // Levels 0 and 65535 side by side fill the widest lanes of the integer
    // sums; one odd pixel among equal ones is a variance of 1/K.
    uint32_t seed = 1;
    const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    Image extremes = makeImage(37, 23, [&](int, int) { return (next() >> 30) == 0 ? 0 : 65535; });
    expectAgrees(*extremes.grey, *extremes.roi, 1, 0, 0, 36, 22);
    EXPECT_FALSE(std::isinf(fit(extremes)[kSigma]));
    Image zeros =
        makeImage(40, 9, [&](int x, int y) { return x < 16 && y < 4 ? 0 : (next() >> 16); });
    expectAgrees(*zeros.grey, *zeros.roi, 1, 0, 0, 39, 8);

    Image almostFlat =
        makeImage(33, 20, [](int x, int y) { return x == 20 && y == 10 ? 65534 : 65535; });
    const ArValues flat = fit(almostFlat);
    EXPECT_EQ(flat[kAreaARM], 31.0 * 19.0);
    expectAgrees(*almostFlat.grey, *almostFlat.roi, 1, 0, 0, 32, 19);
}

TEST(ArModel, TheBoxAroundARegionChangesNoBit) {
    // A tight box has fewer pixels than levels and divides per pixel; the
    // whole image goes through the level table. Both give the same quotients
    // and the lanes follow the spans, so the bits agree.
    const PlanePtr grey = correlatedTexture(90, 80, 21);
    const PlanePtr roi = newPlane(90, 80);
    for (int y = 30; y < 41; ++y)
        for (int x = 20; x < 33; ++x) roi->at(x, y) = (x + y) % 11 != 0 ? 1 : 0;
    const ArValues tight = fitArModel(*grey, *roi, 1, 20, 30, 32, 40);
    const ArValues whole = fitArModel(*grey, *roi, 1, 0, 0, 89, 79);
    ASSERT_GT(tight[kAreaARM], 40);
    for (size_t i = 0; i < tight.size(); ++i)
        EXPECT_EQ(std::bit_cast<uint64_t>(tight[i]), std::bit_cast<uint64_t>(whole[i])) << i;
    expectAgrees(*grey, *roi, 1, 20, 30, 32, 40);
}
