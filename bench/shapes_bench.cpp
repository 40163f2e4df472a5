// The volume editor's shape hot paths:
// - filling an ellipsoid of radius 100 (the ellipsoid mesh, a fan of
//   tetrahedra) into a 512^3 mask;
// - growing a uniform 256^3 region (the peak of pending voxels is reported);
// - refitting the elastic surface at the default density (100 steps), which
//   runs on every mouse move while the surface is shown.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "volume/core/shapes/region_grow.h"
#include "volume/core/shapes/surface_mesh.h"

namespace {

Volume3D blank(int32_t w, int32_t h, int32_t count) {
    Volume3D v(count);
    for (int32_t z = 0; z < count; ++z) Volume3DSetSlice(v, nullptr, w, h, z);
    return v;
}

void BM_EllipsoidFill512(benchmark::State& state) {
    Volume3D mask = blank(512, 512, 512);
    const SurfaceMesh mesh = makeSurfaceMesh(ellipsoidParameters());
    for (auto _ : state) {
        // Overlapping draw is idempotent: every round does the same work.
        SurfaceMeshRasterise(mesh, mask, identityMatrix16(), VoxelSizes{}, overlappingDraw(1));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EllipsoidFill512)->Unit(benchmark::kMillisecond);

void BM_RegionGrowUniform256(benchmark::State& state) {
    const int32_t n = 256;
    Volume3D image = blank(n, n, n);
    Volume3DMaskAll(image, 0, 1000);
    Volume3D mask = blank(n, n, n);
    GrowStack stack;
    for (auto _ : state) {
        state.PauseTiming();
        Volume3DMaskAll(mask, 0, 0);
        state.ResumeTiming();
        RegionGrow3D({&image, 0, 4095, GreyTest::Grey}, mask, 128, 128, 128, overlappingDraw(1),
                     0xFFFF, &stack);
    }
    state.counters["peak_stack"] = static_cast<double>(stack.peak);
    state.counters["voxels"] = static_cast<double>(n) * n * n;
}
BENCHMARK(BM_RegionGrowUniform256)->Unit(benchmark::kMillisecond);

// A bright ball of radius 70 voxels in a dark 256^3 volume.
void BM_ElasticRefitDefault(benchmark::State& state) {
    const int32_t n = 256;
    Volume3D image = blank(n, n, n);
    for (int32_t z = 0; z < n; ++z)
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x) {
                const double dx = x - 128, dy = y - 128, dz = z - 128;
                if (dx * dx + dy * dy + dz * dz < 70.0 * 70.0)
                    Volume3DSetVoxel(image, x, y, z, 3000);
            }
    ShapeSampler sampler;
    sampler.image = &image;
    sampler.low = 0;
    sampler.high = 4095;
    // threshold 512: the surface starts outside the ball and settles on it
    const SurfaceMeshParameters parameters = elasticSurfaceParameters(1, false, false);
    double radius = 0;
    for (auto _ : state) {
        const SurfaceMesh mesh = fitElasticSurface(parameters, sampler);
        radius = 0;
        for (size_t i = 0; i < mesh.nodes.size(); ++i) radius += mesh.radius(i);
        radius /= static_cast<double>(mesh.nodes.size());
        benchmark::DoNotOptimize(radius);
    }
    state.counters["nodes"] = surfaceMeshNodeCount(12);
    state.counters["mean_radius"] = radius;
}
BENCHMARK(BM_ElasticRefitDefault)->Unit(benchmark::kMillisecond);

}  // namespace
