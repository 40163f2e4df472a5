// The merging loop of agglomerative hierarchical clustering written the plain
// way: every step scans the whole active matrix in row-major order for the
// smallest distance (first pair among equals), joins the pair, and rebuilds
// the active matrix with the other clusters in their old order and the new
// cluster last; average linkage sums the original distances over the member
// lists every time. O(N^3): the yardstick the clustering code is checked
// against, merge by merge. Also the cut of the tree the same plain way.
#pragma once

#include <cstdint>
#include <vector>

#include "statistics/core/clustering/distance_metrics.h"
#include "statistics/core/clustering/hierarchical_clustering.h"

struct ReferenceLink {
    int a = 0;
    int b = 0;
    double height = 0.0;
};

// Links 1..sampleCount - 1 in element 0..sampleCount - 2; distances from
// PairDistances for every ordered pair.
std::vector<ReferenceLink> referenceMergeSequence(const DistanceContext& context, int sampleCount,
                                                  uint8_t linkage);

// The cut of a tree into k clusters the plain way: the roots in their order,
// and for every sample a walk up through the first link that names its
// label, each looked up by a scan of the merge list.
std::vector<int> referenceCutLabels(const ClusterTree& tree, int k);
