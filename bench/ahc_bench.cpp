// Agglomerative hierarchical clustering of a full data set (2000 samples, 30
// features) under every metric and linkage: distances, the merges, the
// inconsistency table and the cophenetic correlation. The plain merging loop
// (a full scan and rebuild of the active matrix per link) runs on 400
// samples as the baseline for the same size.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "statistics/core/clustering/distance_metrics.h"
#include "statistics/core/clustering/hierarchical_clustering.h"
#include "statistics/tests/clustering/ahc_reference.h"

namespace {

constexpr int kFeatures = 30;

struct Prepared {
    std::unique_ptr<SampleMatrix> points = std::make_unique<SampleMatrix>();
    DistanceContext context;
};

// Normal noise around 40 class centres, as the working data of a full .sel file.
Prepared prepare(int samples, uint8_t metric) {
    Prepared p;
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (int i = 1; i <= samples; ++i)
        for (int f = 1; f <= kFeatures; ++f)
            (*p.points)[i][f] = noise(random) + 0.1 * (i % 40) * (f % 4);
    p.context.points = p.points.get();
    p.context.featureCount = kFeatures;
    p.context.metric = metric;
    for (int f = 1; f <= kFeatures; ++f) p.context.variances[f] = 0.5 + 0.05 * f;
    if (metric == kMetricMahalanobis)
        InverseCovarianceForMahalanobis(*p.points, samples, kFeatures, p.context.inverseCovariance);
    return p;
}

void BM_BuildClusterTree(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    const Prepared p = prepare(samples, static_cast<uint8_t>(state.range(1)));
    const auto linkage = static_cast<uint8_t>(state.range(2));
    auto tree = std::make_unique<ClusterTree>();
    for (auto _ : state) {
        buildClusterTree(p.context, samples, linkage, *tree);
        benchmark::DoNotOptimize(tree->copheneticCorrelation);
    }
    state.SetLabel(std::string(metricName(p.context.metric)) + ", " +
                   std::string(linkageName(linkage)));
}
BENCHMARK(BM_BuildClusterTree)
    ->ArgsProduct({{2000},
                   {kMetricEuclidean, kMetricStandardizedEuclidean, kMetricMahalanobis,
                    kMetricCityBlock},
                   {kLinkageSingle, kLinkageComplete, kLinkageAverage}})
    ->ArgNames({"N", "metric", "linkage"})
    ->Unit(benchmark::kMillisecond);

// The same size for both: the clustering code against the plain loop.
BENCHMARK(BM_BuildClusterTree)
    ->ArgsProduct({{400}, {kMetricEuclidean}, {kLinkageSingle, kLinkageAverage}})
    ->ArgNames({"N", "metric", "linkage"})
    ->Unit(benchmark::kMillisecond);

void BM_DirectMergingLoop(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    const Prepared p = prepare(samples, kMetricEuclidean);
    const auto linkage = static_cast<uint8_t>(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(referenceMergeSequence(p.context, samples, linkage));
}
BENCHMARK(BM_DirectMergingLoop)
    ->ArgsProduct({{400}, {kLinkageSingle, kLinkageAverage}})
    ->ArgNames({"N", "linkage"})
    ->Unit(benchmark::kMillisecond);

void BM_PairDistanceMatrix(benchmark::State& state) {
    const int samples = 2000;
    const Prepared p = prepare(samples, static_cast<uint8_t>(state.range(0)));
    std::vector<double> matrix(size_t{samples + 1} * (samples + 8));
    for (auto _ : state) {
        fillPairDistanceMatrix(p.context, samples, matrix.data(), samples + 8);
        benchmark::DoNotOptimize(matrix.data());
    }
    state.SetLabel(std::string(metricName(p.context.metric)));
}
BENCHMARK(BM_PairDistanceMatrix)
    ->DenseRange(kMetricEuclidean, kMetricCityBlock)
    ->ArgName("metric")
    ->Unit(benchmark::kMillisecond);

}  // namespace
