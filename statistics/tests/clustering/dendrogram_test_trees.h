// Hand-built clustering trees shared by the dendrogram tests: the layout's
// and the window's.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <random>
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

// A random tree of n samples: each link joins two clusters still apart, at a
// height that grows by a random step, often by none (ties, flat stretches).
inline std::unique_ptr<ClusterTree> randomTree(int n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<int> open;
    for (int label = 1; label <= n; ++label) open.push_back(label);
    std::vector<std::array<int, 2>> links;
    std::vector<double> heights;
    double height = 0.0;
    for (int s = 1; s <= n - 1; ++s) {
        std::uniform_int_distribution<size_t> pick(0, open.size() - 1);
        const size_t i = pick(random);
        const int a = open[i];
        open.erase(open.begin() + static_cast<std::ptrdiff_t>(i));
        std::uniform_int_distribution<size_t> pickOther(0, open.size() - 1);
        const size_t j = pickOther(random);
        const int b = open[j];
        open[j] = n + s;
        links.push_back({a, b});
        if (random() % 3 != 0) height += static_cast<double>(random() % 1000) / 100.0;
        heights.push_back(height);
    }
    return treeOf(n, links, heights);
}

}  // namespace dendrogram_test
