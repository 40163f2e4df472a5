// The network error that the weight minimisation evaluates several times per
// weight and sweep, at the largest network (30 inputs, 16 and 3 hidden
// neurons, 40 outputs: 707 weights) and 2000 samples; and one whole sweep.
// The baseline is the same error summed from the range-checked forward pass.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "statistics/core/classifiers/neural_network.h"

namespace {

struct LargestNetwork {
    std::unique_ptr<R62DataSet> data = std::make_unique<R62DataSet>();
    std::unique_ptr<NeuralNetwork> net = std::make_unique<NeuralNetwork>();
    std::unique_ptr<WeightVector> w = std::make_unique<WeightVector>();

    LargestNetwork() {
        RandomSource random([] { return 20261208u; });
        random.reseed();
        data->SampleCount = kMaxSamples;
        data->SelectedCount = kMaxFeatures;
        data->CategoryCount = kMaxCategories;
        for (int s = 1; s <= kMaxSamples; ++s) {
            const int c = 1 + (s - 1) % kMaxCategories;
            data->Category[s] = static_cast<int16_t>(c);
            for (int i = 1; i <= kMaxFeatures; ++i)
                data->FeatureData[s][i] = 4.0 * (random.uniform() - 0.5) + 0.05 * c;
            net->NetTarget[s][c] = 1.0;
        }
        net->NetInputCount = kMaxFeatures;
        net->GLayer = kMaxGLayer;
        net->HLayer = kMaxHLayer;
        net->NetOutputCount = kMaxCategories;
        const int m = net->WeightCount(NetworkKind::Nda);
        for (int i = 1; i <= m; ++i) (*w)[i] = random.uniform() - 0.5;
        net->unpackWeights(NetworkKind::Nda, *w);
    }
};

LargestNetwork& largest() {
    static LargestNetwork network;
    return network;
}

void BM_NetworkError(benchmark::State& state) {
    LargestNetwork& n = largest();
    for (auto _ : state)
        benchmark::DoNotOptimize(NetworkError(*n.net, *n.data, NetworkKind::Nda, *n.w));
    state.SetItemsProcessed(state.iterations() * kMaxSamples);
}
BENCHMARK(BM_NetworkError)->Unit(benchmark::kMillisecond);

// The same sum through the checked, sample-by-sample forward pass.
void BM_NetworkErrorCheckedBaseline(benchmark::State& state) {
    LargestNetwork& n = largest();
    NeuralNetwork& net = *n.net;
    for (auto _ : state) {
        net.unpackWeights(NetworkKind::Nda, *n.w);
        double sum = 0.0;
        for (int s = 1; s <= kMaxSamples; ++s) {
            net.NdaForwardSample(*n.data, s);
            for (int m = 1; m <= kMaxCategories; ++m) {
                const double d = net.NetOutput[m] - net.NetTarget[s][m];
                sum += d * d;
            }
        }
        benchmark::DoNotOptimize(sum / kMaxSamples / kMaxCategories);
    }
    state.SetItemsProcessed(state.iterations() * kMaxSamples);
}
BENCHMARK(BM_NetworkErrorCheckedBaseline)->Unit(benchmark::kMillisecond);

// One sweep of the minimisation over all 707 weights (limit 1), with the
// number of error evaluations it took.
void BM_MinimizationSweep(benchmark::State& state) {
    LargestNetwork& n = largest();
    DirectionSet directions;
    long evaluations = 0;
    const ErrorFunction error = [&](const WeightVector& w) {
        ++evaluations;
        return NetworkError(*n.net, *n.data, NetworkKind::Nda, w);
    };
    for (auto _ : state) {
        auto x = std::make_unique<WeightVector>(*n.w);
        std::vector<std::string> lines;
        benchmark::DoNotOptimize(
            minimizeRotatingDirections(*x, kMaxWeightCount, error, 1, 1e-5, directions, lines));
    }
    state.counters["evaluations"] =
        benchmark::Counter(static_cast<double>(evaluations) / state.iterations());
}
BENCHMARK(BM_MinimizationSweep)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
