#include "volume/core/texture3d/volume_cooccurrence.h"

#include <algorithm>
#include <cmath>
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

std::string volumeComFeatureName(Direction3 dir, int feature) {
    char name[64];
    std::snprintf(name, sizeof name, "S(%d,%d,%d)%s", dir.a, dir.b, dir.c,
                  std::string(kVolumeComNames[static_cast<size_t>(feature)]).c_str());
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
                              Direction3 dir, std::vector<uint32_t>& matrix,
                              const std::atomic<bool>* cancel) {
    const size_t n = size_t{1} << bits;
    matrix.assign(n * n, 0);
    // In grid steps the neighbour lies at (+a, -b, +c).
    const int32_t sx = dir.a, sy = -dir.b, sz = dir.c;
    int32_t x0, x1, y0, y1, z0, z1;
    pairedRange(grid.dx, sx, x0, x1);
    pairedRange(grid.dy, sy, y0, y1);
    pairedRange(grid.dz, sz, z0, z1);
    const ptrdiff_t offset =
        sx + static_cast<ptrdiff_t>(sy) * grid.dx + static_cast<ptrdiff_t>(sz) * grid.dx * grid.dy;
    uint32_t* m = matrix.data();
    for (int32_t z = z0; z < z1; ++z) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
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
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i; j < n; ++j) {
            const uint32_t sum = m[i * n + j] + m[j * n + i];
            m[i * n + j] = sum;
            m[j * n + i] = sum;
        }
    return true;
}

VolumeComResult volumeCooccurrenceFeatures(const std::vector<uint32_t>& matrix, int bits) {
    VolumeComResult r;
    const size_t n = size_t{1} << bits;
    uint64_t total = 0;
    for (uint32_t v : matrix) total += v;
    if (total == 0) return r;
    const double R = static_cast<double>(total);
    r.pairCount = R;
    double asm2 = 0, contrast = 0, ij = 0, mx = 0, my = 0, idm = 0, entropy = 0;
    std::vector<double> sumDist(2 * n - 1, 0.0), difDist(n, 0.0);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) {
            const uint32_t c = matrix[i * n + j];
            if (!c) continue;
            const double p = c / R;
            const double d = static_cast<double>(i) - static_cast<double>(j);
            asm2 += p * p;
            contrast += d * d * p;
            ij += static_cast<double>(i + 1) * static_cast<double>(j + 1) * p;
            mx += static_cast<double>(j + 1) * p;
            my += static_cast<double>(i + 1) * p;
            idm += p / (d * d + 1);
            entropy -= p * std::log10(p);
            sumDist[i + j] += c;
            difDist[i > j ? i - j : j - i] += c;
        }
    double vx = 0, vy = 0;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) {
            const uint32_t c = matrix[i * n + j];
            if (!c) continue;
            const double p = c / R;
            vx += (mx - static_cast<double>(j) - 1) * (mx - static_cast<double>(j) - 1) * p;
            vy += (my - static_cast<double>(i) - 1) * (my - static_cast<double>(i) - 1) * p;
        }
    const double D = vx * vy > 1e-20 ? std::sqrt(vx * vy) : 1e-20;
    double sumAvg = 0, sumEnt = 0;
    for (size_t k = 0; k < sumDist.size(); ++k) {
        if (sumDist[k] == 0) continue;
        const double p = sumDist[k] / R;
        sumAvg += static_cast<double>(k + 2) * p;
        sumEnt -= p * std::log10(p);
    }
    double sumVar = 0;
    for (size_t k = 0; k < sumDist.size(); ++k)
        if (sumDist[k] != 0) {
            const double e = static_cast<double>(k + 2) - sumAvg;
            sumVar += e * e * sumDist[k] / R;
        }
    double difMean = 0, difEnt = 0;
    for (size_t l = 0; l < n; ++l) {
        if (difDist[l] == 0) continue;
        const double p = difDist[l] / R;
        difMean += static_cast<double>(l + 1) * p;
        difEnt -= p * std::log10(p);
    }
    double difVar = 0;
    for (size_t l = 0; l < n; ++l)
        if (difDist[l] != 0) {
            const double e = static_cast<double>(l + 1) - difMean;
            difVar += e * e * difDist[l] / R;
        }
    r.values = {asm2,   contrast, (ij - mx * my) / D, vy, idm, sumAvg, sumVar, sumEnt, entropy,
                difVar, difEnt};
    return r;
}
