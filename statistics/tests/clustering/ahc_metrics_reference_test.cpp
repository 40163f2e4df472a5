// The clustering tree under every metric and linkage against scipy's on
// tie-free data: links, heights, inconsistency statistics, cophenetic
// correlation and the cut into k clusters.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "statistics/core/clustering/distance_metrics.h"
#include "statistics/core/clustering/hierarchical_clustering.h"

namespace {

#include "statistics/tests/reference/ahc_metrics_reference.inc"

// The context the clustering command builds for `metric` on the reference data.
std::unique_ptr<DistanceContext> contextFor(uint8_t metric, SampleMatrix& points) {
    auto context = std::make_unique<DistanceContext>();
    const int n = ahcref::kSampleCount;
    const int f = ahcref::kFeatureCount;
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= f; ++k) points[i][k] = ahcref::kData[i - 1][k - 1];
    context->points = &points;
    context->featureCount = f;
    context->metric = metric;
    for (int k = 1; k <= f; ++k) {
        double mean = 0.0;
        for (int i = 1; i <= n; ++i) mean += points[i][k];
        mean /= n;
        double sum = 0.0;
        for (int i = 1; i <= n; ++i) sum += (points[i][k] - mean) * (points[i][k] - mean);
        context->variances[k] = sum / (n - 1);
    }
    if (metric == kMetricMahalanobis) {
        EXPECT_TRUE(InverseCovarianceForMahalanobis(points, n, f, context->inverseCovariance));
    }
    return context;
}

// Whether two labellings of samples 1..N make the same partition.
bool samePartition(const std::vector<int>& ours, const int* theirs, int n) {
    std::map<int, int> forward;
    std::map<int, int> backward;
    for (int i = 1; i <= n; ++i) {
        const int a = ours[static_cast<size_t>(i)];
        const int b = theirs[i - 1];
        if (forward.emplace(a, b).first->second != b) return false;
        if (backward.emplace(b, a).first->second != a) return false;
    }
    return true;
}

TEST(R62HierarchicalClustering, EveryMetricAndLinkageMatchesScipy) {
    const int n = ahcref::kSampleCount;
    for (const ahcref::Case& reference : ahcref::kCases) {
        const auto metric = static_cast<uint8_t>(reference.metric);
        const auto linkage = static_cast<uint8_t>(reference.linkage);
        SCOPED_TRACE(std::string(metricName(metric)) + ", " + std::string(linkageName(linkage)));
        auto points = std::make_unique<SampleMatrix>();
        const auto context = contextFor(metric, *points);
        auto tree = std::make_unique<ClusterTree>();
        buildClusterTree(*context, n, linkage, *tree);

        for (int s = 1; s < n; ++s) {
            const double* link = reference.links[s - 1];
            const int a = static_cast<int>(link[0]);
            const int b = static_cast<int>(link[1]);
            EXPECT_EQ(std::min<int>(tree->MergeList[s].a, tree->MergeList[s].b), std::min(a, b))
                << "link " << s;
            EXPECT_EQ(std::max<int>(tree->MergeList[s].a, tree->MergeList[s].b), std::max(a, b))
                << "link " << s;
            EXPECT_NEAR(tree->LinkHeights[s], link[2], 1e-11 * (1.0 + link[2])) << "link " << s;
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(tree->InconsistencyTable[s][k], reference.inconsistency[s - 1][k], 1e-9)
                    << "link " << s << ", column " << k;
        }
        EXPECT_NEAR(tree->copheneticCorrelation, reference.cophenetic, 1e-12);
        for (int c = 0; c < ahcref::kCutCount; ++c) {
            const int k = ahcref::kFirstCut + c;
            EXPECT_TRUE(samePartition(DendrogramCutLabels(*tree, k), reference.cut[c], n))
                << k << " clusters";
        }
    }
}

}  // namespace
