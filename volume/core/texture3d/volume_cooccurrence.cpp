#include "volume/core/texture3d/volume_cooccurrence.h"

#include <algorithm>
#include <cstdio>

std::vector<Direction3> cooccurrenceDirections3D(int32_t d, bool moreDirections) {
    std::vector<Direction3> dirs = {{d, 0, 0}, {0, d, 0}, {d, d, 0}, {d, -d, 0}, {0, 0, d}};
    if (moreDirections)
        dirs.insert(dirs.end(), {{d, 0, d},
                                 {0, d, d},
                                 {d, d, d},
                                 {d, -d, d},
                                 {d, 0, -d},
                                 {0, d, -d},
                                 {d, d, -d},
                                 {d, -d, -d}});
    return dirs;
}

std::string volumePairCountName(Direction3 dir) {
    char name[64];
    std::snprintf(name, sizeof name, "%sS(%d,%d,%d)", "_Volume", dir.a, dir.b, dir.c);
    return name;
}

std::string volumeCooccurrenceFeatureName(Direction3 dir, int feature) {
    char name[64];
    std::snprintf(name, sizeof name, "S(%d,%d,%d)%s", dir.a, dir.b, dir.c,
                  std::string(kCooccurrenceFeatureNames[static_cast<size_t>(feature)]).c_str());
    return name;
}

namespace {

// The indices i with i and i + step both inside 0..extent-1.
void pairedRange(int32_t extent, int32_t step, int32_t& first, int32_t& end) {
    first = std::max(0, -step);
    end = std::min(extent, extent - step);
}

}  // namespace

bool volumeCooccurrenceMatrix(const VoiGrid& grid, const std::vector<uint16_t>& levels, int bits,
                              Direction3 dir, CooccurrenceMatrix& matrix,
                              const std::atomic<bool>* cancel) {
    const size_t n = size_t{1} << bits;
    matrix.prepare(static_cast<int32_t>(n));
    // In grid steps the neighbour lies at (+a, -b, +c).
    const int32_t sx = dir.a, sy = -dir.b, sz = dir.c;
    int32_t x0, x1, y0, y1, z0, z1;
    pairedRange(grid.dx, sx, x0, x1);
    pairedRange(grid.dy, sy, y0, y1);
    pairedRange(grid.dz, sz, z0, z1);
    const ptrdiff_t offset =
        sx + static_cast<ptrdiff_t>(sy) * grid.dx + static_cast<ptrdiff_t>(sz) * grid.dx * grid.dy;
    uint32_t* m = matrix.cells();
    for (int32_t z = z0; z < z1; ++z) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            matrix.noteCounted(0, static_cast<int32_t>(n) - 1);  // so that it clears
            return false;
        }
        for (int32_t y = y0; y < y1; ++y) {
            const uint16_t* row = levels.data() + grid.index(0, y, z);
            for (int32_t x = x0; x < x1; ++x) {
                const uint16_t p = row[x];
                const uint16_t q = row[x + offset];
                if (p == kOutsideVoi || q == kOutsideVoi) continue;
                ++m[p * n + q];
            }
        }
    }
    // Counted one way; the matrix holds both.
    matrix.noteCounted(0, static_cast<int32_t>(n) - 1);
    return true;
}
