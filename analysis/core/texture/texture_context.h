// What the texture families read: the grey image, the ROI map and the image's
// range. The 2D run fills it from the workspace; the feature maps use the same
// context with windows instead of ROIs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "workspace/core/image/image_plane.h"

struct TextureContext {
    const uint16_t* samples = nullptr;  // sample (x, y) at x + y * width
    const uint16_t* roiMap = nullptr;   // bit k: the pixel is in ROI k+1; may be null for maps
    int32_t width = 0;
    int32_t height = 0;
    int32_t ImageMax = 0;
    int32_t ImageMin = 0;
    int32_t BitDepth = 8;  // B: the samples use B bits

    size_t index(int32_t x, int32_t y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
    }
    bool valid() const { return samples != nullptr && width > 0 && height > 0; }
};

// Selects every pixel of a rectangle instead of the pixels of one ROI.
inline constexpr int kEveryPixel = -1;

// Whether pixel idx belongs to the region "ROI roi" (0..15) or, for
// kEveryPixel, to any region at all.
inline bool inRegion(const TextureContext& context, size_t idx, int roi) {
    if (roi < 0) return true;
    return context.roiMap != nullptr && ((context.roiMap[idx] >> roi) & 1u) != 0;
}

// The bit depth used for shifts and histogram sizes; a value outside 1..16
// cannot come from a loaded image and is brought into range so that no shift
// is undefined.
inline int32_t usableBitDepth(int32_t bitDepth) {
    return std::clamp(bitDepth, 1, 16);
}

// An inclusive rectangle of pixels; empty when xmin > xmax or ymin > ymax.
struct PixelRect {
    int32_t xmin = 0;
    int32_t ymin = 0;
    int32_t xmax = -1;
    int32_t ymax = -1;

    bool empty() const { return xmin > xmax || ymin > ymax; }
    int32_t width() const { return empty() ? 0 : xmax - xmin + 1; }
    int32_t height() const { return empty() ? 0 : ymax - ymin + 1; }
};

// The part of rect that lies inside the image.
inline PixelRect clipToImage(const TextureContext& context, PixelRect rect) {
    rect.xmin = std::max(rect.xmin, 0);
    rect.ymin = std::max(rect.ymin, 0);
    rect.xmax = std::min(rect.xmax, context.width - 1);
    rect.ymax = std::min(rect.ymax, context.height - 1);
    return rect;
}

// The context of the workspace's planes. Planes of different sizes (which the
// workspace never makes) give an empty context, so nothing is read out of bounds.
TextureContext textureContext(const ImagePlane& grey, const ImagePlane& roiMap, int32_t ImageMax,
                              int32_t ImageMin, int32_t BitDepth);
