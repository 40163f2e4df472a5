#include "analysis/core/roi_levels.h"

#include <algorithm>

RoiLevels::RoiLevels(const TextureContext& context, const RoiStatisticsTable& statistics,
                     int32_t mode, int32_t bits)
    : bits_(std::clamp(bits, 1, 16)) {
    if (mode == kNormaliseNone) {
        // A shift per sample: cheap enough to tabulate every possible sample.
        tables_[0] = LevelTable(LevelMapping{mode, context.BitDepth, bits_, {}}, 65536);
        const LevelTable& shift = tables_[0];
        if (context.valid()) {
            plane_.resize(static_cast<size_t>(context.width) * context.height);
            const PixelRect box = clipToImage(context, unionOfRoiBoxes(statistics));
            for (int32_t y = box.ymin; y <= box.ymax; ++y)
                for (int32_t x = box.xmin; x <= box.xmax; ++x) {
                    const size_t idx = context.index(x, y);
                    plane_[idx] = shift[context.samples[idx]];
                }
        }
    } else {
        for (int r = 0; r < kRoiCount; ++r)
            if (statistics[r].count > 0)
                tables_[r] = LevelTable(roiLevelMapping(context, statistics[r], mode, bits_),
                                        static_cast<uint32_t>(statistics[r].largest) + 1);
    }
    for (int r = 0; r < kRoiCount; ++r) {
        if (statistics[r].count > 0) {
            table(r).levelRange(static_cast<uint32_t>(statistics[r].smallest),
                                  static_cast<uint32_t>(statistics[r].largest), lowest_[r],
                                  highest_[r]);
        } else {
            lowest_[r] = 0;
            highest_[r] = -1;
        }
    }
}
