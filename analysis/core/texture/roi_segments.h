// The ROI map cut into row segments of one ROI word. One-pass kernels walk
// the segments instead of testing the ROI word of every pixel: ROIs change
// rarely along a row, and the map stays the same for every displacement and
// direction of a family.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/core/texture/texture_context.h"

class RoiSegments {
  public:
    // The segments of every row of box (clipped to the image).
    RoiSegments(const TextureContext& context, const PixelRect& box);

    struct Segment {
        int32_t start;  // first column
        uint16_t word;  // ROI word of every pixel of the segment
    };
    // The segments of row y (box.ymin <= y <= box.ymax) in column order; the
    // last one ends at box.xmax.
    const Segment* begin(int32_t y) const { return segments_.data() + rows_[y - ymin_]; }
    const Segment* end(int32_t y) const { return segments_.data() + rows_[y - ymin_ + 1]; }
    const PixelRect& box() const { return box_; }

  private:
    PixelRect box_;
    int32_t ymin_ = 0;
    std::vector<Segment> segments_;
    std::vector<size_t> rows_;  // row r's segments are [rows_[r], rows_[r + 1])
};
