#include "analysis/core/texture/roi_levels.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <utility>
#include <vector>

#include "platform/parallel.h"

namespace {

// Calls row(y) for every row of box, bands of rows on all cores.
template <class Row>
void forBoxRows(const PixelRect& box, const Row& row) {
    if (box.empty()) return;
    const size_t rows = static_cast<size_t>(box.height());
    parallelFor(rows, parallelRowGrain(static_cast<size_t>(box.width())),
                [&](size_t begin, size_t end) {
                    for (size_t i = begin; i < end; ++i) row(box.ymin + static_cast<int32_t>(i));
                });
}

}  // namespace

uint16_t* LevelPlaneStore::words(size_t count) {
    if (count != count_) {
        release();
        words_ =
            static_cast<uint16_t*>(memory_->allocate(count * sizeof(uint16_t), alignof(uint16_t)));
        count_ = count;
    }
    return words_;
}

void LevelPlaneStore::release() {
    if (words_) memory_->deallocate(words_, count_ * sizeof(uint16_t), alignof(uint16_t));
    words_ = nullptr;
    count_ = 0;
}

RoiLevels::RoiLevels(const TextureContext& context, const RoiStatisticsTable& statistics,
                     int32_t mode, int32_t bits, LevelPlaneStore& store)
    : bits_(std::clamp(bits, 1, 16)), normalised_(mode != kNormaliseNone) {
    if (!normalised_) {
        // A shift per sample: cheap enough to tabulate every possible sample.
        tables_[0] = LevelTable(LevelMapping{mode, context.BitDepth, bits_, {}}, 65536);
        if (context.valid()) {
            // Only pixels of the union of the ROI boxes are ever read.
            plane_ = store.words(static_cast<size_t>(context.width) * context.height);
            const PixelRect box = clipToImage(context, unionOfRoiBoxes(statistics));
            const int32_t b = usableBitDepth(context.BitDepth);
            const uint32_t mask = (uint32_t{1} << bits_) - 1;
            const int32_t up = b < bits_ ? bits_ - b : 0, down = b < bits_ ? 0 : b - bits_;
            forBoxRows(box, [&](int32_t y) {
                const uint16_t* samples = context.samples + context.index(0, y);
                uint16_t* levels = plane_ + context.index(0, y);
                for (int32_t x = box.xmin; x <= box.xmax; ++x)
                    levels[x] =
                        static_cast<uint16_t>(((uint32_t{samples[x]} << up) >> down) & mask);
            });
        }
    } else {
        for (int r = 0; r < kRoiCount; ++r)
            if (statistics[r].count > 0)
                tables_[r] = LevelTable(roiLevelMapping(context, statistics[r], mode, bits_),
                                        static_cast<uint32_t>(statistics[r].largest) + 1);
        // While no pixel is in two ROIs, one plane still holds every pixel's
        // level under its own ROI's limits.
        const PixelRect box = clipToImage(context, unionOfRoiBoxes(statistics));
        std::atomic<bool> overlap = !context.valid() || context.roiMap == nullptr;
        if (!overlap)
            forBoxRows(box, [&](int32_t y) {
                if (overlap) return;
                const uint16_t* roi = context.roiMap + context.index(0, y);
                bool shared = false;
                for (int32_t x = box.xmin; x <= box.xmax; ++x)
                    shared |= (roi[x] & (roi[x] - 1)) != 0;
                if (shared) overlap = true;
            });
        if (!overlap) {
            plane_ = store.words(static_cast<size_t>(context.width) * context.height);
            forBoxRows(box, [&](int32_t y) {
                const size_t row = context.index(0, y);
                for (int32_t x = box.xmin; x <= box.xmax; ++x) {
                    const uint16_t word = context.roiMap[row + x];
                    plane_[row + x] =
                        word != 0 ? tables_[std::countr_zero(word)][context.samples[row + x]] : 0;
                }
            });
        }
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
