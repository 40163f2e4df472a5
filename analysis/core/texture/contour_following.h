// The outer contour of a shape as an 8-connected chain, traced clockwise
// (on screen) from the first pixel in raster order.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/core/texture/shape_region.h"

struct ContourChain {
    std::vector<PixelPoint> pixels;  // the pixels visited, the start once
    int32_t straightSteps = 0;       // steps to a 4-neighbour
    int32_t diagonalSteps = 0;       // steps to a diagonal neighbour

    // The chain-code length: straight steps count 1, diagonal ones sqrt(2).
    double length() const;
};

// Moore-neighbour tracing of the part of the shape that holds its first
// pixel in raster order, ending when the start is entered the way it was
// left (so a one-pixel-wide line is walked there and back). A one-pixel
// shape gives a chain of one pixel and no steps; an empty shape no pixels.
ContourChain followContour(const ShapeRegion& region);
