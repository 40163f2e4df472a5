// A push of the undo ring is one copy of the plane once the ring has filled;
// compare its time with a bare copy of the same size.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "workspace/core/image/image_plane.h"

static void BM_PlanePushUndo(benchmark::State& state) {
    int side = static_cast<int>(state.range(0));
    ImagePlane plane;
    PlaneCreate(&plane, side, side);
    for (int i = 0; i < kRingSlots; ++i) PlanePushUndo(&plane);
    for (auto _ : state) {
        PlanePushUndo(&plane);
        benchmark::DoNotOptimize(plane.current);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * side * side * 2);
}
BENCHMARK(BM_PlanePushUndo)->Arg(256)->Arg(1024)->Arg(4096);

static void BM_PlainCopy(benchmark::State& state) {
    size_t words = static_cast<size_t>(state.range(0)) * static_cast<size_t>(state.range(0));
    std::vector<uint16_t> a(words, 1), b(words);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), words * 2);
        benchmark::DoNotOptimize(b.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * words * 2));
}
BENCHMARK(BM_PlainCopy)->Arg(256)->Arg(1024)->Arg(4096);
