// "Flood Fill 3D": a region grown 6-connected from a seed voxel through the
// voxels with the seed's visible VOI bits and the seed's grey class, written
// into the VOI mask with a draw mode; and the seed picked from a click on one
// of the displayed slices.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "volume/core/shapes/shape_matrix.h"
#include "volume/core/volume/draw_mode.h"
#include "volume/core/volume/volume3d.h"

// Pending voxels are packed into 32 bits: x in bits 0..10, y in bits 11..21,
// z in bits 22..31, so a region is grown within x, y < 2048 and z < 1024.
inline constexpr int32_t kGrowMaxX = 2048;
inline constexpr int32_t kGrowMaxY = 2048;
inline constexpr int32_t kGrowMaxZ = 1024;

inline constexpr uint32_t packVoxel(int32_t x, int32_t y, int32_t z) {
    return static_cast<uint32_t>(x) | (static_cast<uint32_t>(y) << 11) |
           (static_cast<uint32_t>(z) << 22);
}
struct PackedVoxel {
    int32_t x = 0, y = 0, z = 0;
};
inline constexpr PackedVoxel unpackVoxel(uint32_t v) {
    return {static_cast<int32_t>(v & 0x7FF), static_cast<int32_t>((v >> 11) & 0x7FF),
            static_cast<int32_t>(v >> 22)};
}

// How grey values are compared (the slice colouring of the view).
enum class GreyTest : int32_t {
    Grey = 1,  // the rescaled grey value
    Band = 2,  // below, inside or above the window
    None = 3,  // no grey test
};

// The test of one fill: the image volume and its window.
struct GreyClassifier {
    const Volume3D* image = nullptr;
    int32_t low = 0;
    int32_t high = 0;
    GreyTest mode = GreyTest::Grey;
};

// The class of voxel (x, y, z), g = Volume3DGetVoxel of the image:
//   Grey: clamp(mulDiv(g - low, 65536, high - low), 0, 65535); with high = low
//         there is no scale: 0 below the limit, 65535 from it on;
//   Band: low < high: 65535 if g > high, 0 if g < low, else 32767;
//         otherwise:  65535 if g < high, 0 if g > low, else 32767;
//   None: 32767.
uint16_t GreyClass(const GreyClassifier& test, int32_t x, int32_t y, int32_t z);

enum class GrowResult {
    Filled,       // the region is in the mask
    Unchanged,    // no image or mask, a seed outside, or a fill that changes nothing
    OutOfMemory,  // the pending stack could not grow: the region is incomplete
};

// The pending voxels (growable), and the largest number held at once.
struct GrowStack {
    std::vector<uint32_t> entries;
    size_t peak = 0;
};

// Grows from (x, y, z): the pattern P = visible & mask(seed) and the class
// C = GreyClass(seed); a 6-neighbour joins when its mask voxel exists,
// (visible & its mask) = P and its class is C. Every voxel joining becomes
// mode.apply(m) at once, so it is never taken twice. The pending voxels sit
// on a growable stack, one per stretch of a row still to be spread along x,
// so no size limit can cut a region short; when memory runs out the result
// is OutOfMemory, never Filled. Nothing happens when the fill would leave P
// as it is. Extents: min(max width, 2048), min(max height, 2048),
// min(slice count, 1024) of the image. `stack` (optional) returns the peak.
GrowResult RegionGrow3D(const GreyClassifier& test, Volume3D& mask, int32_t x, int32_t y, int32_t z,
                        DrawMode mode, uint16_t visibleBits, GrowStack* stack = nullptr);

// The view, its displayed slices and the click, for picking the seed.
struct SeedPick {
    Matrix16 view{};                    // ViewMatrix (rotation and translation)
    int32_t viewportWidth = 1;          // pixels
    double mouseX = 0;                  // from the viewport centre, right positive
    double mouseY = 0;                  // from the viewport centre, up positive
    std::array<bool, 3> shown{};        // X, Y, Z slice shown
    std::array<int32_t, 3> position{};  // X, Y, Z slice index
};

// The seed voxel of a click: the ray from the eye with slope 0.333 / width
// per pixel meets the planes of the shown slices; the nearest meeting in
// front of the eye whose voxel lies inside the volume wins. The voxel index
// is floor(scene / s + extent / 2), which is the shown slice itself on its
// own plane. False when no shown slice is met inside the volume.
bool pickSeed(const SeedPick& pick, const VolumeFrame& frame, PackedVoxel& seed);
