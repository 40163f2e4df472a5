#include "volume/core/texture3d/voi_grid.h"

#include <algorithm>

#include "platform/parallel.h"

VoiGrid buildVoiGrid(const Volume3D& image, const Volume3D& mask, int voi) {
    VoiGrid g;
    g.box = mask.voiBoxes[static_cast<size_t>(voi)];
    if (mask.voiCounts[static_cast<size_t>(voi)] < 1) return g;
    g.dx = g.box.xmax - g.box.xmin + 1;
    g.dy = g.box.ymax - g.box.ymin + 1;
    g.dz = g.box.zmax - g.box.zmin + 1;
    const size_t total = static_cast<size_t>(g.dx) * g.dy * g.dz;
    g.grey.assign(total, 0);
    g.inVoi.assign(total, 0);
    const uint16_t bit = static_cast<uint16_t>(1u << voi);
    std::vector<int64_t> perSlice(static_cast<size_t>(g.dz), 0);
    parallelFor(static_cast<size_t>(g.dz), 1, [&](size_t begin, size_t end) {
        for (size_t k = begin; k < end; ++k) {
            const int32_t z = g.box.zmin + static_cast<int32_t>(k);
            const VolumeSlice* m = mask.slice(z);
            const int32_t iz = std::clamp(z, 0, std::max(image.sliceCount - 1, 0));
            const VolumeSlice* img = image.slice(iz);
            int64_t count = 0;
            for (int32_t j = 0; j < g.dy; ++j) {
                const int32_t y = g.box.ymin + j;
                const size_t at = g.index(0, j, static_cast<int32_t>(k));
                uint16_t* grey = g.grey.data() + at;
                uint8_t* in = g.inVoi.data() + at;
                if (img && img->present()) {
                    const int32_t cy = std::clamp(y, 0, img->height - 1);
                    const uint16_t* row =
                        img->samples.data() + static_cast<size_t>(cy) * img->width;
                    for (int32_t i = 0; i < g.dx; ++i)
                        grey[i] = row[std::clamp(g.box.xmin + i, 0, img->width - 1)];
                } else {
                    std::fill_n(grey, g.dx, kAbsentSliceValue);
                }
                if (!m || !m->present() || y >= m->height) continue;
                const uint16_t* row = m->samples.data() + static_cast<size_t>(y) * m->width;
                const int32_t last = std::min(g.dx, m->width - g.box.xmin);
                for (int32_t i = 0; i < last; ++i)
                    if (row[g.box.xmin + i] & bit) {
                        in[i] = 1;
                        ++count;
                    }
            }
            perSlice[k] = count;
        }
    });
    for (int64_t c : perSlice) g.members += c;
    return g;
}

uint16_t requantise(uint16_t v, int bits, const NormWindow* window) {
    if (!window) return static_cast<uint16_t>(v >> (16 - bits));
    const int64_t lo = window->lo;
    const int64_t hi = window->hi;
    if (hi <= lo) return 0;
    const int64_t range = hi - lo;
    const int64_t t = v > hi ? range : v < lo ? 0 : v - lo;
    const int64_t top = (int64_t{1} << bits) - 1;
    return static_cast<uint16_t>((t * top + range / 2) / range);  // mulDiv: rounded to nearest
}

std::vector<uint16_t> gridLevels(const VoiGrid& grid, int bits, const NormWindow* window) {
    std::vector<uint16_t> levels(grid.grey.size());
    parallelFor(levels.size(), size_t{1} << 16, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            levels[i] = grid.inVoi[i] ? requantise(grid.grey[i], bits, window) : kOutsideVoi;
    });
    return levels;
}
