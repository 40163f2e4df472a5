// The clustering of the segmentation module: a restarted k-means over pixel
// vectors of D bytes. Each restart draws K distinct start pixels, then
// alternates assignment (nearest centre by PixelDistance, the lowest segment
// on ties) and centre update until the total of distances stops falling or
// the iteration limit is reached; the restart with the smallest total wins.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "statistics/core/random_source.h"

inline constexpr int kMinSegments = 2;
inline constexpr int kMaxSegments = 16;
// The totals start here, above any real total (the largest finite double,
// rounded to two digits).
inline constexpr double kSegmentationNoTotal = 1.7e308;

inline constexpr std::string_view kNotEnoughRoiPixelsMessage =
    "Not enough pixels in a current ROI!";
inline constexpr std::string_view kNotEnoughImagePixelsMessage = "Not enough pixels in the image!";

struct SegmentationParameters {
    int segments = 2;         // K, 2..16
    int externalLoops = 5;    // E, restarts, 1..10
    int internalLoops = 300;  // I, iteration limit, 50..1000 in steps of 25
};

// Σ_d (centre[d] − pixel[d])², summed in image order, no square root.
double PixelDistance(const double* centre, const uint8_t* pixel, int depth);

// A run needs at least 3K pixels: the start draw takes K distinct pixels
// among the first P − 1, and the repair of an empty segment needs a segment
// with a pixel to spare.
inline bool enoughPixelsToSegment(size_t pixels, int segments) {
    return pixels >= 3u * static_cast<size_t>(segments);
}

struct SegmentationResult {
    std::vector<int32_t> labels;  // best labels 0..K-1, one per pixel
    double total = kSegmentationNoTotal;
};

// Called after every iteration with the progress position (0..E·I): the
// iteration's step, then e·I at the end of restart e.
using SegmentationProgress = std::function<void(int position)>;

// Clusters the P = vectors.size() / depth pixel vectors into
// parameters.segments segments. The generator is reseeded at every restart
// and for every repair of an empty segment. Needs enoughPixelsToSegment.
// The assignment and the sums run over all cores; sums of bytes are exact
// integers and the total is summed per fixed block of pixels, so the result
// does not depend on the number of threads.
SegmentationResult SegmentPixels(std::span<const uint8_t> vectors, int depth,
                                 const SegmentationParameters& parameters, RandomSource& random,
                                 const SegmentationProgress& progress = {});

// The number of pixels per segment of `labels` (K entries).
std::vector<int64_t> segmentAreas(std::span<const int32_t> labels, int segments);
