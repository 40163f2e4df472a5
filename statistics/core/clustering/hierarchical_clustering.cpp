#include "statistics/core/clustering/hierarchical_clustering.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>

#include "platform/textformat.h"
#include "statistics/core/linear/column_statistics.h"
#include "statistics/core/linear/singular_scatter.h"
#include "statistics/core/reports/report_header.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// Rows and columns 0..2000 of the square matrices; the row length is padded
// so that rows do not fall on the same cache sets.
constexpr int kStride = kMaxSamples + 8;
constexpr size_t kMatrixSize = size_t{kMaxSamples + 1} * kStride;
constexpr int kLinkedStride = 2 * kMaxSamples + 8;  // labels 0..3999
constexpr int kMaxPairs = kMaxSamples * (kMaxSamples - 1) / 2;
// A member list holds up to every sample and the 0 that ends it.
constexpr int kMemberStride = kMaxSamples + 1;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kDoublesPerLine = 8;  // of a 64-byte cache line
// Average linkage defers the distance of a new cluster to another while it
// cannot matter, keeping this fraction of the smaller distance of the two
// parts as its bound. The computed mean of non-negative distances is within
// a relative 2^-32 of the true mean, which lies between the parts' means, so
// the bound stays below the computed value, however often it is carried on.
constexpr double kBoundFactor = 1.0 - 0x1p-24;

// A large zeroed array on huge pages where the system offers them. The
// merging touches one entry in each of up to two thousand rows per link, and
// with ordinary pages each of those costs a page-table walk.
template <class T>
class LargeArray {
  public:
    explicit LargeArray(size_t count) {
        constexpr size_t kHugePage = size_t{2} << 20;
        const size_t bytes = (count * sizeof(T) + kHugePage - 1) / kHugePage * kHugePage;
        data_ = static_cast<T*>(std::aligned_alloc(kHugePage, bytes));
        if (data_ == nullptr) throw std::bad_alloc();
#ifdef __linux__
        madvise(data_, bytes, MADV_HUGEPAGE);  // a hint: without it all still works
#endif
        std::fill(data_, data_ + count, T{});
    }
    ~LargeArray() {
        std::free(data_);
    }
    LargeArray(const LargeArray&) = delete;
    LargeArray& operator=(const LargeArray&) = delete;

    T* data() {
        return data_;
    }
    const T* data() const {
        return data_;
    }
    T& operator[](size_t i) {
        return data_[i];
    }
    const T& operator[](size_t i) const {
        return data_[i];
    }

  private:
    T* data_;
};

// What a row of the active matrix knows about its smallest distance to the
// clusters after it: the value and the slot of the first such column, and how
// many columns share the value. A row that lost its minimum column keeps the
// old value as a lower bound (`exact` false) and is rescanned only if that
// bound ever comes up as the smallest of all rows.
struct RowMinimum {
    double value = 0.0;
    int slot = 0;  // 0: no column compares smaller than +infinity
    int ties = 0;
    bool exact = true;
};

// Average linkage: a cluster of more than one sample, with the index of its
// sum.
struct Sized {
    int sum;
    int count;
    const uint16_t* members;
};

// The run's fixed storage, allocated once for the whole process.
//
// Active clusters live in slots: sample i in slot i, and the cluster made by
// a link takes over the slot of its first part. Their positions in the
// merging order are not slots: a link removes its two parts and appends the
// new cluster after all others, so the active clusters always stand in
// ascending label order, and `order` lists their slots that way.
//
// Two samples read their distance from D. A cluster made by link s writes
// its distances to all clusters active at that moment into its slot's row of
// `linked` (indexed by the other cluster's label) and into column N + s of
// their rows; the entries stay valid while both live, so every distance is
// read along a row. Consecutive links write neighbouring columns, which keeps
// the column writes in the cache.
//
// With each row's minimum over the clusters after it (RowMinimum) a step
// finds the pair that a row-major scan of the whole active matrix would
// find, looking at one value per row.
//
// Average linkage sums a new cluster's distance to another only when it may
// be the minimum of the other's row, or equal it; until then the entry holds
// a lower bound (see kBoundFactor), and a row rescan sums the entries whose
// bound does not exceed the row's smallest known distance. A distance is
// summed the same way whenever that happens, so the values are the same.
struct ClusteringStorage {
    LargeArray<double> distances{kMatrixSize};  // D
    // By slot and label.
    LargeArray<double> linked{size_t{kMaxSamples + 1} * kLinkedStride};
    // Average linkage: list s holds the samples of cluster N + s and a 0.
    LargeArray<uint16_t> members{size_t{kMaxLinks} * kMemberStride};
    LargeArray<double> distanceVector{kMaxPairs + 1};
    LargeArray<double> copheneticVector{kMaxPairs + 1};

    int sampleCount = 0;
    // Per slot.
    std::vector<int> label = std::vector<int>(kMaxSamples + 1);
    std::vector<RowMinimum> rowMinimum = std::vector<RowMinimum>(kMaxSamples + 1);
    std::vector<const uint16_t*> memberList = std::vector<const uint16_t*>(kMaxSamples + 1);
    std::vector<int> memberCount = std::vector<int>(kMaxSamples + 1);
    std::vector<uint16_t> sampleItself = std::vector<uint16_t>(kMaxSamples + 1);

    std::vector<int> order;              // slots of the active clusters by position
    std::vector<double> joinedDistance;  // of the new cluster, by position
    // Average linkage scratch: the other clusters and their running sums.
    std::vector<int> singles;  // positions of the clusters of one sample
    std::vector<Sized> groups;
    std::vector<Sized> sortedGroups;
    std::vector<uint16_t> termColumn;  // sample of each term, in the order the sums take them
    std::vector<double> shareSums = std::vector<double>(kMaxSamples);
    std::vector<int> targets;  // positions whose distance to the new cluster is summed now
    // Whether average linkage may defer distances (all of D finite).
    bool deferring = false;
    // One distance summed on its own, when it has more rows on its outer side.
    LargeArray<double> pairTerms{size_t{kMaxSamples} * kMaxSamples / 4};

    ClusteringStorage() {
        order.reserve(kMaxSamples);
        joinedDistance.reserve(kMaxSamples);
        singles.reserve(kMaxSamples);
        termColumn.reserve(kMaxSamples);
        groups.reserve(kMaxSamples);
        sortedGroups.reserve(kMaxSamples);
        targets.reserve(kMaxSamples);
        for (int i = 0; i <= kMaxSamples; ++i)
            sampleItself[static_cast<size_t>(i)] = static_cast<uint16_t>(i);
    }

    const double* distanceRow(int sample) const {
        return distances.data() + static_cast<size_t>(sample) * kStride;
    }
    double* linkedRow(int slot) {
        return linked.data() + static_cast<size_t>(slot) * kLinkedStride;
    }
    // Keeps the distance of two clusters, one of them made by a link, in both
    // their rows.
    void setLinked(int first, int second, double value) {
        linkedRow(first)[label[static_cast<size_t>(second)]] = value;
        linkedRow(second)[label[static_cast<size_t>(first)]] = value;
    }

    // The distance of the active clusters in slots `from` and `to`, read along
    // the row of `from`.
    double distance(int from, int to) const {
        const size_t f = static_cast<size_t>(from);
        const int labelTo = label[static_cast<size_t>(to)];
        if (label[f] <= sampleCount && labelTo <= sampleCount)
            return distances[f * kStride + static_cast<size_t>(to)];
        return linked[f * kLinkedStride + static_cast<size_t>(labelTo)];
    }
};

ClusteringStorage& storage() {
    static const std::unique_ptr<ClusteringStorage> instance =
        std::make_unique<ClusteringStorage>();
    return *instance;
}

// A deferred average linkage distance is kept as its lower bound with the
// sign bit set (distances are never negative, and never -0).
bool deferred(double stored) {
    return std::signbit(stored);
}

// The exact minimum of the row at `position` over the clusters after it, as a
// row-major scan with a strict comparison finds it: the first column among
// equals; none when nothing compares smaller than +infinity (NaN never does).
void scanRow(ClusteringStorage& st, int position) {
    const int slot = st.order[static_cast<size_t>(position)];
    RowMinimum result{kInfinity, 0, 0, true};
    const int m = static_cast<int>(st.order.size());
    for (int u = position + 1; u < m; ++u) {
        const int other = st.order[static_cast<size_t>(u)];
        const double value = st.distance(slot, other);
        if (deferred(value)) continue;  // above the minimum (see scanRowSumming)
        if (value < result.value) {
            result.value = value;
            result.slot = other;
            result.ties = 1;
        } else if (value == result.value) {
            ++result.ties;
        }
    }
    st.rowMinimum[static_cast<size_t>(slot)] = result;
}

// Brings a row up to date after a link removed the clusters in slots `first`
// and `second` (with their labels; `toFirst` and `toSecond` their distances
// to the row's cluster) and appended the new cluster in slot `joined` at
// distance d. The other columns of the row keep their values.
void updateRow(RowMinimum& row, int rowLabel, int first, int firstLabel, double toFirst, int second,
               int secondLabel, double toSecond, int joined, double d) {
    if (!row.exact) {
        // Everything else is at least the bound: a smaller new column is the
        // minimum, and the first one, being the only one that small.
        if (d < row.value) row = RowMinimum{d, joined, 1, true};
        return;
    }
    int ties = row.ties;
    if (firstLabel > rowLabel && toFirst == row.value) --ties;
    if (secondLabel > rowLabel && toSecond == row.value) --ties;
    if (row.slot == first || row.slot == second) {
        if (d < row.value || (ties == 0 && d == row.value)) {
            row = RowMinimum{d, joined, 1, true};
        } else {
            // Either an equal column earlier in the row takes over, or the
            // minimum grew: a rescan decides, when it matters.
            row.exact = false;
        }
    } else if (d < row.value) {
        row = RowMinimum{d, joined, 1, true};
    } else {
        row.ties = ties + (d == row.value ? 1 : 0);
    }
}

// Adds the next terms of a group's sums: `length` rounds of L lanes, the
// columns of each round one after another from `columns`; returns the position
// after them. The named accumulators stay in registers, and consecutive
// additions belong to different sums, so they need not wait for each other.
template <int L>
const uint16_t* addTerms(const double* row, const uint16_t* columns, int length, double* sums) {
    double a0 = sums[0];
    double a1 = L > 1 ? sums[1] : 0.0;
    double a2 = L > 2 ? sums[2] : 0.0;
    double a3 = L > 3 ? sums[3] : 0.0;
    for (int e = 0; e < length; ++e, columns += L) {
        a0 += row[columns[0]];
        if constexpr (L > 1) a1 += row[columns[1]];
        if constexpr (L > 2) a2 += row[columns[2]];
        if constexpr (L > 3) a3 += row[columns[3]];
    }
    sums[0] = a0;
    if constexpr (L > 1) sums[1] = a1;
    if constexpr (L > 2) sums[2] = a2;
    if constexpr (L > 3) sums[3] = a3;
    return columns;
}

constexpr int kGroup = 4;
constexpr int kSingleChunk = 64;

// Average linkage: the distance of the new cluster (members `newMembers`) to
// the clusters at positions `targets` of `order`, written to out[position].
// Each is the mean of D over the pairs (member of the new cluster, member of
// the other), summed in that nesting order from the member lists and never
// updated from earlier means, so every value is exactly the one of a fresh
// summation.
//
// All sums advance together, one member of the new cluster at a time, so
// that member's row of D is read once. The terms go in a fixed order: the
// clusters of one sample first (independent additions), then the others in
// groups of four of similar size whose sums advance side by side, each in
// its member order. The next row is asked for bit by bit along the way, so
// that it is in the cache when its turn comes.
void averageDistances(ClusteringStorage& st, const uint16_t* newMembers, int newCount,
                      const std::vector<int>& targets, std::vector<double>& out) {
    if (targets.empty()) return;
    st.singles.clear();
    st.groups.clear();
    st.termColumn.clear();
    for (int t : targets) {
        const size_t q = static_cast<size_t>(st.order[static_cast<size_t>(t)]);
        if (st.memberCount[q] == 1) {
            st.singles.push_back(t);
            st.termColumn.push_back(st.memberList[q][0]);
        } else {
            st.groups.push_back({t, st.memberCount[q], st.memberList[q]});
        }
    }
    // Groups of four of similar size: the clusters by falling power of two
    // of their size, then each four by falling size.
    {
        constexpr int kClasses = 16;
        std::array<size_t, kClasses + 1> start{};
        const auto sizeClass = [](int count) {
            return kClasses - 1 - (std::bit_width(static_cast<unsigned>(count)) - 1);
        };
        for (const Sized& g : st.groups) ++start[static_cast<size_t>(sizeClass(g.count)) + 1];
        for (int c = 0; c < kClasses; ++c) start[c + 1] += start[c];
        st.sortedGroups.resize(st.groups.size());
        for (const Sized& g : st.groups)
            st.sortedGroups[start[static_cast<size_t>(sizeClass(g.count))]++] = g;
        st.groups.swap(st.sortedGroups);
        for (size_t g = 0; g < st.groups.size(); g += kGroup)
            std::sort(st.groups.begin() + static_cast<std::ptrdiff_t>(g),
                      st.groups.begin() +
                          static_cast<std::ptrdiff_t>(std::min(g + kGroup, st.groups.size())),
                      [](const Sized& x, const Sized& y) { return x.count > y.count; });
    }
    // Within a group of four the sizes fall: all lanes up to the smallest,
    // then one lane fewer up to the next, and so on.
    for (size_t g = 0; g < st.groups.size(); g += kGroup) {
        const Sized* group = &st.groups[g];
        const int lanes = static_cast<int>(std::min<size_t>(kGroup, st.groups.size() - g));
        int done = 0;
        for (int lane = lanes; lane > 0; --lane) {
            const int until = group[lane - 1].count;
            for (int e = done; e < until; ++e)
                for (int j = 0; j < lane; ++j) st.termColumn.push_back(group[j].members[e]);
            done = until;
        }
    }

    const size_t singleCount = st.singles.size();
    const size_t groupCount = st.groups.size();
    const size_t termCount = st.termColumn.size();
    const uint16_t* columns = st.termColumn.data();
    double* singleSums = st.shareSums.data();
    double* groupSums = singleSums + singleCount;
    std::fill(singleSums, groupSums + groupCount, 0.0);
    const size_t lines = static_cast<size_t>(st.sampleCount) / kDoublesPerLine + 1;
    // Few terms touch few lines of a row: then only those are asked for.
    const bool wholeRows = termCount >= 2 * lines;
    for (int k = 0; k < newCount; ++k) {
        const double* row = st.distanceRow(newMembers[k]);
        const double* next = st.distanceRow(newMembers[k + 1 < newCount ? k + 1 : k]);
        if (!wholeRows)
            for (size_t t = 0; t < termCount; ++t) __builtin_prefetch(next + columns[t], 0, 2);
        size_t asked = wholeRows ? 0 : lines;
        const auto askAhead = [&](size_t termsDone) {
            for (const size_t until = termsDone * lines / termCount; asked < until; ++asked)
                __builtin_prefetch(next + asked * kDoublesPerLine, 0, 2);
        };
        for (size_t i = 0; i < singleCount; i += kSingleChunk) {
            const size_t end = std::min(i + kSingleChunk, singleCount);
            for (size_t j = i; j < end; ++j) singleSums[j] += row[columns[j]];
            askAhead(end);
        }
        const uint16_t* column = columns + singleCount;
        for (size_t g = 0; g < groupCount; g += kGroup) {
            const Sized* group = &st.groups[g];
            double* sums = groupSums + g;
            const int lanes = static_cast<int>(std::min<size_t>(kGroup, groupCount - g));
            int done = 0;
            for (int lane = lanes; lane > 0; --lane) {
                const int until = group[lane - 1].count;
                switch (lane) {
                    case 4:
                        column = addTerms<4>(row, column, until - done, sums);
                        break;
                    case 3:
                        column = addTerms<3>(row, column, until - done, sums);
                        break;
                    case 2:
                        column = addTerms<2>(row, column, until - done, sums);
                        break;
                    default:
                        column = addTerms<1>(row, column, until - done, sums);
                        break;
                }
                done = until;
            }
            askAhead(static_cast<size_t>(column - columns));
        }
    }

    const double count = newCount;
    for (size_t i = 0; i < singleCount; ++i)
        out[static_cast<size_t>(st.singles[i])] = singleSums[i] / count;
    for (size_t g = 0; g < groupCount; ++g)
        out[static_cast<size_t>(st.groups[g].sum)] =
            groupSums[g] / (count * static_cast<double>(st.groups[g].count));
}

// Average linkage: the distance of the clusters in slots `newer` (made
// later, whose members run in the outer loop) and `older`, summed as when it
// was due. With more rows on the newer side the terms are copied out along
// the older side's rows (D is symmetric) and summed in the same order.
double pairAverage(ClusteringStorage& st, int newer, int older) {
    const uint16_t* outer = st.memberList[static_cast<size_t>(newer)];
    const uint16_t* inner = st.memberList[static_cast<size_t>(older)];
    const int outerCount = st.memberCount[static_cast<size_t>(newer)];
    const int innerCount = st.memberCount[static_cast<size_t>(older)];
    double sum = 0.0;
    if (outerCount <= innerCount) {
        for (int i = 0; i < outerCount; ++i) {
            const double* row = st.distanceRow(outer[i]);
            for (int j = 0; j < innerCount; ++j) sum += row[inner[j]];
        }
    } else {
        double* terms = st.pairTerms.data();
        for (int j = 0; j < innerCount; ++j) {
            const double* row = st.distanceRow(inner[j]);
            for (int i = 0; i < outerCount; ++i)
                terms[static_cast<size_t>(i) * static_cast<size_t>(innerCount) +
                      static_cast<size_t>(j)] = row[outer[i]];
        }
        const size_t count = static_cast<size_t>(outerCount) * static_cast<size_t>(innerCount);
        for (size_t e = 0; e < count; ++e) sum += terms[e];
    }
    return sum / (static_cast<double>(outerCount) * static_cast<double>(innerCount));
}

// Makes the row at `position` exact, with deferred distances in it: those
// whose bound does not exceed the smallest known distance are summed first;
// all others exceed the minimum and cannot take part in it.
void scanRowSumming(ClusteringStorage& st, int position) {
    const int slot = st.order[static_cast<size_t>(position)];
    const int m = static_cast<int>(st.order.size());
    double known = kInfinity;
    for (int u = position + 1; u < m; ++u) {
        const double value = st.distance(slot, st.order[static_cast<size_t>(u)]);
        if (!deferred(value)) known = std::min(known, value);
    }
    for (int u = position + 1; u < m; ++u) {
        const int other = st.order[static_cast<size_t>(u)];
        const double value = st.distance(slot, other);
        if (deferred(value) && -value <= known)
            st.setLinked(other, slot, pairAverage(st, other, slot));
    }
    scanRow(st, position);
}

// Average linkage by Lance-Williams: a new cluster's distance to another is
// the size-weighted mean of its parts' distances, which differs from the
// mean over the member pairs only by rounding. Relative to the true mean, a
// sum of M terms (M <= N^2 / 4) in member order is off by at most (M + 1) u
// and each Lance-Williams step adds at most 4 u to the larger error of its
// parts (u = 2^-53, N steps at most), so the two values lie within
// 2 (N^2 / 4 + 4 N + 2) u of each other. Pairs whose approximation is within
// three times that of the smallest may hold the smallest exact mean: their
// exact means decide, summed as when they were due.
double nearTieFactor(int n) {
    const double e = (0.25 * n * n + 4.0 * n + 2.0) * 0x1p-53;
    return 6.1 * e;
}

// More exact sums than this in one step mean ties everywhere: the run then
// goes on with exact means throughout.
constexpr int kMaxExactSums = 32;

// The exact average linkage distance of the clusters in slots a and b.
double exactAverage(ClusteringStorage& st, int a, int b) {
    const int labelA = st.label[static_cast<size_t>(a)];
    const int labelB = st.label[static_cast<size_t>(b)];
    if (labelA <= st.sampleCount && labelB <= st.sampleCount) return st.distance(a, b);
    return labelA > labelB ? pairAverage(st, a, b) : pairAverage(st, b, a);
}

// With the smallest approximation in `minimum` (row minima up to date): the
// pair a row-major scan of the exact means with a strict comparison finds,
// into rowSlot, columnSlot and minimum. Returns false, changing nothing, when
// too many near ties need exact sums.
bool pickExactAverage(ClusteringStorage& st, double nearTie, int& rowSlot, int& columnSlot,
                      double& minimum) {
    double limit = minimum + minimum * nearTie;
    double best = kInfinity;
    int bestRow = 0;
    int bestColumn = 0;
    int sums = 0;
    const int m = static_cast<int>(st.order.size());
    for (int p = 0; p + 1 < m; ++p) {
        const int slot = st.order[static_cast<size_t>(p)];
        if (!(st.rowMinimum[static_cast<size_t>(slot)].value <= limit)) continue;
        for (int u = p + 1; u < m; ++u) {
            const int other = st.order[static_cast<size_t>(u)];
            if (!(st.distance(slot, other) <= limit)) continue;
            if (st.label[static_cast<size_t>(slot)] > st.sampleCount ||
                st.label[static_cast<size_t>(other)] > st.sampleCount)
                if (++sums > kMaxExactSums) return false;
            const double exact = exactAverage(st, slot, other);
            if (exact < best) {
                best = exact;
                bestRow = slot;
                bestColumn = other;
                // A later pair wins only with a smaller exact mean, which
                // needs an approximation below this bound.
                limit = std::min(limit, exact + exact * nearTie);
                if (exact == 0.0) break;  // nothing is smaller
            }
        }
        if (best == 0.0) break;
    }
    rowSlot = bestRow;
    columnSlot = bestColumn;
    minimum = best;
    return true;
}

// Replaces every approximation between active clusters by its exact mean
// and rescans the rows: from here on the run keeps exact means (deferred
// while they cannot matter), as without Lance-Williams.
void switchToExactAverages(ClusteringStorage& st) {
    const int m = static_cast<int>(st.order.size());
    for (int p = 0; p < m; ++p)
        for (int u = p + 1; u < m; ++u) {
            const int a = st.order[static_cast<size_t>(p)];
            const int b = st.order[static_cast<size_t>(u)];
            if (st.label[static_cast<size_t>(a)] > st.sampleCount ||
                st.label[static_cast<size_t>(b)] > st.sampleCount)
                st.setLinked(a, b, exactAverage(st, a, b));
        }
    st.deferring = true;
    for (int p = 0; p < m; ++p) scanRow(st, p);
}

}  // namespace

std::string_view linkageName(uint8_t linkage) {
    switch (linkage) {
        case kLinkageComplete:
            return "Complete linkage";
        case kLinkageAverage:
            return "Average linkage";
        default:
            return "Single linkage";
    }
}

void buildClusterTree(const DistanceContext& context, int sampleCount, uint8_t linkage,
                      ClusterTree& tree) {
    if (sampleCount < 0 || sampleCount > kMaxSamples) throw RangeCheckError();
    ClusteringStorage& st = storage();
    const int n = sampleCount;
    tree.sampleCount = n;
    st.sampleCount = n;

    fillPairDistanceMatrix(context, n, st.distances.data(), kStride);
    bool finite = true;
    for (int i = 1; i <= n && finite && linkage == kLinkageAverage; ++i) {
        const double* row = st.distanceRow(i);
        for (int j = i + 1; j <= n; ++j)
            if (!std::isfinite(row[j])) finite = false;
    }
    // Average linkage over finite distances merges by Lance-Williams
    // approximations and decides by exact means; without finite distances
    // every mean is summed when its cluster is made.
    bool lanceWilliams = linkage == kLinkageAverage && finite;
    st.deferring = false;
    const double nearTie = nearTieFactor(n);
    st.order.clear();
    for (int i = 1; i <= n; ++i) {
        st.label[static_cast<size_t>(i)] = i;
        st.memberList[static_cast<size_t>(i)] = &st.sampleItself[static_cast<size_t>(i)];
        st.memberCount[static_cast<size_t>(i)] = 1;
        st.order.push_back(i);
    }
    for (int p = 0; p < n; ++p) scanRow(st, p);

    for (int s = 1; s <= n - 1; ++s) {
        // The pair a row-major scan with a strict comparison finds: the first
        // row holding the smallest row minimum, and that row's first column.
        // A bound that comes out smallest is made exact first.
        const int m = static_cast<int>(st.order.size());
        double minimum;
        int rowSlot;
        int columnSlot;
        for (;;) {
            for (;;) {
                minimum = kInfinity;
                int best = -1;
                for (int p = 0; p + 1 < m; ++p) {
                    const double value = st.rowMinimum[static_cast<size_t>(st.order[p])].value;
                    if (value < minimum) {
                        minimum = value;
                        best = p;
                    }
                }
                if (best < 0) {
                    rowSlot = st.order[0];
                    columnSlot = st.order[1];
                    break;
                }
                rowSlot = st.order[static_cast<size_t>(best)];
                const RowMinimum& row = st.rowMinimum[static_cast<size_t>(rowSlot)];
                if (row.exact) {
                    columnSlot = row.slot;
                    break;
                }
                if (st.deferring)
                    scanRowSumming(st, best);
                else
                    scanRow(st, best);
            }
            // Approximations found the smallest; the exact means of the pairs
            // near it decide, unless there are too many of them.
            if (lanceWilliams && !pickExactAverage(st, nearTie, rowSlot, columnSlot, minimum)) {
                switchToExactAverages(st);
                lanceWilliams = false;
                continue;
            }
            break;
        }
        const int firstLabel = st.label[static_cast<size_t>(rowSlot)];
        const int secondLabel = st.label[static_cast<size_t>(columnSlot)];
        tree.MergeList[s] =
            MergePair{static_cast<int16_t>(firstLabel), static_cast<int16_t>(secondLabel)};
        tree.LinkHeights[s] = minimum;

        // The other clusters keep their order; the new one goes after them.
        st.order.erase(
            std::remove_if(st.order.begin(), st.order.end(),
                           [&](int slot) { return slot == rowSlot || slot == columnSlot; }),
            st.order.end());
        const size_t others = st.order.size();
        std::vector<double>& joined = st.joinedDistance;
        joined.resize(others);
        if (linkage == kLinkageAverage) {
            uint16_t* list = st.members.data() + static_cast<size_t>(s - 1) * kMemberStride;
            const int firstCount = st.memberCount[static_cast<size_t>(rowSlot)];
            const int secondCount = st.memberCount[static_cast<size_t>(columnSlot)];
            std::copy_n(st.memberList[static_cast<size_t>(rowSlot)], firstCount, list);
            std::copy_n(st.memberList[static_cast<size_t>(columnSlot)], secondCount,
                        list + firstCount);
            list[firstCount + secondCount] = 0;
            if (lanceWilliams) {
                // d(q, i u j) = (n_i d(q, i) + n_j d(q, j)) / (n_i + n_j)
                const double wFirst = firstCount, wSecond = secondCount;
                const double total = firstCount + secondCount;
                for (size_t t = 0; t < others; ++t) {
                    const int q = st.order[t];
                    joined[t] =
                        (wFirst * st.distance(rowSlot, q) + wSecond * st.distance(columnSlot, q)) /
                        total;
                }
            }
            // The distances that may become a row's minimum (or equal it)
            // are summed now; the others wait with their bound.
            st.targets.clear();
            for (size_t t = 0; t < others && !lanceWilliams; ++t) {
                const int q = st.order[t];
                const double bound = std::min(std::fabs(st.distance(rowSlot, q)),
                                              std::fabs(st.distance(columnSlot, q))) *
                                     kBoundFactor;
                joined[t] = -bound;
                const RowMinimum& row = st.rowMinimum[static_cast<size_t>(q)];
                if (!st.deferring || (row.exact ? bound <= row.value : bound < row.value))
                    st.targets.push_back(static_cast<int>(t));
            }
            averageDistances(st, list, firstCount + secondCount, st.targets, joined);
            st.memberList[static_cast<size_t>(rowSlot)] = list;
            st.memberCount[static_cast<size_t>(rowSlot)] = firstCount + secondCount;
        }

        // A row keeps its minimum unless it pointed at one of the two parts;
        // the new cluster, last in every row, wins only when strictly smaller.
        double* newRow = st.linkedRow(rowSlot);
        const size_t newColumn = static_cast<size_t>(n + s);
        for (size_t t = 0; t < others; ++t) {
            const int q = st.order[t];
            const int qLabel = st.label[static_cast<size_t>(q)];
            // Average linkage needs these only where the row holds the parts
            // (for its count of equal minima).
            const bool needed = linkage != kLinkageAverage || lanceWilliams;
            // A deferred distance exceeds the row's minimum: as +infinity it
            // leaves the count of equal minima and the minimum alone.
            const auto known = [](double value) { return deferred(value) ? kInfinity : value; };
            const double toFirst =
                needed || firstLabel > qLabel ? known(st.distance(rowSlot, q)) : kInfinity;
            const double toSecond =
                needed || secondLabel > qLabel ? known(st.distance(columnSlot, q)) : kInfinity;
            if (linkage == kLinkageComplete)
                joined[t] = std::max(toFirst, toSecond);
            else if (linkage != kLinkageAverage)
                joined[t] = std::min(toFirst, toSecond);
            updateRow(st.rowMinimum[static_cast<size_t>(q)], qLabel, rowSlot, firstLabel, toFirst,
                      columnSlot, secondLabel, toSecond, rowSlot, known(joined[t]));
            newRow[qLabel] = joined[t];
            st.linkedRow(q)[newColumn] = joined[t];
        }
        st.label[static_cast<size_t>(rowSlot)] = n + s;
        st.order.push_back(rowSlot);
        st.rowMinimum[static_cast<size_t>(rowSlot)] = RowMinimum{kInfinity, 0, 0, true};
    }

    InconsistencyCoefficients(tree);
    tree.copheneticCorrelation = CopheneticCorrelation(tree, context);
}

double CopheneticCorrelation(const ClusterTree& tree, const DistanceContext& /*context*/) {
    ClusteringStorage& st = storage();
    const int n = tree.sampleCount;
    if (n < 2) return 0.0;
    // The cophenetic height of samples i and j is the height of the link that
    // first holds both. Walking up from sample i, each link on the way adds
    // its other child's samples at its height; those samples are one range of
    // the tree's leaf order, so row i of the condensed vector is written in
    // one place, whatever the shape of the tree.
    const int labels = 2 * n - 1;
    std::vector<int> parent(static_cast<size_t>(labels) + 1, 0);
    for (int s = 1; s <= n - 1; ++s)
        for (int child :
             {static_cast<int>(tree.MergeList[s].a), static_cast<int>(tree.MergeList[s].b)}) {
            if (child < 1 || child >= n + s) throw RangeCheckError();  // not a tree
            parent[static_cast<size_t>(child)] = s;
        }
    std::vector<int> leaves;  // samples in leaf order
    std::vector<int> first(static_cast<size_t>(labels) + 1, 0);
    std::vector<int> last(static_cast<size_t>(labels) + 1, 0);
    leaves.reserve(static_cast<size_t>(n));
    std::vector<std::pair<int, bool>> stack{{labels, false}};
    while (!stack.empty()) {
        const auto [label, done] = stack.back();
        stack.pop_back();
        if (label <= n) {
            first[static_cast<size_t>(label)] = static_cast<int>(leaves.size());
            leaves.push_back(label);
            last[static_cast<size_t>(label)] = static_cast<int>(leaves.size());
        } else if (!done) {
            first[static_cast<size_t>(label)] = static_cast<int>(leaves.size());
            const MergePair& pair = tree.MergeList[label - n];
            stack.push_back({label, true});
            stack.push_back({pair.b, false});
            stack.push_back({pair.a, false});
        } else {
            last[static_cast<size_t>(label)] = static_cast<int>(leaves.size());
        }
    }

    double* cophenetic = st.copheneticVector.data();
    double* distance = st.distanceVector.data();
    std::vector<double> heights(static_cast<size_t>(n) + 1);  // of row i, by sample
    for (int i = 1; i <= n - 1; ++i) {
        // Pair (i, j) sits at base + j.
        const int base = condensedPairIndex(i, i + 1, n) - i - 1;
        const double* row = st.distanceRow(i);
        for (int j = i + 1; j <= n; ++j) distance[base + j] = row[j];
        for (int label = i; label != labels;) {
            const int s = parent[static_cast<size_t>(label)];
            const MergePair& pair = tree.MergeList[s];
            const size_t other = static_cast<size_t>(pair.a == label ? pair.b : pair.a);
            const double height = tree.LinkHeights[s];
            for (int leaf = first[other]; leaf < last[other]; ++leaf)
                heights[static_cast<size_t>(leaves[static_cast<size_t>(leaf)])] = height;
            label = n + s;
        }
        std::copy(heights.begin() + i + 1, heights.begin() + n + 1, cophenetic + base + i + 1);
    }

    const int pairs = n * (n - 1) / 2;
    double meanY = 0.0;
    double meanT = 0.0;
    for (int k = 1; k <= pairs; ++k) {
        meanY += distance[k];
        meanT += cophenetic[k];
    }
    meanY /= pairs;
    meanT /= pairs;
    double yt = 0.0;
    double yy = 0.0;
    double tt = 0.0;
    for (int k = 1; k <= pairs; ++k) {
        const double y = distance[k] - meanY;
        const double t = cophenetic[k] - meanT;
        yt += y * t;
        yy += y * y;
        tt += t * t;
    }
    const double denominator = std::sqrt(yy * tt);
    // No spread on either side (two samples, equal distances): no correlation to speak of.
    if (!(denominator > 0.0)) return 0.0;
    return yt / denominator;
}

void InconsistencyCoefficients(ClusterTree& tree) {
    const int n = tree.sampleCount;
    for (int s = 1; s <= n - 1; ++s) {
        double sum = tree.LinkHeights[s];
        double squares = sum * sum;
        int count = 1;
        for (int child :
             {static_cast<int>(tree.MergeList[s].a), static_cast<int>(tree.MergeList[s].b)}) {
            if (child > n) {
                const double h = tree.LinkHeights[child - n];
                sum += h;
                squares += h * h;
                ++count;
            }
        }
        const double mean = sum / count;
        const double deviation =
            std::sqrt(std::fabs(squares - sum * sum / count) / (count > 1 ? count - 1 : 1));
        const double coefficient =
            deviation == 0.0 ? 0.0 : (tree.LinkHeights[s] - mean) / deviation;
        tree.InconsistencyTable[s] = {mean, deviation, static_cast<double>(count), coefficient};
    }
    tree.maxInconsistency = 0.0;
    tree.maxInconsistencyLink = 0;
    for (int s = 1; s <= n - 1; ++s)
        if (tree.InconsistencyTable[s][3] > tree.maxInconsistency) {
            tree.maxInconsistency = tree.InconsistencyTable[s][3];
            tree.maxInconsistencyLink = static_cast<int16_t>(s);
        }
}

std::vector<std::string> clusteringResultLines(const ClusterTree& tree, uint8_t metric,
                                               uint8_t linkage) {
    return {
        "Distance measure: " + std::string(metricName(metric)),
        "Linking method: " + std::string(linkageName(linkage)),
        "Cophenetic correleation coeffcitent:",
        platform::cformat("%1.6f", tree.copheneticCorrelation),
        "Maximal inconsistency coeffcitent:",
        platform::cformat("%1.6f", tree.maxInconsistency) + " [Link No. " +
            std::to_string(tree.maxInconsistencyLink) + "]",
    };
}

namespace {

// Shared by both entry points once the context's points are in place.
bool clusterPoints(DistanceContext& context, SampleMatrix& points, int sampleCount, uint8_t linkage,
                   ClusterTree& tree, AhcReport& report) {
    if (context.metric == kMetricMahalanobis &&
        !InverseCovarianceForMahalanobis(points, sampleCount, context.featureCount,
                                         context.inverseCovariance)) {
        report.outcome = AnalysisOutcome::Failed;
        report.messages.push_back(withSingularScatterAdvice(
            kAhcWrongDataMessage, sampleCount, context.featureCount, "covariance matrix"));
        return false;
    }
    buildClusterTree(context, sampleCount, linkage, tree);
    for (std::string& line : clusteringResultLines(tree, context.metric, linkage))
        report.lines.push_back(std::move(line));
    return true;
}

}  // namespace

AhcReport HierarchicalClustering(R62DataSet& data, uint8_t metric, uint8_t linkage,
                                 uint8_t standardize, std::string_view dateTime,
                                 ClusterTree& tree) {
    AhcReport report;
    if (!startAnalysis(data, standardize, report)) return report;
    report.lines =
        reportOpeningLines(data, kAhcReportTitle, standardize, dateTime, kAhcResultsLine);

    const int n = data.SelectedCount;
    DistanceContext context;
    context.points = &data.FeatureData;
    context.featureCount = n;
    context.metric = metric;
    for (int k = 1; k <= n; ++k)
        context.variances[k] = data.FeatureVariance[data.SelectedFeatureIndex[k]];
    if (clusterPoints(context, data.FeatureData, data.SampleCount, linkage, tree, report))
        report.analysisName = "Hierarchical Clustering";
    return report;
}

AhcReport clusterScmPoints(SampleMatrix& points, int sampleCount, int n, uint8_t metric,
                           uint8_t linkage, ClusterTree& tree) {
    AhcReport report;
    DistanceContext context;
    context.points = &points;
    context.featureCount = n;
    context.metric = metric;
    for (int k = 1; k <= n; ++k) context.variances[k] = columnVariance(points, sampleCount, k);
    if (clusterPoints(context, points, sampleCount, linkage, tree, report))
        report.analysisName = "Similarity Based Clustering";
    return report;
}

std::vector<int> DendrogramCutLabels(const ClusterTree& tree, int k) {
    const int n = tree.sampleCount;
    std::vector<int> result(static_cast<size_t>(n) + 1, 0);
    const int t = n - k + 1;
    // Root numbers by label (the first listing of a label counts) and the
    // link that first names each label, so that every step up is one look-up.
    const int labels = 2 * n - 1;
    const auto known = [&](int label) { return label >= 1 && label <= labels; };
    std::vector<int> rootNumber(static_cast<size_t>(labels) + 1, 0);
    int roots = 0;
    const auto addRoot = [&](int label) {
        ++roots;
        if (known(label) && rootNumber[static_cast<size_t>(label)] == 0)
            rootNumber[static_cast<size_t>(label)] = roots;
    };
    addRoot(tree.MergeList[t].a);
    addRoot(tree.MergeList[t].b);
    for (int s = t + 1; s <= n - 1; ++s)
        for (int label :
             {static_cast<int>(tree.MergeList[s].a), static_cast<int>(tree.MergeList[s].b)})
            if (label < n + t) addRoot(label);
    std::vector<int> parent(static_cast<size_t>(labels) + 1, 0);
    for (int s = n - 1; s >= 1; --s)
        for (int label :
             {static_cast<int>(tree.MergeList[s].a), static_cast<int>(tree.MergeList[s].b)})
            if (known(label)) parent[static_cast<size_t>(label)] = n + s;
    for (int i = 1; i <= n; ++i) {
        // In a tree every parent has a higher label; anything else ends the walk.
        for (int label = i; label != 0;) {
            if (rootNumber[static_cast<size_t>(label)] != 0) {
                result[static_cast<size_t>(i)] = rootNumber[static_cast<size_t>(label)];
                break;
            }
            const int up = parent[static_cast<size_t>(label)];
            label = up > label ? up : 0;
        }
    }
    return result;
}

double DendrogramCutLevel(const ClusterTree& tree, int k) {
    if (tree.maxInconsistency == 0.0) return 0.0;
    return tree.InconsistencyTable[tree.sampleCount - k + 1][3] / tree.maxInconsistency;
}
