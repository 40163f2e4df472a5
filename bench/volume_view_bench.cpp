// Rebuilding one slice texture of a 512³ volume, as a slider move does: the
// Z slice (rows of one slice), the X slice (a column of every slice) and the
// Y slice, under the grey colouring with the VOIs blended.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "volume/core/view/slice_texture.h"

namespace {

struct Volumes {
    std::unique_ptr<Volume3D> grey = std::make_unique<Volume3D>(512);
    std::unique_ptr<Volume3D> mask = std::make_unique<Volume3D>(512);
    Volumes() {
        std::vector<uint16_t> g(512 * 512), m(512 * 512);
        for (int z = 0; z < 512; ++z) {
            for (size_t i = 0; i < g.size(); ++i) {
                g[i] = static_cast<uint16_t>((i * 7 + z * 13) & 4095);
                m[i] = static_cast<uint16_t>((i / 512 + z) % 97 == 0 ? 1 : 0);
            }
            Volume3DSetSlice(*grey, g.data(), 512, 512, z);
            Volume3DSetSlice(*mask, m.data(), 512, 512, z);
        }
    }
};

Volumes& volumes() {
    static Volumes v;
    return v;
}

void BM_SliceTexture(benchmark::State& state) {
    const SliceAxis axis = static_cast<SliceAxis>(state.range(0));
    Volumes& v = volumes();
    int position = 0;
    for (auto _ : state) {
        position = (position + 37) % 512;
        benchmark::DoNotOptimize(buildSliceTexture(*v.grey, *v.mask, axis, position, 0xFFFF,
                                                   SliceColouring::Grey, {0, 4095}));
    }
}
BENCHMARK(BM_SliceTexture)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
