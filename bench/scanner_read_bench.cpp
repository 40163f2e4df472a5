// Reading a 512 x 512 image of each scanner family from memory, against a
// plain copy of the same bytes as the baseline; and the histogram window's
// counting over a 512 x 512 ROI.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "workspace/core/formats/scanner_image.h"
#include "workspace/core/image/roi_histogram.h"
#include "workspace/tests/formats/scanner_test_files.h"

using namespace scanner_test;

namespace {

constexpr int kSide = 512;

std::vector<uint16_t> samples() {
    std::vector<uint16_t> s(kSide * kSide);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint16_t>((i * 2654435761u) >> 20);
    return s;
}

std::vector<uint8_t> fileOf(int id) {
    const std::vector<uint16_t> s = samples();
    switch (id) {
        case kScannerAcrNema: {
            AcrFile f(true);
            f.ul(0x0008, 0x0000, 4).el(0x0008, 0x0010, "ACR-NEMA 2.0");
            f.us(0x0028, 0x0010, kSide).us(0x0028, 0x0011, kSide);
            const std::vector<uint8_t> px = f.words(s);
            f.pixels(px, static_cast<uint32_t>(px.size()));
            return f.data();
        }
        case kScannerVision: {
            Bytes h(6144);
            h.text(281, "MAGNETOM").be16(4994, kSide).be16(4996, kSide).be16(5028, 11);
            h.be16(5018, 1).append(bigEndianSamples(s));
            return h.data();
        }
        case kScannerGeAdvantage: {
            GeFile ge;
            ge.width = ge.height = kSide;
            ge.compression = 3;
            return ge.build(geCompress(s));
        }
        case kScannerGeIdbm: {
            Bytes h(14336);
            h.text(12, "0LD ").be16(5394, kSide).be16(5396, kSide).append(bigEndianSamples(s));
            return h.data();
        }
        case kScannerBruker: {
            Bytes h(13056);
            h.be24(768, 0x356052).be24(786, kSide).be24(783, kSide);
            for (uint16_t v : s) h.be24(h.size(), uint32_t{v} * 300);
            return h.data();
        }
        default: {
            PickerFile p;
            p.text("F*NAME", "x");
            p.integer("A*NCOLS", kSide);
            p.integer("A*NROWS", kSide);
            Bytes h;
            h.append(p.header()).append(bigEndianSamples(s));
            return h.data();
        }
    }
}

void BM_CopyBaseline(benchmark::State& state) {
    const std::vector<uint8_t> file = fileOf(kScannerVision);
    std::vector<uint8_t> copy(file.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), file.data(), file.size());
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyBaseline)->Unit(benchmark::kMicrosecond);

void BM_ReadScanner(benchmark::State& state) {
    const int id = static_cast<int>(state.range(0));
    const std::vector<uint8_t> file = fileOf(id);
    ScannerImage image;
    for (auto _ : state) {
        if (decodeScannerImage(file, id, &image, nullptr, nullptr) != kScannerOk)
            state.SkipWithError("not read");
        benchmark::DoNotOptimize(image.samples.data());
    }
}
BENCHMARK(BM_ReadScanner)
    ->Arg(kScannerAcrNema)
    ->Arg(kScannerVision)
    ->Arg(kScannerGeAdvantage)
    ->Arg(kScannerGeIdbm)
    ->Arg(kScannerBruker)
    ->Arg(kScannerPicker)
    ->Unit(benchmark::kMicrosecond);

void BM_RoiHistogram(benchmark::State& state) {
    const std::vector<uint16_t> grey = samples();
    const std::vector<uint16_t> roi(grey.size(), 1);
    for (auto _ : state) {
        RoiHistogram h = computeRoiHistogram(grey.data(), roi.data(), grey.size(), 1, 12);
        benchmark::DoNotOptimize(h.bins.data());
    }
}
BENCHMARK(BM_RoiHistogram)->Unit(benchmark::kMicrosecond);

}  // namespace
