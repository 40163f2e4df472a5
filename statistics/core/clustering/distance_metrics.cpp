#include "statistics/core/clustering/distance_metrics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/parallel.h"
#include "statistics/core/simd.h"

double EuclideanDistance(const SampleMatrix& x, int i, int j, int n) {
    const SampleRow& a = x[i];
    const SampleRow& b = x[j];
    if (n > kMaxFeatures) throw RangeCheckError();
    return std::sqrt(sqDistance(a.data() + 1, b.data() + 1, n));
}

double StandardizedEuclideanDistance(const SampleMatrix& x, int i, int j, int n,
                                     const Vector30& variances) {
    const SampleRow& a = x[i];
    const SampleRow& b = x[j];
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
        // A feature without spread (the shifted points of similarity based
        // clustering can collapse onto one value) cannot be scaled; it adds
        // nothing instead of 0 / 0.
        if (!(variances[k] > 0.0)) continue;
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
    // The form is positive definite; a negative sum is rounding of a nearly
    // zero difference and must not turn into a NaN distance.
    return sum < 0.0 ? 0.0 : std::sqrt(sum);
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

namespace {

// One pass computes the distances of sample i to a block of consecutive
// samples j. Every lane performs exactly the operations of the per-pair
// functions above, in the same order (the vector types only run them side by
// side, and the numeric build never fuses a multiply with an add), so the
// values agree bit for bit. The kernels are written once for vectors of two
// doubles, which every x86-64 processor has, and of four, used where the
// processor has AVX2 (the lanes and the squared-distance kernel of
// simd.h); four vectors make one block.
constexpr int kMaxBlock = 4 * 4;

// Below this many samples the threads cost more than they save.
constexpr int kParallelFrom = 256;

// The samples' features column by column: feature k of sample j at
// k * width + j, zero past the last sample so that every block can be read
// whole.
class FeatureColumns {
  public:
    // `storage` is kept by the caller from one run to the next: fresh pages
    // cost more than copying the columns.
    FeatureColumns(const SampleMatrix& x, int sampleCount, int n, std::vector<double>& storage)
        : width_(static_cast<size_t>(sampleCount) + 1 + kMaxBlock), values_(storage) {
        values_.assign(static_cast<size_t>(n + 1) * width_, 0.0);
        for (int j = 1; j <= sampleCount; ++j) {
            const SampleRow& row = x[j];
            for (int k = 1; k <= n; ++k)
                values_[static_cast<size_t>(k) * width_ + static_cast<size_t>(j)] = row[k];
        }
    }
    const double* at(int k, int j) const {
        return values_.data() + static_cast<size_t>(k) * width_ + static_cast<size_t>(j);
    }

    size_t stride() const { return width_; }

  private:
    size_t width_;
    std::vector<double>& values_;
};

// What a run needs, copied out of the checked arrays once.
struct MetricTables {
    uint8_t metric = kMetricEuclidean;
    int n = 0;
    // Standardised Euclidean: the features that count and their variances.
    int scaledCount = 0;
    int scaled[kMaxFeatures] = {};
    double variance[kMaxFeatures] = {};
    // Mahalanobis: column k of M, inverse[k][l] = M[l][k].
    double inverse[kMaxFeatures + 1][kMaxFeatures + 1] = {};
};

template <class V>
[[gnu::always_inline]] inline void store(const LaneQuartet<V>& v, double* out) {
    constexpr int w = LaneTraits<V>::kWidth;
    storeLanes(v.a, out);
    storeLanes(v.b, out + w);
    storeLanes(v.c, out + 2 * w);
    storeLanes(v.d, out + 3 * w);
}

// x_i - x_j in feature k for the block of samples from j.
template <class V>
[[gnu::always_inline]] inline void differences(const double* sample, const FeatureColumns& x, int k,
                                               int j, LaneQuartet<V>& d) {
    columnDifferences(sample[k], x.at(k, j), d);
}

template <class V>
[[gnu::always_inline]] inline void euclideanSquares(const MetricTables& t, const double* sample,
                                                    const FeatureColumns& x, int j, double* out) {
    sqDistancesToColumns<V>(sample, x.at(0, j), x.stride(), 1, t.n + 1, out);
}

template <class V>
[[gnu::always_inline]] inline void standardizedSquares(const MetricTables& t, const double* sample,
                                                       const FeatureColumns& x, int j,
                                                       double* out) {
    LaneQuartet<V> sum{};
    for (int f = 0; f < t.scaledCount; ++f) {
        LaneQuartet<V> d;
        differences(sample, x, t.scaled[f], j, d);
        const double v = t.variance[f];
        sum.a += d.a * d.a / v;
        sum.b += d.b * d.b / v;
        sum.c += d.c * d.c / v;
        sum.d += d.d * d.d / v;
    }
    store(sum, out);
}

// w_k += d_l M[l][k] over l for one column k of M.
template <class V>
[[gnu::always_inline]] inline void formColumn(const LaneQuartet<V>* d, const double* column, int n,
                                              LaneQuartet<V>& w) {
    for (int l = 1; l <= n; ++l) {
        const double m = column[l];
        w.a += d[l].a * m;
        w.b += d[l].b * m;
        w.c += d[l].c * m;
        w.d += d[l].d * m;
    }
}

template <class V>
[[gnu::always_inline]] inline void addProduct(const LaneQuartet<V>& w, const LaneQuartet<V>& d,
                                              LaneQuartet<V>& sum) {
    sum.a += w.a * d.a;
    sum.b += w.b * d.b;
    sum.c += w.c * d.c;
    sum.d += w.d * d.d;
}

template <class V>
[[gnu::always_inline]] inline void mahalanobisForm(const MetricTables& t, const double* sample,
                                                   const FeatureColumns& x, int j, double* out) {
    LaneQuartet<V> d[kMaxFeatures + 1];
    for (int k = 1; k <= t.n; ++k) differences(sample, x, k, j, d[k]);
    LaneQuartet<V> sum{};
    // Two columns of M at a time give the processor independent chains; the
    // sum still takes w_k d_k in the order of k.
    int k = 1;
    for (; k < t.n; k += 2) {
        const double* first = t.inverse[k];
        const double* second = t.inverse[k + 1];
        LaneQuartet<V> w{};
        LaneQuartet<V> u{};
        for (int l = 1; l <= t.n; ++l) {
            const double m = first[l];
            const double q = second[l];
            w.a += d[l].a * m;
            w.b += d[l].b * m;
            w.c += d[l].c * m;
            w.d += d[l].d * m;
            u.a += d[l].a * q;
            u.b += d[l].b * q;
            u.c += d[l].c * q;
            u.d += d[l].d * q;
        }
        addProduct(w, d[k], sum);
        addProduct(u, d[k + 1], sum);
    }
    if (k == t.n) {
        LaneQuartet<V> w{};
        formColumn(d, t.inverse[k], t.n, w);
        addProduct(w, d[k], sum);
    }
    store(sum, out);
}

template <class V>
[[gnu::always_inline]] inline void magnitude(V& v) {
    using Bits = typename LaneTraits<V>::Bits;
    constexpr uint64_t kMagnitude = INT64_MAX;  // fabs clears the sign bit
    v = reinterpret_cast<V>(reinterpret_cast<Bits>(v) & kMagnitude);
}

template <class V>
[[gnu::always_inline]] inline void cityBlockSum(const MetricTables& t, const double* sample,
                                                const FeatureColumns& x, int j, double* out) {
    LaneQuartet<V> sum{};
    for (int k = 1; k <= t.n; ++k) {
        LaneQuartet<V> d;
        differences(sample, x, k, j, d);
        magnitude(d.a);
        magnitude(d.b);
        magnitude(d.c);
        magnitude(d.d);
        sum.a += d.a;
        sum.b += d.b;
        sum.c += d.c;
        sum.d += d.d;
    }
    store(sum, out);
}

double rootOfForm(double form) {
    return form < 0.0 ? 0.0 : std::sqrt(form);
}

// Distances of sample i (features in `sample`) to samples i + 1 .. count.
template <class V>
[[gnu::always_inline]] inline void fillRowWith(const MetricTables& t, const FeatureColumns& x,
                                               const double* sample, int i, int count,
                                               double* out) {
    constexpr int kBlock = 4 * LaneTraits<V>::kWidth;
    double sums[kBlock];
    for (int j = i + 1; j <= count; j += kBlock) {
        const int lanes = std::min(kBlock, count - j + 1);
        switch (t.metric) {
            case kMetricStandardizedEuclidean:
                standardizedSquares<V>(t, sample, x, j, sums);
                for (int l = 0; l < lanes; ++l) out[j + l] = std::sqrt(sums[l]);
                break;
            case kMetricMahalanobis:
                mahalanobisForm<V>(t, sample, x, j, sums);
                for (int l = 0; l < lanes; ++l) out[j + l] = rootOfForm(sums[l]);
                break;
            case kMetricCityBlock:
                cityBlockSum<V>(t, sample, x, j, sums);
                for (int l = 0; l < lanes; ++l) out[j + l] = sums[l];
                break;
            default:
                euclideanSquares<V>(t, sample, x, j, sums);
                for (int l = 0; l < lanes; ++l) out[j + l] = std::sqrt(sums[l]);
                break;
        }
    }
}

void fillRowBaseline(const MetricTables& t, const FeatureColumns& x, const double* sample, int i,
                     int count, double* out) {
    fillRowWith<Lanes2>(t, x, sample, i, count, out);
}

[[gnu::target("avx2")]] void fillRowAvx2(const MetricTables& t, const FeatureColumns& x,
                                         const double* sample, int i, int count, double* out) {
    fillRowWith<Lanes4>(t, x, sample, i, count, out);
}

// Runs rowJob(i) for i = 1 .. count - 1 on the shared pool; rows are handed
// out a few at a time because their lengths differ. Each row is written by
// one job alone, so the thread that takes it changes nothing.
template <class RowJob>
void forEachRow(int count, const RowJob& rowJob) {
    if (count < 2) return;
    const size_t rows = static_cast<size_t>(count - 1);
    const size_t grain = count >= kParallelFrom ? 4 : rows;
    parallelFor(rows, grain, [&](size_t begin, size_t end) {
        for (size_t r = begin; r < end; ++r) rowJob(static_cast<int>(r) + 1);
    });
}

// Copies the upper triangle onto the lower one, block by block for the cache.
void mirrorUpperTriangle(int count, double* out, size_t stride) {
    constexpr int kBlock = 32;
    for (int ib = 1; ib <= count; ib += kBlock)
        for (int jb = ib; jb <= count; jb += kBlock)
            for (int i = ib; i < std::min(ib + kBlock, count + 1); ++i)
                for (int j = std::max(jb, i + 1); j < std::min(jb + kBlock, count + 1); ++j)
                    out[static_cast<size_t>(j) * stride + static_cast<size_t>(i)] =
                        out[static_cast<size_t>(i) * stride + static_cast<size_t>(j)];
}

}  // namespace

void fillPairDistanceMatrix(const DistanceContext& context, int sampleCount, double* out,
                            size_t stride) {
    // The row jobs run on other threads, where a range error could not be
    // reported: check the sizes here.
    if (sampleCount < 0 || sampleCount > kMaxSamples || context.featureCount < 0 ||
        context.featureCount > kMaxFeatures)
        throw RangeCheckError();
    const SampleMatrix& x = *context.points;
    MetricTables tables;
    tables.metric = context.metric;
    tables.n = context.featureCount;
    const int n = tables.n;
    if (context.metric == kMetricStandardizedEuclidean) {
        for (int k = 1; k <= n; ++k)
            if (context.variances[k] > 0.0) {
                tables.scaled[tables.scaledCount] = k;
                tables.variance[tables.scaledCount] = context.variances[k];
                ++tables.scaledCount;
            }
    }
    if (context.metric == kMetricMahalanobis)
        for (int k = 1; k <= n; ++k)
            for (int l = 1; l <= n; ++l) tables.inverse[k][l] = context.inverseCovariance[l][k];

    thread_local std::vector<double> columnStorage;
    const FeatureColumns columns(x, sampleCount, n, columnStorage);
    const auto fillRow = __builtin_cpu_supports("avx2") ? fillRowAvx2 : fillRowBaseline;
    const auto rowJob = [&](int i) {
        double sample[kMaxFeatures + 1] = {};
        for (int k = 1; k <= n; ++k) sample[k] = x[i][k];
        fillRow(tables, columns, sample, i, sampleCount, out + static_cast<size_t>(i) * stride);
    };
    forEachRow(sampleCount, rowJob);
    mirrorUpperTriangle(sampleCount, out, stride);
    for (int i = 1; i <= sampleCount; ++i)
        out[static_cast<size_t>(i) * stride + static_cast<size_t>(i)] =
            PairDistances(i, i, context);
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

int condensedPairIndex(int i, int j, int sampleCount) {
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
