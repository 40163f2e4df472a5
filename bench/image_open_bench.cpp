// Opening an 8-bit bitmap as the main window does: reading it into grey
// samples, making the grey plane and the ROI map, and rendering the display,
// against a plain read of the same file (the floor any reader pays). The
// bitmap is written once to a temporary folder; sides 4096 and 16384 (the
// largest image the program takes: 268 MB on disk, some 2 GB in memory).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "workspace/core/formats/image_load.h"
#include "workspace/core/formats/image_writers.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/image/display_render.h"
#include "workspace/core/workspace_state.h"

namespace {

// A grey bitmap of side x side with a pattern in every row, made once per side
// in a folder of this run's own, which goes when the run ends.
std::string bitmapOfSide(int32_t side) {
    static const platform::testing::TempDir folder;
    const std::string name = std::to_string(side) + ".bmp";
    if (std::filesystem::exists(folder.file(name))) return folder.file(name);
    PlanePtr grey = newPlane(side, side);
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x)
            grey->at(x, y) = static_cast<uint16_t>((x * 3 + y * 5 + ((x * y) >> 7)) & 255);
    return folder.write(name, encodeGreyBitmap(*grey, 8));
}

void BM_OpenBitmap(benchmark::State& state) {
    const std::string path = bitmapOfSide(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        WorkspaceState workspace;
        DisplayBitmap display;
        LoadedImage image;
        if (readImageSamples(kFormatBitmap, path, RawOptions{}, 0, image) != 0 ||
            !applyLoadedImage(workspace, std::move(image), 100, 0)) {
            state.SkipWithError("the bitmap did not open");
            return;
        }
        const DisplayParams params{workspace.WindowLow, workspace.WindowHigh};
        RenderDisplay(*workspace.GreyImage, workspace.RoiMap.get(), params, display,
                      workspace.RoiPixelCount);
        benchmark::DoNotOptimize(display.pixels.data());
    }
}
BENCHMARK(BM_OpenBitmap)->Arg(4096)->Arg(16384)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: the file read into memory, nothing else.
void BM_ReadFileOnce(benchmark::State& state) {
    const std::string path = bitmapOfSide(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        std::ifstream file(path, std::ios::binary);
        std::vector<char> bytes(std::filesystem::file_size(path));
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ReadFileOnce)->Arg(4096)->Arg(16384)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
