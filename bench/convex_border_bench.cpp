// The convex-border search on 4 classes of 20 samples: the pair search over
// 60 features (every class's singles left at or above 0.75 so that every
// class is searched), and the triple search over 12 features, reported as
// candidates (class x feature triple) per second.
#include <benchmark/benchmark.h>

#include <random>

#include "analysis/core/reports/convex_border.h"

namespace {

SelectionSamples overlappingClasses(int features) {
    SelectionSamples s;
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 1.0);
    const int classes = 4, perClass = 20;
    for (int c = 0; c < classes; ++c) {
        s.classes.push_back(std::string(1, static_cast<char>('a' + c)));
        s.classSize.push_back(perClass);
        s.classOffset.push_back(c * perClass);
        for (int k = 0; k < perClass; ++k) s.sampleClass.push_back(c);
    }
    for (int f = 0; f < features; ++f) {
        s.features.push_back({"f" + std::to_string(f), f});
        for (int i = 0; i < classes * perClass; ++i)
            s.values.push_back(noise(random) + 0.8 * ((i / perClass + f) % 3));
    }
    return s;
}

void BM_ConvexBorderPairs60(benchmark::State& state) {
    const SelectionSamples samples = overlappingClasses(60);
    // Triples would dominate: stop the search as soon as it reaches them.
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        ProgressSink progress;
        progress.cancel = &stop;
        progress.text = [&](const std::string& t) {
            if (t == "Convex border (search: 3/3)") stop = true;
        };
        benchmark::DoNotOptimize(FindConvexBorder(samples, progress));
    }
}
BENCHMARK(BM_ConvexBorderPairs60)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvexBorderTriples12(benchmark::State& state) {
    const SelectionSamples samples = overlappingClasses(12);
    for (auto _ : state) benchmark::DoNotOptimize(FindConvexBorder(samples, ProgressSink{}));
    state.counters["candidates/s"] =
        benchmark::Counter(4.0 * 220 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ConvexBorderTriples12)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
