// Leave-one-out 1-NN over a full data set (2000 samples, 30 features): the
// pairwise rule used by the "1_NN" command, against the plain rule that calls
// the distance function once per ordered pair.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/data/data_set.h"

namespace {

std::unique_ptr<R62DataSet> fullData(int samples, int features) {
    auto data = std::make_unique<R62DataSet>();
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 1.0);
    data->SampleCount = static_cast<int16_t>(samples);
    data->SelectedCount = static_cast<int16_t>(features);
    for (int i = 1; i <= samples; ++i) {
        data->Category[i] = static_cast<int16_t>(i % 40 + 1);
        for (int f = 1; f <= features; ++f)
            data->FeatureData[i][f] = noise(random) + 0.1 * (i % 40) * (f % 4);
    }
    return data;
}

void BM_LeaveOneOut1NN(benchmark::State& state) {
    auto data = fullData(static_cast<int>(state.range(0)), 30);
    for (auto _ : state) benchmark::DoNotOptimize(leaveOneOut1NNSampleDistance(*data));
}
BENCHMARK(BM_LeaveOneOut1NN)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_LeaveOneOut1NNPlainRule(benchmark::State& state) {
    auto data = fullData(static_cast<int>(state.range(0)), 30);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            LeaveOneOut1NN(*data, [&](int i, int j) { return SampleSqDistance(*data, i, j); }));
}
BENCHMARK(BM_LeaveOneOut1NNPlainRule)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
