// A whole 2D analysis with the default options: 16 ROIs tiling a 1024 x 1024
// (and a 2048 x 2048) 12-bit image, on the pool's threads (VANTU_THREADS
// sets their number). The texture families dominate; the baseline reads the image
// once so the figure can be read as a multiple of one pass.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <numeric>
#include <string>

#include "analysis/core/texture/analysis_2d.h"
#include "analysis/core/texture/analysis_2d_buffers.h"
#include "analysis/core/texture/ar_model.h"
#include "analysis/tests/texture/ar_model_reference.h"
#include "workspace/core/workspace_state.h"

namespace {

// 16 ROIs tiling a side x side image.
struct Scene {
    PlanePtr grey;
    PlanePtr roi;
    explicit Scene(int side = 1024) : grey(newPlane(side, side)), roi(newPlane(side, side)) {
        uint32_t seed = 1;
        const int tile = side / 4;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                seed = seed * 134775813u + 1u;
                grey->at(x, y) = static_cast<uint16_t>((x * 3 + y * 2 + (seed >> 24)) % 4096);
                roi->at(x, y) = static_cast<uint16_t>(1u << ((y / tile) * 4 + x / tile));
            }
    }
};

void analyseScene(benchmark::State& state, const Scene& scene) {
    Analysis2DInput input;
    input.grey = scene.grey.get();
    input.roiMap = scene.roi.get();
    input.imageMin = 0;
    input.imageMax = 4095;
    input.bitDepth = 12;
    ProgressSink progress;
    // Repeated runs on one open image: the buffers stay with it, as the
    // workspace keeps them.
    Analysis2DBuffers buffers;
    for (auto _ : state) {
        std::vector<FeatureRecord> records;
        std::string header;
        Analyse2D(input, records, header, progress, buffers);
        benchmark::DoNotOptimize(records.data());
    }
}

void BM_Analyse2DDefaults(benchmark::State& state) {
    static const Scene scene;
    analyseScene(state, scene);
}
BENCHMARK(BM_Analyse2DDefaults)->Unit(benchmark::kMillisecond);

// The same on a 2048 x 2048 image (ROIs of 512 x 512).
void BM_Analyse2DDefaults2048(benchmark::State& state) {
    static const Scene scene(2048);
    analyseScene(state, scene);
}
BENCHMARK(BM_Analyse2DDefaults2048)->Unit(benchmark::kMillisecond);

// The autoregressive family alone (16 ROI fits), on the calling thread:
// argument 0 the fast passes, 1 the plain per-pixel loop they replace.
void BM_ArFamily(benchmark::State& state) {
    static Scene scene;
    const bool plain = state.range(0) == 1;
    for (auto _ : state) {
        ArScratch scratch;  // lent to the fits, as a run lends it
        for (int roi = 0; roi < 16; ++roi) {
            const int x0 = (roi % 4) * 256, y0 = (roi / 4) * 256;
            const auto bit = static_cast<uint16_t>(1u << roi);
            const ArValues values =
                plain
                    ? plainArFit(*scene.grey, *scene.roi, bit, x0, y0, x0 + 255, y0 + 255)
                    : fitArModel(*scene.grey, *scene.roi, bit, x0, y0, x0 + 255, y0 + 255, scratch);
            benchmark::DoNotOptimize(values);
        }
    }
    state.SetLabel(plain ? "plain loop" : "fast passes");
}
BENCHMARK(BM_ArFamily)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Resident memory of the process in MiB: the current size, or its peak since
// the last resetPeakResident().
double residentMiB(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string key = std::string(field) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size())) / 1024.0;
    return 0;
}
void resetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// What runs on the 2048 x 2048 scene hold on to: counters peak (the largest
// resident size during a run), after (the size once the runs have ended,
// their buffers kept for the next run on the image) and closed (once those
// are dropped, as with the image), all in MiB above the size before the
// first run, with the scene in memory. After several runs the pool's threads
// have each done every kind of unit.
void BM_Analyse2DMemory2048(benchmark::State& state) {
    static const Scene scene(2048);
    Analysis2DInput input;
    input.grey = scene.grey.get();
    input.roiMap = scene.roi.get();
    input.imageMax = 4095;
    input.bitDepth = 12;
    ProgressSink progress;
    const double before = residentMiB("VmRSS");
    double peak = 0;
    auto buffers = std::make_unique<Analysis2DBuffers>();
    for (auto _ : state) {
        resetPeakResident();
        std::vector<FeatureRecord> records;
        std::string header;
        Analyse2D(input, records, header, progress, *buffers);
        benchmark::DoNotOptimize(records.data());
        state.PauseTiming();
        peak = std::max(peak, residentMiB("VmHWM") - before);
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = peak;
    state.counters["after_MiB"] = residentMiB("VmRSS") - before;
    buffers.reset();
    state.counters["closed_MiB"] = residentMiB("VmRSS") - before;
}
BENCHMARK(BM_Analyse2DMemory2048)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Analyse2DMemory2048)->Iterations(6)->Unit(benchmark::kMillisecond);

void BM_OnePassBaseline(benchmark::State& state) {
    static Scene scene;
    for (auto _ : state) {
        uint64_t sum = std::accumulate(scene.grey->current,
                                       scene.grey->current + scene.grey->size(), uint64_t{0});
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_OnePassBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
