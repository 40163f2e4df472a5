#include "workspace/core/image/roi_histogram.h"

#include <algorithm>
#include <cmath>

RoiHistogram computeRoiHistogram(const uint16_t* grey, const uint16_t* roiMap, size_t count,
                                 int roi, int32_t bitDepth) {
    RoiHistogram h;
    h.depth = std::clamp(bitDepth, 8, 16);
    if (roi < 1 || roi > kRoiCount || !grey || !roiMap) return h;
    const uint16_t mask = static_cast<uint16_t>(1u << (roi - 1));
    const int shift = h.depth - 8;
    std::vector<uint32_t> values(65536, 0);
    int32_t lo = 65535;
    int32_t hi = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!(roiMap[i] & mask)) continue;
        const uint16_t s = grey[i];
        ++values[s];
        ++h.bins[std::min<size_t>(s >> shift, 255)];
        lo = std::min<int32_t>(lo, s);
        hi = std::max<int32_t>(hi, s);
        ++h.pixels;
    }
    if (h.pixels == 0) return h;
    h.minLum = lo;
    h.maxLum = hi;
    h.largestValueCount = *std::max_element(values.begin() + lo, values.begin() + hi + 1);
    return h;
}

int histogramBarHeight(uint32_t count, int32_t depth, uint32_t largestValueCount) {
    if (largestValueCount == 0) return 0;
    // h = count x 100 / (2^(d-8) x M)
    const double scale =
        std::ldexp(static_cast<double>(largestValueCount), std::clamp(depth, 8, 16) - 8);
    return static_cast<int>(std::lround(count * 100.0 / scale));
}

std::vector<int> histogramTabRois(const std::array<uint32_t, kRoiCount>& roiPixelCount) {
    std::vector<int> rois;
    for (int k = 0; k < kRoiCount; ++k)
        if (roiPixelCount[static_cast<size_t>(k)] > 0) rois.push_back(k + 1);
    return rois;
}

int histogramSelectedTab(const std::vector<int>& tabRois, int previousRoi) {
    if (tabRois.empty()) return -1;
    const auto it = std::find(tabRois.begin(), tabRois.end(), previousRoi);
    return it == tabRois.end() ? 0 : static_cast<int>(it - tabRois.begin());
}

std::array<std::string, 3> histogramXLabels(int32_t depth) {
    const int d = std::clamp(depth, 8, 16);
    return {"1", std::to_string(1 << (d - 1)), std::to_string(1 << d)};
}
