#include "analysis/core/texture/ar_model.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr double kMissing = std::numeric_limits<double>::infinity();

// A pivot of the regressors' correlation matrix below this times √K is
// rounding: the sums of K products carry errors of about √K ulps of their
// terms, and a rank-deficient system keeps pivots of that size (below 5 ε√K
// for planes of levels up to 1024 x 1024 pixels), while real textures keep
// theirs above 10^6 ε√K.
constexpr double kRankTolerance = 64 * std::numeric_limits<double>::epsilon();

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

bool regressorsIndependent(const std::array<std::array<double, 4>, 4>& a, int64_t k) {
    if (k < 4) return false;
    // C = D^-1/2 A D^-1/2, D = diag(A): the regressors' correlations.
    std::array<double, 4> scale{};
    for (size_t i = 0; i < 4; ++i) {
        if (!(a[i][i] > 0)) return false;
        scale[i] = 1 / std::sqrt(a[i][i]);
    }
    std::array<std::array<double, 4>, 4> c{};
    for (size_t i = 0; i < 4; ++i)
        for (size_t j = 0; j < 4; ++j) c[i][j] = a[i][j] * scale[i] * scale[j];
    // Pivoted elimination: the largest remaining diagonal each step.
    // pivot = C_pp,  C_ij −= C_ip C_pj / C_pp for the regressors left.
    const double tolerance = kRankTolerance * std::sqrt(static_cast<double>(k));
    std::array<bool, 4> taken{};
    for (int step = 0; step < 4; ++step) {
        size_t p = 4;
        for (size_t i = 0; i < 4; ++i)
            if (!taken[i] && (p == 4 || c[i][i] > c[p][p])) p = i;
        if (!(c[p][p] > tolerance)) return false;
        taken[p] = true;
        for (size_t i = 0; i < 4; ++i)
            for (size_t j = 0; j < 4; ++j)
                if (!taken[i] && !taken[j]) c[i][j] -= c[i][p] * c[p][j] / c[p][p];
    }
    return true;
}

bool solveArSystem(const std::array<std::array<double, 4>, 4>& a, const std::array<double, 4>& b,
                   int64_t k, std::array<double, 4>& teta) {
    return regressorsIndependent(a, k) && solveByCofactors(a, b, teta);
}

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

namespace {

using Matrix4 = std::array<std::array<double, 4>, 4>;
using Pair = double __attribute__((vector_size(16)));

Pair pairAt(const double* p) {
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
// v in lane 0; -0.0 leaves every lane it is added to as it was, a zero's sign included.
Pair first(double v) {
    return Pair{v, -0.0};
}
double total(Pair s) {
    return s[0] + s[1];
}

// The box of a fit, clipped to both planes; columns and rows inclusive.
struct Box {
    int32_t xmin, ymin, xmax, ymax;
    bool empty() const { return xmin > xmax || ymin > ymax; }
    int32_t width() const { return xmax - xmin + 1; }
    int32_t height() const { return ymax - ymin + 1; }
};

Box clipBox(const ImagePlane& grey, const ImagePlane& roiMap, int32_t xmin, int32_t ymin,
            int32_t xmax, int32_t ymax) {
    return {std::max(xmin, 0), std::max(ymin, 0),
            std::min(xmax, std::min(grey.width, roiMap.width) - 1),
            std::min(ymax, std::min(grey.height, roiMap.height) - 1)};
}

// At least n elements, growing only: the buffers of a scratch keep the
// largest size asked of them.
template <class Buffer>
void ensureSize(Buffer& buffer, size_t n) {
    if (buffer.size() < n) buffer.resize(n);
}

// Membership of the box's pixels, one byte each in `inside` (box rows, 1 for
// a member), so that the passes after it test no ROI word; with it the sums
// of the levels and of their squares. A plane holds at most 2^28 words of at
// most 16 bits, so both sums are exact in 64-bit integers.
RegionSums regionOf(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit,
                    const Box& box, std::pmr::vector<uint8_t>& inside) {
    const int32_t w = box.width(), h = box.height();
    RegionSums sums;
    ensureSize(inside, static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int32_t y = box.ymin; y <= box.ymax; ++y)
        addRowSums(roiMap.current + static_cast<size_t>(y) * roiMap.width + box.xmin,
                   grey.current + static_cast<size_t>(y) * grey.width + box.xmin, roiBit, w,
                   inside.data() + static_cast<size_t>(y - box.ymin) * static_cast<size_t>(w),
                   sums);
    return sums;
}

// The region's mean and standard deviation from its integer sums; false when
// the variance is not positive (a constant region).
//   mean     = Σ g / K
//   m        = the integer nearest to the mean,  r = Σ g − K m
//   Σ (g − mean)² = Σ (g − m)² − r² / K
//   variance = Σ (g − mean)² / K
//   sd       = √variance
// Σ (g − m)² is exact in integers (below 2^60, so wrapping arithmetic gives
// it) and r² / K never exceeds the result, since no level lies nearer the
// mean than m: the variance is within a few roundings of the true value, with
// no chain of dependent additions.
bool standardise(const RegionSums& sums, double& mean, double& sd) {
    const uint64_t levelSum = sums.levels, squareSum = sums.squares, count = sums.count;
    const double n = static_cast<double>(count);
    mean = static_cast<double>(levelSum) / n;
    const uint64_t nearest = (2 * levelSum + count) / (2 * count);
    const double excess = static_cast<double>(static_cast<int64_t>(levelSum - count * nearest));
    const uint64_t centred = squareSum - 2 * nearest * levelSum + count * nearest * nearest;
    const double squares = static_cast<double>(centred) - excess * excess / n;
    const double variance = squares / n;
    if (!(variance > 0)) return false;
    sd = std::sqrt(variance);
    return true;
}

// Columns [begin, end) of box row y (relative to xmin) whose pixels are usable.
using Span = ArScratch::Span;

// The usable pixels as spans, into `spans`: (x, y) with its four causal
// neighbours (x-1, y), (x-1, y-1), (x, y-1), (x+1, y-1) in the region.
// Runs are scanned eight flags at a time.
void usableSpans(const std::pmr::vector<uint8_t>& inside, int32_t w, int32_t h,
                 std::pmr::vector<uint8_t>& usable, std::pmr::vector<Span>& spans) {
    spans.clear();
    usable.assign(static_cast<size_t>(w) + 8, 0);
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
}

// The standardised levels z = (g − mean) / sd of a band of the box's rows;
// outside the region they are 0 and never read for a usable pixel. A box of
// up to kBandPixels is held whole, so that the two passes over the spans fill
// it once; a larger one a band at a time.
class StandardisedRows {
  public:
    StandardisedRows(const ImagePlane& grey, const Box& box, uint32_t levelBits, double mean,
                     double sd, ArScratch& scratch)
        : grey_(grey),
          box_(box),
          inside_(scratch.inside),
          mean_(mean),
          sd_(sd),
          w_(box.width()),
          h_(box.height()),
          zOf_(scratch.levelZ),
          band_(scratch.band) {
        // z for every level that may occur: one division per level instead of
        // several per pixel, with the same quotient. A box with fewer pixels
        // than levels (a map's window) divides per pixel instead.
        const size_t levelCount = size_t{1} << std::bit_width(levelBits);
        byTable_ = static_cast<size_t>(w_) * static_cast<size_t>(h_) >= levelCount;
        if (byTable_) {
            ensureSize(zOf_, levelCount);
            for (size_t g = 0; g < levelCount; ++g) zOf_[g] = (static_cast<double>(g) - mean) / sd;
        }
        bandRows_ = static_cast<int32_t>(std::min<size_t>(
            static_cast<size_t>(h_), std::max<size_t>(2, kBandPixels / static_cast<size_t>(w_))));
        ensureSize(band_, static_cast<size_t>(bandRows_) * static_cast<size_t>(w_));
    }

    // Box row `row` of z and the row above it.
    std::pair<const double*, const double*> rows(int32_t row) {
        if (row - 1 < bandFirst_ || row >= bandEnd_) {
            bandFirst_ = row - 1;
            bandEnd_ = std::min(h_, bandFirst_ + bandRows_);
            for (int32_t r = bandFirst_; r < bandEnd_; ++r)
                fillRow(
                    band_.data() + static_cast<size_t>(r - bandFirst_) * static_cast<size_t>(w_),
                    r);
        }
        const double* current =
            band_.data() + static_cast<size_t>(row - bandFirst_) * static_cast<size_t>(w_);
        return {current, current - w_};
    }

  private:
    void fillRow(double* out, int32_t row) const {
        const uint16_t* greyRow =
            grey_.current + static_cast<size_t>(box_.ymin + row) * grey_.width + box_.xmin;
        const uint8_t* in = inside_.data() + static_cast<size_t>(row) * static_cast<size_t>(w_);
        int32_t x = 0;
        if (!byTable_) {
            for (; x < w_; ++x)
                out[x] = in[x] ? (static_cast<double>(greyRow[x]) - mean_) / sd_ : 0.0;
            return;
        }
        for (; x + 2 <= w_; x += 2) {
            const Pair z = {zOf_[greyRow[x] & (0u - in[x])],
                            zOf_[greyRow[x + 1] & (0u - in[x + 1])]};
            std::memcpy(out + x, &z, sizeof z);
        }
        if (x < w_) out[x] = zOf_[greyRow[x] & (0u - in[x])];
    }

    const ImagePlane& grey_;
    const Box box_;
    const std::pmr::vector<uint8_t>& inside_;
    const double mean_, sd_;
    const int32_t w_, h_;
    bool byTable_ = false;
    std::pmr::vector<double>& zOf_;
    int32_t bandRows_ = 0;
    std::pmr::vector<double>& band_;
    int32_t bandFirst_ = 0, bandEnd_ = 0;  // rows [bandFirst_, bandEnd_) are held
};

// The normal equations A θ = b over the K usable pixels.
struct NormalEquations {
    Matrix4 a;
    std::array<double, 4> b;
    int64_t k;
};

// u = (z(x-1, y), z(x-1, y-1), z(x, y-1), z(x+1, y-1))
// A_ij = Σ u_i u_j
// b_i  = Σ z(x, y) u_i
// K    = the number of usable pixels
// A is symmetric, so only its 10 distinct sums are formed. Two neighbouring
// pixels of a span go side by side in a register, each lane its own partial
// sum (an odd span's last pixel joins lane 0), and the lanes are added at the
// end. All 14 sums take their products in this one order, so regressors that
// agree at every pixel give equal rows of A and a singular system stays
// exactly singular.
NormalEquations normalEquations(const std::pmr::vector<Span>& spans, StandardisedRows& z) {
    Pair s00 = {0, 0}, s01 = {0, 0}, s02 = {0, 0}, s03 = {0, 0}, s11 = {0, 0};
    Pair s12 = {0, 0}, s13 = {0, 0}, s22 = {0, 0}, s23 = {0, 0}, s33 = {0, 0};
    Pair t0 = {0, 0}, t1 = {0, 0}, t2 = {0, 0}, t3 = {0, 0};
    int64_t k = 0;
    for (const Span& span : spans) {
        const auto [current, above] = z.rows(span.y);
        int32_t x = span.begin;
        // Two loops of seven sums each, so that every sum stays in a register.
        for (; x + 1 < span.end; x += 2) {
            const Pair u0 = pairAt(current + x - 1), w = pairAt(current + x);
            const Pair u1 = pairAt(above + x - 1), u2 = pairAt(above + x);
            s00 += u0 * u0;
            s01 += u0 * u1;
            s02 += u0 * u2;
            s11 += u1 * u1;
            s12 += u1 * u2;
            t0 += w * u0;
            t1 += w * u1;
        }
        for (x = span.begin; x + 1 < span.end; x += 2) {
            const Pair u0 = pairAt(current + x - 1), w = pairAt(current + x);
            const Pair u1 = pairAt(above + x - 1), u2 = pairAt(above + x);
            const Pair u3 = pairAt(above + x + 1);
            s03 += u0 * u3;
            s13 += u1 * u3;
            s22 += u2 * u2;
            s23 += u2 * u3;
            s33 += u3 * u3;
            t2 += w * u2;
            t3 += w * u3;
        }
        if (x < span.end) {
            const double u0 = current[x - 1], w = current[x];
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
            t0 += first(w * u0);
            t1 += first(w * u1);
            t2 += first(w * u2);
            t3 += first(w * u3);
        }
        k += span.end - span.begin;
    }
    const double a00 = total(s00), a01 = total(s01), a02 = total(s02), a03 = total(s03);
    const double a11 = total(s11), a12 = total(s12), a13 = total(s13);
    const double a22 = total(s22), a23 = total(s23), a33 = total(s33);
    return {
        {{{a00, a01, a02, a03}, {a01, a11, a12, a13}, {a02, a12, a22, a23}, {a03, a13, a23, a33}}},
        {total(t0), total(t1), total(t2), total(t3)},
        k};
}

// Sigma = √(Σ e² / K),  e = z(x, y) − θᵀu,
// summed in the lanes of the normal equations.
double residualDeviation(const std::pmr::vector<Span>& spans, StandardisedRows& z,
                         const std::array<double, 4>& teta, int64_t k) {
    const Pair th0 = {teta[0], teta[0]}, th1 = {teta[1], teta[1]};
    const Pair th2 = {teta[2], teta[2]}, th3 = {teta[3], teta[3]};
    Pair residual = {0, 0};
    for (const Span& span : spans) {
        const auto [current, above] = z.rows(span.y);
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
    return std::sqrt(total(residual) / static_cast<double>(k));
}

}  // namespace

ArValues fitArModel(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit, int32_t xmin,
                    int32_t ymin, int32_t xmax, int32_t ymax) {
    ArScratch scratch;
    return fitArModel(grey, roiMap, roiBit, xmin, ymin, xmax, ymax, scratch);
}

ArValues fitArModel(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit, int32_t xmin,
                    int32_t ymin, int32_t xmax, int32_t ymax, ArScratch& scratch) {
    const Box box = clipBox(grey, roiMap, xmin, ymin, xmax, ymax);
    if (box.empty()) return {0, 0, 0, 0, 0, 0};
    const RegionSums sums = regionOf(grey, roiMap, roiBit, box, scratch.inside);
    if (sums.count == 0) return {0, 0, 0, 0, 0, 0};
    double mean = 0, sd = 0;
    if (!standardise(sums, mean, sd)) return {0, kMissing, kMissing, kMissing, kMissing, kMissing};
    usableSpans(scratch.inside, box.width(), box.height(), scratch.usable, scratch.spans);
    const std::pmr::vector<Span>& spans = scratch.spans;
    StandardisedRows z(grey, box, sums.bits, mean, sd, scratch);
    const NormalEquations system = normalEquations(spans, z);
    const double k = static_cast<double>(system.k);
    std::array<double, 4> teta{};
    if (!solveArSystem(system.a, system.b, system.k, teta))
        return {k, kMissing, kMissing, kMissing, kMissing, kMissing};
    return {k, teta[0], teta[1], teta[2], teta[3], residualDeviation(spans, z, teta, system.k)};
}
