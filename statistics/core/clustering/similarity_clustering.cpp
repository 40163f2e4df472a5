#include "statistics/core/clustering/similarity_clustering.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/textformat.h"
#include "statistics/core/clustering/distance_metrics.h"
#include "statistics/core/linear/column_statistics.h"
#include "statistics/core/reports/report_header.h"
#include "statistics/core/simd.h"

// Similarities are evaluated as exp(-(d / beta) * gamma) rather than as
// exp(-d / beta) raised to gamma: one exp instead of an exp and a pow per
// pair. The two agree exactly for gamma = 1 and otherwise differ by a few
// units in the last place (relative difference below 1e-12 for every weight
// that is not vanishingly small), far below anything the 0.03 move tolerance
// or the 0.97 correlation threshold can resolve.

namespace {

constexpr int kStride = 32;  // packed rows: features 1..n at 0..n-1
constexpr int kMaxPairs = kMaxSamples * (kMaxSamples - 1) / 2;
constexpr int kMaxThreads = 8;
// Work below this many pairs per thread is not worth a thread's start.
constexpr long long kPairsPerThread = 20000;
// Total similarities whose relative spread is below this differ only by the
// rounding of their sums: their correlation would be noise.
constexpr double kNoSpreadRelative = 1e-10;

// The run's fixed storage, allocated once for the whole process.
struct ScmStorage {
    SampleMatrix points;   // ScmPoints
    SampleMatrix centred;  // a copy of ScmPoints for checking the Mahalanobis metric
    std::vector<double> squared = std::vector<double>(kMaxPairs + 1);  // E, index 1..M
    std::vector<double> weights = std::vector<double>(kMaxPairs + 1);  // one exponent's
    std::vector<double> totalsCurrent = std::vector<double>(kMaxSamples + 1);
    std::vector<double> totalsNext = std::vector<double>(kMaxSamples + 1);
    // The working data row by row and feature by feature, and the previous
    // and new positions of a pass, packed for the passes' inner loops.
    std::vector<double> rows = std::vector<double>(size_t{kMaxSamples} * kStride);
    std::vector<double> columns = std::vector<double>(size_t{kStride} * kMaxSamples);
    std::vector<double> previous = std::vector<double>(size_t{kMaxSamples} * kStride);
    std::vector<double> next = std::vector<double>(size_t{kMaxSamples} * kStride);
    std::vector<double> moves = std::vector<double>(kMaxSamples);
    std::vector<uint8_t> failed = std::vector<uint8_t>(kMaxSamples);
    // Per worker: squared distances and weights of one row.
    std::vector<double> scratch = std::vector<double>(size_t{kMaxThreads} * 2 * kMaxSamples);
};

ScmStorage& storage() {
    static const std::unique_ptr<ScmStorage> instance = std::make_unique<ScmStorage>();
    return *instance;
}

int workerCount() {
    const unsigned hardware = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(hardware), 1, kMaxThreads);
}

// Runs work(slot, slots) for slot = 0..slots-1, each on its own thread (the
// caller's for slot 0), with one slot per `grain` units of work up to the
// machine's cores. Every slot owns a fixed part of the data, so the result
// does not depend on scheduling or on the number of slots; a slot whose
// thread cannot be started runs on the caller.
template <class Work>
void runParallel(long long units, long long grain, Work work) {
    const int slots = static_cast<int>(std::clamp<long long>(units / grain, 1, workerCount()));
    std::vector<std::thread> workers;
    workers.reserve(static_cast<size_t>(slots));
    for (int slot = 1; slot < slots; ++slot) {
        try {
            workers.emplace_back(work, slot, slots);
        } catch (const std::system_error&) {
            work(slot, slots);
        }
    }
    work(0, slots);
    for (std::thread& worker : workers) worker.join();
}

// Items first..last split into `slots` contiguous parts; part `slot`.
std::pair<int, int> partOf(int first, int last, int slot, int slots) {
    const long long count = last - first + 1;
    const int begin = first + static_cast<int>(count * slot / slots);
    const int end = first + static_cast<int>(count * (slot + 1) / slots) - 1;
    return {begin, end};
}

double similarity(double squaredDistance, double beta, double gamma) {
    return std::exp(-(squaredDistance / beta) * gamma);
}

// J_gamma(j) = sum over i != j of the similarity of samples i and j, summed in
// ascending i.
void totalSimilarities(int n, double beta, double gamma, std::vector<double>& totals) {
    ScmStorage& st = storage();
    const int pairs = n * (n - 1) / 2;
    const double* e = st.squared.data();
    double* w = st.weights.data();
    runParallel(pairs, kPairsPerThread, [&](int slot, int slots) noexcept {
        const auto [begin, end] = partOf(1, pairs, slot, slots);
        for (int k = begin; k <= end; ++k) w[k] = similarity(e[k], beta, gamma);
    });
    // Total j gets the pairs (i, j) of the rows i < j, then its own row
    // (j, j+1..n): ascending i either way. Every total costs n - 1 additions,
    // so equal shares of the samples are equal shares of the work.
    double* t = totals.data();
    runParallel(pairs, kPairsPerThread, [&](int slot, int slots) noexcept {
        const auto [first, last] = partOf(1, n, slot, slots);
        for (int j = first; j <= last; ++j) t[j] = 0.0;
        for (int i = 1; i < last; ++i) {
            const int from = std::max(i + 1, first);
            const double* row = w + condensedPairIndex(i, from, n);
            for (int j = from; j <= last; ++j) t[j] += row[j - from];
        }
        for (int j = first; j <= last; ++j) {
            double own = t[j];
            const double* row = w + condensedPairIndex(j, j + 1, n);
            for (int i = j + 1; i <= n; ++i) own += row[i - j - 1];
            t[j] = own;
        }
    });
}

struct Spread {
    double mean = 0.0;
    double meanSquaredDeviation = 0.0;
};

Spread spreadOf(const std::vector<double>& values, int n) {
    Spread s;
    for (int j = 1; j <= n; ++j) s.mean += values[static_cast<size_t>(j)];
    s.mean /= n;
    for (int j = 1; j <= n; ++j) {
        const double d = values[static_cast<size_t>(j)] - s.mean;
        s.meanSquaredDeviation += d * d;
    }
    s.meanSquaredDeviation /= n;
    return s;
}

bool hasSpread(const Spread& s) {
    const double floor = kNoSpreadRelative * std::fabs(s.mean);
    return s.meanSquaredDeviation > floor * floor;
}

bool allFinite(const std::vector<double>& values, int n) {
    for (int j = 1; j <= n; ++j)
        if (!std::isfinite(values[static_cast<size_t>(j)])) return false;
    return true;
}

bool allZero(const std::vector<double>& values, int n) {
    for (int j = 1; j <= n; ++j)
        if (values[static_cast<size_t>(j)] != 0.0) return false;
    return true;
}

// Pearson correlation of the pairs (a_j, b_j), means over n.
double correlationOf(const std::vector<double>& a, const Spread& sa, const std::vector<double>& b,
                     const Spread& sb, int n) {
    double products = 0.0;
    for (int j = 1; j <= n; ++j)
        products += (a[static_cast<size_t>(j)] - sa.mean) * (b[static_cast<size_t>(j)] - sb.mean);
    products /= n;
    return products / std::sqrt(sa.meanSquaredDeviation * sb.meanSquaredDeviation);
}

// Four doubles handled as one (simd.h), read and written in place at any
// address; used only inside the kernels below, which are built for AVX2 and
// for the baseline instruction set. Each lane does the same operations in
// the same order as a plain loop would, so both builds give the same bits.
constexpr int kLanes = LaneTraits<Lanes4>::kWidth;
constexpr int kSampleBlock = 4 * kLanes;  // samples per block of the distance kernel
static_assert(kMaxSamples % kSampleBlock == 0, "the blocks stay inside the columns");

// distances[i] = sum over k = 0..features-1, in that order, of
// (p[k] - columns[k][i])^2 for the samples i of the blocks covering first..n-1.
__attribute__((target_clones("avx2", "default"))) void squaredDistancesFrom(
    const double* columns, const double* p, int first, int n, int features, double* distances) {
    const int blocks = (n + kSampleBlock - 1) / kSampleBlock;
    for (int b = first / kSampleBlock; b < blocks; ++b) {
        const size_t base = static_cast<size_t>(b) * kSampleBlock;
        sqDistancesToColumns<Lanes4>(p, columns + base, kMaxSamples, 0, features, distances + base);
    }
}

// acc[k] = sum over i = 0..n-1, in that order, of weights[i] * rows[i][k] for
// all kStride columns; returns the sum of the weights in the same order.
__attribute__((target_clones("avx2", "default"))) double weightedSums(const double* rows,
                                                                      const double* weights, int n,
                                                                      double* acc) {
    static_assert(kStride == 8 * kLanes);
    Lanes4 a0 = {}, a1 = {}, a2 = {}, a3 = {}, a4 = {}, a5 = {}, a6 = {}, a7 = {};
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const double w = weights[i];
        sum += w;
        const Lanes4 wv = {w, w, w, w};
        const double* x = rows + static_cast<size_t>(i) * kStride;
        a0 += wv * lanesAt<Lanes4>(x);
        a1 += wv * lanesAt<Lanes4>(x + kLanes);
        a2 += wv * lanesAt<Lanes4>(x + 2 * kLanes);
        a3 += wv * lanesAt<Lanes4>(x + 3 * kLanes);
        a4 += wv * lanesAt<Lanes4>(x + 4 * kLanes);
        a5 += wv * lanesAt<Lanes4>(x + 5 * kLanes);
        a6 += wv * lanesAt<Lanes4>(x + 6 * kLanes);
        a7 += wv * lanesAt<Lanes4>(x + 7 * kLanes);
    }
    storeLanes(a0, acc);
    storeLanes(a1, acc + kLanes);
    storeLanes(a2, acc + 2 * kLanes);
    storeLanes(a3, acc + 3 * kLanes);
    storeLanes(a4, acc + 4 * kLanes);
    storeLanes(a5, acc + 5 * kLanes);
    storeLanes(a6, acc + 6 * kLanes);
    storeLanes(a7, acc + 7 * kLanes);
    return sum;
}

// One row of a shift pass: the new position of sample j from its previous
// position and all samples, and the length of its move. False when the
// weights sum to zero or the result is not finite.
bool shiftRow(const ScmStorage& st, int j, int n, int features, double beta, double gamma,
              double* distances, double* weights, double* position, double& move) {
    const double* p = st.previous.data() + static_cast<size_t>(j) * kStride;
    squaredDistancesFrom(st.columns.data(), p, 0, n, features, distances);
    for (int i = 0; i < n; ++i) weights[i] = similarity(distances[i], beta, gamma);
    double acc[kStride];
    const double sum = weightedSums(st.rows.data(), weights, n, acc);
    if (!(sum > 0.0) || !std::isfinite(sum)) return false;
    double squares = 0.0;
    for (int k = 0; k < features; ++k) {
        position[k] = acc[k] / sum;
        const double d = position[k] - p[k];
        squares += d * d;
    }
    move = std::sqrt(squares);
    return std::isfinite(move);
}

// The working data into the packed rows and columns; the unused columns of
// the rows and the samples past N in the columns are zero.
void packSamples(const R62DataSet& data) {
    ScmStorage& st = storage();
    const int n = data.SampleCount;
    const int features = data.SelectedCount;
    checkRange(n, 0, kMaxSamples);
    checkRange(features, 0, kMaxFeatures);
    std::fill(st.rows.begin(), st.rows.end(), 0.0);
    std::fill(st.columns.begin(), st.columns.end(), 0.0);
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= features; ++k) {
            const double v = data.FeatureData[i][k];
            st.rows[static_cast<size_t>(i - 1) * kStride + static_cast<size_t>(k - 1)] = v;
            st.columns[static_cast<size_t>(k - 1) * kMaxSamples + static_cast<size_t>(i - 1)] = v;
        }
}

std::string number(double value) {
    return platform::cformat("%g", value);
}

}  // namespace

SampleMatrix& ScmPoints() {
    return storage().points;
}

double ScmPairDistance(const R62DataSet& data, int i, int j) {
    return EuclideanDistance(data.FeatureData, i, j, data.SelectedCount);
}

void computeScmSquaredDistances(const R62DataSet& data) {
    ScmStorage& st = storage();
    const int n = data.SampleCount;
    const int features = data.SelectedCount;
    packSamples(data);
    const int pairs = n * (n - 1) / 2;
    double* e = st.squared.data();
    // Row i holds the pairs (i, i+1..n) from pair (i - 1)(2n - i)/2 + 1 on; a
    // slot takes the rows whose first pair falls in its share of the pairs.
    runParallel(static_cast<long long>(pairs) * features, kPairsPerThread * 8,
                [&](int slot, int slots) noexcept {
                    const auto [begin, end] = partOf(1, pairs, slot, slots);
                    double* distances =
                        st.scratch.data() + static_cast<size_t>(slot) * 2 * kMaxSamples;
                    for (int i = 1; i <= n - 1; ++i) {
                        int k = condensedPairIndex(i, i + 1, n);
                        if (k < begin || k > end) continue;
                        const double* p = st.rows.data() + static_cast<size_t>(i - 1) * kStride;
                        squaredDistancesFrom(st.columns.data(), p, i, n, features, distances);
                        for (int j = i + 1; j <= n; ++j, ++k) {
                            const double distance = std::sqrt(distances[j - 1]);
                            e[k] = distance * distance;
                        }
                    }
                });
}

double scmSquaredDistance(int i, int j, int sampleCount) {
    if (i == j) return 0.0;
    const int k = condensedPairIndex(std::min(i, j), std::max(i, j), sampleCount);
    checkRange(k, 1, kMaxPairs);
    return storage().squared[static_cast<size_t>(k)];
}

void EstimateScmGamma(ScmContext& context) {
    ScmStorage& st = storage();
    const R62DataSet& data = *context.data;
    const int n = data.SampleCount;
    double variances = 0.0;
    for (int k = 1; k <= data.SelectedCount; ++k)
        variances += data.FeatureVariance[data.SelectedFeatureIndex[k]];
    context.beta = static_cast<double>(n - 1) / n * variances;
    context.gammaComparisons = 0;
    context.correlation = std::numeric_limits<double>::quiet_NaN();
    double current = kScmFirstGamma;
    context.gamma = current;
    if (!(context.beta > 0.0) || !std::isfinite(context.beta)) {
        context.gammaEnd = ScmGammaEnd::BadScale;
        return;
    }

    totalSimilarities(n, context.beta, current, st.totalsCurrent);
    if (!allFinite(st.totalsCurrent, n) || allZero(st.totalsCurrent, n)) {
        context.gammaEnd = ScmGammaEnd::Vanished;
        return;
    }
    double next = kScmGammaStep;
    for (;;) {
        if (next > context.limits.maxGamma) {
            context.gammaEnd = ScmGammaEnd::Capped;
            break;
        }
        totalSimilarities(n, context.beta, next, st.totalsNext);
        if (!allFinite(st.totalsNext, n) || allZero(st.totalsNext, n)) {
            context.gammaEnd = ScmGammaEnd::Vanished;
            break;
        }
        ++context.gammaComparisons;
        const Spread a = spreadOf(st.totalsCurrent, n);
        const Spread b = spreadOf(st.totalsNext, n);
        if (!hasSpread(a) && !hasSpread(b)) {
            context.correlation = std::numeric_limits<double>::quiet_NaN();
            context.gammaEnd = ScmGammaEnd::NoSpread;
            break;
        }
        // Without spread on one side the correlation is undefined: not reached.
        context.correlation = hasSpread(a) && hasSpread(b)
                                  ? correlationOf(st.totalsCurrent, a, st.totalsNext, b, n)
                                  : std::numeric_limits<double>::quiet_NaN();
        if (context.correlation >= kScmCorrelationThreshold) {
            context.gammaEnd = ScmGammaEnd::Correlated;
            break;
        }
        std::swap(st.totalsCurrent, st.totalsNext);
        current = next;
        next += kScmGammaStep;
    }
    context.gamma = current;
}

void ShiftScmPoints(ScmContext& context) {
    ScmStorage& st = storage();
    const R62DataSet& data = *context.data;
    const int n = data.SampleCount;
    const int features = data.SelectedCount;
    packSamples(data);
    std::copy(st.rows.begin(), st.rows.begin() + static_cast<ptrdiff_t>(n) * kStride,
              st.previous.begin());

    context.passCount = 0;
    context.largestMove = 0.0;
    context.stuckSample = 0;
    const double beta = context.beta;
    const double gamma = context.gamma;
    if (!(beta > 0.0) || !std::isfinite(beta) || !(gamma > 0.0) || !std::isfinite(gamma)) {
        context.shiftEnd = ScmShiftEnd::Degenerate;
    } else {
        double largest = kScmFirstMoveBound;
        while (largest > kScmMoveTolerance) {
            if (context.passCount >= context.limits.maxPasses) break;
            runParallel(static_cast<long long>(n) * n * (features + 1), kPairsPerThread * 8,
                        [&](int slot, int slots) noexcept {
                            double* distances =
                                st.scratch.data() + static_cast<size_t>(slot) * 2 * kMaxSamples;
                            double* weights = distances + kMaxSamples;
                            const auto [begin, end] = partOf(0, n - 1, slot, slots);
                            for (int j = begin; j <= end; ++j) {
                                double* position =
                                    st.next.data() + static_cast<size_t>(j) * kStride;
                                const bool ok =
                                    shiftRow(st, j, n, features, beta, gamma, distances, weights,
                                             position, st.moves[static_cast<size_t>(j)]);
                                st.failed[static_cast<size_t>(j)] = ok ? 0 : 1;
                            }
                        });
            const auto stuck = std::find(st.failed.begin(), st.failed.begin() + n, uint8_t{1});
            if (stuck != st.failed.begin() + n) {
                context.stuckSample = static_cast<int>(stuck - st.failed.begin()) + 1;
                break;
            }
            largest = kScmMoveTolerance;
            double maximum = 0.0;
            for (int j = 0; j < n; ++j) {
                const double move = st.moves[static_cast<size_t>(j)];
                if (move > largest) largest = move;
                maximum = std::max(maximum, move);
            }
            context.largestMove = maximum;
            std::swap(st.previous, st.next);
            ++context.passCount;
            if (context.onPass) context.onPass(context.passCount);
        }
        context.shiftEnd = context.stuckSample != 0      ? ScmShiftEnd::Degenerate
                           : largest > kScmMoveTolerance ? ScmShiftEnd::Capped
                                                         : ScmShiftEnd::Settled;
    }

    for (int i = 1; i <= n; ++i) {
        SampleRow& row = st.points[i];
        row[0] = data.FeatureData[i][0];
        for (int k = 1; k <= features; ++k)
            row[k] = st.previous[static_cast<size_t>(i - 1) * kStride + static_cast<size_t>(k - 1)];
    }
}

std::vector<std::string> scmNoteLines(const ScmContext& context) {
    std::vector<std::string> notes;
    switch (context.gammaEnd) {
        case ScmGammaEnd::NoSpread:
            notes.push_back(
                "Note: every sample has the same total similarity; similarity exponent " +
                number(context.gamma) + " was used.");
            break;
        case ScmGammaEnd::Vanished:
            notes.push_back("Note: all similarities vanish beyond exponent " +
                            number(context.gamma) + "; similarity exponent " +
                            number(context.gamma) + " was used.");
            break;
        case ScmGammaEnd::Capped:
            notes.push_back("Note: no similarity exponent up to " +
                            number(context.limits.maxGamma) +
                            " gave total similarities correlated at 0.97 or more; exponent " +
                            number(context.gamma) + " was used.");
            break;
        default:
            break;
    }
    switch (context.shiftEnd) {
        case ScmShiftEnd::Capped:
            notes.push_back("Note: the samples were still moving after " +
                            std::to_string(context.passCount) + " passes (largest move " +
                            number(context.largestMove) +
                            ", tolerance 0.03); the shift was stopped there.");
            break;
        case ScmShiftEnd::Degenerate:
            if (context.stuckSample == 0)
                notes.push_back(
                    "Note: the similarity scale or exponent is not usable; the samples were not "
                    "moved.");
            else
                notes.push_back(
                    "Note: the shift stopped in pass " + std::to_string(context.passCount + 1) +
                    ", where the similarities of sample " + std::to_string(context.stuckSample) +
                    " did not add up to a positive number; the positions before "
                    "that pass were clustered.");
            break;
        default:
            break;
    }
    return notes;
}

namespace {

// A shifted point is a weighted mean of up to 2000 samples, exact to within
// about 2000 units in the last place of the largest sample value; a feature
// whose shifted points spread less than this fraction of its largest working
// value has collapsed, and what is left of its spread is rounding.
constexpr double kRoundingSpreadRatio = 1e-12;
// A feature whose variance exceeds the variance left to it by the other
// features this many times is a linear combination of them within rounding.
constexpr double kDependentVarianceRatio = 1e10;

bool featureCollapsed(const SampleMatrix& points, const SampleMatrix& working, int sampleCount,
                      int k) {
    double largest = 0.0;
    for (int s = 1; s <= sampleCount; ++s) largest = std::max(largest, std::fabs(working[s][k]));
    const double floor = kRoundingSpreadRatio * largest;
    const double variance = columnVariance(points, sampleCount, k);
    return !(variance > floor * floor) || !std::isfinite(variance);
}

// Whether `metric` can measure the shifted points. The standardised Euclidean
// metric divides by the variance of each feature of the points, the
// Mahalanobis metric by the variance each feature keeps beside the others;
// once the samples have collapsed onto a few points either may be zero or
// rounding. The Mahalanobis check runs on a copy, because the clustering
// centres the points itself.
bool metricFitsShiftedPoints(uint8_t metric, const R62DataSet& data) {
    if (metric != kMetricStandardizedEuclidean && metric != kMetricMahalanobis) return true;
    const int n = data.SampleCount;
    const int features = data.SelectedCount;
    const SampleMatrix& points = ScmPoints();
    for (int k = 1; k <= features; ++k)
        if (featureCollapsed(points, data.FeatureData, n, k)) return false;
    if (metric == kMetricMahalanobis) {
        SampleMatrix& copy = storage().centred;
        for (int s = 1; s <= n; ++s) copy[s] = points[s];
        Matrix30 inverse{};
        // A covariance that is not positive definite is the clustering's own
        // failure, reported by it with the same message.
        if (!InverseCovarianceForMahalanobis(copy, n, features, inverse)) return true;
        for (int k = 1; k <= features; ++k) {
            const double inflation = columnVariance(copy, n, k) * inverse[k][k];
            if (!(inflation < kDependentVarianceRatio)) return false;
        }
    }
    return true;
}

}  // namespace

AhcReport SimilarityBasedClustering(R62DataSet& data, uint8_t metric, uint8_t linkage,
                                    uint8_t standardize, std::string_view dateTime,
                                    ClusterTree& tree, std::function<void(int pass)> onPass,
                                    const ScmLimits& limits) {
    AhcReport report;
    if (!startAnalysis(data, standardize, report)) return report;
    report.lines =
        reportOpeningLines(data, kScmReportTitle, standardize, dateTime, kScmResultsLine);

    ScmContext context;
    context.data = &data;
    context.limits = limits;
    context.onPass = std::move(onPass);
    computeScmSquaredDistances(data);
    EstimateScmGamma(context);
    if (context.gammaEnd == ScmGammaEnd::BadScale) {
        report.outcome = AnalysisOutcome::Failed;
        report.messages.emplace_back(kScmWrongDataMessage);
        return report;
    }
    ShiftScmPoints(context);
    for (std::string& note : scmNoteLines(context)) report.lines.push_back(std::move(note));

    const int n = data.SampleCount;
    const int features = data.SelectedCount;
    if (!metricFitsShiftedPoints(metric, data)) {
        report.outcome = AnalysisOutcome::Failed;
        report.messages.emplace_back(kAhcWrongDataMessage);
        return report;
    }
    AhcReport clustered = clusterScmPoints(ScmPoints(), n, features, metric, linkage, tree);
    for (std::string& line : clustered.lines) report.lines.push_back(std::move(line));
    report.outcome = clustered.outcome;
    report.messages = std::move(clustered.messages);
    report.analysisName = std::move(clustered.analysisName);
    return report;
}
