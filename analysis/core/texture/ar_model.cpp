#include "analysis/core/texture/ar_model.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr double kMissing = std::numeric_limits<double>::infinity();

// Standardised levels held at once, 8 MiB: a box of 1024 x 1024 whole.
constexpr size_t kBandPixels = size_t{1} << 20;

// Sums over the region's pixels of a box: levels, squared levels, pixels, and
// the OR of the levels.
struct RegionSums {
    uint64_t levels = 0, squares = 0, count = 0;
    uint32_t bits = 0;
};

// Marks the members of one row of the box in `in` (1 or 0) and adds their
// levels to `sums`.
void addRowSums(const uint16_t* roi, const uint16_t* grey, uint16_t roiBit, int32_t w, uint8_t* in,
                RegionSums& sums) {
    int32_t x = 0;
#if defined(__SSE2__)
    // Eight pixels a step. The squares go through pmaddwd on the levels less
    // 2^15, which fit signed 16 bits; a pair of their squares stays within
    // 2^31, so read unsigned it is exact. Per lane the counts stay below 2^11
    // and the level sums below 2^28 for rows up to 16384 pixels.
    const __m128i bit = _mm_set1_epi16(static_cast<short>(roiBit));
    const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi16(-1);
    const __m128i flag = _mm_set1_epi8(1), half = _mm_set1_epi16(static_cast<short>(0x8000));
    __m128i counts = zero, levels = zero, offsetSquares = zero, bits = zero;
    for (; x + 8 <= w; x += 8) {
        const __m128i word = _mm_loadu_si128(reinterpret_cast<const __m128i*>(roi + x));
        const __m128i member = _mm_xor_si128(_mm_cmpeq_epi16(_mm_and_si128(word, bit), zero), ones);
        const __m128i g =
            _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + x)), member);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(in + x),
                         _mm_and_si128(_mm_packs_epi16(member, member), flag));
        counts = _mm_sub_epi16(counts, member);
        bits = _mm_or_si128(bits, g);
        levels = _mm_add_epi32(
            levels, _mm_add_epi32(_mm_unpacklo_epi16(g, zero), _mm_unpackhi_epi16(g, zero)));
        const __m128i d = _mm_and_si128(_mm_xor_si128(g, half), member);
        const __m128i pairs = _mm_madd_epi16(d, d);
        offsetSquares = _mm_add_epi64(
            offsetSquares,
            _mm_add_epi64(_mm_unpacklo_epi32(pairs, zero), _mm_unpackhi_epi32(pairs, zero)));
    }
    alignas(16) uint16_t countLanes[8];
    alignas(16) uint32_t levelLanes[4], bitLanes[4];
    alignas(16) uint64_t squareLanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(countLanes), counts);
    _mm_store_si128(reinterpret_cast<__m128i*>(levelLanes), levels);
    _mm_store_si128(reinterpret_cast<__m128i*>(bitLanes), bits);
    _mm_store_si128(reinterpret_cast<__m128i*>(squareLanes), offsetSquares);
    uint64_t n = 0, sum = 0;
    for (uint16_t c : countLanes) n += c;
    for (int i = 0; i < 4; ++i) {
        sum += levelLanes[i];
        sums.bits |= (bitLanes[i] | bitLanes[i] >> 16) & 0xFFFFu;  // two 16-bit lanes
    }
    // sum g^2 = sum (g - c)^2 + 2 c sum g - n c^2 with c = 2^15, in wrapping
    // arithmetic, exact since the true value is below 2^64.
    constexpr uint64_t c = 1u << 15;
    sums.squares += squareLanes[0] + squareLanes[1] + 2 * c * sum - n * c * c;
    sums.levels += sum;
    sums.count += n;
#endif
    for (; x < w; ++x) {
        in[x] = (roi[x] & roiBit) != 0 ? 1 : 0;
        const uint32_t g = grey[x] & (0u - in[x]);
        sums.levels += g;
        sums.squares += uint64_t{g} * g;
        sums.count += in[x];
        sums.bits |= g;
    }
}

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

bool solveByCofactors(const std::array<std::array<double, 4>, 4>& a, const std::array<double, 4>& b,
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

ArValues fitArModel(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit, int32_t xmin,
                    int32_t ymin, int32_t xmax, int32_t ymax) {
    xmin = std::max(xmin, 0);
    ymin = std::max(ymin, 0);
    xmax = std::min(xmax, std::min(grey.width, roiMap.width) - 1);
    ymax = std::min(ymax, std::min(grey.height, roiMap.height) - 1);
    if (xmin > xmax || ymin > ymax) return {0, 0, 0, 0, 0, 0};
    const int32_t w = xmax - xmin + 1, h = ymax - ymin + 1;

    // Membership of the box's pixels, one byte each, so that the passes below
    // test no ROI word; with it the sums of the levels and of their squares.
    // A plane holds at most 2^28 words of at most 16 bits, so both sums are
    // exact in 64-bit integers.
    std::vector<uint8_t> inside(static_cast<size_t>(w) * static_cast<size_t>(h));
    RegionSums sums;
    for (int32_t y = ymin; y <= ymax; ++y)
        addRowSums(roiMap.current + static_cast<size_t>(y) * roiMap.width + xmin,
                   grey.current + static_cast<size_t>(y) * grey.width + xmin, roiBit, w,
                   inside.data() + static_cast<size_t>(y - ymin) * static_cast<size_t>(w), sums);
    const uint64_t levelSum = sums.levels, squareSum = sums.squares, count = sums.count;
    const uint32_t levelBits = sums.bits;
    if (count == 0) return {0, 0, 0, 0, 0, 0};
    const double n = static_cast<double>(count);
    // mean = (sum_p g_p) / K
    const double mean = static_cast<double>(levelSum) / n;
    // variance = sum_p (g_p - mean)^2 / K, from the integer sums: with m the
    // integer nearest to the mean and r = sum_p g_p - K m,
    //   sum_p (g_p - mean)^2 = sum_p (g_p - m)^2 - r^2 / K,
    // the first term exact in integers (it stays below 2^60, so wrapping
    // arithmetic gives it), the second never more than the result since no
    // level lies nearer the mean than m. So the result is within a few
    // roundings of the true value, with no chain of dependent additions.
    const uint64_t nearest = (2 * levelSum + count) / (2 * count);
    const double excess = static_cast<double>(static_cast<int64_t>(levelSum - count * nearest));
    const uint64_t centred = squareSum - 2 * nearest * levelSum + count * nearest * nearest;
    const double squares = static_cast<double>(centred) - excess * excess / n;
    const double variance = squares / n;
    if (!(variance > 0)) return {0, kMissing, kMissing, kMissing, kMissing, kMissing};
    const double sd = std::sqrt(variance);
    // z(g) = (g - mean) / sd for every level that may occur: one division per
    // level instead of several per pixel, with the same quotient. A box with
    // fewer pixels than levels (a map's window) divides per pixel instead.
    const size_t levelCount = size_t{1} << std::bit_width(levelBits);
    const bool byTable = static_cast<size_t>(w) * static_cast<size_t>(h) >= levelCount;
    std::vector<double> zOf(byTable ? levelCount : 0);
    for (size_t g = 0; g < zOf.size(); ++g) zOf[g] = (static_cast<double>(g) - mean) / sd;

    // The usable pixels of each row as spans: (x, y) with its four causal
    // neighbours (x-1, y), (x-1, y-1), (x, y-1), (x+1, y-1) in the region.
    // Runs are scanned eight flags at a time.
    struct Span {
        int32_t y, begin, end;  // columns [begin, end) relative to xmin
    };
    std::vector<Span> spans;
    std::vector<uint8_t> usable(static_cast<size_t>(w) + 8);
    const auto eight = [&](int32_t x) {
        uint64_t v;
        std::memcpy(&v, usable.data() + x, sizeof v);
        return v;
    };
    constexpr uint64_t kAllUsable = 0x0101010101010101u;
    using Bytes = uint8_t __attribute__((vector_size(16)));
    const auto bytesAt = [](const uint8_t* p) {
        Bytes v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    for (int32_t row = 1; row < h; ++row) {
        const uint8_t* in = inside.data() + static_cast<size_t>(row) * static_cast<size_t>(w);
        const uint8_t* up = in - w;
        int32_t x = 1;
        for (; x + 16 <= w - 1; x += 16) {
            const Bytes flags = bytesAt(in + x) & bytesAt(in + x - 1) & bytesAt(up + x - 1) &
                                bytesAt(up + x) & bytesAt(up + x + 1);
            std::memcpy(usable.data() + x, &flags, sizeof flags);
        }
        for (; x < w - 1; ++x) usable[x] = in[x] & in[x - 1] & up[x - 1] & up[x] & up[x + 1];
        for (x = 1; x < w - 1;) {
            while (x + 8 <= w - 1 && eight(x) == 0) x += 8;
            while (x < w - 1 && !usable[x]) ++x;
            if (x >= w - 1) break;
            const int32_t begin = x;
            while (x + 8 <= w - 1 && eight(x) == kAllUsable) x += 8;
            while (x < w - 1 && usable[x]) ++x;
            spans.push_back({row, begin, x});
        }
    }

    using Pair = double __attribute__((vector_size(16)));

    // The standardised levels of a band of the box's rows; outside the region
    // they are 0 and never read for a usable pixel. A box of up to
    // kBandPixels is held whole, so that the two passes below fill it once;
    // a larger one a band at a time.
    const int32_t bandRows = static_cast<int32_t>(std::min<size_t>(
        static_cast<size_t>(h), std::max<size_t>(2, kBandPixels / static_cast<size_t>(w))));
    const auto band = std::make_unique_for_overwrite<double[]>(static_cast<size_t>(bandRows) *
                                                               static_cast<size_t>(w));
    int32_t bandFirst = 0, bandEnd = 0;  // rows [bandFirst, bandEnd) are held
    const auto fillRow = [&](double* out, int32_t row) {
        const uint16_t* greyRow =
            grey.current + static_cast<size_t>(ymin + row) * grey.width + xmin;
        const uint8_t* in = inside.data() + static_cast<size_t>(row) * static_cast<size_t>(w);
        int32_t x = 0;
        if (!byTable) {
            for (; x < w; ++x) out[x] = in[x] ? (static_cast<double>(greyRow[x]) - mean) / sd : 0.0;
            return;
        }
        for (; x + 2 <= w; x += 2) {
            const Pair z = {zOf[greyRow[x] & (0u - in[x])], zOf[greyRow[x + 1] & (0u - in[x + 1])]};
            std::memcpy(out + x, &z, sizeof z);
        }
        if (x < w) out[x] = zOf[greyRow[x] & (0u - in[x])];
    };
    // A row of spans and the one above it.
    const auto loadRows = [&](int32_t row) -> std::pair<const double*, const double*> {
        if (row - 1 < bandFirst || row >= bandEnd) {
            bandFirst = row - 1;
            bandEnd = std::min(h, bandFirst + bandRows);
            for (int32_t r = bandFirst; r < bandEnd; ++r)
                fillRow(band.get() + static_cast<size_t>(r - bandFirst) * static_cast<size_t>(w),
                        r);
        }
        const double* current =
            band.get() + static_cast<size_t>(row - bandFirst) * static_cast<size_t>(w);
        return {current, current - w};
    };

    // Normal equations A teta = b over the usable pixels:
    //   A_ij = sum u_i u_j,  b_i = sum z u_i,
    //   u = (z(x-1, y), z(x-1, y-1), z(x, y-1), z(x+1, y-1)).
    // A is symmetric, so only its 10 distinct sums are formed. Two
    // neighbouring pixels of a span go side by side in a register, each lane
    // its own partial sum (an odd span's last pixel joins lane 0), and the
    // lanes are added at the end. All 14 sums take their products in this one
    // order, so regressors that agree at every pixel give equal rows of A and
    // a singular system stays exactly singular.
    const auto pairAt = [](const double* p) {
        Pair v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    // -0.0 leaves every lane it is added to as it was, a zero's sign included.
    const auto first = [](double v) { return Pair{v, -0.0}; };
    Pair s00 = {0, 0}, s01 = {0, 0}, s02 = {0, 0}, s03 = {0, 0}, s11 = {0, 0};
    Pair s12 = {0, 0}, s13 = {0, 0}, s22 = {0, 0}, s23 = {0, 0}, s33 = {0, 0};
    Pair t0 = {0, 0}, t1 = {0, 0}, t2 = {0, 0}, t3 = {0, 0};
    int64_t k = 0;
    for (const Span& span : spans) {
        const auto [current, above] = loadRows(span.y);
        int32_t x = span.begin;
        // Two loops of seven sums each, so that every sum stays in a register.
        for (; x + 1 < span.end; x += 2) {
            const Pair u0 = pairAt(current + x - 1), z = pairAt(current + x);
            const Pair u1 = pairAt(above + x - 1), u2 = pairAt(above + x);
            s00 += u0 * u0;
            s01 += u0 * u1;
            s02 += u0 * u2;
            s11 += u1 * u1;
            s12 += u1 * u2;
            t0 += z * u0;
            t1 += z * u1;
        }
        for (x = span.begin; x + 1 < span.end; x += 2) {
            const Pair u0 = pairAt(current + x - 1), z = pairAt(current + x);
            const Pair u1 = pairAt(above + x - 1), u2 = pairAt(above + x);
            const Pair u3 = pairAt(above + x + 1);
            s03 += u0 * u3;
            s13 += u1 * u3;
            s22 += u2 * u2;
            s23 += u2 * u3;
            s33 += u3 * u3;
            t2 += z * u2;
            t3 += z * u3;
        }
        if (x < span.end) {
            const double u0 = current[x - 1], z = current[x];
            const double u1 = above[x - 1], u2 = above[x], u3 = above[x + 1];
            s00 += first(u0 * u0);
            s01 += first(u0 * u1);
            s02 += first(u0 * u2);
            s03 += first(u0 * u3);
            s11 += first(u1 * u1);
            s12 += first(u1 * u2);
            s13 += first(u1 * u3);
            s22 += first(u2 * u2);
            s23 += first(u2 * u3);
            s33 += first(u3 * u3);
            t0 += first(z * u0);
            t1 += first(z * u1);
            t2 += first(z * u2);
            t3 += first(z * u3);
        }
        k += span.end - span.begin;
    }
    const auto total = [](Pair s) { return s[0] + s[1]; };
    const double a00 = total(s00), a01 = total(s01), a02 = total(s02), a03 = total(s03);
    const double a11 = total(s11), a12 = total(s12), a13 = total(s13);
    const double a22 = total(s22), a23 = total(s23), a33 = total(s33);
    const std::array<std::array<double, 4>, 4> a = {
        {{a00, a01, a02, a03}, {a01, a11, a12, a13}, {a02, a12, a22, a23}, {a03, a13, a23, a33}}};
    const std::array<double, 4> b = {total(t0), total(t1), total(t2), total(t3)};
    std::array<double, 4> teta{};
    if (!solveByCofactors(a, b, teta))
        return {static_cast<double>(k), kMissing, kMissing, kMissing, kMissing, kMissing};

    // Sigma = sqrt(sum e^2 / K), e = z - (t1 u0 + t2 u1 + t3 u2 + t4 u3),
    // summed in the lanes of the normal equations.
    const Pair th0 = {teta[0], teta[0]}, th1 = {teta[1], teta[1]};
    const Pair th2 = {teta[2], teta[2]}, th3 = {teta[3], teta[3]};
    Pair residual = {0, 0};
    for (const Span& span : spans) {
        const auto [current, above] = loadRows(span.y);
        int32_t x = span.begin;
        for (; x + 1 < span.end; x += 2) {
            const Pair e =
                pairAt(current + x) - (th0 * pairAt(current + x - 1) + th1 * pairAt(above + x - 1) +
                                       th2 * pairAt(above + x) + th3 * pairAt(above + x + 1));
            residual += e * e;
        }
        if (x < span.end) {
            const double e = current[x] - (teta[0] * current[x - 1] + teta[1] * above[x - 1] +
                                           teta[2] * above[x] + teta[3] * above[x + 1]);
            residual += first(e * e);
        }
    }
    return {static_cast<double>(k),
            teta[0],
            teta[1],
            teta[2],
            teta[3],
            std::sqrt(total(residual) / static_cast<double>(k))};
}
