// Histogram features of windows that slide along a row of the image. The
// window's samples are kept sorted, so the occupied levels come in ascending
// order without visiting the 2^B bins of the image's depth; the family's one
// evaluator (histogramFeaturesOf) reads them as it reads the histogram of the
// same window.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/core/texture/histogram_features.h"

class SlidingHistogram {
  public:
    // samples: width x height; every sample must lie below 2^B (the caller
    // checks), as the histogram of the image would bin it.
    SlidingHistogram(const uint16_t* samples, int32_t width, int32_t windowWidth,
                     int32_t windowHeight);

    // Places the window with its top-left pixel at (x0, y0); moving right
    // along the same rows replaces only the columns that leave and enter.
    void moveTo(int32_t x0, int32_t y0);

    std::array<double, kHistogramRecordCount> evaluate() const;

  private:
    void insertColumn(int32_t x);
    void removeColumn(int32_t x);

    const uint16_t* samples_;
    int32_t width_;
    int32_t windowWidth_, windowHeight_;
    int32_t x0_ = -1, y0_ = -1;
    std::vector<uint16_t> sorted_;
};
