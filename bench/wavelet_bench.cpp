// Wavelet energies of 16 ROIs tiling a 2048 x 2048 8-bit image without
// normalisation (one decomposition serves every ROI), against the baseline of
// one decomposition per ROI; and the wavelet map of the same image.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "analysis/core/texture/wavelets.h"

namespace {

constexpr int kSide = 2048;

struct BenchImage {
    std::vector<uint16_t> samples = std::vector<uint16_t>(size_t(kSide) * kSide);
    std::vector<uint16_t> roi = std::vector<uint16_t>(size_t(kSide) * kSide);
    BenchImage() {
        std::mt19937 random(7);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                samples[size_t(y) * kSide + x] = static_cast<uint16_t>(random() % 256);
                roi[size_t(y) * kSide + x] = static_cast<uint16_t>(1u << ((y / 512) * 4 + x / 512));
            }
    }
    TextureContext context() const {
        TextureContext c;
        c.samples = samples.data();
        c.roiMap = roi.data();
        c.width = c.height = kSide;
        c.ImageMax = 255;
        c.BitDepth = 8;
        return c;
    }
};

const BenchImage& image() {
    static const BenchImage instance;
    return instance;
}

void BM_WaveletFeaturesShared(benchmark::State& state) {
    const TextureContext c = image().context();
    AnalysisOptions o;
    for (auto _ : state) benchmark::DoNotOptimize(computeWaveletFeatures(c, o));
}
BENCHMARK(BM_WaveletFeaturesShared)->Unit(benchmark::kMillisecond);

// The baseline: every ROI decomposes its own working image.
void BM_WaveletFeaturesPerRoi(benchmark::State& state) {
    const BenchImage& b = image();
    const auto masks = waveletMasks(b.roi.data(), kSide, kSide, kSide);
    for (auto _ : state)
        for (int r = 0; r < 16; ++r)
            benchmark::DoNotOptimize(waveletEnergies(
                waveletWorkingImage(b.samples.data(), kSide, kSide, kSide), masks, r));
}
BENCHMARK(BM_WaveletFeaturesPerRoi)->Unit(benchmark::kMillisecond);

void BM_WaveletMap(benchmark::State& state) {
    const TextureContext c = image().context();
    AnalysisOptions o;
    for (auto _ : state) benchmark::DoNotOptimize(computeWaveletMap(c, o));
}
BENCHMARK(BM_WaveletMap)->Unit(benchmark::kMillisecond);

}  // namespace
