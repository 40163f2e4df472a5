// The grey-level histogram of one ROI as the histogram window shows it: 256
// bins of sample >> (depth - 8), the count of every single sample value for
// the scale, and the smallest and largest sample inside the ROI.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "workspace/core/roi/roi_set.h"

struct RoiHistogram {
    std::array<uint32_t, 256> bins{};
    uint32_t largestValueCount = 0;  // M: the count of the most frequent single value
    int32_t minLum = 0;              // smallest and largest sample inside the ROI
    int32_t maxLum = 0;
    uint32_t pixels = 0;
    int32_t depth = 8;  // the bit depth the bins were made with, 8..16
};

// Counts the samples whose ROI word has bit `roi` - 1 set (roi 1..16).
// `bitDepth` is clamped to 8..16 and a bin index beyond 255 (a depth that
// no longer fits the image) is held at 255.
RoiHistogram computeRoiHistogram(const uint16_t* grey, const uint16_t* roiMap, size_t count,
                                 int roi, int32_t bitDepth);

// Height of a bar in pixels: count x 100 / (2^(d-8) x M), rounded.
int histogramBarHeight(uint32_t count, int32_t depth, uint32_t largestValueCount);

// Labels of the x axis: "1", 2^(d-1) and 2^d (luminances count from 1).
std::array<std::string, 3> histogramXLabels(int32_t depth);

// The ROIs that get a tab: those with pixels, in ROI order (numbers 1..16).
std::vector<int> histogramTabRois(const std::array<uint32_t, kRoiCount>& roiPixelCount);

// Index of the tab to select: the previously selected ROI's when it still
// has a tab, else the first (0); -1 when there are no tabs.
int histogramSelectedTab(const std::vector<int>& tabRois, int previousRoi);
