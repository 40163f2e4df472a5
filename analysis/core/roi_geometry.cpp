#include "analysis/core/roi_geometry.h"

#include <algorithm>
#include <bit>

#include "analysis/core/texture_records.h"

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
    for (int32_t y = 0; y < context.height; ++y) {
        const size_t row = context.index(0, y);
        for (int32_t x = 0; x < context.width; ++x) {
            uint32_t bits = context.roiMap[row + x];
            if (bits == 0) continue;
            const int32_t v = context.samples[row + x];
            do {
                RoiStatistics& s = table[std::countr_zero(bits)];
                s.ymin = std::min(s.ymin, y);
                s.ymax = std::max(s.ymax, y);
                s.xmin = std::min(s.xmin, x);
                s.xmax = std::max(s.xmax, x);
                ++s.count;
                s.smallest = std::min(s.smallest, v);
                s.largest = std::max(s.largest, v);
                bits &= bits - 1;
            } while (bits != 0);
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
