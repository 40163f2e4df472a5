#include "statistics/core/hierarchical_clustering.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/textformat.h"
#include "statistics/core/report_header.h"

namespace {

// Rows and columns 0..2000 of the square matrices; the row length is padded
// so that rows do not fall on the same cache sets.
constexpr int kStride = kMaxSamples + 8;
constexpr size_t kMatrixSize = size_t{kMaxSamples + 1} * kStride;
constexpr int kMaxPairs = kMaxSamples * (kMaxSamples - 1) / 2;
// A member list holds up to every sample and the 0 that ends it.
constexpr int kMemberStride = kMaxSamples + 1;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kDoublesPerLine = 8;  // of a 64-byte cache line

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

// Average linkage: a cluster of one sample, and one of more, with the index
// of its sum.
struct Single {
    int sum;
    int sample;
};
struct Sized {
    int sum;
    int count;
    const uint16_t* members;
};

// The run's fixed storage, allocated once for the whole process.
//
// The active clusters are kept in a square matrix by slot: sample i sits in
// slot i, and the cluster made by a link takes over the slot of its first
// part. Their positions in the merging order are not slots: a link removes
// its two parts and appends the new cluster after all others, so the active
// clusters always stand in ascending label order, and `order` lists their
// slots that way. With each row's minimum over the columns after it (see
// RowMinimum) a step finds the pair that a row-major scan of the whole active
// matrix would find, looking at one value per row.
struct ClusteringStorage {
    std::vector<double> distances = std::vector<double>(kMatrixSize);  // D
    std::vector<double> active = std::vector<double>(kMatrixSize);     // by slot
    // Average linkage: list s holds the samples of cluster N + s and a 0.
    std::vector<uint16_t> members = std::vector<uint16_t>(size_t{kMaxLinks} * kMemberStride);
    std::vector<double> distanceVector = std::vector<double>(kMaxPairs + 1);
    std::vector<double> copheneticVector = std::vector<double>(kMaxPairs + 1);

    // Per slot.
    std::vector<int> label = std::vector<int>(kMaxSamples + 1);
    std::vector<RowMinimum> rowMinimum = std::vector<RowMinimum>(kMaxSamples + 1);
    std::vector<const uint16_t*> memberList = std::vector<const uint16_t*>(kMaxSamples + 1);
    std::vector<int> memberCount = std::vector<int>(kMaxSamples + 1);
    std::vector<uint16_t> sampleItself = std::vector<uint16_t>(kMaxSamples + 1);

    int sampleCount = 0;
    std::vector<int> order;              // slots of the active clusters by position
    std::vector<double> joinedDistance;  // of the new cluster, by position
    // Average linkage scratch: the other clusters and their running sums.
    std::vector<Single> singles;
    std::vector<Sized> groups;
    std::vector<double> sums;

    ClusteringStorage() {
        order.reserve(kMaxSamples);
        joinedDistance.reserve(kMaxSamples);
        singles.reserve(kMaxSamples);
        groups.reserve(kMaxSamples);
        sums.reserve(kMaxSamples);
        for (int i = 0; i <= kMaxSamples; ++i)
            sampleItself[static_cast<size_t>(i)] = static_cast<uint16_t>(i);
    }
};

ClusteringStorage& storage() {
    static const std::unique_ptr<ClusteringStorage> instance =
        std::make_unique<ClusteringStorage>();
    return *instance;
}

inline double& at(std::vector<double>& m, int r, int c) {
    return m[static_cast<size_t>(r) * kStride + static_cast<size_t>(c)];
}
inline double at(const std::vector<double>& m, int r, int c) {
    return m[static_cast<size_t>(r) * kStride + static_cast<size_t>(c)];
}

// Samples under a label, by a depth-first walk through the merge list.
void collectSamples(const ClusterTree& tree, int label, std::vector<int>& out) {
    const int n = tree.sampleCount;
    std::vector<int> stack{label};
    while (!stack.empty()) {
        const int top = stack.back();
        stack.pop_back();
        if (top <= n) {
            out.push_back(top);
        } else {
            const MergePair& pair = tree.MergeList[top - n];
            stack.push_back(pair.b);
            stack.push_back(pair.a);
        }
    }
}

// The exact minimum of the row at `position` over the clusters after it, as a
// row-major scan with a strict comparison finds it: the first column among
// equals; none when nothing compares smaller than +infinity (NaN never does).
void scanRow(ClusteringStorage& st, int position) {
    const int slot = st.order[static_cast<size_t>(position)];
    const double* row = st.active.data() + static_cast<size_t>(slot) * kStride;
    RowMinimum result{kInfinity, 0, 0, true};
    const int m = static_cast<int>(st.order.size());
    for (int u = position + 1; u < m; ++u) {
        const int other = st.order[static_cast<size_t>(u)];
        const double value = row[other];
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

// Brings row x up to date after a link removed clusters `first` and `second`
// (slots, with their labels) and appended the new cluster in slot `joined` at
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

// Adds the terms of lanes 0..L-1 from member e = from to e = to - 1, each
// lane's sum in its own register; consecutive additions belong to different
// sums and need not wait for each other.
template <int L>
void addMembers(const double* row, const uint16_t* const* lists, int from, int to, double* sums) {
    // Named accumulators: they stay in registers.
    double a0 = sums[0];
    double a1 = L > 1 ? sums[1] : 0.0;
    double a2 = L > 2 ? sums[2] : 0.0;
    double a3 = L > 3 ? sums[3] : 0.0;
    for (int e = from; e < to; ++e) {
        a0 += row[lists[0][e]];
        if constexpr (L > 1) a1 += row[lists[1][e]];
        if constexpr (L > 2) a2 += row[lists[2][e]];
        if constexpr (L > 3) a3 += row[lists[3][e]];
    }
    sums[0] = a0;
    if constexpr (L > 1) sums[1] = a1;
    if constexpr (L > 2) sums[2] = a2;
    if constexpr (L > 3) sums[3] = a3;
}

// Average linkage: the distance of the new cluster (members `newMembers`) to
// every cluster in `order`, written to out[position]. Each is the mean of D
// over the pairs (member of the new cluster, member of the other), summed in
// that nesting order from the member lists and never updated from earlier
// means, so every value is exactly the one of a fresh summation.
//
// The sums advance together, one member of the new cluster at a time, so
// that member's row of D is read while it is in the cache; the sums of
// clusters of one sample are independent additions. The other clusters go in
// groups of four of similar size, whose sums advance side by side, each in
// its member order.
void averageDistances(ClusteringStorage& st, const uint16_t* newMembers, int newCount,
                      std::vector<double>& out) {
    constexpr int kGroup = 4;
    const size_t others = st.order.size();
    st.singles.clear();
    st.groups.clear();
    for (size_t t = 0; t < others; ++t) {
        const size_t q = static_cast<size_t>(st.order[t]);
        if (st.memberCount[q] == 1)
            st.singles.push_back({static_cast<int>(t), st.memberList[q][0]});
        else
            st.groups.push_back({static_cast<int>(t), st.memberCount[q], st.memberList[q]});
    }
    std::sort(st.groups.begin(), st.groups.end(),
              [](const Sized& x, const Sized& y) { return x.count > y.count; });

    st.sums.assign(others, 0.0);
    double* sums = st.sums.data();
    const size_t groupCount = st.groups.size();
    for (int k = 0; k < newCount; ++k) {
        const double* row = st.distances.data() + size_t{newMembers[k]} * kStride;
        // The reads below go all over the row: ask for the next row ahead,
        // line by line, so that they find it in the cache.
        if (k + 1 < newCount) {
            const double* next = st.distances.data() + size_t{newMembers[k + 1]} * kStride;
            for (int c = 0; c <= st.sampleCount; c += kDoublesPerLine) __builtin_prefetch(next + c);
        }
        for (const Single& single : st.singles) sums[single.sum] += row[single.sample];
        for (size_t g = 0; g < groupCount; g += kGroup) {
            const Sized* group = &st.groups[g];
            const int lanes = static_cast<int>(std::min<size_t>(kGroup, groupCount - g));
            double acc[kGroup];
            const uint16_t* lists[kGroup];
            for (int j = 0; j < lanes; ++j) {
                acc[j] = sums[group[j].sum];
                lists[j] = group[j].members;
            }
            // Sizes fall within the group: all lanes up to the smallest, then
            // one lane fewer up to the next, and so on.
            int done = 0;
            for (int active = lanes; active > 0; --active) {
                const int until = group[active - 1].count;
                switch (active) {
                    case 4:
                        addMembers<4>(row, lists, done, until, acc);
                        break;
                    case 3:
                        addMembers<3>(row, lists, done, until, acc);
                        break;
                    case 2:
                        addMembers<2>(row, lists, done, until, acc);
                        break;
                    default:
                        addMembers<1>(row, lists, done, until, acc);
                        break;
                }
                done = until;
            }
            for (int j = 0; j < lanes; ++j) sums[group[j].sum] = acc[j];
        }
    }
    out.resize(others);
    for (size_t t = 0; t < others; ++t) {
        const int size = st.memberCount[static_cast<size_t>(st.order[t])];
        out[t] = sums[t] / (static_cast<double>(newCount) * static_cast<double>(size));
    }
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

ClusterTree& r62ClusterTree() {
    static const std::unique_ptr<ClusterTree> tree = std::make_unique<ClusterTree>();
    return *tree;
}

void buildClusterTree(const DistanceContext& context, int sampleCount, uint8_t linkage,
                      ClusterTree& tree) {
    if (sampleCount < 0 || sampleCount > kMaxSamples) throw RangeCheckError();
    ClusteringStorage& st = storage();
    const int n = sampleCount;
    tree.sampleCount = n;
    st.sampleCount = n;

    fillPairDistanceMatrix(context, n, st.distances.data(), kStride);
    for (int i = 1; i <= n; ++i) {
        std::memcpy(&at(st.active, i, 1), &at(st.distances, i, 1), sizeof(double) * size_t(n));
        st.label[static_cast<size_t>(i)] = i;
        st.memberList[static_cast<size_t>(i)] = &st.sampleItself[static_cast<size_t>(i)];
        st.memberCount[static_cast<size_t>(i)] = 1;
    }
    st.order.clear();
    for (int i = 1; i <= n; ++i) st.order.push_back(i);
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
            scanRow(st, best);
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
        double* firstRow = &at(st.active, rowSlot, 0);
        const double* secondRow = &at(st.active, columnSlot, 0);
        std::vector<double>& joined = st.joinedDistance;
        if (linkage == kLinkageAverage) {
            uint16_t* list = st.members.data() + static_cast<size_t>(s - 1) * kMemberStride;
            const int firstCount = st.memberCount[static_cast<size_t>(rowSlot)];
            const int secondCount = st.memberCount[static_cast<size_t>(columnSlot)];
            std::copy_n(st.memberList[static_cast<size_t>(rowSlot)], firstCount, list);
            std::copy_n(st.memberList[static_cast<size_t>(columnSlot)], secondCount,
                        list + firstCount);
            list[firstCount + secondCount] = 0;
            averageDistances(st, list, firstCount + secondCount, joined);
            st.memberList[static_cast<size_t>(rowSlot)] = list;
            st.memberCount[static_cast<size_t>(rowSlot)] = firstCount + secondCount;
        } else {
            joined.resize(others);
            for (size_t t = 0; t < others; ++t) {
                const int q = st.order[t];
                joined[t] = linkage == kLinkageComplete ? std::max(firstRow[q], secondRow[q])
                                                        : std::min(firstRow[q], secondRow[q]);
            }
        }

        // A row keeps its minimum unless it pointed at one of the two parts;
        // the new cluster, last in every row, wins only when strictly smaller.
        for (size_t t = 0; t < others; ++t) {
            const int q = st.order[t];
            updateRow(st.rowMinimum[static_cast<size_t>(q)], st.label[static_cast<size_t>(q)],
                      rowSlot, firstLabel, firstRow[q], columnSlot, secondLabel, secondRow[q],
                      rowSlot, joined[t]);
            firstRow[q] = joined[t];
            at(st.active, q, rowSlot) = joined[t];
        }
        firstRow[rowSlot] = 0.0;
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
    std::vector<int> firstSet;
    std::vector<int> secondSet;
    for (int s = 1; s <= n - 1; ++s) {
        firstSet.clear();
        secondSet.clear();
        collectSamples(tree, tree.MergeList[s].a, firstSet);
        collectSamples(tree, tree.MergeList[s].b, secondSet);
        for (int p : firstSet)
            for (int q : secondSet)
                st.copheneticVector[static_cast<size_t>(
                    CondensedPairIndex(std::min(p, q), std::max(p, q), n))] = tree.LinkHeights[s];
    }
    for (int i = 1; i <= n - 1; ++i)
        for (int j = i + 1; j <= n; ++j)
            st.distanceVector[static_cast<size_t>(CondensedPairIndex(i, j, n))] =
                at(st.distances, i, j);

    const int pairs = n * (n - 1) / 2;
    double meanY = 0.0;
    double meanT = 0.0;
    for (int k = 1; k <= pairs; ++k) {
        meanY += st.distanceVector[static_cast<size_t>(k)];
        meanT += st.copheneticVector[static_cast<size_t>(k)];
    }
    meanY /= pairs;
    meanT /= pairs;
    double yt = 0.0;
    double yy = 0.0;
    double tt = 0.0;
    for (int k = 1; k <= pairs; ++k) {
        const double y = st.distanceVector[static_cast<size_t>(k)] - meanY;
        const double t = st.copheneticVector[static_cast<size_t>(k)] - meanT;
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
        report.messages.emplace_back(kAhcWrongDataMessage);
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
    report.lines = ReportHeaderLines(data, kAhcReportTitle, standardize, dateTime);
    report.lines.emplace_back();
    report.lines.emplace_back(kAhcResultsLine);

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
    for (int k = 1; k <= n; ++k) {
        double sum = 0.0;
        for (int s = 1; s <= sampleCount; ++s) sum += points[s][k];
        const double mean = sum / sampleCount;
        double squares = 0.0;
        for (int s = 1; s <= sampleCount; ++s) {
            const double d = points[s][k] - mean;
            squares += d * d;
        }
        context.variances[k] = squares / (sampleCount - 1);
    }
    if (clusterPoints(context, points, sampleCount, linkage, tree, report))
        report.analysisName = "Similarity Based Clustering";
    return report;
}

std::vector<int> DendrogramCutLabels(const ClusterTree& tree, int k) {
    const int n = tree.sampleCount;
    std::vector<int> result(static_cast<size_t>(n) + 1, 0);
    const int t = n - k + 1;
    std::vector<int> roots{tree.MergeList[t].a, tree.MergeList[t].b};
    for (int s = t + 1; s <= n - 1; ++s)
        for (int label :
             {static_cast<int>(tree.MergeList[s].a), static_cast<int>(tree.MergeList[s].b)})
            if (label < n + t) roots.push_back(label);
    for (int i = 1; i <= n; ++i) {
        int label = i;
        for (;;) {
            const auto found = std::find(roots.begin(), roots.end(), label);
            if (found != roots.end()) {
                result[static_cast<size_t>(i)] = static_cast<int>(found - roots.begin()) + 1;
                break;
            }
            int parent = 0;
            for (int s = 1; s <= n - 1 && parent == 0; ++s)
                if (tree.MergeList[s].a == label || tree.MergeList[s].b == label) parent = n + s;
            if (parent == 0) break;  // not reachable in a complete tree
            label = parent;
        }
    }
    return result;
}

double DendrogramCutLevel(const ClusterTree& tree, int k) {
    if (tree.maxInconsistency == 0.0) return 0.0;
    return tree.InconsistencyTable[tree.sampleCount - k + 1][3] / tree.maxInconsistency;
}
