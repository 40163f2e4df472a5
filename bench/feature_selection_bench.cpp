// Feature ranking: the nearest-neighbour counts of pairs and triples over all
// cores against the plain serial loop (same sets), the three fast criteria
// together, and how soon a cancelled triples run returns.
//
// The default options give 280 features; 10 reports of 16 ROIs give 160
// samples in 16 classes of 10.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "analysis/core/reports/fisher_criterion.h"
#include "analysis/core/reports/mutual_information_criterion.h"
#include "analysis/core/reports/nearest_neighbour_criterion.h"
#include "analysis/core/reports/poe_acc_criterion.h"
#include "analysis/tests/reports/nearest_neighbour_reference.h"

namespace {

SelectionSamples makeSamples(int features, int samples, int classes) {
    SelectionSamples set;
    std::mt19937 random(280);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (int c = 0; c < classes; ++c) {
        set.classes.push_back("class" + std::to_string(c));
        const int count = samples / classes + (c < samples % classes ? 1 : 0);
        set.classOffset.push_back(static_cast<int>(set.sampleClass.size()));
        set.classSize.push_back(count);
        for (int s = 0; s < count; ++s) set.sampleClass.push_back(c);
    }
    for (int f = 0; f < features; ++f) {
        set.features.push_back({"feature" + std::to_string(f), f});
        for (int s = 0; s < samples; ++s)
            set.values.push_back(noise(random) +
                                 0.05 * (f % 7) * set.sampleClass[static_cast<size_t>(s)]);
    }
    return set;
}

void BM_TriplesAllCores(benchmark::State& state) {
    const SelectionSamples samples =
        makeSamples(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 16);
    for (auto _ : state) benchmark::DoNotOptimize(rankTriples(samples, ProgressSink()));
    const double f = static_cast<double>(state.range(0));
    state.counters["triples/s"] = benchmark::Counter(f * (f - 1) * (f - 2) / 6,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TriplesAllCores)
    ->Args({280, 160})
    ->Args({120, 32})
    ->Args({120, 160})
    ->Args({120, 320})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The baseline: every triple through the direct count, one core.
void BM_TriplesSerialLoop(benchmark::State& state) {
    const SelectionSamples samples =
        makeSamples(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 16);
    for (auto _ : state) benchmark::DoNotOptimize(serialNearestNeighbourRanking(samples, 3));
    const double f = static_cast<double>(state.range(0));
    state.counters["triples/s"] = benchmark::Counter(f * (f - 1) * (f - 2) / 6,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TriplesSerialLoop)->Args({40, 160})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TriplesAllCores)->Args({40, 160})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PairsAllCores(benchmark::State& state) {
    const SelectionSamples samples =
        makeSamples(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 16);
    for (auto _ : state) benchmark::DoNotOptimize(rankPairs(samples, ProgressSink()));
}
BENCHMARK(BM_PairsAllCores)->Args({280, 160})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PairsSerialLoop(benchmark::State& state) {
    const SelectionSamples samples =
        makeSamples(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 16);
    for (auto _ : state) benchmark::DoNotOptimize(serialNearestNeighbourRanking(samples, 2));
}
BENCHMARK(BM_PairsSerialLoop)->Args({280, 160})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FisherPoeAccMutualInformation(benchmark::State& state) {
    const SelectionSamples samples = makeSamples(280, 160, 16);
    for (auto _ : state) {
        benchmark::DoNotOptimize(rankByFisher(samples));
        benchmark::DoNotOptimize(rankByPoeAcc(samples));
        benchmark::DoNotOptimize(rankByMutualInformation(samples));
    }
}
BENCHMARK(BM_FisherPoeAccMutualInformation)->Unit(benchmark::kMillisecond)->UseRealTime();

// Wall time from the cancel flag turning true to rankTriples returning.
void BM_TriplesCancelLatency(benchmark::State& state) {
    const SelectionSamples samples = makeSamples(280, 160, 16);
    double worst = 0.0;
    for (auto _ : state) {
        std::atomic<bool> cancel{false};
        ProgressSink sink;
        sink.cancel = &cancel;
        std::chrono::steady_clock::time_point set;
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            set = std::chrono::steady_clock::now();
            cancel = true;
        });
        benchmark::DoNotOptimize(rankTriples(samples, sink));
        const auto returned = std::chrono::steady_clock::now();
        canceller.join();
        const double latency = std::chrono::duration<double>(returned - set).count();
        worst = std::max(worst, latency);
        state.SetIterationTime(latency);
    }
    state.counters["worst_s"] = worst;
}
BENCHMARK(BM_TriplesCancelLatency)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
