// One iteration of the segmentation module's k-means (assignment, repair,
// centre update and total) over a 512 x 512 stack, for 1, 10 and 50 images
// and 2 and 16 segments; against the plain serial assignment that calls
// PixelDistance once per pixel and segment. Also the composition of the view
// at 512², which the 10 ms timer of the ROI tools redoes on every tick.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "statistics/core/random_source.h"
#include "statistics/core/segmentation/pixel_stack.h"
#include "statistics/core/segmentation/segment_pixels.h"
#include "statistics/core/segmentation/segmentation_view.h"

namespace {

constexpr int kSide = 512;

std::vector<uint8_t> stackBytes(int depth) {
    std::vector<uint8_t> bytes(static_cast<size_t>(kSide) * kSide * depth);
    std::mt19937 random(7);
    for (size_t p = 0; p < bytes.size(); ++p)
        bytes[p] = static_cast<uint8_t>((p / depth % kSide) / 64 * 30 + random() % 40);
    return bytes;
}

void BM_SegmentationIteration(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    const int segments = static_cast<int>(state.range(1));
    const std::vector<uint8_t> bytes = stackBytes(depth);
    for (auto _ : state) {
        RandomSource random([] { return 12345u; });
        const SegmentationResult result = SegmentPixels(bytes, depth, {segments, 1, 1}, random);
        benchmark::DoNotOptimize(result.total);
    }
}
BENCHMARK(BM_SegmentationIteration)
    ->ArgsProduct({{1, 10, 50}, {2, 16}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The baseline: the assignment alone, serially, PixelDistance per pair.
void BM_PlainSerialAssignment(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    const int segments = static_cast<int>(state.range(1));
    const std::vector<uint8_t> bytes = stackBytes(depth);
    std::vector<double> centres(static_cast<size_t>(segments) * depth);
    for (size_t i = 0; i < centres.size(); ++i) centres[i] = static_cast<double>(i % 200);
    std::vector<int32_t> labels(static_cast<size_t>(kSide) * kSide);
    for (auto _ : state) {
        for (size_t p = 0; p < labels.size(); ++p) {
            double nearest = kSegmentationNoTotal;
            for (int k = 0; k < segments; ++k) {
                const double d = PixelDistance(centres.data() + static_cast<size_t>(k) * depth,
                                               bytes.data() + p * depth, depth);
                if (d < nearest) {
                    nearest = d;
                    labels[p] = k;
                }
            }
        }
        benchmark::DoNotOptimize(labels.data());
    }
}
BENCHMARK(BM_PlainSerialAssignment)
    ->ArgsProduct({{1, 10, 50}, {2, 16}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ComposeView(benchmark::State& state) {
    PixelStack stack;
    stack.start(kSide, kSide, 3);
    const std::vector<uint8_t> picture(3 * static_cast<size_t>(kSide) * kSide, 90);
    for (int d = 0; d < 3; ++d) stack.setImage(d, picture, 3 * kSide);
    const std::vector<uint8_t> roi = picture;
    for (auto _ : state) {
        auto view = ComposeSegmentationView(stack, 1, roi, {}, {true, true, false}, 77);
        benchmark::DoNotOptimize(view.data());
    }
}
BENCHMARK(BM_ComposeView)->Unit(benchmark::kMillisecond);

}  // namespace
