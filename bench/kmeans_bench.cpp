// The k-means command of r62 at its largest data set (2000 samples, 30
// features): five restarts, silhouettes and report, for 2, 10 and 40
// clusters; on overlapping classes and on structureless noise (which needs
// the most iterations). The silhouettes alone are measured against the plain
// rule that calls SampleSqDistance once per ordered pair.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/clustering/kmeans_clustering.h"

namespace {

std::unique_ptr<R62DataSet> largestDataSet(bool structured) {
    auto data = std::make_unique<R62DataSet>();
    std::mt19937 random(42);
    std::normal_distribution<double> noise(0.0, 1.0);
    data->SampleCount = kMaxSamples;
    data->FeatureCount = kMaxFeatures;
    data->CategoryCount = 8;
    for (int i = 1; i <= kMaxSamples; ++i) {
        const int c = (i - 1) % 8 + 1;
        data->Category[i] = static_cast<int16_t>(c);
        data->RawData[i][0] = c;
        for (int f = 1; f <= kMaxFeatures; ++f)
            data->RawData[i][f] = noise(random) + (structured ? 0.6 * c * ((f + c) % 5) : 0.0);
    }
    for (int f = 1; f <= kMaxFeatures; ++f) {
        data->FeatureName[f] = "feature " + std::to_string(f);
        data->FeatureSelected[f] = 1;
    }
    data->DataFileName = "bench.sel";
    return data;
}

// Every iteration draws the same starts.
void fixedSeeds() {
    r62Random().setSeedSource([seed = 0u]() mutable { return seed += 7919u; });
}

void BM_KMeansCommand(benchmark::State& state) {
    const int clusters = static_cast<int>(state.range(0));
    auto data = largestDataSet(state.range(1) != 0);
    for (auto _ : state) {
        fixedSeeds();
        const KMeansReport report = KMeansClustering(*data, clusters, 1, "now");
        benchmark::DoNotOptimize(report.lines.data());
        state.counters["iterations"] = report.bestIterations;
    }
    r62Random().setSeedSource(highResolutionClockSeed);
}
BENCHMARK(BM_KMeansCommand)
    ->ArgNames({"K", "classes"})
    ->Args({2, 1})
    ->Args({10, 1})
    ->Args({40, 1})
    ->Args({2, 0})
    ->Args({10, 0})
    ->Args({40, 0})
    ->Unit(benchmark::kMillisecond);

ClusterLabels roundRobinLabels(int clusters) {
    ClusterLabels labels;
    for (int i = 1; i <= kMaxSamples; ++i) labels[i] = static_cast<int16_t>((i - 1) % clusters + 1);
    return labels;
}

void BM_Silhouettes(benchmark::State& state) {
    auto data = largestDataSet(true);
    PrepareWorkingData(*data, 1);
    const ClusterLabels labels = roundRobinLabels(10);
    auto values = std::make_unique<SilhouetteArray>();
    for (auto _ : state) {
        kMeansSilhouettes(*data, 10, labels, *values);
        benchmark::DoNotOptimize(values->data());
    }
}
BENCHMARK(BM_Silhouettes)->Unit(benchmark::kMillisecond);

// The same sums, one SampleSqDistance call per ordered pair.
void BM_SilhouettesPlainRule(benchmark::State& state) {
    auto data = largestDataSet(true);
    PrepareWorkingData(*data, 1);
    const ClusterLabels labels = roundRobinLabels(10);
    auto sums = std::make_unique<double[]>(kMaxClusters);
    for (auto _ : state) {
        double checksum = 0.0;
        for (int i = 1; i <= kMaxSamples; ++i) {
            for (int c = 0; c < 10; ++c) sums[c] = 0.0;
            for (int j = 1; j <= kMaxSamples; ++j)
                sums[labels[j] - 1] += SampleSqDistance(*data, i, j);
            checksum += sums[0];
        }
        benchmark::DoNotOptimize(checksum);
    }
}
BENCHMARK(BM_SilhouettesPlainRule)->Unit(benchmark::kMillisecond);

}  // namespace
