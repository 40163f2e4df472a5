#include "analysis/core/texture/roi_levels.h"

#include <algorithm>
#include <bit>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// Spare level planes, at most kSpareBytes of them.
constexpr size_t kSpareBytes = size_t{64} << 20;
struct PlaneStore {
    std::mutex mutex;
    std::vector<std::pair<size_t, uint16_t*>> spare;  // words, plane
    size_t bytes = 0;
};
PlaneStore& planeStore() {
    static PlaneStore* store = new PlaneStore;  // never destroyed: planes may return late
    return *store;
}

}  // namespace

RoiLevels::Plane RoiLevels::takePlane(size_t words) {
    PlaneStore& store = planeStore();
    {
        std::lock_guard lock(store.mutex);
        for (auto it = store.spare.begin(); it != store.spare.end(); ++it)
            if (it->first == words) {
                uint16_t* plane = it->second;
                store.bytes -= words * sizeof(uint16_t);
                store.spare.erase(it);
                return Plane(plane, LevelPlaneReturn{words});
            }
    }
    return Plane(new uint16_t[words], LevelPlaneReturn{words});
}

void LevelPlaneReturn::operator()(uint16_t* plane) const {
    if (plane == nullptr) return;
    PlaneStore& store = planeStore();
    {
        std::lock_guard lock(store.mutex);
        if (store.bytes + words * sizeof(uint16_t) <= kSpareBytes) {
            store.spare.emplace_back(words, plane);
            store.bytes += words * sizeof(uint16_t);
            return;
        }
    }
    delete[] plane;
}

RoiLevels::RoiLevels(const TextureContext& context, const RoiStatisticsTable& statistics,
                     int32_t mode, int32_t bits)
    : bits_(std::clamp(bits, 1, 16)), normalised_(mode != kNormaliseNone) {
    if (!normalised_) {
        // A shift per sample: cheap enough to tabulate every possible sample.
        tables_[0] = LevelTable(LevelMapping{mode, context.BitDepth, bits_, {}}, 65536);
        if (context.valid()) {
            // Only pixels of the union of the ROI boxes are ever read.
            plane_ = takePlane(static_cast<size_t>(context.width) * context.height);
            const PixelRect box = clipToImage(context, unionOfRoiBoxes(statistics));
            const int32_t b = usableBitDepth(context.BitDepth);
            const uint32_t mask = (uint32_t{1} << bits_) - 1;
            const int32_t up = b < bits_ ? bits_ - b : 0, down = b < bits_ ? 0 : b - bits_;
            for (int32_t y = box.ymin; y <= box.ymax; ++y) {
                const uint16_t* samples = context.samples + context.index(0, y);
                uint16_t* levels = plane_.get() + context.index(0, y);
                for (int32_t x = box.xmin; x <= box.xmax; ++x)
                    levels[x] =
                        static_cast<uint16_t>(((uint32_t{samples[x]} << up) >> down) & mask);
            }
        }
    } else {
        for (int r = 0; r < kRoiCount; ++r)
            if (statistics[r].count > 0)
                tables_[r] = LevelTable(roiLevelMapping(context, statistics[r], mode, bits_),
                                        static_cast<uint32_t>(statistics[r].largest) + 1);
        // While no pixel is in two ROIs, one plane still holds every pixel's
        // level under its own ROI's limits.
        const PixelRect box = clipToImage(context, unionOfRoiBoxes(statistics));
        bool overlap = !context.valid() || context.roiMap == nullptr;
        for (int32_t y = box.ymin; y <= box.ymax && !overlap; ++y) {
            const uint16_t* roi = context.roiMap + context.index(0, y);
            for (int32_t x = box.xmin; x <= box.xmax; ++x) overlap |= (roi[x] & (roi[x] - 1)) != 0;
        }
        if (!overlap) {
            plane_ = takePlane(static_cast<size_t>(context.width) * context.height);
            for (int32_t y = box.ymin; y <= box.ymax; ++y) {
                const size_t row = context.index(0, y);
                for (int32_t x = box.xmin; x <= box.xmax; ++x) {
                    const uint16_t word = context.roiMap[row + x];
                    plane_[row + x] =
                        word != 0 ? tables_[std::countr_zero(word)][context.samples[row + x]] : 0;
                }
            }
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
