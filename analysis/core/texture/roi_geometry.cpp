#include "analysis/core/texture/roi_geometry.h"

#include <algorithm>
#include <bit>

#include "analysis/core/texture/texture_records.h"

RoiStatistics emptyRoiStatistics(const TextureContext& context) {
    RoiStatistics s;
    s.ymin = context.height;
    s.ymax = 0;
    s.xmax = 0;
    s.xmin = context.width;
    return s;
}

RoiStatisticsTable computeRoiStatistics(const TextureContext& context) {
    RoiStatisticsTable table;
    table.fill(emptyRoiStatistics(context));
    if (!context.valid() || context.roiMap == nullptr) return table;
    // Rows are cut into segments of one ROI word: the ROIs change rarely
    // along a row, so each segment updates its ROIs once.
    for (int32_t y = 0; y < context.height; ++y) {
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
