#include "analysis/core/texture/grey_histogram.h"

#include <algorithm>
#include <bit>

void GreyHistogram::reset(int32_t bitDepth) {
    bins.assign(size_t{1} << usableBitDepth(bitDepth), 0);
    count = 0;
    first = 0;
    last = -1;
}

void GreyHistogram::clear() {
    if (first <= last) std::fill(bins.begin() + first, bins.begin() + last + 1, 0u);
    count = 0;
    first = 0;
    last = -1;
}

GreyMoments greyMoments(const GreyHistogram& histogram) {
    GreyMoments moments;
    if (histogram.count <= 0) return moments;
    const double p = static_cast<double>(histogram.count);
    double sum = 0;
    for (int32_t i = histogram.first; i <= histogram.last; ++i)
        sum += (i + 1.0) * histogram.bins[i];
    moments.mean = sum / p;
    double squares = 0;
    for (int32_t i = histogram.first; i <= histogram.last; ++i) {
        const double d = i + 1.0 - moments.mean;
        squares += d * d * histogram.bins[i];
    }
    moments.variance = squares / p;
    return moments;
}

CumulativeSearch::CumulativeSearch(const GreyHistogram& histogram) : histogram_(histogram) {
    // Below the first non-empty bin C is 0, under every positive threshold.
    if (histogram.first <= histogram.last) {
        i_ = histogram.first;
        cumulative_ = histogram.bins[i_];
    } else {
        i_ = histogram.levels();
    }
}

int32_t CumulativeSearch::next(double threshold) {
    const int32_t levels = histogram_.levels();
    while (i_ < levels && static_cast<double>(cumulative_) < threshold) {
        ++i_;
        if (i_ < levels) cumulative_ += histogram_.bins[i_];
    }
    return i_;
}

void buildGreyHistogram(const TextureContext& context, const PixelRect& rect, int roi,
                        GreyHistogram& histogram) {
    if (histogram.bins.size() != (size_t{1} << usableBitDepth(context.BitDepth)))
        histogram.reset(context.BitDepth);
    else
        histogram.clear();
    if (!context.valid()) return;
    const PixelRect r = clipToImage(context, rect);
    for (int32_t y = r.ymin; y <= r.ymax; ++y)
        for (int32_t x = r.xmin; x <= r.xmax; ++x) {
            const size_t idx = context.index(x, y);
            if (inRegion(context, idx, roi)) histogram.add(context.samples[idx]);
        }
}

std::array<GreyHistogram, kRoiCount> buildRoiHistograms(const TextureContext& context,
                                                        const RoiStatisticsTable& statistics) {
    std::array<GreyHistogram, kRoiCount> histograms;
    for (GreyHistogram& h : histograms) h.reset(context.BitDepth);
    if (!context.valid() || context.roiMap == nullptr) return histograms;
    const PixelRect box = clipToImage(context, unionOfRoiBoxes(statistics));
    const uint32_t levels = static_cast<uint32_t>(histograms[0].bins.size());
    std::array<uint32_t*, kRoiCount> bins;
    for (int r = 0; r < kRoiCount; ++r) bins[r] = histograms[r].bins.data();
    for (int32_t y = box.ymin; y <= box.ymax; ++y) {
        const size_t row = context.index(0, y);
        for (int32_t x = box.xmin; x <= box.xmax; ++x) {
            uint32_t roiBits = context.roiMap[row + x];
            const uint32_t v = context.samples[row + x];
            if (roiBits == 0 || v >= levels) continue;
            do {
                ++bins[std::countr_zero(roiBits)][v];
                roiBits &= roiBits - 1;
            } while (roiBits != 0);
        }
    }
    for (int r = 0; r < kRoiCount; ++r) {
        GreyHistogram& h = histograms[r];
        h.count = statistics[r].count;
        if (h.count <= 0) continue;
        // The sample range bounds the non-empty bins; samples past the bins are not there.
        int32_t first = std::min<int32_t>(statistics[r].smallest, h.levels());
        int32_t last = std::min<int32_t>(statistics[r].largest, h.levels() - 1);
        while (first <= last && h.bins[first] == 0) ++first;
        while (last >= first && h.bins[last] == 0) --last;
        h.first = first <= last ? first : 0;
        h.last = first <= last ? last : -1;
    }
    return histograms;
}
