// Co-occurrence features of windows that slide along a row of the image.
// A window of Mx x My pixels holds at most Mx * My pairs per displacement,
// so the matrix is kept sparse: the counts of the occupied cells with a
// bitmap of them, and the margins, sum and difference distributions and the
// integer cell sums that the features need, all updated pair by pair as
// columns of pairs leave and enter. The features come from the family's one
// evaluator of distributions (cooccurrence_features.h), as those of the
// window's matrix do.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/cooccurrence_features.h"

class SlidingCooccurrence {
  public:
    // levels: the requantised level of every pixel (width x height, each
    // below `levels`, 2..256); the window size and the displacement (the
    // partner of (x, y) is (x + dx, y - dy)).
    SlidingCooccurrence(const uint16_t* levels, int32_t width, int32_t height, int32_t levelCount,
                        int32_t windowWidth, int32_t windowHeight, Displacement displacement);

    // Places the window with its top-left pixel at (x0, y0) (the window lies
    // inside the image). Moving right along the same rows updates only the
    // columns of pairs that leave and enter; any other move starts afresh.
    void moveTo(int32_t x0, int32_t y0);

    // The features of the matrix of the current window. Features whose bit
    // (1 << k, k in the order of kCooccurrenceFeatureNames) is clear in
    // `wanted` may be left at 0 when that saves work.
    CooccurrenceFeatures evaluate(uint32_t wanted = kAllCooccurrenceFeatures) const;

  private:
    void reset();
    void addColumn(int32_t x, int sign);
    void count(uint32_t a, uint32_t b, int sign);

    const uint16_t* levels_;
    int32_t width_;
    int32_t g_;
    int shift_;
    int32_t windowWidth_, windowHeight_;
    Displacement d_;
    // Rows of the pixels whose partner lies in the window, relative to its top.
    int32_t rowFirst_, rowLast_;
    int32_t columnFirst_, columnLast_;  // likewise for columns
    double n_ = 0;                      // pairs counted twice, the same for every window
    std::vector<double> entropyTerms_;  // (c / N) log10 (c / N) for c = 0..N

    // The window the state describes; x0_ < 0 before the first move.
    int32_t x0_ = -1, y0_ = -1;

    std::vector<uint32_t> cells_;     // triangle cell [i][j], i <= j, at i * G + j
    std::vector<uint64_t> occupied_;  // bit i * G + j set while the cell is not 0
    std::vector<uint64_t> summary_;   // bit w set while word w of occupied_ is not 0
    std::array<int64_t, 256> margins_{};
    std::array<int64_t, 511> sums_{};
    std::array<int64_t, 256> differences_{};
    int64_t squares_ = 0;   // sum over the full matrix of M[i][j]^2
    int64_t products_ = 0;  // sum over the full matrix of (i + 1) (j + 1) M[i][j]
    // The distributions' moments (CooccurrenceDistributions).
    int64_t levelMoment_ = 0, sumMoment_ = 0, differenceMoment_ = 0, contrast_ = 0;
};
