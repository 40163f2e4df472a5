// Grain labelling, painting and the closing (depth 2) of a 2048 x 2048
// image holding about 10,000 grains.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "analysis/core/grains/grain_labelling.h"
#include "analysis/core/grains/roi_closing.h"

namespace {

constexpr int kSide = 2048;

// Blobs of 8 x 8 to 12 x 12 pixels every 20 pixels (102 x 102 of them) on
// a noisy dark background.
std::vector<uint16_t> grainImage() {
    std::mt19937 random(3);
    std::vector<uint16_t> samples(size_t(kSide) * kSide);
    for (uint16_t& s : samples) s = static_cast<uint16_t>(random() % 50);
    for (int gy = 0; gy + 20 <= kSide; gy += 20)
        for (int gx = 0; gx + 20 <= kSide; gx += 20) {
            const int size = 8 + static_cast<int>(random() % 5);
            for (int y = gy + 2; y < gy + 2 + size; ++y)
                for (int x = gx + 2; x < gx + 2 + size; ++x)
                    samples[size_t(y) * kSide + x] = static_cast<uint16_t>(100 + random() % 100);
        }
    return samples;
}

void BM_GrainLabellingAndClosing(benchmark::State& state) {
    const std::vector<uint16_t> samples = grainImage();
    std::vector<uint16_t> roi(samples.size());
    size_t grains = 0;
    for (auto _ : state) {
        std::fill(roi.begin(), roi.end(), uint16_t{0});
        const GrainLabels labels = findGrains(samples.data(), kSide, kSide, 58, 16);
        paintGrains(labels, 0, labels.grains.size(), 1, roi.data());
        closeRoiMap(roi.data(), kSide, kSide, 2);
        grains = labels.grains.size();
    }
    state.counters["grains"] = static_cast<double>(grains);
}
BENCHMARK(BM_GrainLabellingAndClosing)->Unit(benchmark::kMillisecond);

}  // namespace
