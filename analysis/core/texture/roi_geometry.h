// Per-ROI statistics shared by every texture family of a run: bounding box,
// pixel count, sample range and the normalisation limits, plus the area
// record that opens every report.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/texture_context.h"
#include "workspace/core/roi/roi_set.h"

struct RoiStatistics {
    int32_t ymin = 0;  // bounding box, inclusive; see emptyRoiStatistics
    int32_t ymax = 0;
    int32_t xmax = 0;
    int32_t xmin = 0;
    int32_t count = 0;         // pixels in the ROI
    int32_t smallest = 65535;  // smallest and largest sample in the ROI
    int32_t largest = 0;
    int32_t low = 0;  // normalisation limits (set by the normalisation step)
    int32_t high = 0;

    PixelRect box() const { return PixelRect{xmin, ymin, xmax, ymax}; }
};

using RoiStatisticsTable = std::array<RoiStatistics, kRoiCount>;

// The state before any pixel is seen: the box is inverted (xmin = width,
// ymin = height, xmax = ymax = 0), so that the first pixel sets it and loops
// over the box of an empty ROI run zero times.
RoiStatistics emptyRoiStatistics(const TextureContext& context);

// One raster pass over the image: box, count, smallest and largest sample of
// all 16 ROIs. Limits are left at 0.
RoiStatisticsTable computeRoiStatistics(const TextureContext& context);

// The largest pixel count of any ROI.
int32_t largestRoiCount(const RoiStatisticsTable& statistics);

// The smallest rectangle holding every non-empty ROI (empty when none is).
PixelRect unionOfRoiBoxes(const RoiStatisticsTable& statistics);

inline constexpr int kAreaRecordCount = 1;

// "_Area": value k is the pixel count of ROI k+1. Always the first texture record.
void appendAreaRecord(const RoiStatisticsTable& statistics, std::vector<FeatureRecord>& out);
