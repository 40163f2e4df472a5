#include "statistics/tests/clustering/ahc_reference.h"

#include <algorithm>
#include <limits>

std::vector<ReferenceLink> referenceMergeSequence(const DistanceContext& context, int sampleCount,
                                                  uint8_t linkage) {
    const int n = sampleCount;
    const size_t size = static_cast<size_t>(n) + 1;
    std::vector<std::vector<double>> d(size, std::vector<double>(size));
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) d[i][j] = PairDistances(i, j, context);

    // Row 0 and column 0 hold the labels, positions 1..m the active clusters.
    std::vector<std::vector<double>> w = d;
    for (int i = 1; i <= n; ++i) w[0][i] = w[i][0] = i;
    std::vector<std::vector<int>> members(size);  // by link

    auto membersOf = [&](int label) {
        return label <= n ? std::vector<int>{label} : members[static_cast<size_t>(label - n)];
    };

    std::vector<ReferenceLink> links;
    std::vector<std::vector<double>> next(size, std::vector<double>(size));
    for (int s = 1; s <= n - 1; ++s) {
        const int m = n - s + 1;
        double minimum = std::numeric_limits<double>::infinity();
        int row = 1;
        int col = 2;
        for (int r = 1; r <= m - 1; ++r)
            for (int c = r + 1; c <= m; ++c)
                if (w[r][c] < minimum) {
                    minimum = w[r][c];
                    row = r;
                    col = c;
                }
        const int first = static_cast<int>(w[row][0]);
        const int second = static_cast<int>(w[0][col]);
        links.push_back({first, second, minimum});

        std::vector<int> joined = membersOf(first);
        const std::vector<int> secondMembers = membersOf(second);
        joined.insert(joined.end(), secondMembers.begin(), secondMembers.end());
        members[static_cast<size_t>(s)] = joined;

        for (auto& line : next) std::fill(line.begin(), line.end(), 0.0);
        std::vector<int> kept;
        for (int p = 1; p <= m; ++p)
            if (p != row && p != col) kept.push_back(p);
        for (size_t a = 0; a < kept.size(); ++a) {
            next[0][a + 1] = next[a + 1][0] = w[static_cast<size_t>(kept[a])][0];
            for (size_t b = 0; b < kept.size(); ++b)
                next[a + 1][b + 1] = w[static_cast<size_t>(kept[a])][static_cast<size_t>(kept[b])];
        }
        const size_t last = static_cast<size_t>(m) - 1;
        next[0][last] = next[last][0] = n + s;
        for (size_t a = 0; a < kept.size(); ++a) {
            const size_t q = static_cast<size_t>(kept[a]);
            double distance;
            if (linkage == kLinkageComplete) {
                distance = std::max(w[static_cast<size_t>(row)][q], w[static_cast<size_t>(col)][q]);
            } else if (linkage == kLinkageAverage) {
                const std::vector<int> other = membersOf(static_cast<int>(w[q][0]));
                double sum = 0.0;
                for (int p : joined)
                    for (int o : other) sum += d[static_cast<size_t>(p)][static_cast<size_t>(o)];
                distance =
                    sum / (static_cast<double>(joined.size()) * static_cast<double>(other.size()));
            } else {
                distance = std::min(w[static_cast<size_t>(row)][q], w[static_cast<size_t>(col)][q]);
            }
            next[a + 1][last] = next[last][a + 1] = distance;
        }
        std::swap(w, next);
    }
    return links;
}

std::vector<int> referenceCutLabels(const ClusterTree& tree, int k) {
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
            if (parent == 0) break;
            label = parent;
        }
    }
    return result;
}
