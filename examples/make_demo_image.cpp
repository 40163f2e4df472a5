// Writes the demo of examples/: demo.bmp, an 8-bit grey 256 x 256 test image
// of four textures (one per quarter), and demo.roi, sixteen ROIs, four inside
// each texture, named after it: four samples of each of four classes. Everything comes from integer
// arithmetic and a fixed seed, so every run writes the same bytes on every machine.
//
//   make_demo_image [folder]     (default: the current folder)
#include <cstdint>
#include <cstdio>
#include <string>

#include "workspace/core/formats/image_writers.h"
#include "workspace/core/roi/roi_files.h"
#include "workspace/core/workspace_state.h"

namespace {

constexpr int kSide = 256;
constexpr int kHalf = kSide / 2;

// A small linear congruential generator: the same numbers everywhere.
class Noise {
  public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    // 0 .. range-1
    int next(int range) {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int>((state_ >> 16) % static_cast<uint32_t>(range));
    }

  private:
    uint32_t state_;
};

// A triangle wave over 0..amplitude with the given period.
int triangle(int t, int period, int amplitude) {
    const int phase = ((t % period) + period) % period;
    const int half = period / 2;
    return (phase < half ? phase : period - phase) * amplitude / half;
}

int clampGrey(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// Top left: coarse horizontal stripes (period 16); top right: fine diagonal
// stripes (period 4); bottom left: an 8 x 8 checkerboard; bottom right: plain
// noise. A little noise on the first three keeps them from being perfectly
// regular, as real tissue never is.
int sampleAt(int x, int y, Noise& noise) {
    const int jitter = noise.next(17) - 8;
    if (y < kHalf && x < kHalf) return clampGrey(60 + triangle(y, 16, 140) + jitter);
    if (y < kHalf) return clampGrey(70 + triangle(x + y, 4, 120) + jitter);
    if (x < kHalf) return clampGrey(((x / 8 + y / 8) % 2 ? 170 : 90) + jitter);
    return 40 + noise.next(176);
}

// The four ROIs of a quarter: 40 x 40 squares at least 12 pixels from every
// texture border. ROI 4q+1 .. 4q+4 lie in quarter q (0 top left, 1 top
// right, 2 bottom left, 3 bottom right).
constexpr int kRoiSide = 40;
constexpr int kRoiOffsets[2] = {12, 76};

uint16_t roiWordAt(int x, int y) {
    const int quarter = (y >= kHalf ? 2 : 0) + (x >= kHalf ? 1 : 0);
    const int lx = x % kHalf, ly = y % kHalf;
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column)
            if (lx >= kRoiOffsets[column] && lx < kRoiOffsets[column] + kRoiSide &&
                ly >= kRoiOffsets[row] && ly < kRoiOffsets[row] + kRoiSide)
                return static_cast<uint16_t>(1u << (quarter * 4 + row * 2 + column));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: make_demo_image [folder]\n");
        return 2;
    }
    const std::string folder = argc == 2 ? std::string(argv[1]) + "/" : std::string();

    WorkspaceState state;
    state.GreyImage = newPlane(kSide, kSide);
    state.RoiMap = newPlane(kSide, kSide);
    if (!state.GreyImage || !state.RoiMap) return 1;
    Noise noise(20240611u);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            state.GreyImage->at(x, y) = static_cast<uint16_t>(sampleAt(x, y, noise));
            state.RoiMap->at(x, y) = roiWordAt(x, y);
        }
    state.BitDepth = 8;
    const char* const classes[4] = {"coarse_stripes", "fine_stripes", "checkerboard", "noise"};
    for (int roi = 0; roi < kRoiCount; ++roi)
        state.RoiNames[static_cast<size_t>(roi)] = classes[roi / 4];

    const std::string image = folder + "demo.bmp";
    const std::string rois = folder + "demo.roi";
    if (SaveImageFile(state, kSaveBitmap, image) != ImageSaveStatus::Ok) {
        std::fprintf(stderr, "make_demo_image: cannot write %s\n", image.c_str());
        return 1;
    }
    if (saveRoiFile(state, rois) != RoiFileStatus::Ok) {
        std::fprintf(stderr, "make_demo_image: cannot write %s\n", rois.c_str());
        return 1;
    }
    std::printf("Wrote %s and %s\n", image.c_str(), rois.c_str());
    return 0;
}
