// Thinning of a shape to its skeleton (Zhang and Suen's two-step parallel
// thinning), and the skeleton's end and branch points.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/core/texture/shape_region.h"

inline constexpr int kMaxThinningPasses = 2048;

struct Skeleton {
    int32_t width = 0;  // the shape's mask size and origin
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // 1 on the skeleton
    int32_t passes = 0;           // passes run (each both sub-steps)
    int64_t count = 0;            // skeleton pixels
    int64_t endPoints = 0;        // skeleton pixels with exactly one skeleton 8-neighbour
    int64_t branchPoints = 0;     // skeleton pixels with three or more 0 -> 1 changes around them
};

// Repeats the pass until it removes nothing or kMaxThinningPasses passes ran.
// A pass visits only pixels on the current border, so a large shape costs
// about as much as one scan of its area.
Skeleton thinShape(const ShapeRegion& region);
