// Hand-built clustering trees shared by the dendrogram tests: the layout's
// and the window's.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "statistics/core/clustering/hierarchical_clustering.h"

namespace dendrogram_test {

// n samples and their links (1-based cluster numbers, samples first) at the
// given heights, with their inconsistency coefficients; the cophenetic
// correlation is a made-up 0.875 for the window to show.
inline std::unique_ptr<ClusterTree> treeOf(int n, const std::vector<std::array<int, 2>>& links,
                                           const std::vector<double>& heights) {
    auto tree = std::make_unique<ClusterTree>();
    tree->sampleCount = n;
    for (size_t s = 0; s < links.size(); ++s) {
        tree->MergeList[static_cast<int>(s) + 1] = {static_cast<int16_t>(links[s][0]),
                                                    static_cast<int16_t>(links[s][1])};
        tree->LinkHeights[static_cast<int>(s) + 1] = heights[s];
    }
    InconsistencyCoefficients(*tree);
    tree->copheneticCorrelation = 0.875;
    return tree;
}

// Five samples: {1, 2} at 1, {4, 5} at 2, {3, {1, 2}} at 3, the two at 5.
inline std::unique_ptr<ClusterTree> handMade() {
    return treeOf(5, {{1, 2}, {4, 5}, {3, 6}, {8, 7}}, {1.0, 2.0, 3.0, 5.0});
}

// n samples joined one by one: link 1 joins 1 and 2, link s joins sample
// s + 1 to the cluster so far, at height s.
inline std::unique_ptr<ClusterTree> caterpillar(int n) {
    std::vector<std::array<int, 2>> links{{1, 2}};
    std::vector<double> heights{1.0};
    for (int s = 2; s <= n - 1; ++s) {
        links.push_back({s + 1, n + s - 1});
        heights.push_back(s);
    }
    return treeOf(n, links, heights);
}

}  // namespace dendrogram_test
