#include "statistics/core/segmentation/segmentation_view.h"

#include <algorithm>

#include "statistics/core/segmentation/segmentation_report.h"

std::vector<uint8_t> ComposeSegmentationView(const PixelStack& stack, int shown,
                                             std::span<const uint8_t> roi,
                                             std::span<const uint8_t> segments,
                                             const SegmentationViewFlags& flags, int transparency) {
    const size_t pixels = stack.pixelCount();
    const size_t bytes = 3 * pixels;
    const bool haveRoi = roi.size() >= bytes, haveSegments = segments.size() >= bytes;
    if (!flags.image) {
        if (flags.segments && haveSegments) return {segments.begin(), segments.begin() + bytes};
        if (flags.roi && haveRoi) return {roi.begin(), roi.begin() + bytes};
        if (flags.segments || flags.roi) return std::vector<uint8_t>(bytes, 0);
        return {};
    }
    std::vector<uint8_t> picture(bytes);
    const int image = std::clamp(shown, 0, std::max(stack.depth() - 1, 0));
    for (size_t p = 0; p < pixels; ++p) {
        const uint8_t g = stack.empty() ? 0 : stack.grey(p, image);
        picture[3 * p] = picture[3 * p + 1] = picture[3 * p + 2] = g;
    }
    const int alphaSegments = std::clamp(transparency, 0, 255);
    if (flags.segments && haveSegments) {
        for (size_t p = 0; p < pixels; ++p) {
            const uint8_t* s = segments.data() + 3 * p;
            const int alpha = (s[0] | s[1] | s[2]) ? alphaSegments : 0;
            for (int c = 0; c < 3; ++c)
                picture[3 * p + c] = BlendChannel(picture[3 * p + c], s[c], alpha);
        }
    } else if (flags.roi && haveRoi) {
        for (size_t p = 0; p < pixels; ++p) {
            const uint8_t* r = roi.data() + 3 * p;
            // A loaded ROI picture may be any colour: the weight is capped so
            // that the blend stays within the channel's range.
            const int alpha = std::min(255, 2 * r[2]);
            for (int c = 0; c < 3; ++c)
                picture[3 * p + c] = BlendChannel(picture[3 * p + c], r[c], alpha);
        }
    }
    return picture;
}

std::vector<uint8_t> segmentationRoiMask(std::span<const uint8_t> roi) {
    std::vector<uint8_t> mask(roi.size() / 3);
    for (size_t p = 0; p < mask.size(); ++p) mask[p] = roi[3 * p + 1] != 0;
    return mask;
}

std::vector<uint8_t> paintSegments(int width, int height, std::span<const int32_t> labels,
                                   std::span<const uint8_t> mask) {
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint8_t> picture(3 * pixels, 0);
    auto paint = [&](size_t p, int32_t label) {
        if (label < 0 || label >= static_cast<int32_t>(SegmentColours.size())) return;
        const uint32_t colour = SegmentColours[static_cast<size_t>(label)];
        picture[3 * p] = static_cast<uint8_t>(colour >> 16);     // blue
        picture[3 * p + 1] = static_cast<uint8_t>(colour >> 8);  // green
        picture[3 * p + 2] = static_cast<uint8_t>(colour);       // red
    };
    if (mask.empty()) {
        for (size_t p = 0; p < pixels && p < labels.size(); ++p) paint(p, labels[p]);
    } else {
        size_t next = 0;
        for (size_t p = 0; p < pixels && p < mask.size(); ++p)
            if (mask[p] && next < labels.size()) paint(p, labels[next++]);
    }
    return picture;
}
