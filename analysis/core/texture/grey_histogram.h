// The histogram of the raw samples of a region (one ROI, or every pixel of a
// window), over the 2^B grey levels of the image. The normalisation limits and
// the histogram features are read from it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"
#include "workspace/core/roi/roi_set.h"

struct GreyHistogram {
    std::vector<uint32_t> bins;  // 2^B bins; samples of B or more bits are counted but not binned
    int64_t count = 0;           // P: every pixel of the region
    int32_t first = 0;           // lowest and highest non-empty bin; first > last when none
    int32_t last = -1;

    int32_t levels() const { return static_cast<int32_t>(bins.size()); }
    // 2^B empty bins (B brought into 1..16).
    void reset(int32_t bitDepth);
    // Empties the bins, keeping their number; touches only the used range.
    void clear();
    // Counts one sample.
    void add(uint32_t sample) {
        ++count;
        if (sample >= bins.size()) return;
        ++bins[sample];
        const int32_t s = static_cast<int32_t>(sample);
        if (first > last) {
            first = last = s;
        } else {
            first = std::min(first, s);
            last = std::max(last, s);
        }
    }
};

// Mean and variance of the levels, each sample v counting as v + 1.
struct GreyMoments {
    double mean = 0;
    double variance = 0;
};
GreyMoments greyMoments(const GreyHistogram& histogram);

// Searches of the cumulative histogram C[i] = h[0] + ... + h[i]. Each call
// continues from where the previous one stopped: it returns the first i from
// there with C[i] >= threshold, or 2^B when the bins run out.
class CumulativeSearch {
  public:
    explicit CumulativeSearch(const GreyHistogram& histogram);
    int32_t next(double threshold);

  private:
    const GreyHistogram& histogram_;
    int32_t i_ = 0;
    uint64_t cumulative_ = 0;
};

// The histogram of one region: the pixels of rect that belong to roi (every
// pixel for kEveryPixel). The rectangle is clipped to the image.
void buildGreyHistogram(const TextureContext& context, const PixelRect& rect, int roi,
                        GreyHistogram& histogram);

// The histograms of all 16 ROIs, in one pass over the image.
std::array<GreyHistogram, kRoiCount> buildRoiHistograms(const TextureContext& context,
                                                        const RoiStatisticsTable& statistics);
