#include "analysis/core/texture/roi_segments.h"

#include "platform/parallel.h"

RoiSegments::RoiSegments(const TextureContext& context, const PixelRect& box)
    : box_(clipToImage(context, box)), ymin_(box_.ymin) {
    if (box_.empty() || !context.valid() || context.roiMap == nullptr) {
        box_ = PixelRect{};
        rows_.assign(1, 0);
        return;
    }
    // Bands of rows cut on all cores, then joined in row order.
    const size_t rows = static_cast<size_t>(box_.height());
    const size_t grain = parallelRowGrain(static_cast<size_t>(box_.width()));
    struct Band {
        std::vector<Segment> segments;
        std::vector<size_t> ends;  // per row, the end of its segments in the band
    };
    std::vector<Band> bands(parallelChunkCount(rows, grain));
    parallelFor(rows, grain, [&](size_t begin, size_t end) {
        Band& band = bands[begin / grain];
        band.ends.reserve(end - begin);
        for (size_t i = begin; i < end; ++i) {
            const int32_t y = box_.ymin + static_cast<int32_t>(i);
            const uint16_t* roi = context.roiMap + context.index(0, y);
            band.segments.push_back({box_.xmin, roi[box_.xmin]});
            for (int32_t x = box_.xmin + 1; x <= box_.xmax; ++x)
                if (roi[x] != roi[x - 1]) band.segments.push_back({x, roi[x]});
            band.ends.push_back(band.segments.size());
        }
    });
    size_t total = 0;
    for (const Band& band : bands) total += band.segments.size();
    segments_.reserve(total);
    rows_.reserve(rows + 1);
    rows_.push_back(0);
    for (const Band& band : bands) {
        const size_t offset = segments_.size();
        segments_.insert(segments_.end(), band.segments.begin(), band.segments.end());
        for (size_t end : band.ends) rows_.push_back(offset + end);
    }
}
