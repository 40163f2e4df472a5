// Shape features: 16 mid-size ROIs (disks and squares of about 120 pixels
// across) on a 1024 x 1024 ROI map, both groups; and the thinning and all of
// group 1 for one disk 1000 pixels wide.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "analysis/core/texture/shape_features.h"
#include "analysis/core/texture/thinning.h"

namespace {

std::vector<uint16_t> sixteenRois() {
    constexpr int side = 1024;
    std::vector<uint16_t> map(size_t(side) * side, 0);
    for (int r = 0; r < 16; ++r) {
        const int cx = (r % 4) * 256 + 128, cy = (r / 4) * 256 + 128;
        for (int y = cy - 60; y <= cy + 60; ++y)
            for (int x = cx - 60; x <= cx + 60; ++x) {
                const bool in = r % 2 ? (x - cx) * (x - cx) + (y - cy) * (y - cy) <= 3600 : true;
                if (in) map[size_t(y) * side + x] |= static_cast<uint16_t>(1u << r);
            }
    }
    return map;
}

ShapeRegion bigDisk() {
    constexpr int side = 1004;
    std::vector<uint8_t> mask(size_t(side) * side, 0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            mask[size_t(y) * side + x] = (x - 501) * (x - 501) + (y - 501) * (y - 501) <= 500 * 500;
    return shapeRegionFromMask(mask, side, side);
}

void BM_ShapeFeatures16Rois(benchmark::State& state) {
    const std::vector<uint16_t> map = sixteenRois();
    GrainOptions o;
    o.Sg_DoGeometry = o.Sg_DoGeometryP = true;
    for (auto _ : state) {
        std::vector<FeatureRecord> records;
        appendShapeRecords(map.data(), 1024, 1024, o, records);
        benchmark::DoNotOptimize(records);
    }
}
BENCHMARK(BM_ShapeFeatures16Rois)->Unit(benchmark::kMillisecond);

void BM_ThinningDisk1000(benchmark::State& state) {
    const ShapeRegion disk = bigDisk();
    for (auto _ : state) benchmark::DoNotOptimize(thinShape(disk));
}
BENCHMARK(BM_ThinningDisk1000)->Unit(benchmark::kMillisecond);

void BM_ShapeGroup1Disk1000(benchmark::State& state) {
    const ShapeRegion disk = bigDisk();
    for (auto _ : state) benchmark::DoNotOptimize(measureShape(disk, 1.0, true, false));
}
BENCHMARK(BM_ShapeGroup1Disk1000)->Unit(benchmark::kMillisecond);

}  // namespace
