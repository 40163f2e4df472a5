// Where a parametric map's windows lie and which pixels take each window's
// value. The leftover of the image that the steps do not cover is split
// around the grid, the smaller half first; each window's value is spread
// over a block of one step around its centre, the first block starting at
// the image's first pixel and the last one running to its edge, so that the
// blocks tile the whole map.
#pragma once

#include <cstdint>

// One axis of the grid (columns or rows).
struct MapGridAxis {
    int32_t extent = 0;  // image width (height)
    int32_t window = 1;  // Mx (My)
    int32_t step = 1;    // Sx (Sy)
    int32_t offset = 0;  // ox = ((W - Mx) mod Sx) / 2: first pixel of window 0
    int32_t centre = 0;  // cx' = (Mx + ((W - Mx) mod Sx)) / 2: centre of window 0
    int32_t count = 0;   // (W + Sx - Mx) / Sx windows; 0 when the window does not fit

    // First pixel of window k: ox + k * Sx.
    int32_t windowStart(int32_t k) const { return offset + k * step; }
    // Pixels [blockStart(k), blockEnd(k)) of the map take the value of window k:
    // from k * Sx + cx' - Sx / 2 to one step further, the first block from 0,
    // the last one to the edge.
    int32_t blockStart(int32_t k) const { return k == 0 ? 0 : k * step + centre - step / 2; }
    int32_t blockEnd(int32_t k) const {
        return k == count - 1 ? extent : (k + 1) * step + centre - step / 2;
    }
};

// The axis for an image extent, window size and step (window and step of at
// least 1; the options bring them into 5..64 and 1..64).
MapGridAxis mapGridAxis(int32_t extent, int32_t window, int32_t step);
