// The display is rendered after every edit. Compare a render with the bare
// memory traffic it implies: reading the grey plane and the ROI map and
// writing the bitmap (two plane-sized copies move the same bytes).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "workspace/core/image/display_render.h"

namespace {

constexpr int kSpeckled = -1;

struct Scene {
    // rois: 1 or 16 discs; kSpeckled: every pixel in a random ROI or none.
    explicit Scene(int side, int rois) {
        PlaneCreate(&grey, side, side);
        PlaneCreate(&map, side, side);
        // A 12-bit image: a smooth gradient with noise, as from a scanner.
        std::mt19937 random(1);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                int v = 400 + (x + y) * 3000 / (2 * side) + static_cast<int>(random() % 600);
                grey.at(x, y) = static_cast<uint16_t>(v);
            }
        if (rois == kSpeckled) {
            for (size_t i = 0; i < map.size(); ++i)
                map.current[i] = random() % 2 ? static_cast<uint16_t>(1u << random() % 16) : 0;
            return;
        }
        // Discs spread over the image; with 16 they overlap heavily and cover
        // most of it.
        for (int k = 0; k < rois; ++k) {
            const int cx = side / 4 + (k % 4) * side / 6;
            const int cy = side / 4 + (k / 4) * side / 6;
            const int r = rois == 1 ? side / 4 : side / 5;
            for (int y = std::max(0, cy - r); y < std::min(side, cy + r); ++y)
                for (int x = std::max(0, cx - r); x < std::min(side, cx + r); ++x)
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r)
                        map.at(x, y) = static_cast<uint16_t>(map.at(x, y) | 1u << k);
        }
    }
    ~Scene() {
        PlaneDestroy(&grey, 0);
        PlaneDestroy(&map, 0);
    }
    ImagePlane grey;
    ImagePlane map;
};

DisplayParams realisticWindow() {
    DisplayParams params;
    params.windowLow = 600;
    params.windowHigh = 3400;
    return params;
}

void BM_RenderDisplay(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    Scene scene(side, static_cast<int>(state.range(1)));
    const DisplayParams params = realisticWindow();
    DisplayBitmap bitmap;
    std::array<uint32_t, kRoiCount> counts{};
    for (auto _ : state) {
        RenderDisplay(scene.grey, &scene.map, params, bitmap, counts);
        benchmark::DoNotOptimize(bitmap.pixels.data());
        benchmark::DoNotOptimize(counts.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * side * side * 8);
    state.counters["roi1_pixels"] = counts[0];
}
BENCHMARK(BM_RenderDisplay)
    ->ArgNames({"side", "rois"})
    ->Args({512, 1})
    ->Args({512, 16})
    ->Args({1024, 1})
    ->Args({1024, 16})
    ->Args({2048, 1})
    ->Args({2048, 16})
    ->Args({1024, kSpeckled})
    ->Unit(benchmark::kMicrosecond);

// Every call changes the window (as while a track bar is dragged), the
// hidden ROI, or both, so the grey table, the overlay table or both are
// rebuilt each time.
void BM_RenderDisplayRebuildingTables(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const auto changes = state.range(1);
    Scene scene(side, 16);
    DisplayParams params = realisticWindow();
    DisplayBitmap bitmap;
    std::array<uint32_t, kRoiCount> counts{};
    int32_t turn = 0;
    for (auto _ : state) {
        ++turn;
        if (changes & 1) params.windowLow = 600 + (turn & 1);
        if (changes & 2) params.hiddenRoi = 1 + (turn & 1);
        RenderDisplay(scene.grey, &scene.map, params, bitmap, counts);
        benchmark::DoNotOptimize(bitmap.pixels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * side * side * 8);
}
BENCHMARK(BM_RenderDisplayRebuildingTables)
    ->ArgNames({"side", "changes"})
    ->Args({1024, 1})
    ->Args({1024, 2})
    ->Args({1024, 3})
    ->Unit(benchmark::kMicrosecond);

// Same bytes moved: 2 + 2 bytes read and 4 written per pixel.
void BM_CopyBaseline(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    Scene scene(side, 0);
    const size_t words = static_cast<size_t>(side) * static_cast<size_t>(side);
    std::vector<uint32_t> out(words);
    auto* bytes = reinterpret_cast<unsigned char*>(out.data());
    for (auto _ : state) {
        std::memcpy(bytes, scene.grey.current, words * 2);
        std::memcpy(bytes + words * 2, scene.map.current, words * 2);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * side * side * 8);
}
BENCHMARK(BM_CopyBaseline)
    ->ArgName("side")
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
