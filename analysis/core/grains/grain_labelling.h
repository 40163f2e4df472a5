// Threshold segmentation of bright grains: 4-connected groups of pixels
// brighter than a threshold, found in raster order, the small ones dropped,
// the rest painted into the ROI map so that consecutive groups of grains share
// one ROI and the 16 ROIs are reused cyclically.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Grain {
    int32_t seedX = 0;  // the first pixel met in raster order
    int32_t seedY = 0;
    int32_t xmin = 0;  // bounding box, inclusive
    int32_t ymin = 0;
    int32_t xmax = 0;
    int32_t ymax = 0;
    int64_t count = 0;  // pixels
};

struct GrainLabels {
    int32_t width = 0;
    int32_t height = 0;
    // Per pixel: the number of its kept grain in `grains`, or -1. A plane of
    // its own, so that no grain number can be mistaken for "not visited".
    std::vector<int32_t> label;
    std::vector<Grain> grains;  // kept grains in the order found
};

// Every grain of samples > threshold (width x height samples); grains with
// fewer than minArea pixels are dropped and the later ones move up. The grain
// list and the fill stack grow as needed: no grain is lost however many
// there are.
GrainLabels findGrains(const uint16_t* samples, int32_t width, int32_t height, int32_t threshold,
                       int32_t minArea);

// The ROI bit of kept grain g: bit (g / grainsPerRoi) mod 16 (grainsPerRoi
// below 1 counts as 1).
uint16_t grainRoiBit(size_t grain, int32_t grainsPerRoi);

// ORs the ROI bit of every kept grain numbered first..last-1 into its pixels.
void paintGrains(const GrainLabels& labels, size_t first, size_t last, int32_t grainsPerRoi,
                 uint16_t* roiMap);

// The batches of a grain analysis: grains [first, last) of each full set of
// 16 x grainsPerRoi grains, and the rest as the last batch. None for no grains.
struct GrainBatch {
    size_t first = 0;
    size_t last = 0;
};
std::vector<GrainBatch> grainBatches(size_t grainCount, int32_t grainsPerRoi);
