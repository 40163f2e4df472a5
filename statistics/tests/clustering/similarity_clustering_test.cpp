#include "statistics/core/clustering/similarity_clustering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/textformat.h"
#include "statistics/core/reports/report_header.h"
#include "statistics/tests/clustering/unclassified_data.h"

namespace {

#include "statistics/tests/reference/scm_reference.inc"

using Rows = std::vector<std::vector<double>>;

std::unique_ptr<R62DataSet> loaded(const Rows& rows) {
    return unclassifiedData(rows, "groups.sel");
}

template <size_t N, size_t F>
Rows rowsOf(const double (&table)[N][F]) {
    Rows rows;
    for (const auto& row : table) rows.emplace_back(row, row + F);
    return rows;
}

// Prepared data and a context over it, for the stages one at a time.
struct Stages {
    std::unique_ptr<R62DataSet> data;
    ScmContext context;

    explicit Stages(const Rows& rows, ScmLimits limits = {}) : data(loaded(rows)) {
        EXPECT_TRUE(PrepareWorkingData(*data, 0).prepared);
        context.data = data.get();
        context.limits = limits;
        computeScmSquaredDistances(*data);
    }
    void run() {
        EstimateScmGamma(context);
        ShiftScmPoints(context);
    }
};

// Two tight groups of 3 and 2 samples, 8 apart in feature 1; within a group
// the samples differ by 1e-6 in feature 2 only, so feature 2 collapses to
// exactly 0 when the samples are shifted.
const Rows kFlatGroups = {{0.0, -1e-6}, {0.0, 0.0}, {0.0, 1e-6}, {8.0, -1e-6}, {8.0, 1e-6}};

AhcReport runCommand(R62DataSet& data, uint8_t metric, ClusterTree& tree,
                     const ScmLimits& limits = {}) {
    return SimilarityBasedClustering(data, metric, kLinkageSingle, 0, "now", tree, {}, limits);
}

}  // namespace

TEST(R62SimilarityClustering, SquaredDistancesAreTheSquaredPairDistances) {
    Stages s(rowsOf(scmref::kGroupsData));
    const int n = s.data->SampleCount;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const double d = i == j ? 0.0 : ScmPairDistance(*s.data, i, j);
            ASSERT_EQ(scmSquaredDistance(i, j, n), d * d) << i << ", " << j;
        }
    // The distance is the working data's Euclidean one over the selected features.
    EXPECT_DOUBLE_EQ(ScmPairDistance(*s.data, 1, 2),
                     std::hypot(scmref::kGroupsData[0][0] - scmref::kGroupsData[1][0],
                                scmref::kGroupsData[0][1] - scmref::kGroupsData[1][1],
                                scmref::kGroupsData[0][2] - scmref::kGroupsData[1][2]));
}

TEST(R62SimilarityClustering, MatchesNumpyOnThreeLooseGroups) {
    Stages s(rowsOf(scmref::kGroupsData));
    s.run();
    const ScmContext& c = s.context;
    EXPECT_NEAR(c.beta, scmref::kGroupsBeta, 1e-12 * scmref::kGroupsBeta);
    // Exponents 1, 5, 10, 15, 20 were tried: four pairs, the last reaching 0.97.
    EXPECT_EQ(c.gamma, scmref::kGroupsGamma);
    EXPECT_EQ(c.gammaComparisons, scmref::kGroupsComparisons);
    EXPECT_NEAR(c.correlation, scmref::kGroupsCorrelation, 1e-9);
    EXPECT_EQ(c.gammaEnd, ScmGammaEnd::Correlated);
    EXPECT_EQ(c.passCount, scmref::kGroupsPasses);
    EXPECT_EQ(c.shiftEnd, ScmShiftEnd::Settled);
    EXPECT_LE(c.largestMove, kScmMoveTolerance);
    for (int i = 1; i <= scmref::kGroupsSamples; ++i)
        for (int k = 1; k <= scmref::kGroupsFeatures; ++k)
            EXPECT_NEAR(ScmPoints()[i][k], scmref::kGroupsShifted[i - 1][k - 1], 1e-9)
                << i << ", " << k;
    EXPECT_TRUE(scmNoteLines(c).empty());
}

TEST(R62SimilarityClustering, AlreadyCorrelatedTotalsKeepTheFirstExponent) {
    Stages s(rowsOf(scmref::kTwoGroupsData));
    s.run();
    EXPECT_NEAR(s.context.beta, scmref::kTwoGroupsBeta, 1e-12 * scmref::kTwoGroupsBeta);
    EXPECT_EQ(s.context.gamma, 1.0);
    EXPECT_EQ(s.context.gammaComparisons, 1);
    EXPECT_GE(s.context.correlation, 0.97);
    EXPECT_EQ(s.context.passCount, scmref::kTwoGroupsPasses);
    for (int i = 1; i <= scmref::kTwoGroupsSamples; ++i)
        for (int k = 1; k <= scmref::kTwoGroupsFeatures; ++k)
            EXPECT_NEAR(ScmPoints()[i][k], scmref::kTwoGroupsShifted[i - 1][k - 1], 1e-9);
}

TEST(R62SimilarityClustering, TwoTightGroupsCollapseIntoTwoClusters) {
    auto data = loaded(rowsOf(scmref::kTwoGroupsData));
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report = runCommand(*data, kMetricEuclidean, *tree);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    // Samples 1..6 and 7..16: every member within a hair of its group's point.
    const SampleMatrix& p = ScmPoints();
    for (int i = 1; i <= 16; ++i) {
        const int first = i <= 6 ? 1 : 7;
        EXPECT_LT(std::hypot(p[i][1] - p[first][1], p[i][2] - p[first][2]), 2e-3) << i;
    }
    // All links but the last near 0; the last joins the groups about 9.4 apart.
    for (int s = 1; s <= 14; ++s) EXPECT_LT(tree->LinkHeights[s], 2e-3) << s;
    EXPECT_GT(tree->LinkHeights[15], 9.0);
    const std::vector<int> labels = DendrogramCutLabels(*tree, 2);
    for (int i = 2; i <= 16; ++i) EXPECT_EQ(labels[i] == labels[1], i <= 6) << i;
}

TEST(R62SimilarityClustering, ReportHasHeaderResultsLineThenTheClustering) {
    auto data = loaded(rowsOf(scmref::kGroupsData));
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report = SimilarityBasedClustering(*data, kMetricCityBlock, kLinkageAverage, 1,
                                                       "1.2.2026 10:00:00", *tree);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    EXPECT_TRUE(report.messages.empty());
    const std::vector<std::string> header =
        reportHeaderLines(*data, " [similarity based clustering method]", 1, "1.2.2026 10:00:00");
    ASSERT_EQ(report.lines.size(), header.size() + 8);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), report.lines.begin()));
    EXPECT_EQ(report.lines[0],
              "* r62 report file [similarity based clustering method] <1.2.2026 10:00:00>");
    EXPECT_EQ(report.lines[header.size() - 1], "Feature vector standardized: YES");
    EXPECT_EQ(report.lines[header.size()], "");
    EXPECT_EQ(report.lines[header.size() + 1], "* Results [similarity based clustering method]");
    const std::vector<std::string> results =
        clusteringResultLines(*tree, kMetricCityBlock, kLinkageAverage);
    EXPECT_TRUE(
        std::equal(results.begin(), results.end(), report.lines.begin() + header.size() + 2));
    EXPECT_EQ(report.lines[header.size() + 2], "Distance measure: City Block metric");
    EXPECT_EQ(report.lines[header.size() + 3], "Linking method: Average linkage");
    EXPECT_EQ(report.analysisName, "Similarity Based Clustering");
    EXPECT_EQ(tree->sampleCount, scmref::kGroupsSamples);
}

TEST(R62SimilarityClustering, RefusedPreparationWritesNothing) {
    auto data = loaded({{1.0, 2.0}, {1.0, 3.0}, {1.0, 5.0}});
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report = runCommand(*data, kMetricEuclidean, *tree);
    EXPECT_EQ(report.outcome, AnalysisOutcome::PreparationRefused);
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0], "Standard deviation of feature #1 is zero!");
    EXPECT_TRUE(report.lines.empty());
}

TEST(R62SimilarityClustering, CollapsedFeatureFailsBothVarianceMetrics) {
    for (uint8_t metric : {kMetricStandardizedEuclidean, kMetricMahalanobis}) {
        auto data = loaded(kFlatGroups);
        auto tree = std::make_unique<ClusterTree>();
        tree->sampleCount = 77;  // left alone by a failed run
        const AhcReport report = runCommand(*data, metric, *tree);
        for (int i = 1; i <= 5; ++i) ASSERT_EQ(ScmPoints()[i][2], 0.0) << i;
        EXPECT_EQ(report.outcome, AnalysisOutcome::Failed) << int{metric};
        ASSERT_EQ(report.messages.size(), 1u);
        EXPECT_EQ(report.messages[0],
                  "Hierarchical Clustering Analysis runtime error.\r[Wrong data.]\rTry another "
                  "distance measure.");
        EXPECT_EQ(report.lines.back(), "* Results [similarity based clustering method]");
        EXPECT_TRUE(report.analysisName.empty());
        EXPECT_EQ(tree->sampleCount, 77);
    }
    // The other metrics need no variance: two clusters, links 0 and one high link.
    for (uint8_t metric : {kMetricEuclidean, kMetricCityBlock}) {
        auto data = loaded(kFlatGroups);
        auto tree = std::make_unique<ClusterTree>();
        ASSERT_EQ(runCommand(*data, metric, *tree).outcome, AnalysisOutcome::Reported);
        for (int s = 1; s <= 3; ++s) EXPECT_EQ(tree->LinkHeights[s], 0.0);
        EXPECT_GT(tree->LinkHeights[4], 7.0);
    }
}

TEST(R62SimilarityClustering, FeatureCollapsedToRoundingFailsBothVarianceMetrics) {
    // As above around 2.5: the shifted feature 2 keeps only a difference of
    // one unit in the last place, which neither metric may divide by.
    Rows rows = kFlatGroups;
    for (auto& row : rows) row[1] += 2.5;
    for (uint8_t metric : {kMetricStandardizedEuclidean, kMetricMahalanobis}) {
        auto data = loaded(rows);
        auto tree = std::make_unique<ClusterTree>();
        const AhcReport report = runCommand(*data, metric, *tree);
        for (int i = 1; i <= 5; ++i) ASSERT_NEAR(ScmPoints()[i][2], 2.5, 1e-15) << i;
        EXPECT_EQ(report.outcome, AnalysisOutcome::Failed) << int{metric};
        ASSERT_EQ(report.messages.size(), 1u);
        EXPECT_EQ(report.messages[0], kAhcWrongDataMessage);
    }
}

TEST(R62SimilarityClustering, GroupsOnALineMakeTheMahalanobisCovarianceSingular) {
    // Two tight groups collapse onto two points: every shifted point lies on
    // the line through them, whatever rounding leaves across it.
    auto data = loaded(rowsOf(scmref::kTwoGroupsData));
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report = runCommand(*data, kMetricMahalanobis, *tree);
    EXPECT_EQ(report.outcome, AnalysisOutcome::Failed);
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0].rfind(kAhcWrongDataMessage, 0), 0u);

    // Three loose groups keep a full covariance.
    auto groups = loaded(rowsOf(scmref::kGroupsData));
    EXPECT_EQ(runCommand(*groups, kMetricMahalanobis, *tree).outcome, AnalysisOutcome::Reported);
    EXPECT_EQ(runCommand(*groups, kMetricStandardizedEuclidean, *tree).outcome,
              AnalysisOutcome::Reported);
}

TEST(R62SimilarityClustering, PassCapStopsTheShiftAndSaysSo) {
    ScmLimits limits;
    limits.maxPasses = 2;
    Stages s(rowsOf(scmref::kGroupsData), limits);
    s.run();
    EXPECT_EQ(s.context.passCount, 2);
    EXPECT_EQ(s.context.shiftEnd, ScmShiftEnd::Capped);
    EXPECT_TRUE(s.context.capHit());
    EXPECT_GT(s.context.largestMove, kScmMoveTolerance);
    const std::vector<std::string> notes = scmNoteLines(s.context);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "Note: the samples were still moving after 2 passes (largest move " +
                            platform::cformat("%g", s.context.largestMove) +
                            ", tolerance 0.03); the shift was stopped there.");

    // Through the command: the note follows the results line, the clustering goes on.
    auto data = loaded(rowsOf(scmref::kGroupsData));
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report = runCommand(*data, kMetricEuclidean, *tree, limits);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    const auto results = std::find(report.lines.begin(), report.lines.end(),
                                   "* Results [similarity based clustering method]");
    ASSERT_NE(results, report.lines.end());
    EXPECT_EQ(results[1], notes[0]);
    EXPECT_EQ(results[2], "Distance measure: Euclidean metric");
}

TEST(R62SimilarityClustering, ACapAboveThePassesNeededChangesNothing) {
    ScmLimits limits;
    limits.maxPasses = scmref::kGroupsPasses;
    Stages s(rowsOf(scmref::kGroupsData), limits);
    s.run();
    EXPECT_EQ(s.context.shiftEnd, ScmShiftEnd::Settled);
    EXPECT_FALSE(s.context.capHit());
    EXPECT_NEAR(ScmPoints()[1][1], scmref::kGroupsShifted[0][0], 1e-9);
}

TEST(R62SimilarityClustering, GammaCapStopsTheSearchAtTheLastExponentTried) {
    // The search needs 1, 5, 10, 15, 20: below 15 it stops at 10, never at 12.
    for (double cap : {10.0, 12.0, 14.9}) {
        ScmLimits limits;
        limits.maxGamma = cap;
        Stages s(rowsOf(scmref::kGroupsData), limits);
        EstimateScmGamma(s.context);
        EXPECT_EQ(s.context.gamma, 10.0) << cap;
        EXPECT_EQ(s.context.gammaComparisons, 2) << cap;
        EXPECT_EQ(s.context.gammaEnd, ScmGammaEnd::Capped);
        EXPECT_TRUE(s.context.capHit());
        const std::vector<std::string> notes = scmNoteLines(s.context);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0], "Note: no similarity exponent up to " + platform::cformat("%g", cap) +
                                " gave total similarities correlated at 0.97 or more; exponent "
                                "10 was used.");
    }
    ScmLimits limits;
    limits.maxGamma = 20.0;  // enough
    Stages s(rowsOf(scmref::kGroupsData), limits);
    EstimateScmGamma(s.context);
    EXPECT_EQ(s.context.gamma, 15.0);
    EXPECT_EQ(s.context.gammaEnd, ScmGammaEnd::Correlated);
}

TEST(R62SimilarityClustering, EqualTotalSimilaritiesEndTheSearchAtOnce) {
    // A square, two samples, an equilateral triangle, a regular hexagon: the
    // total similarities are equal or differ only by rounding, whose
    // correlation would pick an exponent by chance.
    const double h = std::sqrt(3.0) / 2.0;
    for (const Rows& rows :
         {Rows{{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}}, Rows{{0.0, 0.0}, {3.0, 1.0}},
          Rows{{0.0, 0.0}, {1.0, 0.0}, {0.5, h}},
          Rows{{1.0, 0.0}, {0.5, h}, {-0.5, h}, {-1.0, 0.0}, {-0.5, -h}, {0.5, -h}}}) {
        auto data = loaded(rows);
        auto tree = std::make_unique<ClusterTree>();
        const AhcReport report = runCommand(*data, kMetricEuclidean, *tree);
        ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
        EXPECT_NE(std::find(report.lines.begin(), report.lines.end(),
                            "Note: every sample has the same total similarity; similarity "
                            "exponent 1 was used."),
                  report.lines.end());
    }
}

TEST(R62SimilarityClustering, UnusableScaleOrExponentMovesNothing) {
    for (double gamma :
         {std::numeric_limits<double>::quiet_NaN(), 0.0, std::numeric_limits<double>::infinity()}) {
        Stages s(kFlatGroups);
        s.context.beta = 1.0;
        s.context.gamma = gamma;
        ShiftScmPoints(s.context);
        EXPECT_EQ(s.context.shiftEnd, ScmShiftEnd::Degenerate);
        EXPECT_EQ(s.context.passCount, 0);
        for (int i = 1; i <= 5; ++i)
            for (int k = 1; k <= 2; ++k) EXPECT_EQ(ScmPoints()[i][k], s.data->FeatureData[i][k]);
        EXPECT_EQ(scmNoteLines(s.context),
                  std::vector<std::string>{"Note: the similarity scale or exponent is not usable; "
                                           "the samples were not moved."});
    }
}

TEST(R62SimilarityClustering, WeightsWithoutAPositiveSumStopTheShift) {
    Stages s(kFlatGroups);
    EstimateScmGamma(s.context);
    s.data->FeatureData[3][1] = std::numeric_limits<double>::quiet_NaN();
    ShiftScmPoints(s.context);
    EXPECT_EQ(s.context.shiftEnd, ScmShiftEnd::Degenerate);
    EXPECT_EQ(s.context.stuckSample, 1);
    EXPECT_EQ(s.context.passCount, 0);
    EXPECT_EQ(ScmPoints()[1][1], 0.0);
    EXPECT_EQ(scmNoteLines(s.context),
              std::vector<std::string>{
                  "Note: the shift stopped in pass 1, where the similarities of sample 1 did not "
                  "add up to a positive number; the positions before that pass were clustered."});
}

TEST(R62SimilarityClustering, OverflowingSpreadFailsWithTheWrongDataBox) {
    // Variances beyond the largest double: no similarity can be formed.
    auto data = loaded({{1e200, 0.0}, {-1e200, 1.0}, {0.0, 2.0}});
    auto tree = std::make_unique<ClusterTree>();
    const AhcReport report = runCommand(*data, kMetricEuclidean, *tree);
    EXPECT_EQ(report.outcome, AnalysisOutcome::Failed);
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0], kScmWrongDataMessage);
    EXPECT_EQ(report.lines.back(), "* Results [similarity based clustering method]");
}

TEST(R62SimilarityClustering, ProgressHookSeesEveryPassInOrder) {
    auto data = loaded(rowsOf(scmref::kGroupsData));
    auto tree = std::make_unique<ClusterTree>();
    std::vector<int> passes;
    SimilarityBasedClustering(*data, kMetricEuclidean, kLinkageSingle, 0, "now", *tree,
                              [&](int pass) { passes.push_back(pass); });
    ASSERT_EQ(static_cast<int>(passes.size()), scmref::kGroupsPasses);
    for (size_t k = 0; k < passes.size(); ++k) EXPECT_EQ(passes[k], static_cast<int>(k) + 1);
}

TEST(R62SimilarityClustering, RunsRepeatBitForBit) {
    // Passes are spread over threads by fixed rows: nothing depends on timing.
    Stages first(rowsOf(scmref::kGroupsData));
    first.run();
    const auto points = std::make_unique<SampleMatrix>(ScmPoints());
    Stages second(rowsOf(scmref::kGroupsData));
    second.run();
    EXPECT_TRUE(*points == ScmPoints());
    EXPECT_EQ(first.context.correlation, second.context.correlation);
}

TEST(R62SimilarityClustering, WorkSplitOverThreadsGivesThePlainLoopsBitForBit) {
    // Enough samples for every stage to be shared out; each result is
    // checked against the same sums written as plain loops in sample order.
    Rows rows;
    for (int i = 0; i < 601; ++i) {
        const double a = i * 0.37;
        rows.push_back({std::sin(a) * 3.0 + (i % 3) * 4.0, std::cos(a * 1.3) + (i % 5), a * 0.01});
    }
    ScmLimits limits;
    limits.maxPasses = 1;
    Stages s(rows, limits);
    const R62DataSet& d = *s.data;
    const int n = d.SampleCount;
    for (int i = 1; i < n; i += 37)
        for (int j = 1; j <= n; j += 11) {
            const double e = i == j ? 0.0 : ScmPairDistance(d, i, j);
            ASSERT_EQ(scmSquaredDistance(i, j, n), e * e);
        }

    s.run();
    const double beta = s.context.beta;
    auto weight = [&](double squared, double gamma) { return std::exp(-(squared / beta) * gamma); };
    auto totals = [&](double gamma) {
        std::vector<double> t(static_cast<size_t>(n) + 1, 0.0);
        for (int j = 1; j <= n; ++j)
            for (int i = 1; i <= n; ++i)
                if (i != j) t[static_cast<size_t>(j)] += weight(scmSquaredDistance(i, j, n), gamma);
        return t;
    };
    auto correlation = [&](const std::vector<double>& a, const std::vector<double>& b) {
        double ma = 0.0, mb = 0.0, aa = 0.0, bb = 0.0, ab = 0.0;
        for (int j = 1; j <= n; ++j)
            ma += a[static_cast<size_t>(j)], mb += b[static_cast<size_t>(j)];
        ma /= n;
        mb /= n;
        for (int j = 1; j <= n; ++j) {
            const double x = a[static_cast<size_t>(j)] - ma, y = b[static_cast<size_t>(j)] - mb;
            aa += x * x;
            bb += y * y;
        }
        for (int j = 1; j <= n; ++j)
            ab += (a[static_cast<size_t>(j)] - ma) * (b[static_cast<size_t>(j)] - mb);
        return (ab / n) / std::sqrt((aa / n) * (bb / n));
    };
    const double gamma = s.context.gamma;
    ASSERT_EQ(s.context.gammaEnd, ScmGammaEnd::Correlated);
    EXPECT_EQ(s.context.correlation,
              correlation(totals(gamma), totals(gamma == 1.0 ? 5.0 : gamma + 5.0)));

    // One pass from the samples themselves.
    for (int j = 1; j <= n; j += 7) {
        double sum = 0.0;
        double acc[4] = {};
        for (int i = 1; i <= n; ++i) {
            double squared = 0.0;
            for (int k = 1; k <= 3; ++k) {
                const double t = d.FeatureData[j][k] - d.FeatureData[i][k];
                squared += t * t;
            }
            const double w = weight(squared, gamma);
            sum += w;
            for (int k = 1; k <= 3; ++k) acc[k] += w * d.FeatureData[i][k];
        }
        for (int k = 1; k <= 3; ++k) ASSERT_EQ(ScmPoints()[j][k], acc[k] / sum) << j << ", " << k;
    }
}
