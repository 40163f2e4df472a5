// The autoregressive fit as a plain per-pixel loop, for tests and benchmarks
// that compare the fast passes with it.
#pragma once

#include <cstdint>

#include "analysis/core/texture/ar_model.h"

// Membership tested at every neighbour, every standardised level divided
// afresh, every sum taken pixel after pixel in raster order: the model as
// defined, which fitArModel meets to rounding.
ArValues plainArFit(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit, int32_t xmin,
                    int32_t ymin, int32_t xmax, int32_t ymax);
