// The three orthogonal slices of the 3D view as textures: the display window
// from the two track bars, the texel colour of a voxel under the three
// colourings (grey, threshold band, VOI only) with the visible VOIs blended,
// the power-of-two texture of a slice and the quad it is drawn on, the volume
// centred at the origin and scaled by the voxel sizes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "volume/core/volume/volume3d.h"

enum class SliceAxis { X, Y, Z };
enum class SliceColouring { Grey = 1, Band = 2, VoiOnly = 3 };

struct DisplayWindow {
    int32_t low = 0, high = 65535;
};

// low = W0 + (W1 − W0)·(minMax − minPosition)/100,
// high = W0 + (maxMax − maxPosition)·(W1 − W0)/100, in integers.
DisplayWindow displayWindow(int32_t w0, int32_t w1, int minPosition, int minMax, int maxPosition,
                            int maxMax);

// The smallest power of two not below extent (at least 1, at most 2^15).
int32_t texturePowerOfTwo(int32_t extent);

// The colour of a voxel of grey v whose mask bits (already limited to the
// visible VOIs) are s: the VOIs in s add the per-channel sum of their
// colours divided by twice their number.
std::array<uint8_t, 3> texelColour(uint16_t v, uint16_t s, SliceColouring colouring,
                                   DisplayWindow window);

struct SliceTexture {
    int32_t width = 0, height = 0;  // powers of two
    int32_t across = 0, down = 0;   // the slice's extents
    std::vector<uint8_t> rgb;       // rows of 3·width bytes padded to 4
    size_t rowBytes() const { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }
};

// The texture of the slice at `position` (clamped into the axis): X slice z
// across and y down, Y slice x across and z down, Z slice x across and y down.
SliceTexture buildSliceTexture(const Volume3D& grey, const Volume3D& mask, SliceAxis axis,
                               int32_t position, uint16_t visible, SliceColouring colouring,
                               DisplayWindow window);

// The axis's extent: max width, max height or slice count.
int32_t sliceExtent(const Volume3D& volume, SliceAxis axis);

struct SliceQuad {
    std::array<std::array<double, 3>, 4> corners{};
    std::array<std::array<double, 2>, 4> texture{};
};
// The quad of the slice at `position` with texture coordinates (0, 0),
// (across/width, 0), (across/width, down/height), (0, down/height).
SliceQuad sliceQuad(const Volume3D& volume, SliceAxis axis, int32_t position,
                    const std::array<double, 3>& voxelSize, const SliceTexture& texture);
