// The 2D texture families over 16 ROIs tiling a 1024 x 1024 12-bit image,
// through the 2D driver: all of histogram, gradient, co-occurrence (5
// distances) and run-length, at 6 and 8 bits, plus each family alone. On the
// pool's threads; VANTU_THREADS=1 times them on one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "analysis/core/texture/roi_geometry.h"
#include "analysis/tests/texture/texture_test_image.h"

namespace {

constexpr int kSide = 1024;

// Smooth blobs plus noise, so the matrices are neither diagonal nor uniform.
struct BenchImage {
    std::vector<uint16_t> samples = std::vector<uint16_t>(size_t(kSide) * kSide);
    std::vector<uint16_t> roi = std::vector<uint16_t>(size_t(kSide) * kSide);

    BenchImage() {
        std::mt19937 random(1);
        std::vector<int> coarse(size_t(kSide / 8 + 2) * (kSide / 8 + 2));
        for (int& c : coarse) c = static_cast<int>(random() % 3000);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const int c = coarse[size_t(y / 8) * (kSide / 8 + 2) + x / 8];
                samples[size_t(y) * kSide + x] = static_cast<uint16_t>(c + random() % 1096);
                roi[size_t(y) * kSide + x] = static_cast<uint16_t>(1u << ((y / 256) * 4 + x / 256));
            }
    }

    TextureContext context() const {
        TextureContext c;
        c.samples = samples.data();
        c.roiMap = roi.data();
        c.width = c.height = kSide;
        c.BitDepth = 12;
        c.ImageMax = 4095;
        c.ImageMin = 0;
        return c;
    }
};

const BenchImage& image() {
    static const BenchImage instance;
    return instance;
}

AnalysisOptions optionsFor(int bits, int normalisation) {
    AnalysisOptions o;
    o.Ng_vt = o.Ng_rl = bits;
    o.Do_normal = normalisation;
    o.Do_arm = 0;
    return o;
}

// Arguments: bits of the co-occurrence and run-length levels, normalisation mode.
void BM_AllFamilies(benchmark::State& state) {
    const TextureContext context = image().context();
    const AnalysisOptions options =
        optionsFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<FeatureRecord> out;
    for (auto _ : state) {
        out = analyse(context, options);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["records"] = static_cast<double>(out.size());
}
BENCHMARK(BM_AllFamilies)
    ->Args({6, 0})
    ->Args({8, 0})
    ->Args({6, 1})
    ->Args({8, 1})
    ->Unit(benchmark::kMillisecond);

// Baseline for ratios: one plain pass reading every sample and ROI word.
void BM_ReadImageOnce(benchmark::State& state) {
    const TextureContext context = image().context();
    const size_t n = static_cast<size_t>(context.width) * context.height;
    for (auto _ : state) {
        uint64_t sum = 0;
        for (size_t i = 0; i < n; ++i) sum += context.samples[i] ^ context.roiMap[i];
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadImageOnce)->Unit(benchmark::kMillisecond);

// Argument family: 0 the per-ROI statistics alone, else a TextureFamily bit.
constexpr int kStatistics = 0;

void BM_Family(benchmark::State& state) {
    const TextureContext context = image().context();
    const AnalysisOptions options = optionsFor(static_cast<int>(state.range(1)), 0);
    const auto family = static_cast<unsigned>(state.range(0));
    std::vector<FeatureRecord> out;
    for (auto _ : state) {
        if (family == kStatistics)
            benchmark::DoNotOptimize(computeRoiStatistics(context));
        else
            out = familyRecords(context, options, family);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Family)
    ->ArgNames({"family", "bits"})
    ->Args({kStatistics, 6})
    ->Args({kHistogramFamily, 6})
    ->Args({kCooccurrenceFamily, 6})
    ->Args({kCooccurrenceFamily, 8})
    ->Args({kRunLengthFamily, 6})
    ->Args({kRunLengthFamily, 8})
    ->Args({kGradientFamily, 6})
    ->Unit(benchmark::kMillisecond);

}  // namespace
