// One ROI as a shape: a byte mask of its bounding box with an empty frame of
// one pixel on every side, its centroid, its holes and its boundary pixels.
// Every shape measure starts from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A pixel position in image coordinates (x column, y row).
struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct ShapeRegion {
    int32_t width = 0;  // mask size, frame included
    int32_t height = 0;
    int32_t originX = 0;  // image position of mask pixel (0, 0)
    int32_t originY = 0;
    std::vector<uint8_t> inside;  // 1 for a pixel of the ROI
    std::vector<uint8_t> hole;    // 1 for a background pixel the outside fill cannot reach
    int64_t count = 0;            // A: pixels of the ROI
    double centroidX = 0;         // mean column and row of the ROI's pixels
    double centroidY = 0;
    int32_t holes = 0;       // 4-connected groups of hole pixels
    int64_t holePixels = 0;  // pixels in them
    // ROI pixels with at least one 4-neighbour outside the ROI, raster order.
    std::vector<PixelPoint> boundary;

    bool empty() const { return count == 0; }
    size_t index(int32_t mx, int32_t my) const {
        return static_cast<size_t>(my) * static_cast<size_t>(width) + static_cast<size_t>(mx);
    }
    // Whether the image pixel (x, y) is in the ROI; false outside the mask.
    bool contains(int32_t x, int32_t y) const {
        const int32_t mx = x - originX;
        const int32_t my = y - originY;
        return mx >= 0 && my >= 0 && mx < width && my < height && inside[index(mx, my)] != 0;
    }
};

// The shape of ROI `roi` (0..15) of a width x height ROI map. The background
// is filled 4-connected from the mask's corner with an explicit stack that
// grows as needed; background pixels it does not reach are holes. An empty
// ROI gives an empty shape.
ShapeRegion buildShapeRegion(const uint16_t* roiMap, int32_t width, int32_t height, int roi);

// The same from a mask of the given size (1 = ROI), for tests and tools.
ShapeRegion shapeRegionFromMask(const std::vector<uint8_t>& mask, int32_t width, int32_t height);
