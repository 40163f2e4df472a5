// Writes the demo of examples/: demo.bmp, an 8-bit grey 256 x 256 test image
// of four textures (one per quarter), and demo.roi, four named ROIs, one
// inside each texture. Everything comes from integer arithmetic and a fixed
// seed, so every run writes the same bytes on every machine.
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

bool inDisc(int x, int y, int cx, int cy, int r) {
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

// ROI 1..4, one inside each quarter, with a margin so that no ROI touches a
// texture border: discs in the top left and bottom left, squares elsewhere.
uint16_t roiWordAt(int x, int y) {
    if (inDisc(x, y, 64, 64, 48)) return 1u << 0;
    if (x >= 144 && x < 240 && y >= 16 && y < 112) return 1u << 1;
    if (inDisc(x, y, 64, 192, 48)) return 1u << 2;
    if (x >= 152 && x < 232 && y >= 152 && y < 232) return 1u << 3;
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
    state.GreyImage = NewPlane(kSide, kSide);
    state.RoiMap = NewPlane(kSide, kSide);
    if (!state.GreyImage || !state.RoiMap) return 1;
    Noise noise(20240611u);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            state.GreyImage->at(x, y) = static_cast<uint16_t>(sampleAt(x, y, noise));
            state.RoiMap->at(x, y) = roiWordAt(x, y);
        }
    state.BitDepth = 8;
    state.RoiNames[0] = "coarse_stripes";
    state.RoiNames[1] = "fine_stripes";
    state.RoiNames[2] = "checkerboard";
    state.RoiNames[3] = "noise";

    const std::string image = folder + "demo.bmp";
    const std::string rois = folder + "demo.roi";
    if (SaveImageFile(state, kSaveBitmap, image) != ImageSaveStatus::Ok) {
        std::fprintf(stderr, "make_demo_image: cannot write %s\n", image.c_str());
        return 1;
    }
    if (SaveRoiFile(state, rois) != RoiFileStatus::Ok) {
        std::fprintf(stderr, "make_demo_image: cannot write %s\n", rois.c_str());
        return 1;
    }
    std::printf("Wrote %s and %s\n", image.c_str(), rois.c_str());
    return 0;
}
