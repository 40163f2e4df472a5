// The volume editor's hot paths:
// - every 3D family (13 directions, distances 1..5, 6-bit co-occurrence,
//   histogram, gradient, run-length) on a 256^3 volume of 12-bit samples (as
//   the .bmf loader scales them: shifted left by 4) with one VOI of 128^3
//   voxels, on all cores and on one (the same code run inside one chunk of an
//   outer parallel loop, where every inner loop stays on its thread);
// - VOI boxes and voxel counts of a 512^3 mask;
// - saving and loading a 512^3 mask as .voi;
// - loading a 512 x 512 x 300 16-bit .bmf (I/O bound: bytes/s reported).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/parallel.h"
#include "volume/core/files/bmf_volume.h"
#include "volume/core/files/voi_file.h"
#include "volume/core/texture3d/volume_analysis.h"

namespace {

// Smooth blocks plus noise, so the matrices are neither diagonal nor uniform.
std::unique_ptr<Volume3D> greyVolume(int32_t n) {
    auto v = std::make_unique<Volume3D>(n);
    std::mt19937 random(1);
    const int32_t cells = n / 8 + 1;
    std::vector<int> coarse(size_t(cells) * cells * cells);
    for (int& c : coarse) c = static_cast<int>(random() % 3000);
    std::vector<uint16_t> s(size_t(n) * n);
    for (int32_t z = 0; z < n; ++z) {
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x) {
                const int c = coarse[(size_t(z / 8) * cells + y / 8) * cells + x / 8];
                s[size_t(y) * n + x] = static_cast<uint16_t>((c + random() % 1096) << 4);
            }
        Volume3DSetSlice(*v, s.data(), n, n, z);
    }
    return v;
}

// An n^3 mask whose VOI 1 is the cube [lo, lo + side)^3.
std::unique_ptr<Volume3D> cubeMask(int32_t n, int32_t lo, int32_t side) {
    auto m = std::make_unique<Volume3D>(n);
    std::vector<uint16_t> s(size_t(n) * n);
    for (int32_t z = 0; z < n; ++z) {
        std::fill(s.begin(), s.end(), 0);
        if (z >= lo && z < lo + side)
            for (int32_t y = lo; y < lo + side; ++y)
                for (int32_t x = lo; x < lo + side; ++x) s[size_t(y) * n + x] = 1;
        Volume3DSetSlice(*m, s.data(), n, n, z);
    }
    return m;
}

Analysis3DOptions everything() {
    Analysis3DOptions o;
    o.ComDist1 = o.ComDist2 = o.ComDist3 = o.ComDist4 = o.ComDist5 = true;
    o.ComMoredirs = o.RlmMoredirs = true;
    o.ComBpp = 6;
    return o;
}

struct AnalysisFixture {
    std::unique_ptr<Volume3D> image = greyVolume(256);
    std::unique_ptr<Volume3D> mask = cubeMask(256, 64, 128);
};

AnalysisFixture& analysisFixture() {
    static AnalysisFixture f;
    return f;
}

void BM_AllFamilies256(benchmark::State& state) {
    AnalysisFixture& f = analysisFixture();
    const bool oneThread = state.range(0) == 1;
    for (auto _ : state) {
        std::vector<FeatureRecord> records;
        std::string header;
        auto run = [&] { RunVolumeAnalysis(*f.image, *f.mask, everything(), records, header, {}); };
        if (oneThread)
            parallelFor(2, 1, [&](size_t begin, size_t) {
                if (begin == 0) run();
            });
        else
            run();
        benchmark::DoNotOptimize(records.data());
    }
    state.counters["threads"] = oneThread ? 1.0 : static_cast<double>(parallelThreadCount());
}
BENCHMARK(BM_AllFamilies256)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 512^3 mask: VOI 1 a 256^3 cube, VOI 2 a slab, VOI 3 scattered voxels.
std::unique_ptr<Volume3D>& bigMask() {
    static std::unique_ptr<Volume3D> m = [] {
        auto v = cubeMask(512, 128, 256);
        std::mt19937 random(2);
        for (VolumeSlice& s : v->slices)
            for (size_t i = 0; i < s.samples.size(); ++i) {
                if (i < 512 * 40) s.samples[i] |= 2;
                if (random() % 97 == 0) s.samples[i] |= 4;
            }
        return v;
    }();
    return m;
}

void BM_RoiBoundsAndCounts512(benchmark::State& state) {
    Volume3D& m = *bigMask();
    std::array<int64_t, kVoiCount> counts{};
    for (auto _ : state) {
        Volume3DRoiBounds(m);
        Volume3DCountVoxels(m, counts);
        benchmark::DoNotOptimize(counts.data());
    }
}
BENCHMARK(BM_RoiBoundsAndCounts512)->Unit(benchmark::kMillisecond)->UseRealTime();

std::string scratchPath(const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/vantu-bench-" + std::to_string(::getpid()) +
           name;
}

void BM_VoiSaveAndLoad512(benchmark::State& state) {
    Volume3D& m = *bigMask();
    const std::string path = scratchPath(".voi");
    Volume3D back(512);
    for (int z = 0; z < 512; ++z) Volume3DSetSlice(back, nullptr, 512, 512, z);
    VoiNames names;
    names[0] = "cube";
    for (auto _ : state) {
        saveVoiFile(m, names, path);
        VoiNames read;
        LoadVoi(back, read, path);
        benchmark::DoNotOptimize(back.slices[0].samples.data());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_VoiSaveAndLoad512)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadBmf512x300(benchmark::State& state) {
    const std::string path = scratchPath(".bmf");
    {
        Volume3D v(300);
        std::vector<uint16_t> s(512 * 512);
        std::mt19937 random(3);
        for (int z = 0; z < 300; ++z) {
            for (uint16_t& x : s) x = static_cast<uint16_t>(random() & 0xFFFF);
            Volume3DSetSlice(v, s.data(), 512, 512, z);
        }
        saveBmfVolume(v, VoxelSizes{}, path);
    }
    for (auto _ : state) {
        VolumeLoad load = loadBmfVolume(path);
        benchmark::DoNotOptimize(load.image.get());
    }
    state.SetBytesProcessed(state.iterations() * int64_t{512} * 512 * 300 * 2);
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadBmf512x300)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
