#include "analysis/core/maps/sliding_histogram.h"

#include <algorithm>

SlidingHistogram::SlidingHistogram(const uint16_t* samples, int32_t width, int32_t windowWidth,
                                   int32_t windowHeight)
    : samples_(samples), width_(width), windowWidth_(windowWidth), windowHeight_(windowHeight) {
    sorted_.reserve(static_cast<size_t>(windowWidth) * static_cast<size_t>(windowHeight));
}

void SlidingHistogram::insertColumn(int32_t x) {
    for (int32_t y = y0_; y < y0_ + windowHeight_; ++y) {
        const uint16_t v =
            samples_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
        sorted_.insert(std::upper_bound(sorted_.begin(), sorted_.end(), v), v);
    }
}

void SlidingHistogram::removeColumn(int32_t x) {
    for (int32_t y = y0_; y < y0_ + windowHeight_; ++y) {
        const uint16_t v =
            samples_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
        sorted_.erase(std::lower_bound(sorted_.begin(), sorted_.end(), v));
    }
}

void SlidingHistogram::moveTo(int32_t x0, int32_t y0) {
    if (x0_ < 0 || y0 != y0_ || x0 < x0_ || x0 >= x0_ + windowWidth_) {
        sorted_.clear();
        y0_ = y0;
        for (int32_t y = y0; y < y0 + windowHeight_; ++y) {
            const uint16_t* row = samples_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
            for (int32_t x = x0; x < x0 + windowWidth_; ++x) sorted_.push_back(row[x]);
        }
        std::sort(sorted_.begin(), sorted_.end());
        x0_ = x0;
        return;
    }
    for (int32_t x = x0_; x < x0; ++x) removeColumn(x);
    for (int32_t x = x0_ + windowWidth_; x < x0 + windowWidth_; ++x) insertColumn(x);
    x0_ = x0;
}

std::array<double, kHistogramRecordCount> SlidingHistogram::evaluate() const {
    // The occupied levels in ascending order are the runs of equal samples.
    return histogramFeaturesOf(
        [this](auto visit) {
            for (size_t k = 0; k < sorted_.size();) {
                const uint16_t v = sorted_[k];
                size_t e = k + 1;
                while (e < sorted_.size() && sorted_[e] == v) ++e;
                visit(v, static_cast<double>(static_cast<uint32_t>(e - k)));
                k = e;
            }
        },
        static_cast<int64_t>(sorted_.size()), 65536);
}
