#include "statistics/core/clustering/kmeans_clustering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/reports/report_header.h"
#include "statistics/tests/clustering/unclassified_data.h"

namespace {

#include "statistics/tests/reference/kmeans_reference.inc"

// Working columns already prepared, as after PrepareWorkingData; the raw
// columns are the same values so that the command can prepare them again.
std::unique_ptr<R62DataSet> workingData(const std::vector<std::vector<double>>& rows) {
    return unclassifiedData(rows, "clusters.sel");
}

std::vector<std::vector<double>> randomRows(int n, int features, unsigned seed, bool grid) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_int_distribution<int> level(0, 3);
    std::vector<std::vector<double>> rows;
    for (int i = 0; i < n; ++i) {
        std::vector<double> row;
        for (int f = 0; f < features; ++f)
            row.push_back(grid ? level(random) : noise(random) + 1.5 * (i % 5) * (f % 3));
        rows.push_back(row);
    }
    return rows;
}

ClusterStarts startsOf(const std::vector<int>& indices) {
    ClusterStarts starts;
    for (size_t c = 0; c < indices.size(); ++c)
        starts[static_cast<int>(c) + 1] = static_cast<int16_t>(indices[c]);
    return starts;
}

// The rule written out plainly on the checked arrays, one distance call at a
// time: what the fast loops must reproduce to the bit.
struct PlainResult {
    std::vector<int> labels;
    std::unique_ptr<ClusterCentroids> centroids = std::make_unique<ClusterCentroids>();
    double total = 0.0;
    int iterations = 0;
    double batchTotal = 0.0;
    int batchIterations = 0;
};

PlainResult plainKMeans(const R62DataSet& d, int K, const ClusterStarts& starts, int limit) {
    const int N = d.SampleCount;
    const int n = d.SelectedCount;
    PlainResult r;
    ClusterCentroids& C = *r.centroids;
    for (int c = 1; c <= K; ++c)
        for (int f = 1; f <= n; ++f) C[c][f] = d.FeatureData[starts[c]][f];
    std::vector<int>& labels = r.labels;
    labels.assign(static_cast<size_t>(N) + 1, 1);
    labels[0] = 0;
    auto at = [&](int i) -> int& { return labels[static_cast<size_t>(i)]; };
    auto nearest = [&](int i, int fallback) {
        double best = 1e100;
        int cluster = fallback;
        for (int c = 1; c <= K; ++c)
            if (CentroidSqDistance(d, C, c, i) < best) {
                best = CentroidSqDistance(d, C, c, i);
                cluster = c;
            }
        return cluster;
    };
    auto refit = [&](int c) {
        int count = 0;
        std::vector<double> sum(static_cast<size_t>(n) + 1, 0.0);
        for (int i = 1; i <= N; ++i)
            if (at(i) == c) {
                ++count;
                for (int f = 1; f <= n; ++f) sum[static_cast<size_t>(f)] += d.FeatureData[i][f];
            }
        if (count > 0)
            for (int f = 1; f <= n; ++f) C[c][f] = sum[static_cast<size_t>(f)] / count;
    };
    auto partial = [&](int c) {
        double p = 0.0;
        for (int i = 1; i <= N; ++i)
            if (at(i) == c) p += CentroidSqDistance(d, C, c, i);
        return p;
    };

    int it = 0;
    double total = 1e100;
    auto saved = std::make_unique<ClusterCentroids>();
    for (;;) {
        const std::vector<int> savedLabels = labels;
        *saved = C;
        const double savedTotal = total;
        for (int i = 1; i <= N; ++i) at(i) = nearest(i, 1);
        for (int c = 1; c <= K; ++c) refit(c);
        ++it;
        total = 0.0;
        for (int c = 1; c <= K; ++c)
            for (int i = 1; i <= N; ++i)
                if (at(i) == c) total += CentroidSqDistance(d, C, c, i);
        if (!(total < savedTotal)) {
            labels = savedLabels;
            C = *saved;
            total = savedTotal;
            --it;
            break;
        }
        if (it >= limit) break;
    }
    r.batchTotal = total;
    r.batchIterations = it;

    std::vector<double> P(static_cast<size_t>(K) + 1);
    for (int c = 1; c <= K; ++c) P[static_cast<size_t>(c)] = partial(c);
    while (it <= limit) {
        bool moved = false;
        for (int i = 1; i <= N; ++i) {
            const int L = at(i);
            const int to = nearest(i, L);
            if (to == L || std::count(labels.begin() + 1, labels.end(), L) <= 1) continue;
            const auto keptL = C[L];
            const auto keptTo = C[to];
            const double savedTotal = total;
            at(i) = to;
            refit(L);
            refit(to);
            const double newL = partial(L);
            const double newTo = partial(to);
            total = total - P[static_cast<size_t>(L)] - P[static_cast<size_t>(to)] + newL + newTo;
            if (total < savedTotal) {
                P[static_cast<size_t>(L)] = newL;
                P[static_cast<size_t>(to)] = newTo;
                moved = true;
            } else {
                at(i) = L;
                C[L] = keptL;
                C[to] = keptTo;
                total = savedTotal;
            }
        }
        if (!moved) break;
        ++it;
    }
    r.total = total;
    r.iterations = it;
    return r;
}

// The total of a partition with every centroid at its members' mean.
double partitionTotal(const R62DataSet& d, int K, const std::vector<int>& labels) {
    const int n = d.SelectedCount;
    auto C = std::make_unique<ClusterCentroids>();
    double total = 0.0;
    for (int c = 1; c <= K; ++c) {
        int count = 0;
        for (int i = 1; i <= d.SampleCount; ++i)
            if (labels[static_cast<size_t>(i)] == c) {
                ++count;
                for (int f = 1; f <= n; ++f) (*C)[c][f] += d.FeatureData[i][f];
            }
        for (int f = 1; f <= n; ++f) (*C)[c][f] = count > 0 ? (*C)[c][f] / count : 0.0;
        for (int i = 1; i <= d.SampleCount; ++i)
            if (labels[static_cast<size_t>(i)] == c) total += CentroidSqDistance(d, *C, c, i);
    }
    return total;
}

std::vector<int> labelsOf(const KMeansRun& run, int N) {
    std::vector<int> labels{0};
    for (int i = 1; i <= N; ++i) labels.push_back(run.labels[i]);
    return labels;
}

// A seed after which the start draw gives `wanted`.
uint32_t seedGiving(int sampleCount, const std::vector<int>& wanted) {
    const ClusterStarts target = startsOf(wanted);
    const int K = static_cast<int>(wanted.size());
    for (uint32_t seed = 0;; ++seed) {
        RandomSource random;
        random.setSeed(seed);
        ClusterStarts starts;
        drawKMeansStarts(random, sampleCount, K, starts);
        bool same = true;
        for (int c = 1; c <= K; ++c) same = same && starts[c] == target[c];
        if (same) return seed;
    }
}

// Feeds the process generator a fixed list of seeds and puts the clock back.
class ScriptedSeeds {
  public:
    explicit ScriptedSeeds(std::vector<uint32_t> seeds) : seeds_(std::move(seeds)) {
        r62Random().setSeedSource([this] {
            const uint32_t seed = seeds_[std::min(calls_, seeds_.size() - 1)];
            ++calls_;
            return seed;
        });
    }
    ~ScriptedSeeds() { r62Random().setSeedSource(highResolutionClockSeed); }
    size_t calls() const { return calls_; }

  private:
    std::vector<uint32_t> seeds_;
    size_t calls_ = 0;
};

size_t lineIndex(const std::vector<std::string>& lines, const std::string& wanted) {
    return static_cast<size_t>(std::find(lines.begin(), lines.end(), wanted) - lines.begin());
}

}  // namespace

// --- the clustering rule ------------------------------------------------------

TEST(R62KMeans, FastLoopsReproduceThePlainRuleToTheBit) {
    struct Case {
        int N, n, K;
        unsigned seed;
        bool grid;  // small integer levels: many ties and duplicates
    };
    for (const Case& k :
         {Case{300, 5, 2, 1, false}, Case{300, 5, 7, 2, false}, Case{200, 3, 40, 3, false},
          Case{150, 4, 9, 4, true}, Case{81, 2, 13, 5, true}}) {
        auto data = workingData(randomRows(k.N, k.n, k.seed, k.grid));
        RandomSource random([] { return 0u; });
        for (int restart = 0; restart < 3; ++restart) {
            random.setSeed(k.seed * 1000u + static_cast<unsigned>(restart));
            ClusterStarts starts;
            drawKMeansStarts(random, k.N, k.K, starts);
            auto run = std::make_unique<KMeansRun>();
            runKMeansFromStarts(*data, k.K, starts, *run);
            const PlainResult plain = plainKMeans(*data, k.K, starts, kKMeansIterationLimit);
            SCOPED_TRACE("N " + std::to_string(k.N) + " K " + std::to_string(k.K));
            EXPECT_EQ(labelsOf(*run, k.N), plain.labels);
            EXPECT_EQ(run->total, plain.total);
            EXPECT_EQ(run->iterations, plain.iterations);
            EXPECT_EQ(run->batchTotal, plain.batchTotal);
            EXPECT_EQ(run->batchIterations, plain.batchIterations);
            for (int c = 1; c <= k.K; ++c)
                for (int f = 1; f <= k.n; ++f)
                    ASSERT_EQ(run->centroids[c][f], (*plain.centroids)[c][f]);
        }
    }
}

TEST(R62KMeans, ImprovementNeverLosesToLloydAndEndsWhereNoMoveHelps) {
    auto data = workingData(randomRows(400, 6, 11, false));
    const int N = 400;
    RandomSource random([] { return 0u; });
    for (int K : {3, 8, 25}) {
        random.setSeed(static_cast<uint32_t>(K));
        ClusterStarts starts;
        drawKMeansStarts(random, N, K, starts);
        auto run = std::make_unique<KMeansRun>();
        runKMeansFromStarts(*data, K, starts, *run);
        // Lloyd's iteration alone is the plain rule's batch phase.
        const PlainResult lloyd = plainKMeans(*data, K, starts, kKMeansIterationLimit);
        EXPECT_LE(run->total, lloyd.batchTotal) << K;
        EXPECT_GE(run->iterations, lloyd.batchIterations);

        // The total is that of the final partition.
        const std::vector<int> labels = labelsOf(*run, N);
        const double total = partitionTotal(*data, K, labels);
        EXPECT_NEAR(run->total, total, 1e-9 * total);
        double partials = 0.0;
        for (int c = 1; c <= K; ++c) partials += run->partialSums[c];
        EXPECT_NEAR(partials, total, 1e-9 * total);

        // Moving any sample to its nearest centroid no longer lowers the total.
        for (int i = 1; i <= N; ++i) {
            int nearest = 0;
            double best = 1e100;
            for (int c = 1; c <= K; ++c)
                if (CentroidSqDistance(*data, run->centroids, c, i) < best) {
                    best = CentroidSqDistance(*data, run->centroids, c, i);
                    nearest = c;
                }
            if (nearest == labels[static_cast<size_t>(i)]) continue;
            std::vector<int> moved = labels;
            moved[static_cast<size_t>(i)] = nearest;
            EXPECT_GE(partitionTotal(*data, K, moved), total * (1 - 1e-12)) << "sample " << i;
        }
    }
}

TEST(R62KMeans, TiesGoToTheLowerClusterNumber) {
    // Sample 3 lies halfway between the starts 1 and 2.
    auto data = workingData({{0.0}, {10.0}, {5.0}});
    auto run = std::make_unique<KMeansRun>();
    runKMeansFromStarts(*data, 2, startsOf({1, 2}), *run);
    EXPECT_EQ(labelsOf(*run, 3), (std::vector<int>{0, 1, 2, 1}));
    EXPECT_EQ(run->total, 12.5);
    EXPECT_EQ(run->centroids[1][1], 2.5);

    // The same with the starts swapped: now cluster 1 is the one at 10.
    runKMeansFromStarts(*data, 2, startsOf({2, 1}), *run);
    EXPECT_EQ(labelsOf(*run, 3), (std::vector<int>{0, 2, 1, 1}));
}

TEST(R62KMeans, AnEmptiedClusterKeepsItsCentroid) {
    // Samples 1 and 2 coincide: both go to cluster 1, cluster 2 never has a member.
    auto data = workingData({{0.0, 1.0}, {0.0, 1.0}, {5.0, 0.0}, {9.0, 0.0}});
    auto run = std::make_unique<KMeansRun>();
    runKMeansFromStarts(*data, 3, startsOf({1, 2, 3}), *run);
    EXPECT_EQ(labelsOf(*run, 4), (std::vector<int>{0, 1, 1, 3, 3}));
    EXPECT_EQ(run->centroids[2][1], 0.0);
    EXPECT_EQ(run->centroids[2][2], 1.0);
    EXPECT_EQ(run->centroids[3][1], 7.0);
    EXPECT_EQ(run->total, 8.0);
    EXPECT_EQ(run->partialSums[2], 0.0);
}

// --- start draw -----------------------------------------------------------------

TEST(R62KMeans, StartsAreDistinctAndNeverTheLastSample) {
    RandomSource random([] { return 0u; });
    std::set<int> seen;
    for (uint32_t seed = 0; seed < 2000; ++seed) {
        random.setSeed(seed * 2654435761u);
        ClusterStarts starts;
        drawKMeansStarts(random, 4, 3, starts);  // all of 1..3, in some order
        std::set<int> drawn;
        for (int c = 1; c <= 3; ++c) drawn.insert(starts[c]);
        ASSERT_EQ(drawn, (std::set<int>{1, 2, 3}));
        drawKMeansStarts(random, 50, 2, starts);
        seen.insert(starts[1]);
        seen.insert(starts[2]);
        ASSERT_NE(starts[1], starts[2]);
    }
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), 49);

    // Each start is the draw below N - 1, plus 1.
    random.setSeed(123456789u);
    RandomSource copy;
    copy.setSeed(123456789u);
    ClusterStarts starts;
    drawKMeansStarts(random, 2000, 1, starts);
    EXPECT_EQ(starts[1], static_cast<int>(copy.below(1999)) + 1);

    EXPECT_THROW(drawKMeansStarts(random, 3, 3, starts), RangeCheckError);
}

// --- silhouettes ------------------------------------------------------------------

namespace {

void expectSilhouettesMatch(int K, const int* labels, const double* expected) {
    std::vector<std::vector<double>> rows;
    for (int i = 0; i < kmeansref::kSampleCount; ++i)
        rows.emplace_back(kmeansref::kData[i], kmeansref::kData[i] + kmeansref::kFeatureCount);
    auto data = workingData(rows);
    ClusterLabels assigned;
    for (int i = 1; i <= kmeansref::kSampleCount; ++i)
        assigned[i] = static_cast<int16_t>(labels[i - 1]);
    auto values = std::make_unique<SilhouetteArray>();
    kMeansSilhouettes(*data, K, assigned, *values);
    for (int i = 1; i <= kmeansref::kSampleCount; ++i)
        EXPECT_NEAR((*values)[i], expected[i - 1], 1e-12) << "sample " << i;

    // Each cluster's sum runs over its members in sample order, as a plain loop would.
    const int own = labels[4];
    double sum = 0.0;
    int count = 0;
    for (int j = 1; j <= kmeansref::kSampleCount; ++j)
        if (assigned[j] == own) {
            sum += SampleSqDistance(*data, 5, j);
            ++count;
        }
    const double a = sum / (count - 1);
    double b = 1.7e308;
    for (int c = 1; c <= K; ++c) {
        if (c == own) continue;
        double m = 0.0;
        int members = 0;
        for (int j = 1; j <= kmeansref::kSampleCount; ++j)
            if (assigned[j] == c) {
                m += SampleSqDistance(*data, 5, j);
                ++members;
            }
        if (members > 0 && m / members < b) b = m / members;
    }
    EXPECT_EQ((*values)[5], (b - a) / std::max(a, b));
}

}  // namespace

TEST(R62KMeans, SilhouettesMatchScikitLearn) {
    expectSilhouettesMatch(kmeansref::kThreeClusters, kmeansref::kThreeLabels,
                           kmeansref::kThreeSilhouettes);
    // Cluster 4 empty (skipped), sample 8 alone in cluster 5 (silhouette 0).
    expectSilhouettesMatch(kmeansref::kFiveClusters, kmeansref::kFiveLabels,
                           kmeansref::kFiveSilhouettes);
}

TEST(R62KMeans, UndefinedSilhouettesAreZero) {
    // All four samples at one point: a = b = 0.
    auto same = workingData({{1.0}, {1.0}, {1.0}, {1.0}});
    ClusterLabels labels;
    labels[1] = labels[2] = 1;
    labels[3] = labels[4] = 2;
    auto values = std::make_unique<SilhouetteArray>();
    kMeansSilhouettes(*same, 2, labels, *values);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ((*values)[i], 0.0);

    // Every sample in one cluster, the other empty: no b to compare with.
    labels[3] = labels[4] = 1;
    auto spread = workingData({{0.0}, {1.0}, {3.0}, {7.0}});
    kMeansSilhouettes(*spread, 2, labels, *values);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ((*values)[i], 0.0);

    // Separated pairs: a = 0 and b > 0 give exactly 1; a singleton gives 0.
    auto pairs = workingData({{0.0}, {0.0}, {9.0}, {9.0}, {20.0}});
    labels[3] = labels[4] = 2;
    labels[5] = 3;
    kMeansSilhouettes(*pairs, 3, labels, *values);
    EXPECT_EQ((*values)[1], 1.0);
    EXPECT_EQ((*values)[3], 1.0);
    EXPECT_EQ((*values)[5], 0.0);
}

TEST(R62KMeans, CloseOwnClusterGivesNearlyOneAndAStrayIsNegative) {
    // Cluster 1: 0, 1 and the stray 9; cluster 2: 10, 11.
    auto data = workingData({{0.0}, {1.0}, {9.0}, {10.0}, {11.0}});
    ClusterLabels labels;
    labels[1] = labels[2] = labels[3] = 1;
    labels[4] = labels[5] = 2;
    auto values = std::make_unique<SilhouetteArray>();
    kMeansSilhouettes(*data, 2, labels, *values);
    // Sample 3: a = (81 + 64) / 2 = 72.5, b = (1 + 4) / 2 = 2.5.
    EXPECT_DOUBLE_EQ((*values)[3], (2.5 - 72.5) / 72.5);
    // Sample 4: a = 1, b = (100 + 81 + 1) / 3.
    EXPECT_DOUBLE_EQ((*values)[4], 1.0 - 1.0 / (182.0 / 3.0));
    EXPECT_GT((*values)[4], 0.98);
}

// --- report ----------------------------------------------------------------------

namespace {

std::unique_ptr<KMeansReport> reportOf(int N, int K, int features) {
    auto report = std::make_unique<KMeansReport>();
    report->sampleCount = N;
    report->clusterCount = K;
    report->featureCount = features;
    report->bestTotal = 12.5;
    report->bestIterations = 3;
    for (int i = 1; i <= N; ++i) report->SilhouetteValues[i] = 0.5;
    return report;
}

}  // namespace

TEST(R62KMeans, ReportLinesAndWrappedMemberLists) {
    auto report = reportOf(30, 3, 2);
    for (int i = 1; i <= 25; ++i) report->labels[i] = 1;
    for (int i = 26; i <= 30; ++i) report->labels[i] = 2;
    report->centroids[1][1] = 0.5;
    report->centroids[1][2] = -1.25;
    report->centroids[2][1] = 123.45678;
    report->centroids[2][2] = 0.0;
    report->SilhouetteValues[7] = -0.125;
    report->SilhouetteValues[29] = -0.0000004;
    report->SilhouetteValues[30] = 0.0;
    const std::vector<std::string> expected = {
        "Number of clusters: 3",
        "Convergence reached after 3 iterations",
        "Minimized total sum of distances:",
        "12.5000",
        "Cluster centroids: ",
        "#1: 0.5000 -1.2500 ",
        "#2: 123.4568 0.0000 ",
        "#3: 0.0000 0.0000 ",
        "Samples classified to cluster #1:",
        "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,",
        "13, 14, 15, 16, 17, 18, 19, 20, 21, 22,",
        "23, 24, 25",
        "> 25 sample(s)",
        "Samples classified to cluster #2:",
        "26, 27, 28, 29, 30",
        "> 5 sample(s)",
        "Samples classified to cluster #3:",
        "",
        "> 0 sample(s)",
        "Average silhouette value: ",
        "0.445833",  // (27 x 0.5 - 0.125 - 0.0000004 + 0) / 30
        "Negative silhouette values: 2/30 [or 6.67%]",
        "Sample No:7; silhouette value: -0.125000",
        "Sample No:29; silhouette value: -0.000000",
    };
    EXPECT_EQ(kMeansResultLines(*report), expected);

    // A line of exactly 35 characters takes one more number; with its comma
    // it is 36 and flushed before the next.
    auto wide = reportOf(110, 2, 1);
    for (int i = 1; i <= 110; ++i) wide->labels[i] = 2;
    for (int i : {5, 50, 100, 101, 102, 103, 104, 105, 106}) wide->labels[i] = 1;
    const std::vector<std::string> lines = kMeansResultLines(*wide);
    const size_t first = lineIndex(lines, "Samples classified to cluster #1:") + 1;
    ASSERT_LT(first + 2, lines.size());
    EXPECT_EQ(lines[first], "5, 50, 100, 101, 102, 103, 104, 105,");
    EXPECT_EQ(lines[first + 1], "106");
    EXPECT_EQ(lines[first + 2], "> 9 sample(s)");
}

TEST(R62KMeans, TerminationLineNamesTheLimit) {
    auto report = reportOf(4, 2, 1);
    report->labels[1] = report->labels[2] = 1;
    report->labels[3] = report->labels[4] = 2;
    report->bestIterations = 5000;
    EXPECT_EQ(kMeansResultLines(*report)[1],
              "Procedure terminated after reaching maximum number of iterations (5000)");
    report->bestIterations = 4999;
    EXPECT_EQ(kMeansResultLines(*report)[1], "Convergence reached after 4999 iterations");
    report->bestIterations = 5001;  // a move in the pass after the limit
    EXPECT_EQ(kMeansResultLines(*report)[1],
              "Procedure terminated after reaching maximum number of iterations (5000)");
}

// --- the command -------------------------------------------------------------------

TEST(R62KMeans, CommandReportsKeepsTheBestAndFillsClassResult) {
    auto data = workingData(randomRows(120, 3, 21, false));
    std::vector<std::pair<int, int>> steps;
    ScriptedSeeds seeds({11u, 22u, 33u, 44u, 55u});
    const KMeansReport report = KMeansClustering(
        *data, 5, 0, "now", [&](int restart, int it) { steps.emplace_back(restart, it); });
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    EXPECT_EQ(seeds.calls(), 5u);
    EXPECT_EQ(report.analysisName, "Silhouette Plot");

    const std::vector<std::string> header = reportHeaderLines(*data, kKMeansReportTitle, 0, "now");
    ASSERT_GT(report.lines.size(), header.size() + 2);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), report.lines.begin()));
    EXPECT_EQ(report.lines[header.size()], "");
    EXPECT_EQ(report.lines[header.size() + 1], "* Results [k-means clustering]");
    const std::vector<std::string> results = kMeansResultLines(report);
    EXPECT_TRUE(std::equal(results.begin(), results.end(),
                           report.lines.begin() + 2 + static_cast<long>(header.size())));

    // The kept restart is the first with the smallest total.
    double best = 1e100;
    std::vector<int> bestLabels;
    for (uint32_t seed : {11u, 22u, 33u, 44u, 55u}) {
        RandomSource random;
        random.setSeed(seed);
        ClusterStarts starts;
        drawKMeansStarts(random, 120, 5, starts);
        auto run = std::make_unique<KMeansRun>();
        runKMeansFromStarts(*data, 5, starts, *run);
        if (run->total < best) {
            best = run->total;
            bestLabels = labelsOf(*run, 120);
        }
    }
    EXPECT_EQ(report.bestTotal, best);
    for (int i = 1; i <= 120; ++i) {
        EXPECT_EQ(report.labels[i], bestLabels[static_cast<size_t>(i)]);
        EXPECT_EQ(data->ClassResult[i], report.labels[i]);
    }

    // Progress came restart by restart.
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front().first, 1);
    EXPECT_EQ(steps.back().first, 5);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end(),
                               [](auto& x, auto& y) { return x.first < y.first; }));
}

TEST(R62KMeans, ALaterRestartWithAnEqualTotalDoesNotReplaceTheFirst) {
    // Pairs {0, 1} and {10, 11}: every start pair across the gap ends at total 1,
    // with the cluster numbers swapped when the first start is in the upper pair.
    auto data = workingData({{0.0}, {1.0}, {10.0}, {11.0}});
    const uint32_t lowerFirst = seedGiving(4, {1, 3});
    const uint32_t upperFirst = seedGiving(4, {3, 1});
    {
        ScriptedSeeds seeds({lowerFirst, upperFirst});
        const KMeansReport report = KMeansClustering(*data, 2, 0, "now");
        EXPECT_EQ(report.bestTotal, 1.0);
        EXPECT_EQ(data->ClassResult[1], 1);
        EXPECT_EQ(data->ClassResult[4], 2);
    }
    {
        ScriptedSeeds seeds({upperFirst, lowerFirst});
        const KMeansReport report = KMeansClustering(*data, 2, 0, "now");
        EXPECT_EQ(report.bestTotal, 1.0);
        EXPECT_EQ(data->ClassResult[1], 2);
        EXPECT_EQ(data->ClassResult[4], 1);
        EXPECT_EQ(report.centroids[1][1], 10.5);
    }
}

TEST(R62KMeans, RunAtTheIterationLimitReportsTermination) {
    // With a limit of 1: one batch iteration, then at most one improvement pass.
    auto data = workingData(randomRows(200, 3, 7, false));
    auto run = std::make_unique<KMeansRun>();
    runKMeansFromStarts(*data, 6, startsOf({1, 2, 3, 4, 5, 6}), *run, 1);
    EXPECT_EQ(run->batchIterations, 1);
    EXPECT_LE(run->iterations, 2);
    EXPECT_EQ(run->total, plainKMeans(*data, 6, startsOf({1, 2, 3, 4, 5, 6}), 1).total);

    ScriptedSeeds seeds({1u, 2u, 3u, 4u, 5u});
    const KMeansReport report = KMeansClustering(*data, 6, 0, "now", {}, 1);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    EXPECT_GE(report.bestIterations, 1);
    EXPECT_LT(lineIndex(report.lines,
                        "Procedure terminated after reaching maximum number of iterations (1)"),
              report.lines.size());
}

TEST(R62KMeans, ClusterCountsTheDrawCannotServeAreRefused) {
    auto data = workingData({{0.0}, {1.0}, {5.0}});
    data->ClassResult[1] = 7;
    for (int K : {3, 4}) {
        const KMeansReport report = KMeansClustering(*data, K, 0, "now");
        EXPECT_EQ(report.outcome, AnalysisOutcome::Failed);
        ASSERT_EQ(report.messages.size(), 1u);
        EXPECT_EQ(report.messages[0],
                  "K-means Clustering runtime error.\r[Too many clusters.]\rThe number of "
                  "clusters must be smaller than the number of samples.");
        EXPECT_EQ(report.lines.back(), "* Results [k-means clustering]");
    }
    for (int K : {1, 41}) {
        const KMeansReport report = KMeansClustering(*data, K, 0, "now");
        EXPECT_EQ(report.outcome, AnalysisOutcome::Failed);
        ASSERT_EQ(report.messages.size(), 1u);
        EXPECT_EQ(report.messages[0], kKMeansClusterRangeMessage);
    }
    EXPECT_EQ(data->ClassResult[1], 7);

    // N - 1 clusters are served: every sample but the last is a start.
    const KMeansReport report = KMeansClustering(*data, 2, 0, "now");
    EXPECT_EQ(report.outcome, AnalysisOutcome::Reported);
}

TEST(R62KMeans, InconsistentDataAreRefusedBeforeAnyReport) {
    auto data = workingData({{0.0, 1.0}, {0.0, 2.0}, {0.0, 5.0}});  // feature 1 constant
    const KMeansReport report = KMeansClustering(*data, 2, 1, "now");
    EXPECT_EQ(report.outcome, AnalysisOutcome::PreparationRefused);
    EXPECT_TRUE(report.lines.empty());
}
