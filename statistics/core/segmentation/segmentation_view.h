// The picture of the segmentation window's work area: the shown image of the
// stack in grey with the ROI or the segments laid over it. Pictures are
// W x H pixels of three bytes, blue, green, red (rows top to bottom).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "statistics/core/segmentation/pixel_stack.h"

// The ROI colour in 0x00BBGGRR form; a pixel is in the ROI when its green
// byte is non-zero.
inline constexpr uint32_t kSegmentationRoiColour = 0x00CC33;

// a + floor((b − a)·alpha / 256): stays in 0..255 for alpha in 0..255.
inline uint8_t BlendChannel(uint8_t a, uint8_t b, int alpha) {
    const int difference = (static_cast<int>(b) - static_cast<int>(a)) * alpha;
    // floor division, also for a negative difference
    const int step = difference >= 0 ? difference / 256 : -((-difference + 255) / 256);
    return static_cast<uint8_t>(a + step);
}

struct SegmentationViewFlags {
    bool image = false;
    bool roi = false;
    bool segments = false;
};

// The composed picture (3·W·H bytes), or an empty one when no check box is on:
// - image on: the grey of image `shown` in all three channels; with segments,
//   each channel blended towards the segments picture by `transparency` where
//   that is not black; with the ROI, towards the ROI picture by 2 × its red
//   byte;
// - image off: the segments or ROI picture unchanged.
std::vector<uint8_t> ComposeSegmentationView(const PixelStack& stack, int shown,
                                             std::span<const uint8_t> roi,
                                             std::span<const uint8_t> segments,
                                             const SegmentationViewFlags& flags, int transparency);

// The mask of a ROI picture: 1 where the green byte is non-zero.
std::vector<uint8_t> segmentationRoiMask(std::span<const uint8_t> roi);

// The segments picture: every analysed pixel in its segment's colour, the
// rest black. Whole image: labels[p] for every pixel; ROI: the labels of the
// mask's pixels in pixel-index order.
std::vector<uint8_t> paintSegments(int width, int height, std::span<const int32_t> labels,
                                   std::span<const uint8_t> mask = {});
