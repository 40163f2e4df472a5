#include "analysis/core/texture/roi_geometry.h"

#include <algorithm>
#include <bit>

#include "analysis/core/texture/texture_records.h"
#include "platform/parallel.h"

RoiStatistics emptyRoiStatistics(const TextureContext& context) {
    RoiStatistics s;
    s.ymin = context.height;
    s.ymax = 0;
    s.xmax = 0;
    s.xmin = context.width;
    return s;
}

namespace {

// Adds rows y0..y1-1 to table. Rows are cut into segments of one ROI word:
// the ROIs change rarely along a row, so each segment updates its ROIs once.
void addRoiRows(const TextureContext& context, int32_t y0, int32_t y1, RoiStatisticsTable& table) {
    for (int32_t y = y0; y < y1; ++y) {
        const uint16_t* roi = context.roiMap + context.index(0, y);
        const uint16_t* samples = context.samples + context.index(0, y);
        for (int32_t x = 0; x < context.width;) {
            const uint16_t word = roi[x];
            int32_t end = x + 1;
            if (word == 0) {
                while (end < context.width && roi[end] == 0) ++end;
                x = end;
                continue;
            }
            int32_t smallest = samples[x], largest = samples[x];
            for (; end < context.width && roi[end] == word; ++end) {
                smallest = std::min<int32_t>(smallest, samples[end]);
                largest = std::max<int32_t>(largest, samples[end]);
            }
            for (uint32_t bits = word; bits != 0; bits &= bits - 1) {
                RoiStatistics& s = table[std::countr_zero(bits)];
                s.ymin = std::min(s.ymin, y);
                s.ymax = std::max(s.ymax, y);
                s.xmin = std::min(s.xmin, x);
                s.xmax = std::max(s.xmax, end - 1);
                s.count += end - x;
                s.smallest = std::min(s.smallest, smallest);
                s.largest = std::max(s.largest, largest);
            }
            x = end;
        }
    }
}

}  // namespace

RoiStatisticsTable computeRoiStatistics(const TextureContext& context) {
    RoiStatisticsTable table;
    table.fill(emptyRoiStatistics(context));
    if (!context.valid() || context.roiMap == nullptr) return table;
    // Bands of rows on all cores; minima, maxima and counts combine exactly.
    const size_t rows = static_cast<size_t>(context.height);
    const size_t grain = parallelRowGrain(static_cast<size_t>(context.width));
    std::vector<RoiStatisticsTable> bands(parallelChunkCount(rows, grain), table);
    parallelFor(rows, grain, [&](size_t begin, size_t end) {
        addRoiRows(context, static_cast<int32_t>(begin), static_cast<int32_t>(end),
                   bands[begin / grain]);
    });
    for (const RoiStatisticsTable& band : bands)
        for (int r = 0; r < kRoiCount; ++r) {
            RoiStatistics& s = table[r];
            const RoiStatistics& b = band[r];
            s.ymin = std::min(s.ymin, b.ymin);
            s.ymax = std::max(s.ymax, b.ymax);
            s.xmin = std::min(s.xmin, b.xmin);
            s.xmax = std::max(s.xmax, b.xmax);
            s.count += b.count;
            s.smallest = std::min(s.smallest, b.smallest);
            s.largest = std::max(s.largest, b.largest);
        }
    return table;
}

int32_t largestRoiCount(const RoiStatisticsTable& statistics) {
    int32_t largest = 0;
    for (const RoiStatistics& s : statistics) largest = std::max(largest, s.count);
    return largest;
}

PixelRect unionOfRoiBoxes(const RoiStatisticsTable& statistics) {
    PixelRect box{0, 0, -1, -1};
    bool any = false;
    for (const RoiStatistics& s : statistics) {
        if (s.count <= 0) continue;
        if (!any) {
            box = s.box();
            any = true;
            continue;
        }
        box.xmin = std::min(box.xmin, s.xmin);
        box.ymin = std::min(box.ymin, s.ymin);
        box.xmax = std::max(box.xmax, s.xmax);
        box.ymax = std::max(box.ymax, s.ymax);
    }
    return box;
}

void appendAreaRecord(const RoiStatisticsTable& statistics, std::vector<FeatureRecord>& out) {
    RoiValues values{};
    for (int r = 0; r < kRoiCount; ++r) values[r] = statistics[r].count;
    appendFeatureRecord(out, "_Area", values);
}
