#include "analysis/core/texture/ar_model.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr double kMissing = std::numeric_limits<double>::infinity();

double det3(const std::array<std::array<double, 4>, 4>& a, int skipRow, int skipColumn) {
    double m[3][3];
    for (int i = 0, r = 0; i < 4; ++i) {
        if (i == skipRow) continue;
        for (int j = 0, c = 0; j < 4; ++j) {
            if (j == skipColumn) continue;
            m[r][c++] = a[static_cast<size_t>(i)][static_cast<size_t>(j)];
        }
        ++r;
    }
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

}  // namespace

bool SolveByCofactors(const std::array<std::array<double, 4>, 4>& a, const std::array<double, 4>& b,
                      std::array<double, 4>& teta) {
    double det = 0;
    for (int j = 0; j < 4; ++j)
        det += ((j % 2) ? -1.0 : 1.0) * a[0][static_cast<size_t>(j)] * det3(a, 0, j);
    if (det == 0.0) return false;
    std::array<std::array<double, 4>, 4> inverse{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            inverse[static_cast<size_t>(j)][static_cast<size_t>(i)] =
                (((i + j) % 2) ? -1.0 : 1.0) * det3(a, i, j) / det;
    for (size_t i = 0; i < 4; ++i) {
        double sum = 0;
        for (size_t j = 0; j < 4; ++j) sum += inverse[i][j] * b[j];
        teta[i] = sum;
    }
    return true;
}

ArValues FitArModel(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit, int32_t xmin,
                    int32_t ymin, int32_t xmax, int32_t ymax) {
    xmin = std::max(xmin, 0);
    ymin = std::max(ymin, 0);
    xmax = std::min(xmax, std::min(grey.width, roiMap.width) - 1);
    ymax = std::min(ymax, std::min(grey.height, roiMap.height) - 1);
    if (xmin > xmax || ymin > ymax) return {0, 0, 0, 0, 0, 0};
    const int32_t w = xmax - xmin + 1, h = ymax - ymin + 1;

    // Membership of the box's pixels, one byte each, so that the passes below
    // test no ROI word. Grey levels are integers: their sum below 2^53 is
    // exact in 64-bit integers and so equal to the sum in doubles.
    std::vector<uint8_t> inside(static_cast<size_t>(w) * static_cast<size_t>(h));
    int64_t levelSum = 0;
    int64_t count = 0;
    uint32_t levelBits = 0;  // every level is below the next power of two
    for (int32_t y = ymin; y <= ymax; ++y) {
        const uint16_t* roiRow = roiMap.current + static_cast<size_t>(y) * roiMap.width;
        const uint16_t* greyRow = grey.current + static_cast<size_t>(y) * grey.width;
        uint8_t* in = inside.data() + static_cast<size_t>(y - ymin) * static_cast<size_t>(w);
        for (int32_t x = 0; x < w; ++x) in[x] = (roiRow[xmin + x] & roiBit) != 0 ? 1 : 0;
        uint64_t rowSum = 0, rowCount = 0;
        uint32_t bits = 0;
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t g = greyRow[xmin + x] & (0u - in[x]);
            rowSum += g;
            rowCount += in[x];
            bits |= g;
        }
        levelSum += static_cast<int64_t>(rowSum);
        count += static_cast<int64_t>(rowCount);
        levelBits |= bits;
    }
    if (count == 0) return {0, 0, 0, 0, 0, 0};
    // mean = (sum_p g_p) / K
    const double mean = static_cast<double>(levelSum) / static_cast<double>(count);
    // variance = sum_p (g_p - mean)^2 / K, in raster order
    double squares = 0;
    for (int32_t y = ymin; y <= ymax; ++y) {
        const uint16_t* greyRow = grey.current + static_cast<size_t>(y) * grey.width + xmin;
        const uint8_t* in = inside.data() + static_cast<size_t>(y - ymin) * static_cast<size_t>(w);
        for (int32_t x = 0; x < w; ++x)
            if (in[x]) {
                const double d = greyRow[x] - mean;
                squares += d * d;
            }
    }
    const double variance = squares / static_cast<double>(count);
    if (!(variance > 0)) return {0, kMissing, kMissing, kMissing, kMissing, kMissing};
    const double sd = std::sqrt(variance);
    // z(g) = (g - mean) / sd for every level that occurs: one division per
    // level instead of several per pixel, with the same quotient.
    std::vector<double> zOf(size_t{1} << std::bit_width(levelBits));
    for (size_t g = 0; g < zOf.size(); ++g) zOf[g] = (static_cast<double>(g) - mean) / sd;

    // The usable pixels of each row as spans: (x, y) with its four causal
    // neighbours (x-1, y), (x-1, y-1), (x, y-1), (x+1, y-1) in the region.
    struct Span {
        int32_t y, begin, end;  // columns [begin, end) relative to xmin
    };
    std::vector<Span> spans;
    std::vector<uint8_t> usable(static_cast<size_t>(w));
    for (int32_t r = 1; r < h; ++r) {
        const uint8_t* in = inside.data() + static_cast<size_t>(r) * static_cast<size_t>(w);
        const uint8_t* up = in - w;
        for (int32_t x = 1; x < w - 1; ++x)
            usable[x] = in[x] & in[x - 1] & up[x - 1] & up[x] & up[x + 1];
        for (int32_t x = 1; x < w - 1;) {
            if (!usable[x]) {
                ++x;
                continue;
            }
            const int32_t begin = x;
            while (x < w - 1 && usable[x]) ++x;
            spans.push_back({r, begin, x});
        }
    }

    // The standardised levels of the current row and the one above.
    std::vector<double> zRows(2 * static_cast<size_t>(w));
    int32_t rowsAt = -1;  // row held in the "current" half
    const auto loadRows = [&](int32_t r) -> std::pair<const double*, const double*> {
        double* current = zRows.data() + static_cast<size_t>(r & 1) * static_cast<size_t>(w);
        double* above = zRows.data() + static_cast<size_t>((r - 1) & 1) * static_cast<size_t>(w);
        const auto fill = [&](double* out, int32_t row) {
            const uint16_t* greyRow =
                grey.current + static_cast<size_t>(ymin + row) * grey.width + xmin;
            const uint8_t* in = inside.data() + static_cast<size_t>(row) * static_cast<size_t>(w);
            for (int32_t x = 0; x < w; ++x) out[x] = in[x] ? zOf[greyRow[x]] : 0.0;
        };
        if (rowsAt != r) {
            if (rowsAt != r - 1) fill(above, r - 1);
            fill(current, r);
            rowsAt = r;
        }
        return {current, above};
    };

    // Normal equations A teta = b over the usable pixels, in raster order:
    //   A_ij = sum u_i u_j,  b_i = sum z u_i,
    //   u = (z(x-1, y), z(x-1, y-1), z(x, y-1), z(x+1, y-1)).
    // A is symmetric and u_i u_j == u_j u_i, so only its 10 distinct sums are
    // formed. They go two to a register: each lane is its own sum, taking the
    // same products in the same order as a scalar loop, so the bits agree.
    using Pair = double __attribute__((vector_size(16)));
    const auto pairAt = [](const double* p) {
        Pair v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    const auto both = [](double v) { return Pair{v, v}; };
    Pair s00b0 = {0, 0};   // (a00, b0)
    Pair s01s02 = {0, 0};  // (a01, a02)
    Pair s11s12 = {0, 0};  // (a11, a12)
    Pair s22s23 = {0, 0};  // (a22, a23)
    Pair b1b2 = {0, 0};    // (b1, b2)
    Pair s03b3 = {0, 0};   // (a03, b3)
    Pair s13 = {0, 0};     // (a13, -)
    Pair s33 = {0, 0};     // (-, a33)
    int64_t k = 0;
    for (const Span& span : spans) {
        const auto [current, above] = loadRows(span.y);
        for (int32_t x = span.begin; x < span.end; ++x) {
            const Pair u0z = pairAt(current + x - 1);  // (u0, z)
            const Pair u1u2 = pairAt(above + x - 1);
            const Pair u2u3 = pairAt(above + x);
            const Pair u0 = both(current[x - 1]), z = both(current[x]);
            const Pair u1 = both(above[x - 1]), u2 = both(above[x]), u3 = both(above[x + 1]);
            s00b0 += u0 * u0z;
            s01s02 += u0 * u1u2;
            s11s12 += u1 * u1u2;
            s22s23 += u2 * u2u3;
            b1b2 += z * u1u2;
            s03b3 += u3 * u0z;
            s13 += u3 * u1u2;
            s33 += u3 * u2u3;
        }
        k += span.end - span.begin;
    }
    const double a00 = s00b0[0], a01 = s01s02[0], a02 = s01s02[1], a03 = s03b3[0];
    const double a11 = s11s12[0], a12 = s11s12[1], a13 = s13[0];
    const double a22 = s22s23[0], a23 = s22s23[1], a33 = s33[1];
    const std::array<std::array<double, 4>, 4> a = {
        {{a00, a01, a02, a03}, {a01, a11, a12, a13}, {a02, a12, a22, a23}, {a03, a13, a23, a33}}};
    const std::array<double, 4> b = {s00b0[1], b1b2[0], b1b2[1], s03b3[1]};
    std::array<double, 4> teta{};
    if (!SolveByCofactors(a, b, teta))
        return {static_cast<double>(k), kMissing, kMissing, kMissing, kMissing, kMissing};

    // Sigma = sqrt(sum e^2 / K), e = z - (t1 u0 + t2 u1 + t3 u2 + t4 u3)
    double residual = 0;
    for (const Span& span : spans) {
        const auto [current, above] = loadRows(span.y);
        for (int32_t x = span.begin; x < span.end; ++x) {
            const double e = current[x] - (teta[0] * current[x - 1] + teta[1] * above[x - 1] +
                                           teta[2] * above[x] + teta[3] * above[x + 1]);
            residual += e * e;
        }
    }
    return {static_cast<double>(k),
            teta[0],
            teta[1],
            teta[2],
            teta[3],
            std::sqrt(residual / static_cast<double>(k))};
}
