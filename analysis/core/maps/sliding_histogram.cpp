#include "analysis/core/maps/sliding_histogram.h"

#include <algorithm>
#include <cmath>

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
        levelSum_ += int64_t{v} + 1;
    }
}

void SlidingHistogram::removeColumn(int32_t x) {
    for (int32_t y = y0_; y < y0_ + windowHeight_; ++y) {
        const uint16_t v =
            samples_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
        sorted_.erase(std::lower_bound(sorted_.begin(), sorted_.end(), v));
        levelSum_ -= int64_t{v} + 1;
    }
}

void SlidingHistogram::moveTo(int32_t x0, int32_t y0) {
    if (x0_ < 0 || y0 != y0_ || x0 < x0_ || x0 >= x0_ + windowWidth_) {
        sorted_.clear();
        levelSum_ = 0;
        y0_ = y0;
        for (int32_t y = y0; y < y0 + windowHeight_; ++y) {
            const uint16_t* row = samples_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
            for (int32_t x = x0; x < x0 + windowWidth_; ++x) {
                sorted_.push_back(row[x]);
                levelSum_ += int64_t{row[x]} + 1;
            }
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
    // The sums of histogramFeatures over the bins first..last: the level sum
    // is an integer and exact in any order; the others run over the occupied
    // levels in ascending order (an empty bin adds +0).
    std::array<double, kHistogramRecordCount> f{};
    if (sorted_.empty()) return f;
    const double p = static_cast<double>(sorted_.size());
    const double mean = static_cast<double>(levelSum_) / p;
    double squares = 0;
    for (size_t k = 0; k < sorted_.size();) {
        const uint16_t v = sorted_[k];
        size_t e = k + 1;
        while (e < sorted_.size() && sorted_[e] == v) ++e;
        const double d = v + 1.0 - mean;
        squares += d * d * static_cast<double>(static_cast<uint32_t>(e - k));
        k = e;
    }
    const double variance = squares / p;
    f[0] = mean;
    f[1] = variance;
    if (variance != 0) {
        double cubes = 0, fourths = 0;
        for (size_t k = 0; k < sorted_.size();) {
            const uint16_t v = sorted_[k];
            size_t e = k + 1;
            while (e < sorted_.size() && sorted_[e] == v) ++e;
            const double count = static_cast<double>(static_cast<uint32_t>(e - k));
            const double d = v + 1.0 - mean;
            const double d2 = d * d;
            cubes += d2 * d * count;
            fourths += d2 * d2 * count;
            k = e;
        }
        f[2] = cubes / std::sqrt(variance * variance * variance) / p;
        f[3] = fourths / (variance * variance) / p - 3;
    }
    // The first level whose cumulative count reaches t holds the sample of
    // rank ceil(t).
    const double thresholds[] = {0.01 * p, 0.1 * p, 0.5 * p, p - 0.1 * p, p - 0.01 * p};
    for (int k = 0; k < 5; ++k) {
        const double rank = std::clamp(std::ceil(thresholds[k]), 1.0, p);
        f[4 + static_cast<size_t>(k)] = sorted_[static_cast<size_t>(rank) - 1] + 1.0;
    }
    return f;
}
