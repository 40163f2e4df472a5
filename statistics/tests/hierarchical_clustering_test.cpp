#include "statistics/core/hierarchical_clustering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "statistics/core/report_header.h"

namespace {

#include "statistics/tests/data/clustering_reference.inc"

std::unique_ptr<SampleMatrix> samples(const std::vector<std::vector<double>>& rows) {
    auto x = std::make_unique<SampleMatrix>();
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t k = 0; k < rows[i].size(); ++k)
            (*x)[static_cast<int>(i) + 1][static_cast<int>(k) + 1] = rows[i][k];
    return x;
}

struct Clustered {
    std::unique_ptr<SampleMatrix> points;
    std::unique_ptr<ClusterTree> tree = std::make_unique<ClusterTree>();
};

Clustered cluster(const std::vector<std::vector<double>>& rows, uint8_t linkage,
                  uint8_t metric = kMetricEuclidean) {
    Clustered result;
    result.points = samples(rows);
    DistanceContext context;
    context.points = result.points.get();
    context.featureCount = static_cast<int>(rows[0].size());
    context.metric = metric;
    buildClusterTree(context, static_cast<int>(rows.size()), linkage, *result.tree);
    return result;
}

void expectLink(const ClusterTree& tree, int s, int a, int b, double height) {
    EXPECT_EQ(tree.MergeList[s].a, a) << "link " << s;
    EXPECT_EQ(tree.MergeList[s].b, b) << "link " << s;
    EXPECT_DOUBLE_EQ(tree.LinkHeights[s], height) << "link " << s;
}

// Points 0, 1, 3, 7 on a line: d12 = 1, d13 = 3, d14 = 7, d23 = 2, d24 = 6, d34 = 4.
const std::vector<std::vector<double>> kLine = {{0.0}, {1.0}, {3.0}, {7.0}};

std::unique_ptr<R62DataSet> loaded(const std::vector<std::vector<double>>& rows) {
    auto data = std::make_unique<R62DataSet>();
    data->SampleCount = static_cast<int16_t>(rows.size());
    data->FeatureCount = static_cast<int16_t>(rows[0].size());
    data->CategoryCount = 1;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int s = static_cast<int>(i) + 1;
        data->Category[s] = 1;
        data->RawData[s][0] = 1;
        for (size_t f = 0; f < rows[i].size(); ++f)
            data->RawData[s][static_cast<int>(f) + 1] = rows[i][f];
    }
    for (int f = 1; f <= data->FeatureCount; ++f) {
        data->FeatureName[f] = "f" + std::to_string(f);
        data->FeatureSelected[f] = 1;
    }
    data->DataFileName = "clusters.sel";
    return data;
}

}  // namespace

TEST(R62HierarchicalClustering, SingleLinkageJoinsByTheNearestMembers) {
    const Clustered c = cluster(kLine, kLinkageSingle);
    expectLink(*c.tree, 1, 1, 2, 1.0);
    // Active after link 1: 3, 4, 5; d(5,3) = min(3, 2) = 2 is the smallest.
    expectLink(*c.tree, 2, 3, 5, 2.0);
    expectLink(*c.tree, 3, 4, 6, 4.0);
}

TEST(R62HierarchicalClustering, CompleteLinkageJoinsByTheFarthestMembers) {
    const Clustered c = cluster(kLine, kLinkageComplete);
    expectLink(*c.tree, 1, 1, 2, 1.0);
    expectLink(*c.tree, 2, 3, 5, 3.0);
    expectLink(*c.tree, 3, 4, 6, 7.0);
}

TEST(R62HierarchicalClustering, AverageLinkageMeansTheOriginalDistances) {
    const Clustered c = cluster(kLine, kLinkageAverage);
    expectLink(*c.tree, 1, 1, 2, 1.0);
    expectLink(*c.tree, 2, 3, 5, 2.5);         // (3 + 2) / 2
    expectLink(*c.tree, 3, 4, 6, 17.0 / 3.0);  // (4 + 7 + 6) / 3
}

TEST(R62HierarchicalClustering, TiesGoToTheFirstPairInRowOrder) {
    // d12 = d23 = 2: the pair at the lower row wins.
    const Clustered c = cluster({{0.0}, {2.0}, {4.0}}, kLinkageSingle);
    expectLink(*c.tree, 1, 1, 2, 2.0);
    expectLink(*c.tree, 2, 3, 4, 2.0);

    // d13 = d23 = 5: row 1 comes before row 2.
    const Clustered d = cluster({{0.0}, {10.0}, {5.0}}, kLinkageComplete);
    expectLink(*d.tree, 1, 1, 3, 5.0);
    expectLink(*d.tree, 2, 2, 4, 10.0);
}

TEST(R62HierarchicalClustering, InconsistencyTableAndFirstMaximumWins) {
    const Clustered c = cluster(kLine, kLinkageSingle);
    const ClusterTree& t = *c.tree;
    EXPECT_DOUBLE_EQ(t.InconsistencyTable[1][0], 1.0);
    EXPECT_DOUBLE_EQ(t.InconsistencyTable[1][1], 0.0);
    EXPECT_DOUBLE_EQ(t.InconsistencyTable[1][2], 1.0);
    EXPECT_DOUBLE_EQ(t.InconsistencyTable[1][3], 0.0);
    // Link 2: heights 2 and 1; link 3: heights 4 and 2. Both coefficients are 1/sqrt(2).
    EXPECT_DOUBLE_EQ(t.InconsistencyTable[2][0], 1.5);
    EXPECT_NEAR(t.InconsistencyTable[2][1], std::sqrt(0.5), 1e-15);
    EXPECT_DOUBLE_EQ(t.InconsistencyTable[2][2], 2.0);
    EXPECT_NEAR(t.InconsistencyTable[2][3], std::sqrt(0.5), 1e-15);
    EXPECT_DOUBLE_EQ(t.InconsistencyTable[3][0], 3.0);
    EXPECT_NEAR(t.InconsistencyTable[3][1], std::sqrt(2.0), 1e-15);
    EXPECT_NEAR(t.InconsistencyTable[3][3], std::sqrt(0.5), 1e-15);
    EXPECT_EQ(t.maxInconsistencyLink, 2);
    EXPECT_NEAR(t.maxInconsistency, std::sqrt(0.5), 1e-15);
}

TEST(R62HierarchicalClustering, CopheneticCorrelationOfTheLine) {
    // Distances 1 3 7 2 6 4 against heights 1 2 4 2 4 4: 13.8333 / sqrt(26.8333 * 8.8333).
    const Clustered c = cluster(kLine, kLinkageSingle);
    EXPECT_NEAR(c.tree->copheneticCorrelation, (83.0 / 6.0) / std::sqrt(161.0 / 6.0 * 53.0 / 6.0),
                1e-14);
}

TEST(R62HierarchicalClustering, ReportLinesKeepTheirWording) {
    const Clustered c = cluster(kLine, kLinkageAverage, kMetricCityBlock);
    const std::vector<std::string> lines =
        clusteringResultLines(*c.tree, kMetricCityBlock, kLinkageAverage);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Distance measure: City Block metric");
    EXPECT_EQ(lines[1], "Linking method: Average linkage");
    EXPECT_EQ(lines[2], "Cophenetic correleation coeffcitent:");
    EXPECT_EQ(lines[3], "0.898584");
    EXPECT_EQ(lines[4], "Maximal inconsistency coeffcitent:");
    EXPECT_EQ(lines[5], "0.707107 [Link No. 2]");
}

TEST(R62HierarchicalClustering, AllCoefficientsZeroPrintAsZero) {
    // Three equally spaced points: both links at height 2, no deviation anywhere.
    const Clustered c = cluster({{0.0}, {2.0}, {4.0}}, kLinkageSingle);
    const std::vector<std::string> lines = clusteringResultLines(*c.tree, 0, 0);
    EXPECT_EQ(lines[5], "0.000000 [Link No. 0]");
}

TEST(R62HierarchicalClustering, TwoSamplesGiveADefinedReport) {
    const Clustered c = cluster({{0.0, 0.0}, {3.0, 4.0}}, kLinkageSingle);
    expectLink(*c.tree, 1, 1, 2, 5.0);
    const std::vector<std::string> lines = clusteringResultLines(*c.tree, 0, 0);
    EXPECT_EQ(lines[3], "0.000000");
    EXPECT_EQ(lines[5], "0.000000 [Link No. 0]");
}

TEST(R62HierarchicalClustering, CutLabelsNumberTheRootsInOrder) {
    const Clustered c = cluster(kLine, kLinkageSingle);
    // k = 2: roots 4, 6.
    EXPECT_EQ(DendrogramCutLabels(*c.tree, 2), (std::vector<int>{0, 2, 2, 2, 1}));
    // k = 3: roots 3, 5 (link 2), then 4 from link 3.
    EXPECT_EQ(DendrogramCutLabels(*c.tree, 3), (std::vector<int>{0, 2, 2, 1, 3}));
    EXPECT_DOUBLE_EQ(DendrogramCutLevel(*c.tree, 2), 1.0);
    EXPECT_DOUBLE_EQ(DendrogramCutLevel(*c.tree, 3), 1.0);
}

TEST(R62HierarchicalClustering, CommandReportsAfterTheHeader) {
    auto data = loaded({{0.0, 0.0}, {1.0, 0.5}, {3.0, 1.0}, {7.0, 2.0}, {7.5, 2.5}});
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report =
        HierarchicalClustering(*data, kMetricEuclidean, kLinkageSingle, 0, "now", *tree);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    const std::vector<std::string> header = ReportHeaderLines(*data, kAhcReportTitle, 0, "now");
    ASSERT_EQ(report.lines.size(), header.size() + 8);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), report.lines.begin()));
    EXPECT_EQ(report.lines[header.size()], "");
    EXPECT_EQ(report.lines[header.size() + 1], "* Results [agglomerative hierarchical clustering]");
    EXPECT_EQ(report.lines[header.size() + 2], "Distance measure: Euclidean metric");
    EXPECT_EQ(report.lines[header.size() + 3], "Linking method: Single linkage");
    EXPECT_EQ(report.analysisName, "Hierarchical Clustering");
    EXPECT_EQ(tree->sampleCount, 5);
    EXPECT_EQ(tree->MergeList[1].a, 4);
    EXPECT_EQ(tree->MergeList[1].b, 5);
}

TEST(R62HierarchicalClustering, StandardizedEuclideanUsesTheSourceVarianceEvenWhenStandardized) {
    const std::vector<std::vector<double>> rows = {{0.0, 0.0}, {2.0, 10.0}, {4.0, 10.0}};
    auto data = loaded(rows);
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report = HierarchicalClustering(*data, kMetricStandardizedEuclidean,
                                                    kLinkageSingle, 1, "now", *tree);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    // Variances 4 and 100/3. Standardised, samples 2 and 3 differ by 1 in feature 1
    // only; divided by the source variance 4 once more: height sqrt(1 / 4).
    // Sample 1 is farther: d12^2 = 1 / 4 + (10 / sqrt(100 / 3))^2 / (100 / 3) = 0.34.
    expectLink(*tree, 1, 2, 3, 0.5);
}

TEST(R62HierarchicalClustering, SingularCovarianceFailsWithTheWrongDataBox) {
    auto data = loaded({{0.0, 0.0}, {2.0, 2.0}, {4.0, 4.0}});
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report =
        HierarchicalClustering(*data, kMetricMahalanobis, kLinkageSingle, 0, "now", *tree);
    EXPECT_EQ(report.outcome, AnalysisOutcome::Failed);
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0],
              "Hierarchical Clustering Analysis runtime error.\r[Wrong data.]\rTry another "
              "distance measure.");
    EXPECT_EQ(report.lines.back(), "* Results [agglomerative hierarchical clustering]");
}

TEST(R62HierarchicalClustering, MahalanobisLeavesTheDataCentred) {
    auto data = loaded({{0.0, 0.0}, {2.0, 2.0}, {2.0, 1.0}, {0.0, 1.0}});
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report =
        HierarchicalClustering(*data, kMetricMahalanobis, kLinkageComplete, 0, "now", *tree);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    EXPECT_DOUBLE_EQ(data->FeatureData[1][1], -1.0);
    // Inverse covariance [[1.5, -1.5], [-1.5, 3]]: squared distances d12 = d34 = 6 and
    // d13 = d14 = d23 = d24 = 3; the first of the ties in row order, (1, 3), is joined.
    expectLink(*tree, 1, 1, 3, std::sqrt(3.0));
}

TEST(R62HierarchicalClustering, ScmPointsTakeTheirOwnVariances) {
    auto points = samples({{0.0, 0.0}, {2.0, 0.0}, {0.0, 3.0}});
    auto tree = std::make_unique<ClusterTree>();
    // Variances 4/3 and 3: d12^2 = 4 / (4/3) = 3, d13^2 = 9 / 3 = 3, d23^2 = 6.
    const AhcReport report =
        clusterScmPoints(*points, 3, 2, kMetricStandardizedEuclidean, kLinkageSingle, *tree);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    EXPECT_EQ(report.analysisName, "Similarity Based Clustering");
    EXPECT_EQ(report.lines.size(), 6u);
    expectLink(*tree, 1, 1, 2, std::sqrt(3.0));
}

namespace {

void expectMatchesReference(uint8_t linkage, uint8_t metric, const double (*links)[3],
                            const double (*inconsistency)[4], double cophenetic) {
    std::vector<std::vector<double>> rows;
    for (int i = 0; i < clusterref::kSampleCount; ++i)
        rows.emplace_back(clusterref::kData[i], clusterref::kData[i] + clusterref::kFeatureCount);
    const Clustered c = cluster(rows, linkage, metric);
    const ClusterTree& t = *c.tree;
    for (int s = 1; s < clusterref::kSampleCount; ++s) {
        const int a = static_cast<int>(links[s - 1][0]);
        const int b = static_cast<int>(links[s - 1][1]);
        EXPECT_EQ(std::min<int>(t.MergeList[s].a, t.MergeList[s].b), std::min(a, b)) << s;
        EXPECT_EQ(std::max<int>(t.MergeList[s].a, t.MergeList[s].b), std::max(a, b)) << s;
        EXPECT_NEAR(t.LinkHeights[s], links[s - 1][2], 1e-12) << s;
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(t.InconsistencyTable[s][k], inconsistency[s - 1][k], 1e-9) << s;
    }
    EXPECT_NEAR(t.copheneticCorrelation, cophenetic, 1e-12);
}

}  // namespace

TEST(R62HierarchicalClustering, MatchesScipyOnUntiedData) {
    expectMatchesReference(kLinkageSingle, kMetricEuclidean, clusterref::kSingleLinks,
                           clusterref::kSingleInconsistency, clusterref::kSingleCophenetic);
    expectMatchesReference(kLinkageComplete, kMetricEuclidean, clusterref::kCompleteLinks,
                           clusterref::kCompleteInconsistency, clusterref::kCompleteCophenetic);
    expectMatchesReference(kLinkageAverage, kMetricEuclidean, clusterref::kAverageLinks,
                           clusterref::kAverageInconsistency, clusterref::kAverageCophenetic);
    expectMatchesReference(kLinkageAverage, kMetricCityBlock, clusterref::kAverageCityBlockLinks,
                           clusterref::kAverageCityBlockInconsistency,
                           clusterref::kAverageCityBlockCophenetic);
}
