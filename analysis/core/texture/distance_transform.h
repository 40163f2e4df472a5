// The Euclidean distance transform of a shape: for every ROI pixel, the
// distance from its centre to the nearest pixel centre outside the ROI
// (holes and the empty frame count as outside), so a boundary pixel has 1.
#pragma once

#include <vector>

#include "analysis/core/texture/shape_region.h"

// One value per mask pixel, 0 outside the ROI. Exact (two passes of the lower
// envelope of parabolas, Felzenszwalb and Huttenlocher).
std::vector<double> distanceTransform(const ShapeRegion& region);
