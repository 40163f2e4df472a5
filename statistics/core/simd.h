// Vector lanes of doubles and the one family of squared-distance kernels that
// 1-NN, k-means, the silhouettes, AHC's distance matrix and similarity based
// clustering share.
//
// Every lane performs exactly the operations of the plain loop
//   d²(x, y) = Σ_k (x_k − y_k)²,  summed over k in ascending order from 0,
// side by side with its neighbours; the numeric build never fuses a multiply
// with an add, so a lane holds the scalar sum to the bit, and because
// (a − b)² == (b − a)² to the bit the order of the subtraction is free. Lanes
// are never combined with one another: each kernel only runs several sums at
// once, which is what keeps every caller's results unchanged.
//
// Two doubles are one SSE2 register, which every x86-64 processor has; four
// are one AVX2 register, used inside functions built for AVX2 (the kernels
// are inlined there and take that instruction set). Vectors pass by
// reference or pointer only: their by-value calling convention would depend
// on the instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

// --- lane types --------------------------------------------------------------

// Naturally aligned lanes, for arrays of lanes the code owns.
using Lanes2 = double __attribute__((vector_size(2 * sizeof(double))));
using Lanes4 = double __attribute__((vector_size(4 * sizeof(double))));
// Their bit patterns, for masks and exponent arithmetic.
using LaneBits2 = uint64_t __attribute__((vector_size(2 * sizeof(double))));
using LaneBits4 = uint64_t __attribute__((vector_size(4 * sizeof(double))));
// The same lanes at any double's address (loads from and stores to plain
// double arrays).
using Lanes2At = double __attribute__((vector_size(2 * sizeof(double)), aligned(8), may_alias));
using Lanes4At = double __attribute__((vector_size(4 * sizeof(double)), aligned(8), may_alias));

template <class V>
struct LaneTraits;
template <>
struct LaneTraits<Lanes2> {
    using Bits = LaneBits2;
    using At = Lanes2At;
    static constexpr int kWidth = 2;
};
template <>
struct LaneTraits<Lanes4> {
    using Bits = LaneBits4;
    using At = Lanes4At;
    static constexpr int kWidth = 4;
};

// The lanes starting at p, at any address.
template <class V>
[[gnu::always_inline]] inline const typename LaneTraits<V>::At& lanesAt(const double* p) {
    return *reinterpret_cast<const typename LaneTraits<V>::At*>(p);
}
template <class V>
[[gnu::always_inline]] inline void storeLanes(const V& v, double* p) {
    *reinterpret_cast<typename LaneTraits<V>::At*>(p) = v;
}

// --- squared distances, scalar -------------------------------------------------

// Σ_{k<n} (a_k − b_k)², one sum in the order of k; 0 for n <= 0.
[[gnu::always_inline]] inline double sqDistance(const double* a, const double* b, int n) {
    double sum = 0.0;
    for (int k = 0; k < n; ++k) {
        const double d = a[k] - b[k];
        sum += d * d;
    }
    return sum;
}

// Four independent sums in flight, in registers: out[g] = Σ_{k<n} d(g, k)²,
// each in the order of k, for scalars and lane pairs alike. `difference` is
// inlined, so each caller's loop is the one it would write out by hand.
template <class T, class Difference>
[[gnu::always_inline]] inline void squareSums4(int n, Difference difference, T* out) {
    T sum0 = T{};
    T sum1 = T{};
    T sum2 = T{};
    T sum3 = T{};
    for (int k = 0; k < n; ++k) {
        const T d0 = difference(0, k);
        const T d1 = difference(1, k);
        const T d2 = difference(2, k);
        const T d3 = difference(3, k);
        sum0 += d0 * d0;
        sum1 += d1 * d1;
        sum2 += d2 * d2;
        sum3 += d3 * d3;
    }
    out[0] = sum0;
    out[1] = sum1;
    out[2] = sum2;
    out[3] = sum3;
}

// out[g] = sqDistance(a[g], b[g], n).
[[gnu::always_inline]] inline void sqDistances4(const double* const* a, const double* const* b,
                                                int n, double* out) {
    const double* const as[4] = {a[0], a[1], a[2], a[3]};
    const double* const bs[4] = {b[0], b[1], b[2], b[3]};
    squareSums4<double>(
        n, [&](int g, int k) { return as[g][k] - bs[g][k]; }, out);
}

// --- squared distances, broadcast point against lane blocks -------------------
//
// A lane block holds two rows regrouped feature by feature: block[k] is
// feature k of both rows. `point[k]` holds one row's feature k in both lanes.

// Four blocks at a time keep four independent sums in flight, in registers:
// out_g = Σ_{k<n} d_g[k]² lane by lane. The bits do not depend on the order
// of the subtraction, but the instructions do: with the point first, the
// blocks are read straight into the subtraction. Each caller keeps the order
// it was tuned with, through the two named forms below.
template <bool kPointFirst>
[[gnu::always_inline]] inline void sqDistancesOfBlocks4(const Lanes2* x0, const Lanes2* x1,
                                                        const Lanes2* x2, const Lanes2* x3,
                                                        const Lanes2* point, int n, Lanes2* out) {
    const Lanes2* const xs[4] = {x0, x1, x2, x3};
    squareSums4<Lanes2>(
        n, [&](int g, int k) { return kPointFirst ? point[k] - xs[g][k] : xs[g][k] - point[k]; },
        out);
}

// d_g[k] = x_g[k] − point[k] (1-NN, the silhouettes, the nearest centroid).
[[gnu::always_inline]] inline void sqDistancesToBlocks4(const Lanes2* x0, const Lanes2* x1,
                                                        const Lanes2* x2, const Lanes2* x3,
                                                        const Lanes2* point, int n, Lanes2* out) {
    sqDistancesOfBlocks4<false>(x0, x1, x2, x3, point, n, out);
}

// d_g[k] = point[k] − x_g[k] (k-means' batch assignment, a centroid against
// four sample blocks).
[[gnu::always_inline]] inline void sqDistancesFromPoint4(const Lanes2* x0, const Lanes2* x1,
                                                         const Lanes2* x2, const Lanes2* x3,
                                                         const Lanes2* point, int n, Lanes2* out) {
    sqDistancesOfBlocks4<true>(x0, x1, x2, x3, point, n, out);
}

// One block: Σ_{k<n} (x[k] − point[k])² lane by lane.
[[gnu::always_inline]] inline Lanes2 sqDistancesToBlock(const Lanes2* x, const Lanes2* point,
                                                        int n) {
    Lanes2 sum = {0.0, 0.0};
    for (int k = 0; k < n; ++k) {
        const Lanes2 d = x[k] - point[k];
        sum += d * d;
    }
    return sum;
}

// --- squared distances, point against feature columns --------------------------
//
// columns[k * stride + j] is feature k of row j; one call measures the
// 4 · width rows j = 0 .. 4·width − 1 (read whole, at any address) over the
// features k = first .. end − 1:
// out[j] = Σ_{first<=k<end} (point[k] − columns[k * stride + j])².

// The four vectors of one kernel call.
template <class V>
struct LaneQuartet {
    V a, b, c, d;
};

// point[k] − the four vectors of column k.
template <class V>
[[gnu::always_inline]] inline void columnDifferences(double pointValue, const double* column,
                                                     LaneQuartet<V>& d) {
    constexpr int w = LaneTraits<V>::kWidth;
    d.a = pointValue - lanesAt<V>(column);
    d.b = pointValue - lanesAt<V>(column + w);
    d.c = pointValue - lanesAt<V>(column + 2 * w);
    d.d = pointValue - lanesAt<V>(column + 3 * w);
}

template <class V>
[[gnu::always_inline]] inline void sqDistancesToColumns(const double* point, const double* columns,
                                                        size_t stride, int first, int end,
                                                        double* out) {
    constexpr int w = LaneTraits<V>::kWidth;
    LaneQuartet<V> sum{};
    for (int k = first; k < end; ++k) {
        LaneQuartet<V> d;
        columnDifferences(point[k], columns + static_cast<size_t>(k) * stride, d);
        sum.a += d.a * d.a;
        sum.b += d.b * d.b;
        sum.c += d.c * d.c;
        sum.d += d.d * d.d;
    }
    storeLanes(sum.a, out);
    storeLanes(sum.b, out + w);
    storeLanes(sum.c, out + 2 * w);
    storeLanes(sum.d, out + 3 * w);
}
