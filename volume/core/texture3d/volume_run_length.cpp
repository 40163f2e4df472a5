#include "volume/core/texture3d/volume_run_length.h"

#include <algorithm>

bool volumeRunLengthMatrix(const VoiGrid& grid, const std::vector<uint16_t>& levels, int bits,
                           int32_t maxRun, const VolumeRunDirection& dir, RunLengthMatrix& matrix,
                           const std::atomic<bool>* cancel) {
    const size_t L = static_cast<size_t>(std::max(maxRun, 1));
    const int32_t levelCount = int32_t{1} << bits;
    matrix.prepare(levelCount, static_cast<int32_t>(L));
    uint32_t* cells = matrix.cells();
    const ptrdiff_t step = dir.x + static_cast<ptrdiff_t>(dir.y) * grid.dx +
                           static_cast<ptrdiff_t>(dir.z) * grid.dx * grid.dy;
    auto inside = [&](int32_t x, int32_t y, int32_t z) {
        return x >= 0 && y >= 0 && z >= 0 && x < grid.dx && y < grid.dy && z < grid.dz;
    };
    // A run starts at a VOI voxel whose predecessor on its line is outside
    // the box, outside the VOI or of another level; walking on from every
    // start covers each line once, whichever end it enters the box.
    for (int32_t z = 0; z < grid.dz; ++z) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            matrix.noteRuns(0, levelCount - 1, static_cast<int32_t>(L));  // so that it clears
            return false;
        }
        for (int32_t y = 0; y < grid.dy; ++y) {
            const size_t rowStart = grid.index(0, y, z);
            for (int32_t x = 0; x < grid.dx; ++x) {
                const size_t at = rowStart + static_cast<size_t>(x);
                const uint16_t level = levels[at];
                if (level == kOutsideVoi) continue;
                if (inside(x - dir.x, y - dir.y, z - dir.z) &&
                    levels[static_cast<size_t>(static_cast<ptrdiff_t>(at) - step)] == level)
                    continue;
                size_t length = 1;
                int32_t cx = x + dir.x, cy = y + dir.y, cz = z + dir.z;
                ptrdiff_t next = static_cast<ptrdiff_t>(at) + step;
                while (inside(cx, cy, cz) && levels[static_cast<size_t>(next)] == level) {
                    ++length;
                    cx += dir.x;
                    cy += dir.y;
                    cz += dir.z;
                    next += step;
                }
                ++cells[(std::min(length, L) - 1) * static_cast<size_t>(levelCount) + level];
            }
        }
    }
    matrix.noteRuns(0, levelCount - 1, static_cast<int32_t>(L));
    return true;
}
