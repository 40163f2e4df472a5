#include "statistics/core/clustering/hierarchical_clustering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "statistics/core/reports/report_header.h"
#include "statistics/tests/clustering/ahc_reference.h"
#include "statistics/tests/clustering/unclassified_data.h"

namespace {

#include "statistics/tests/reference/clustering_reference.inc"

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
    return unclassifiedData(rows, "clusters.sel");
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
    const std::vector<std::string> header = reportHeaderLines(*data, kAhcReportTitle, 0, "now");
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
              "distance measure.\rThe covariance matrix of the selected features is singular: "
              "some features depend linearly on others (for example two features with the same "
              "values).\rSelect fewer features, leaving out those that repeat others "
              "(\"Options\" menu item), or add samples.");
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

namespace {

using Rows = std::vector<std::vector<double>>;

// Clusters `rows` with the clustering code and with the plain loop and
// compares the whole merge sequence: both labels of every link in their
// stored order and the bits of every height.
void expectSameMergesAsTheDirectLoop(const Rows& rows, uint8_t metric, uint8_t linkage,
                                     const std::vector<double>& variances = {}) {
    const int count = static_cast<int>(rows.size());
    const int features = static_cast<int>(rows[0].size());
    SCOPED_TRACE("N " + std::to_string(count) + ", " + std::string(metricName(metric)) + ", " +
                 std::string(linkageName(linkage)));
    auto points = samples(rows);
    DistanceContext context;
    context.points = points.get();
    context.featureCount = features;
    context.metric = metric;
    for (int k = 1; k <= features; ++k)
        context.variances[k] = variances.empty() ? 1.0 : variances[static_cast<size_t>(k - 1)];
    if (metric == kMetricMahalanobis) {
        ASSERT_TRUE(
            InverseCovarianceForMahalanobis(*points, count, features, context.inverseCovariance));
    }

    const std::vector<ReferenceLink> expected = referenceMergeSequence(context, count, linkage);
    auto tree = std::make_unique<ClusterTree>();
    buildClusterTree(context, count, linkage, *tree);
    ASSERT_EQ(tree->sampleCount, count);
    for (int s = 1; s < count; ++s) {
        const ReferenceLink& link = expected[static_cast<size_t>(s - 1)];
        const bool same =
            tree->MergeList[s].a == link.a && tree->MergeList[s].b == link.b &&
            std::bit_cast<uint64_t>(tree->LinkHeights[s]) == std::bit_cast<uint64_t>(link.height);
        ASSERT_TRUE(same) << "link " << s << ": (" << tree->MergeList[s].a << ", "
                          << tree->MergeList[s].b << ") at " << tree->LinkHeights[s]
                          << ", expected (" << link.a << ", " << link.b << ") at " << link.height;
    }
}

void expectSameMergesForEveryMetricAndLinkage(const Rows& rows,
                                              const std::vector<double>& variances = {}) {
    for (uint8_t metric :
         {kMetricEuclidean, kMetricStandardizedEuclidean, kMetricMahalanobis, kMetricCityBlock})
        for (uint8_t linkage : {kLinkageSingle, kLinkageComplete, kLinkageAverage})
            expectSameMergesAsTheDirectLoop(rows, metric, linkage, variances);
}

// Normal noise around a few centres, so that the tree has some structure.
Rows randomRows(int count, int features, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_int_distribution<int> centre(0, 3);
    Rows rows(static_cast<size_t>(count), std::vector<double>(static_cast<size_t>(features)));
    for (auto& row : rows) {
        const int c = centre(random);
        for (int k = 0; k < features; ++k)
            row[static_cast<size_t>(k)] = noise(random) + 3.0 * c * (k % 2);
    }
    return rows;
}

Rows shuffled(Rows rows, unsigned seed) {
    std::shuffle(rows.begin(), rows.end(), std::mt19937(seed));
    return rows;
}

}  // namespace

TEST(R62HierarchicalClusteringFast, SameMergesAsTheDirectLoopOnRandomData) {
    for (int count : {2, 3, 50, 300}) {
        // The covariance of the Mahalanobis metric needs more samples than features.
        const Rows rows =
            randomRows(count, std::min(5, count - 1), 100u + static_cast<unsigned>(count));
        expectSameMergesForEveryMetricAndLinkage(rows, {0.5, 2.0, 1.7, 3.1, 0.9});
    }
}

TEST(R62HierarchicalClusteringFast, SameMergesOnIntegerGridPoints) {
    // Equal distances everywhere; exact in every metric with power-of-two variances.
    Rows grid;
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 5; ++y)
            for (int z = 0; z < 4; ++z) grid.push_back({double(x), double(2 * y), double(z)});
    expectSameMergesForEveryMetricAndLinkage(shuffled(grid, 7), {1.0, 4.0, 0.25});
    expectSameMergesForEveryMetricAndLinkage(grid, {1.0, 4.0, 0.25});

    // Equally spaced points on a line: every neighbour at the same distance.
    Rows line;
    for (int i = 0; i < 40; ++i) line.push_back({double(i % 2 == 0 ? i : 80 - i), 0.5 * (i % 3)});
    expectSameMergesForEveryMetricAndLinkage(line, {2.0, 0.5});
}

TEST(R62HierarchicalClusteringFast, SameMergesOnDuplicatePoints) {
    // 120 samples on 7 places: runs of zero distances and equal distances between groups.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> place(0, 6);
    std::uniform_int_distribution<int> coordinate(-3, 3);
    Rows places;
    for (int p = 0; p < 7; ++p)
        places.push_back({double(coordinate(random)), double(coordinate(random)), double(p)});
    Rows rows;
    for (int i = 0; i < 120; ++i) rows.push_back(places[static_cast<size_t>(place(random))]);
    expectSameMergesForEveryMetricAndLinkage(rows, {2.0, 1.0, 4.0});
}

TEST(R62HierarchicalClusteringFast, SameMergesWhenAllDistancesAreEqual) {
    // The corners of a regular simplex: the unit vectors. Their covariance is
    // singular, so the Mahalanobis metric gets a simplex with one more corner,
    // whose distances it makes equal up to rounding.
    Rows corners;
    for (int i = 0; i < 12; ++i) {
        corners.emplace_back(12, 0.0);
        corners.back()[static_cast<size_t>(i)] = 1.0;
    }
    for (uint8_t metric : {kMetricEuclidean, kMetricStandardizedEuclidean, kMetricCityBlock})
        for (uint8_t linkage : {kLinkageSingle, kLinkageComplete, kLinkageAverage})
            expectSameMergesAsTheDirectLoop(corners, metric, linkage, std::vector<double>(12, 2.0));
    Rows simplex(corners.begin(), corners.end() - 1);
    for (auto& row : simplex) row.pop_back();
    simplex.emplace_back(11, 0.0);
    for (uint8_t linkage : {kLinkageSingle, kLinkageComplete, kLinkageAverage})
        expectSameMergesAsTheDirectLoop(simplex, kMetricMahalanobis, linkage);
}

TEST(R62HierarchicalClusteringFast, SameMergesOnManySmallTiedSets) {
    // Few distinct coordinates in few features: ties of every kind, in sets
    // from two samples up.
    for (unsigned seed = 0; seed < 120; ++seed) {
        std::mt19937 random(seed);
        const int count = 2 + static_cast<int>(random() % 60);
        const int features = 1 + static_cast<int>(random() % 3);
        std::uniform_int_distribution<int> coordinate(0, 1 + static_cast<int>(random() % 4));
        Rows rows(static_cast<size_t>(count));
        for (auto& row : rows)
            for (int k = 0; k < features; ++k) row.push_back(coordinate(random) * 0.5);
        for (uint8_t metric : {kMetricEuclidean, kMetricStandardizedEuclidean, kMetricCityBlock})
            for (uint8_t linkage : {kLinkageSingle, kLinkageComplete, kLinkageAverage})
                expectSameMergesAsTheDirectLoop(rows, metric, linkage, {0.5, 2.0, 4.0});
    }
}

TEST(R62HierarchicalClusteringFast, CutLabelsAsThePlainWalkFinds) {
    for (uint8_t linkage : {kLinkageSingle, kLinkageComplete, kLinkageAverage}) {
        const Clustered c = cluster(randomRows(60, 3, 9), linkage);
        for (int k = 2; k <= 59; ++k)
            ASSERT_EQ(DendrogramCutLabels(*c.tree, k), referenceCutLabels(*c.tree, k))
                << linkageName(linkage) << ", k " << k;
    }
    const Clustered big = cluster(randomRows(400, 4, 10), kLinkageAverage);
    for (int k : {2, 3, 17, 200, 399})
        EXPECT_EQ(DendrogramCutLabels(*big.tree, k), referenceCutLabels(*big.tree, k)) << k;
}

TEST(R62HierarchicalClusteringFast, DistanceMatrixIsThePairDistancesBitForBit) {
    // 300 samples: enough for the rows to be shared out among threads.
    const Rows rows = randomRows(300, 7, 3);
    auto points = samples(rows);
    DistanceContext context;
    context.points = points.get();
    context.featureCount = 7;
    for (int k = 1; k <= 7; ++k) context.variances[k] = 0.25 * k;
    ASSERT_TRUE(InverseCovarianceForMahalanobis(*points, 300, 7, context.inverseCovariance));
    constexpr size_t kStride = 305;
    std::vector<double> matrix(kStride * kStride, -1.0);
    for (uint8_t metric :
         {kMetricEuclidean, kMetricStandardizedEuclidean, kMetricMahalanobis, kMetricCityBlock}) {
        context.metric = metric;
        fillPairDistanceMatrix(context, 300, matrix.data(), kStride);
        for (int i = 1; i <= 300; ++i)
            for (int j = 1; j <= 300; ++j)
                ASSERT_EQ(std::bit_cast<uint64_t>(matrix[i * kStride + j]),
                          std::bit_cast<uint64_t>(PairDistances(i, j, context)))
                    << metricName(metric) << " " << i << " " << j;
        // Row and column 0 are left alone.
        EXPECT_EQ(matrix[0 * kStride + 5], -1.0);
        EXPECT_EQ(matrix[5 * kStride + 0], -1.0);
    }
}

TEST(R62HierarchicalClusteringFast, AverageLinkageOverTheFullSampleLimit) {
    // Two groups of 1000 equally spaced points, far apart: the last link holds
    // all 2000 samples in its member list, and its height is the mean of the
    // cross distances, 1e6 exactly (all sums are integers).
    Rows rows;
    for (int i = 0; i < 2000; ++i) rows.push_back({i < 1000 ? double(i) : 1e6 + (i - 1000)});
    const Clustered c = cluster(rows, kLinkageAverage, kMetricCityBlock);
    const ClusterTree& t = *c.tree;
    EXPECT_EQ(t.LinkHeights[1999], 1e6);
    EXPECT_EQ(std::min(t.MergeList[1999].a, t.MergeList[1999].b), 3997);
    EXPECT_EQ(std::max(t.MergeList[1999].a, t.MergeList[1999].b), 3998);
    const std::vector<int> labels = DendrogramCutLabels(t, 2);
    EXPECT_TRUE(std::all_of(labels.begin() + 2, labels.begin() + 1001,
                            [&](int l) { return l == labels[1]; }));
    EXPECT_TRUE(std::all_of(labels.begin() + 1002, labels.end(),
                            [&](int l) { return l == labels[1001] && l != labels[1]; }));
    EXPECT_GT(t.copheneticCorrelation, 0.99);
}

TEST(R62HierarchicalClusteringFast, ACollapsedFeatureDoesNotSpoilTheStandardizedDistances) {
    // The shifted points of similarity based clustering may all share one value
    // of a feature: its variance is 0 and it must not turn every distance into NaN.
    auto points = samples({{0.0, 5.0}, {1.0, 5.0}, {3.0, 5.0}});
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report =
        clusterScmPoints(*points, 3, 2, kMetricStandardizedEuclidean, kLinkageSingle, *tree);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    // Feature 1: variance 7/3.
    expectLink(*tree, 1, 1, 2, std::sqrt(1.0 / (7.0 / 3.0)));
    expectLink(*tree, 2, 3, 4, std::sqrt(4.0 / (7.0 / 3.0)));
}

TEST(R62HierarchicalClusteringFast, AFormRoundedBelowZeroIsDistanceZero) {
    // A nearly singular covariance can leave the computed quadratic form of a
    // tiny difference just below zero; the distance is 0, not NaN.
    auto points = samples({{1.0}, {1.0 + 0x1p-40}});
    Matrix30 m{};
    m[1][1] = -1.0;  // stands in for the rounding
    EXPECT_EQ(MahalanobisDistance(*points, 1, 2, 1, m), 0.0);
}
