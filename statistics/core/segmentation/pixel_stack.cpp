#include "statistics/core/segmentation/pixel_stack.h"

bool PixelStack::start(int width, int height, int images) {
    clear();
    if (width < 1 || height < 1 || width > kMaxSegmentationSide || height > kMaxSegmentationSide ||
        images < 1 || images > kMaxSegmentationImages)
        return false;
    width_ = width;
    height_ = height;
    depth_ = images;
    vectors_.assign(pixelCount() * static_cast<size_t>(images), 0);
    return true;
}

void PixelStack::setImage(int d, std::span<const uint8_t> bgr, size_t rowStride) {
    const size_t depth = static_cast<size_t>(depth_);
    for (int y = 0; y < height_; ++y) {
        const uint8_t* row = bgr.data() + static_cast<size_t>(y) * rowStride;
        uint8_t* out = vectors_.data() + static_cast<size_t>(y) * width_ * depth + d;
        for (int x = 0; x < width_; ++x, row += 3, out += depth)
            *out = segmentationGrey(row[2], row[1], row[0]);
    }
}

void PixelStack::clear() {
    width_ = height_ = depth_ = 0;
    vectors_.clear();
    vectors_.shrink_to_fit();
}

std::vector<uint8_t> gatherRoiVectors(const PixelStack& stack, std::span<const uint8_t> mask) {
    std::vector<uint8_t> out;
    const size_t depth = static_cast<size_t>(stack.depth());
    const size_t pixels = std::min(mask.size(), stack.pixelCount());
    size_t count = 0;
    for (size_t p = 0; p < pixels; ++p) count += mask[p] != 0;
    out.reserve(count * depth);
    for (size_t p = 0; p < pixels; ++p)
        if (mask[p]) out.insert(out.end(), stack.vector(p), stack.vector(p) + depth);
    return out;
}
