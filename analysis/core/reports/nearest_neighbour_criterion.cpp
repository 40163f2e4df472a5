#include "analysis/core/reports/nearest_neighbour_criterion.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "platform/parallel.h"

namespace {

// The fast loops work on eight distances at a time. Adding, subtracting,
// multiplying and taking minima are exact lane by lane, so the vector width
// (and whether the processor has AVX2) never changes a count.
constexpr int kLanes = 8;
typedef float FloatLanes __attribute__((vector_size(kLanes * sizeof(float))));
typedef double DoubleLanes __attribute__((vector_size(kLanes * sizeof(double))));
typedef int IntLanes __attribute__((vector_size(kLanes * sizeof(int))));
// Classes are padded to whole half vectors: a range may end with four
// columns, taken by a step whose upper lanes count as +infinity. Buffers
// keep kLanes columns of slack at their end for that last step's reads.
constexpr int kHalfLanes = kLanes / 2;

constexpr float kFar = std::numeric_limits<float>::infinity();

// The samples' columns laid out class by class, each class padded to whole
// half vectors with columns that are never nearest (distance +infinity). A
// row's neighbours then fall into three ranges of whole half vectors: the
// classes before its own, its own class, the classes after it.
struct PaddedColumns {
    int width = 0;              // P, a multiple of kHalfLanes
    std::vector<int> column;    // padded column of each sample
    std::vector<int> ownStart;  // per sample: first column of its class block
    std::vector<int> ownEnd;    // per sample: end of its class block
    std::vector<int> padding;   // the padding columns
};

PaddedColumns padColumns(const SelectionSamples& samples) {
    PaddedColumns padded;
    std::vector<int> start, end;
    for (int c = 0; c < samples.classCount(); ++c) {
        const int count = samples.classSize[static_cast<size_t>(c)];
        start.push_back(padded.width);
        for (int s = 0; s < count; ++s) padded.column.push_back(padded.width + s);
        const int width = (count + kHalfLanes - 1) / kHalfLanes * kHalfLanes;
        for (int p = count; p < width; ++p) padded.padding.push_back(padded.width + p);
        padded.width += width;
        end.push_back(padded.width);
    }
    for (int s = 0; s < samples.sampleCount(); ++s) {
        const size_t own = static_cast<size_t>(samples.sampleClass[static_cast<size_t>(s)]);
        padded.ownStart.push_back(start[own]);
        padded.ownEnd.push_back(end[own]);
    }
    return padded;
}

// Row i of a distance matrix against the third feature's values: the
// smallest distance before, inside (itself excluded by its +infinity) and
// after its class decide whether its nearest neighbour is of another class.
// The first neighbour among equal distances wins, and the classes before
// come first.
bool rowMisclassified(float before, float same, float after, bool hasBefore) {
    return (hasBefore && before <= same) || after < same;
}

// The kernels keep their vectors to themselves: the helpers below take
// vectors by reference only and are always inlined, so no vector crosses a
// call and the build's baseline and the AVX2 clone agree on every calling
// convention.

// The pairs keep their partial distances in double, the triples in float.
template <typename Value>
using LanesOf = std::conditional_t<std::is_same_v<Value, float>, FloatLanes, DoubleLanes>;

[[gnu::always_inline]] inline void lowerTo(FloatLanes& m, const FloatLanes& v) {
    m = v < m ? v : m;
}

// The smallest of the eight lanes. __builtin_shufflevector is spelt alike
// by GCC (12 on) and clang.
[[gnu::always_inline]] inline float smallestLane(FloatLanes& m) {
    lowerTo(m, __builtin_shufflevector(m, m, 4, 5, 6, 7, 0, 1, 2, 3));
    lowerTo(m, __builtin_shufflevector(m, m, 2, 3, 0, 1, 6, 7, 4, 5));
    lowerTo(m, __builtin_shufflevector(m, m, 1, 0, 3, 2, 5, 4, 7, 6));
    return m[0];
}

// The distances over eight columns from `at` (four when half, the upper lanes
// +infinity): the row's partial distance plus the last feature's squared
// difference, formed in Value and then rounded to float. For triples that is
// (d1^2 + d2^2) + d3^2 in float; for pairs d1^2 + d2^2 in double.
template <typename Value>
[[gnu::always_inline]] inline void stepDistances(FloatLanes& v, const Value* row, const Value* xp,
                                                 const LanesOf<Value>& xi, int at, bool half) {
    using Lanes = LanesOf<Value>;
    Lanes column, partial;
    std::memcpy(&column, xp + at, sizeof(column));
    std::memcpy(&partial, row + at, sizeof(partial));
    const Lanes d = xi - column;
    const Lanes sum = partial + d * d;
    if constexpr (std::is_same_v<Value, float>)
        v = sum;
    else
        v = __builtin_convertvector(sum, FloatLanes);
    if (half) v = IntLanes{0, 1, 2, 3, 4, 5, 6, 7} < kHalfLanes ? v : FloatLanes{} + kFar;
}

// One step of a range minimum. A distance is the same both ways, so each pair
// of samples of different classes is formed once: row i meets the classes
// after its own, and each distance there also lowers the "classes before"
// minimum of the column it lands in (columnBefore, one per padded column).
// Rows come in class order, so a row's own column holds its final "before"
// minimum when the row is reached.
template <bool kLowersColumns, typename Value>
[[gnu::always_inline]] inline void rangeStep(FloatLanes& m, const Value* row, const Value* xp,
                                             const LanesOf<Value>& xi, int at, bool half,
                                             float* columnBefore) {
    FloatLanes v;
    stepDistances(v, row, xp, xi, at, half);
    lowerTo(m, v);
    if constexpr (kLowersColumns) {
        FloatLanes lowest;
        std::memcpy(&lowest, columnBefore + at, sizeof(lowest));
        lowerTo(lowest, v);
        std::memcpy(columnBefore + at, &lowest, sizeof(lowest));
    }
}

// The smallest distance over the columns [begin, end) (whole half vectors),
// with four accumulators so that no minimum waits for the one before it.
template <bool kLowersColumns, typename Value>
[[gnu::always_inline]] inline float rangeMin(const Value* row, const Value* xp,
                                             const LanesOf<Value>& xi, int begin, int end,
                                             float* columnBefore) {
    FloatLanes m0 = FloatLanes{} + kFar, m1 = m0, m2 = m0, m3 = m0;
    int p = begin;
    for (; p + 4 * kLanes <= end; p += 4 * kLanes) {
        rangeStep<kLowersColumns>(m0, row, xp, xi, p, false, columnBefore);
        rangeStep<kLowersColumns>(m1, row, xp, xi, p + kLanes, false, columnBefore);
        rangeStep<kLowersColumns>(m2, row, xp, xi, p + 2 * kLanes, false, columnBefore);
        rangeStep<kLowersColumns>(m3, row, xp, xi, p + 3 * kLanes, false, columnBefore);
    }
    for (; p + kLanes <= end; p += kLanes)
        rangeStep<kLowersColumns>(m0, row, xp, xi, p, false, columnBefore);
    if (p < end) rangeStep<kLowersColumns>(m1, row, xp, xi, p, true, columnBefore);
    lowerTo(m0, m1);
    lowerTo(m2, m3);
    lowerTo(m0, m2);
    return smallestLane(m0);
}

// Errors of one set whose partial distances (the set less its last feature)
// are in rows (n x P, +infinity on the diagonal and in the padding), with the
// last feature's values per sample in x and per padded column in xp;
// sampleColumn[i] is sample i's padded column, columnBefore a scratch row of P
// (+ kLanes slack) floats.
template <typename Value>
[[gnu::always_inline]] inline int setErrors(const Value* rows, int width, const Value* x,
                                            const Value* xp, int n, const int* ownStart,
                                            const int* ownEnd, const int* sampleColumn,
                                            float* columnBefore) {
    for (int p = 0; p < width + kLanes; ++p) columnBefore[p] = kFar;
    int errors = 0;
    for (int i = 0; i < n; ++i) {
        const Value* row = rows + static_cast<size_t>(i) * static_cast<size_t>(width);
        const LanesOf<Value> xi = LanesOf<Value>{} + x[i];
        const float same = rangeMin<false>(row, xp, xi, ownStart[i], ownEnd[i], columnBefore);
        const float after = rangeMin<true>(row, xp, xi, ownEnd[i], width, columnBefore);
        if (rowMisclassified(columnBefore[sampleColumn[i]], same, after, ownStart[i] > 0)) ++errors;
    }
    return errors;
}

// Triples: rows hold the first two features' float distances, x and xp the
// third feature's values rounded to float.
__attribute__((target_clones("avx2", "default"))) int tripleErrors(
    const float* rows, int width, const float* x, const float* xp, int n, const int* ownStart,
    const int* ownEnd, const int* sampleColumn, float* columnBefore) {
    return setErrors(rows, width, x, xp, n, ownStart, ownEnd, sampleColumn, columnBefore);
}

// Pairs: rows hold the first feature's squared differences in double, x and
// xp the second feature's values; the distance is rounded to float once formed.
__attribute__((target_clones("avx2", "default"))) int pairErrors(
    const double* rows, int width, const double* x, const double* xp, int n, const int* ownStart,
    const int* ownEnd, const int* sampleColumn, float* columnBefore) {
    return setErrors(rows, width, x, xp, n, ownStart, ownEnd, sampleColumn, columnBefore);
}

// Steps the bar once every `every` sets, however the sets are spread over
// the threads: the number of steps is the serial loop's.
class SetProgress {
  public:
    SetProgress(const ProgressSink& progress, uint64_t every)
        : progress_(progress), every_(every == 0 ? 1 : every) {}
    void done(uint64_t sets) {
        const uint64_t before = done_.fetch_add(sets);
        for (uint64_t k = before / every_; k < (before + sets) / every_; ++k) progress_.advance();
    }

  private:
    const ProgressSink& progress_;
    uint64_t every_;
    std::atomic<uint64_t> done_{0};
};

int tableSize(const SelectionSamples& samples) {
    return std::min(samples.featureCount(), kSelectionTableSize);
}

}  // namespace

int nearestNeighbourErrors(const SelectionSamples& samples, const int* features, int size) {
    const int n = samples.sampleCount();
    auto distance = [&](int i, int j) -> float {
        if (size == 3) {
            float sum = 0.0f;
            for (int k = 0; k < 3; ++k) {
                const double* x = samples.feature(features[k]);
                const float d = static_cast<float>(x[i]) - static_cast<float>(x[j]);
                sum = k == 0 ? d * d : sum + d * d;
            }
            return sum;
        }
        double sum = 0.0;
        for (int k = 0; k < size; ++k) {
            const double* x = samples.feature(features[k]);
            const double d = x[i] - x[j];
            sum = k == 0 ? d * d : sum + d * d;
        }
        return static_cast<float>(sum);
    };
    int errors = 0;
    for (int i = 0; i < n; ++i) {
        int nearest = -1;
        float nearestDistance = kFar;
        for (int j = 0; j < n; ++j) {
            if (j == i) continue;
            const float d = distance(i, j);
            if (nearest < 0 || d < nearestDistance) {
                nearest = j;
                nearestDistance = d;
            }
        }
        if (samples.sampleClass[static_cast<size_t>(nearest)] !=
            samples.sampleClass[static_cast<size_t>(i)])
            ++errors;
    }
    return errors;
}

// Ranks `items` work items over the cores, `grain` at a time. Every chunk
// has its own table and its own rows of partial distances (n rows of the
// padded width, Row the precision of a partial distance) and calls
// rank(item, rows, columnBefore, table, stop) for each item; `stop()` says
// whether the user cancelled, and stops every chunk once one has seen it.
// The chunks' tables are merged in order: nothing when cancelled.
template <class Row, class Rank>
std::optional<SelectionResult> rankInChunks(const SelectionSamples& samples,
                                            const ProgressSink& progress, int width, size_t items,
                                            size_t grain, Rank rank) {
    const int n = samples.sampleCount();
    std::vector<NearestNeighbourTable> tables(parallelChunkCount(items, grain),
                                              NearestNeighbourTable(tableSize(samples)));
    std::atomic<bool> stopped{false};
    const auto stop = [&] {
        if (stopped.load(std::memory_order_relaxed) || progress.cancelled()) {
            stopped = true;
            return true;
        }
        return false;
    };
    parallelFor(items, grain, [&](size_t begin, size_t end) {
        std::vector<Row> rows(static_cast<size_t>(n) * static_cast<size_t>(width) + kLanes);
        std::vector<float> columnBefore(static_cast<size_t>(width) + kLanes);
        NearestNeighbourTable& table = tables[begin / grain];
        for (size_t item = begin; item < end; ++item) {
            if (stop()) return;
            if (!rank(item, rows, columnBefore.data(), table, stop)) return;
        }
    });
    if (stopped || progress.cancelled()) return std::nullopt;
    NearestNeighbourTable result(tableSize(samples));
    for (const NearestNeighbourTable& table : tables) result.merge(table);
    return result.entries();
}

SelectionResult rankSingles(const SelectionSamples& samples) {
    const int features = samples.featureCount();
    std::vector<int> errors(static_cast<size_t>(features));
    parallelFor(static_cast<size_t>(features), 8, [&](size_t begin, size_t end) {
        for (size_t f = begin; f < end; ++f) {
            const int set[1] = {static_cast<int>(f)};
            errors[f] = nearestNeighbourErrors(samples, set, 1);
        }
    });
    NearestNeighbourTable table(tableSize(samples));
    for (int f = 0; f < features; ++f) {
        SelectionEntry entry;
        entry.first = f;
        entry.errors = errors[static_cast<size_t>(f)];
        table.offer(entry);
    }
    return table.entries();
}

std::optional<SelectionResult> rankPairs(const SelectionSamples& samples,
                                         const ProgressSink& progress) {
    const int features = samples.featureCount();
    const int n = samples.sampleCount();
    const uint64_t f64 = static_cast<uint64_t>(features);
    progress.range(128);
    SetProgress steps(progress, f64 * (f64 - 1) / 256);
    if (features < 2) return SelectionResult();

    const PaddedColumns padded = padColumns(samples);
    const int width = padded.width;
    // Each feature's values per padded column (0 in the padding).
    std::vector<double> columns(static_cast<size_t>(features) * static_cast<size_t>(width) + kLanes,
                                0.0);
    for (int f = 0; f < features; ++f)
        for (int s = 0; s < n; ++s)
            columns[static_cast<size_t>(f) * static_cast<size_t>(width) +
                    static_cast<size_t>(padded.column[static_cast<size_t>(s)])] =
                samples.value(f, s);

    // One item per first feature f; its table holds the pairs (f, g > f) in order.
    return rankInChunks<double>(
        samples, progress, width, static_cast<size_t>(features - 1), 1,
        [&](size_t item, std::vector<double>& rows, float* columnBefore,
            NearestNeighbourTable& table, const auto&) {
            const int f = static_cast<int>(item);
            const double* x = samples.feature(f);
            std::fill(rows.begin(), rows.end(), static_cast<double>(kFar));
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) {
                    if (j == i) continue;  // never its own neighbour
                    const double d = x[i] - x[j];
                    rows[static_cast<size_t>(i) * static_cast<size_t>(width) +
                         static_cast<size_t>(padded.column[static_cast<size_t>(j)])] = d * d;
                }
            for (int g = f + 1; g < features; ++g) {
                SelectionEntry entry;
                entry.first = f;
                entry.second = g;
                entry.errors =
                    pairErrors(rows.data(), width, samples.feature(g),
                               columns.data() + static_cast<size_t>(g) * static_cast<size_t>(width),
                               n, padded.ownStart.data(), padded.ownEnd.data(),
                               padded.column.data(), columnBefore);
                table.offer(entry);
            }
            steps.done(static_cast<uint64_t>(features - 1 - f));
            return true;
        });
}

std::optional<SelectionResult> rankTriples(const SelectionSamples& samples,
                                           const ProgressSink& progress) {
    const int features = samples.featureCount();
    const int n = samples.sampleCount();
    const uint64_t f64 = static_cast<uint64_t>(features);
    progress.range(128);
    SetProgress steps(progress, features < 3 ? 0 : f64 * (f64 - 1) * (f64 - 2) / 768);
    if (features < 3) return SelectionResult();

    const PaddedColumns padded = padColumns(samples);
    const int width = padded.width;
    // The values rounded to float, per sample and per padded column.
    std::vector<float> values(static_cast<size_t>(features) * static_cast<size_t>(n));
    std::vector<float> columns(static_cast<size_t>(features) * static_cast<size_t>(width) + kLanes,
                               0.0f);
    for (int f = 0; f < features; ++f)
        for (int s = 0; s < n; ++s) {
            const float v = static_cast<float>(samples.value(f, s));
            values[static_cast<size_t>(f) * static_cast<size_t>(n) + static_cast<size_t>(s)] = v;
            columns[static_cast<size_t>(f) * static_cast<size_t>(width) +
                    static_cast<size_t>(padded.column[static_cast<size_t>(s)])] = v;
        }
    auto valuesOf = [&](int f) {
        return values.data() + static_cast<size_t>(f) * static_cast<size_t>(n);
    };

    // One item per leading pair (f, g) that has a third feature after it, in
    // lexicographic order; its table holds the triples (f, g, h > g) in order.
    std::vector<std::pair<int, int>> pairs;
    for (int f = 0; f + 2 < features; ++f)
        for (int g = f + 1; g + 1 < features; ++g) pairs.emplace_back(f, g);
    return rankInChunks<float>(
        samples, progress, width, pairs.size(), 4,
        [&](size_t item, std::vector<float>& rows, float* columnBefore,
            NearestNeighbourTable& table, const auto& stop) {
            const auto [f, g] = pairs[item];
            const float* xf = valuesOf(f);
            const float* xg = valuesOf(g);
            const float* cf = columns.data() + static_cast<size_t>(f) * static_cast<size_t>(width);
            const float* cg = columns.data() + static_cast<size_t>(g) * static_cast<size_t>(width);
            for (int i = 0; i < n; ++i) {
                float* row = rows.data() + static_cast<size_t>(i) * static_cast<size_t>(width);
                for (int p = 0; p < width; ++p) {
                    const float df = xf[i] - cf[p];
                    const float dg = xg[i] - cg[p];
                    row[p] = df * df + dg * dg;
                }
                // Never its own neighbour, never a padding column.
                row[padded.column[static_cast<size_t>(i)]] = kFar;
                for (int p : padded.padding) row[p] = kFar;
            }
            for (int h = g + 1; h < features; ++h) {
                // Polled per triple, so a cancel lands within one triple's work.
                if (stop()) return false;
                SelectionEntry entry;
                entry.first = f;
                entry.second = g;
                entry.third = h;
                entry.errors = tripleErrors(
                    rows.data(), width, valuesOf(h),
                    columns.data() + static_cast<size_t>(h) * static_cast<size_t>(width), n,
                    padded.ownStart.data(), padded.ownEnd.data(), padded.column.data(),
                    columnBefore);
                table.offer(entry);
            }
            steps.done(static_cast<uint64_t>(features - 1 - g));
            return true;
        });
}
