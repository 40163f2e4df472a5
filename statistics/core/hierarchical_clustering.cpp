#include "statistics/core/hierarchical_clustering.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "platform/textformat.h"
#include "statistics/core/report_header.h"

namespace {

constexpr int kStride = kMaxSamples + 1;  // rows and columns 0..2000
constexpr int kMaxPairs = kMaxSamples * (kMaxSamples - 1) / 2;

// The run's fixed storage, allocated once for the whole process.
struct ClusteringStorage {
    std::vector<double> distances = std::vector<double>(size_t{kStride} * kStride);  // D
    std::vector<double> active = std::vector<double>(size_t{kStride} * kStride);     // W
    std::vector<double> rebuilt = std::vector<double>(size_t{kStride} * kStride);
    // Average linkage: the samples of cluster N + s, 2000 per link.
    std::vector<uint16_t> members = std::vector<uint16_t>(size_t{kMaxLinks} * kMaxSamples);
    std::vector<int> memberCount = std::vector<int>(kMaxLinks + 1);
    std::vector<double> distanceVector = std::vector<double>(kMaxPairs + 1);
    std::vector<double> copheneticVector = std::vector<double>(kMaxPairs + 1);
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

uint16_t* memberList(ClusteringStorage& st, int link) {
    return st.members.data() + static_cast<size_t>(link - 1) * kMaxSamples;
}

// The samples of a label, in member-list order.
void appendMembers(ClusteringStorage& st, int label, int n, std::vector<int>& out) {
    if (label <= n) {
        out.push_back(label);
        return;
    }
    const uint16_t* list = memberList(st, label - n);
    for (int k = 0; k < st.memberCount[static_cast<size_t>(label - n)]; ++k) out.push_back(list[k]);
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
    ClusteringStorage& st = storage();
    const int n = sampleCount;
    tree.sampleCount = n;
    std::fill(st.active.begin(), st.active.end(), 0.0);
    std::fill(st.rebuilt.begin(), st.rebuilt.end(), 0.0);
    if (linkage == kLinkageAverage) {
        std::fill(st.members.begin(), st.members.end(), uint16_t{0});
        std::fill(st.memberCount.begin(), st.memberCount.end(), 0);
    }

    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) at(st.distances, i, j) = PairDistances(i, j, context);

    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) at(st.active, i, j) = at(st.distances, i, j);
        at(st.active, 0, i) = i;
        at(st.active, i, 0) = i;
    }

    std::vector<int> newMembers;
    std::vector<int> otherMembers;
    std::vector<int> kept;
    for (int s = 1; s <= n - 1; ++s) {
        const int m = n - s + 1;
        double minimum = std::numeric_limits<double>::infinity();
        int row = 1;
        int col = 2;
        for (int r = 1; r <= m - 1; ++r)
            for (int c = r + 1; c <= m; ++c)
                if (at(st.active, r, c) < minimum) {
                    minimum = at(st.active, r, c);
                    row = r;
                    col = c;
                }
        const int first = static_cast<int>(at(st.active, row, 0));
        const int second = static_cast<int>(at(st.active, 0, col));
        tree.MergeList[s] = MergePair{static_cast<int16_t>(first), static_cast<int16_t>(second)};
        tree.LinkHeights[s] = minimum;

        if (linkage == kLinkageAverage) {
            newMembers.clear();
            appendMembers(st, first, n, newMembers);
            appendMembers(st, second, n, newMembers);
            uint16_t* list = memberList(st, s);
            for (size_t k = 0; k < newMembers.size(); ++k)
                list[k] = static_cast<uint16_t>(newMembers[k]);
            st.memberCount[static_cast<size_t>(s)] = static_cast<int>(newMembers.size());
        }

        // The other clusters keep their order at positions 1..m-2.
        kept.clear();
        for (int p = 1; p <= m; ++p)
            if (p != row && p != col) kept.push_back(p);
        for (size_t a = 0; a < kept.size(); ++a) {
            const int to = static_cast<int>(a) + 1;
            at(st.rebuilt, 0, to) = at(st.active, 0, kept[a]);
            at(st.rebuilt, to, 0) = at(st.active, kept[a], 0);
            for (size_t b = 0; b < kept.size(); ++b)
                at(st.rebuilt, to, static_cast<int>(b) + 1) = at(st.active, kept[a], kept[b]);
        }
        const int newPosition = m - 1;
        at(st.rebuilt, 0, newPosition) = n + s;
        at(st.rebuilt, newPosition, 0) = n + s;
        at(st.rebuilt, newPosition, newPosition) = 0.0;
        for (size_t a = 0; a < kept.size(); ++a) {
            const int q = kept[a];
            const double toFirst = at(st.active, row, q);
            const double toSecond = at(st.active, col, q);
            double d;
            if (linkage == kLinkageComplete) {
                d = std::max(toFirst, toSecond);
            } else if (linkage == kLinkageAverage) {
                otherMembers.clear();
                appendMembers(st, static_cast<int>(at(st.active, q, 0)), n, otherMembers);
                double sum = 0.0;
                for (int p : newMembers)
                    for (int o : otherMembers) sum += at(st.distances, p, o);
                d = sum / (static_cast<double>(newMembers.size()) *
                           static_cast<double>(otherMembers.size()));
            } else {
                d = std::min(toFirst, toSecond);
            }
            const int to = static_cast<int>(a) + 1;
            at(st.rebuilt, to, newPosition) = d;
            at(st.rebuilt, newPosition, to) = d;
        }
        std::swap(st.active, st.rebuilt);
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
