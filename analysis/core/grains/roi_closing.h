// The morphological closing that joins the grains of the ROI map: c dilation
// rounds, then c erosion rounds, each round two raster passes over every ROI
// bit at once.
#pragma once

#include <cstdint>

// Dilation round: a forward pass (rows 1..h-1, columns 1..w-1) ORs each
// word into its left, upper and upper-left neighbours, then a backward pass
// (rows h-2..0, columns w-2..0) ORs each into its right, lower and
// lower-right neighbours. Erosion rounds do the same with AND.
void closeRoiMap(uint16_t* roiMap, int32_t width, int32_t height, int32_t depth);
