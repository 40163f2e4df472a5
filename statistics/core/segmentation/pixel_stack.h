// The image stack of the segmentation module: D grey images of one scene,
// W x H each, stored as one vector of D bytes per pixel (pixel index
// y * W + x, rows top to bottom), so that the clustering reads each pixel's
// vector from one place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

inline constexpr int kMaxSegmentationImages = 50;
inline constexpr int kMaxSegmentationSide = 512;

inline constexpr std::string_view kTooManyImagesWarning =
    "Too many images! Only first 50 images will be analysed.";
inline constexpr std::string_view kImageSizeMismatchMessage =
    "Images sizes do not match or exceed limits (512 x 512)!";

// The grey level of a 24-bit colour: round((114 B + 587 G + 299 R) / 1000),
// an exact half rounded up. White gives 255, pure red 76, pure green 150,
// pure blue 29.
inline uint8_t segmentationGrey(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint8_t>((114u * blue + 587u * green + 299u * red + 500u) / 1000u);
}

class PixelStack {
  public:
    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    size_t pixelCount() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_); }
    bool empty() const { return depth_ == 0; }

    // Starts a stack of `images` images of width x height (1..512 each side,
    // 1..50 images); false, leaving the stack empty, outside those limits.
    bool start(int width, int height, int images);
    // Stores image d (0-based) from 24-bit pixels given as rows top to bottom,
    // each pixel blue, green, red (rowStride bytes apart).
    void setImage(int d, std::span<const uint8_t> bgr, size_t rowStride);
    void clear();

    // The D bytes of pixel p.
    const uint8_t* vector(size_t p) const {
        return vectors_.data() + p * static_cast<size_t>(depth_);
    }
    uint8_t grey(size_t p, int d) const { return vectors_[p * static_cast<size_t>(depth_) + d]; }
    std::span<const uint8_t> vectors() const { return vectors_; }

  private:
    int width_ = 0, height_ = 0, depth_ = 0;
    std::vector<uint8_t> vectors_;
};

// The rows of the stack's pixels whose mask byte is non-zero, in pixel-index
// order (the vectors a "ROI only" run clusters).
std::vector<uint8_t> gatherRoiVectors(const PixelStack& stack, std::span<const uint8_t> mask);
