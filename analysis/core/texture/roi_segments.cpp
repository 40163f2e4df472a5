#include "analysis/core/texture/roi_segments.h"

RoiSegments::RoiSegments(const TextureContext& context, const PixelRect& box)
    : box_(clipToImage(context, box)), ymin_(box_.ymin) {
    if (box_.empty() || !context.valid() || context.roiMap == nullptr) {
        box_ = PixelRect{};
        rows_.assign(1, 0);
        return;
    }
    rows_.reserve(static_cast<size_t>(box_.height()) + 1);
    rows_.push_back(0);
    for (int32_t y = box_.ymin; y <= box_.ymax; ++y) {
        const uint16_t* roi = context.roiMap + context.index(0, y);
        segments_.push_back({box_.xmin, roi[box_.xmin]});
        for (int32_t x = box_.xmin + 1; x <= box_.xmax; ++x)
            if (roi[x] != roi[x - 1]) segments_.push_back({x, roi[x]});
        rows_.push_back(segments_.size());
    }
}
