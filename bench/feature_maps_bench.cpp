// Parametric maps on a 12-bit image with a 9 x 9 window at step 1: all 96
// maps of the tree (co-occurrence at distance 1, and at all five distances),
// at 512 x 512 and 1024 x 1024, on every core. One co-occurrence contrast map
// of 256 x 256 with a 15 x 15 window, against the per-window engine (build
// the window's matrix, evaluate it) in the same run as the baseline.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/maps/feature_maps.h"
#include "analysis/core/maps/map_grid.h"
#include "analysis/core/maps/map_picture.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/normalisation.h"
#include "platform/parallel.h"

namespace {

// Smooth blobs plus noise, so the matrices are neither diagonal nor uniform.
std::vector<uint16_t> benchImage(int side) {
    std::mt19937 random(1);
    const int cells = side / 8 + 2;
    std::vector<int> coarse(size_t(cells) * cells);
    for (int& c : coarse) c = static_cast<int>(random() % 3000);
    std::vector<uint16_t> samples(size_t(side) * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            samples[size_t(y) * side + x] =
                static_cast<uint16_t>(coarse[size_t(y / 8) * cells + x / 8] + random() % 1096);
    return samples;
}

TextureContext contextOf(const std::vector<uint16_t>& samples, int side) {
    TextureContext c;
    c.samples = samples.data();
    c.width = c.height = side;
    c.BitDepth = 12;
    c.ImageMin = 0;
    c.ImageMax = 4095;
    return c;
}

AnalysisOptions allMaps(bool fiveDistances) {
    AnalysisOptions o;
    for (int i = 0; i < kMapTreeSize; ++i)
        if (isMapTreeLeaf(i)) o.Maps_Tree[static_cast<size_t>(i)].state = kMapLeafOn;
    o.Do_vt1 = 1;
    o.Do_vt2 = o.Do_vt3 = o.Do_vt4 = o.Do_vt5 = fiveDistances ? 1 : 0;
    o.Ng_vt = o.Ng_rl = 6;
    o.Mask_x = o.Mask_y = 9;
    o.Step_x = o.Step_y = 1;
    return o;
}

void BM_AllMaps(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const auto samples = benchImage(side);
    const AnalysisOptions o = allMaps(state.range(1) != 0);
    int maps = 0;
    for (auto _ : state) {
        maps = 0;
        ComputeFeatureMaps(
            contextOf(samples, side), o,
            [&](const std::string&, const double* values, int32_t, int32_t) {
                benchmark::DoNotOptimize(values[0]);
                ++maps;
            },
            ProgressSink{});
    }
    state.counters["maps"] = maps;
    state.counters["threads"] = static_cast<double>(parallelThreadCount());
}
BENCHMARK(BM_AllMaps)
    ->Args({512, 0})
    ->Args({512, 1})
    ->Args({1024, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

AnalysisOptions contrastOnly() {
    AnalysisOptions o;
    o.Maps_Tree[28].state = kMapLeafOn;  // Horzl Contrast
    o.Do_vt1 = 1;
    o.Do_vt2 = o.Do_vt3 = o.Do_vt4 = o.Do_vt5 = 0;
    o.Ng_vt = 6;
    o.Mask_x = o.Mask_y = 15;
    o.Step_x = o.Step_y = 1;
    return o;
}

void BM_ContrastMap256(benchmark::State& state) {
    const auto samples = benchImage(256);
    const AnalysisOptions o = contrastOnly();
    for (auto _ : state)
        ComputeFeatureMaps(
            contextOf(samples, 256), o,
            [&](const std::string&, const double* values, int32_t, int32_t) {
                benchmark::DoNotOptimize(values[0]);
            },
            ProgressSink{});
}
BENCHMARK(BM_ContrastMap256)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline: the engine's matrix of every window built and evaluated
// afresh, on every core.
void BM_ContrastMap256PerWindowEngine(benchmark::State& state) {
    const auto samples = benchImage(256);
    const TextureContext context = contextOf(samples, 256);
    const LevelTable table({kNormaliseNone, 12, 6, {}}, 4096);
    const MapGridAxis axis = mapGridAxis(256, 15, 1);
    std::vector<double> contrast(size_t(axis.count) * axis.count);
    for (auto _ : state) {
        parallelFor(static_cast<size_t>(axis.count), 2, [&](size_t begin, size_t end) {
            CooccurrenceMatrix m;
            for (size_t j = begin; j < end; ++j)
                for (int32_t i = 0; i < axis.count; ++i) {
                    const int32_t x = axis.windowStart(i), y = axis.windowStart(int32_t(j));
                    buildCooccurrenceMatrix(context, {x, y, x + 14, y + 14}, kEveryPixel, table,
                                            Displacement{1, 0}, m);
                    contrast[j * axis.count + size_t(i)] = evaluateCooccurrence(m).values[1];
                }
        });
        benchmark::DoNotOptimize(contrast.data());
    }
}
BENCHMARK(BM_ContrastMap256PerWindowEngine)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the map window does after a track-bar move: the picture of a
// 1024 x 1024 map redrawn from its values.
void BM_RedrawMap1024(benchmark::State& state) {
    std::vector<double> values(size_t(1024) * 1024);
    std::mt19937 random(3);
    for (double& v : values) v = random() % 100000 / 7.0;
    values[0] = std::numeric_limits<double>::infinity();
    resetFeatureMaps();
    FeatureMap* map = AddFeatureMap("m", values.data(), 1024, 1024);
    std::vector<uint32_t> pixels(values.size());
    int position = 0;
    for (auto _ : state) {
        position = (position + 7) % 100;
        map->displayLow = trackBarValue(*map, 100 - position / 2);
        renderMapPixels(*map, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
    }
    resetFeatureMaps();
}
BENCHMARK(BM_RedrawMap1024)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each family alone (all its leaves; co-occurrence at distance 1), 512 x 512:
// run with VANTU_THREADS=1 for the work of each on one core.
void BM_Family(benchmark::State& state) {
    const auto samples = benchImage(512);
    AnalysisOptions o = allMaps(false);
    constexpr int kFamilyRoots[] = {0, 25, 74, 80, 90, 96};
    const int family = static_cast<int>(state.range(0));
    for (int i = 0; i < kMapTreeSize; ++i)
        if (i < kFamilyRoots[family] || i >= kFamilyRoots[family + 1])
            o.Maps_Tree[static_cast<size_t>(i)].state =
                isMapTreeLeaf(i) ? kMapLeafOff : kMapNodeClear;
    for (auto _ : state)
        ComputeFeatureMaps(
            contextOf(samples, 512), o,
            [&](const std::string&, const double* values, int32_t, int32_t) {
                benchmark::DoNotOptimize(values[0]);
            },
            ProgressSink{});
}
BENCHMARK(BM_Family)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
