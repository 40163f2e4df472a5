#include "volume/core/volume/voi_shift.h"

namespace {

// The indices first..last, walked from the far end when the offset is positive.
template <typename F>
void walk(int64_t count, int32_t offset, F&& body) {
    if (offset > 0)
        for (int64_t i = count - 1; i >= 0; --i) body(i);
    else
        for (int64_t i = 0; i < count; ++i) body(i);
}

}  // namespace

void ShiftVoiBit(Volume3D& mask, uint16_t sourceBit, DrawMode mode, bool move, int32_t dx,
                 int32_t dy, int32_t dz) {
    if (sourceBit == 0) return;
    walk(mask.sliceCount, dz, [&](int64_t z) {
        VolumeSlice& slice = mask.slices[static_cast<size_t>(z)];
        if (!slice.present()) return;
        const int64_t tz = z + dz;
        VolumeSlice* target =
            tz >= 0 && tz < mask.sliceCount ? &mask.slices[static_cast<size_t>(tz)] : nullptr;
        if (target && !target->present()) target = nullptr;
        walk(slice.height, dy, [&](int64_t y) {
            uint16_t* row = slice.samples.data() + y * slice.width;
            const int64_t ty = y + dy;
            uint16_t* targetRow = target && ty >= 0 && ty < target->height
                                      ? target->samples.data() + ty * target->width
                                      : nullptr;
            walk(slice.width, dx, [&](int64_t x) {
                if (!(row[x] & sourceBit)) return;
                if (move) row[x] = static_cast<uint16_t>(row[x] & ~sourceBit);
                const int64_t tx = x + dx;
                if (targetRow && tx >= 0 && tx < target->width)
                    targetRow[tx] = mode.apply(targetRow[tx]);
            });
        });
    });
}
