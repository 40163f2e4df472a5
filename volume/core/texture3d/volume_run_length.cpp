#include "volume/core/texture3d/volume_run_length.h"

#include <algorithm>

bool volumeRunLengthMatrix(const VoiGrid& grid, const std::vector<uint16_t>& levels, int bits,
                           int32_t maxRun, const VolumeRunDirection& dir,
                           std::vector<uint32_t>& matrix, const std::atomic<bool>* cancel) {
    const size_t L = static_cast<size_t>(std::max(maxRun, 1));
    matrix.assign((size_t{1} << bits) * L, 0);
    const ptrdiff_t step = dir.x + static_cast<ptrdiff_t>(dir.y) * grid.dx +
                           static_cast<ptrdiff_t>(dir.z) * grid.dx * grid.dy;
    auto inside = [&](int32_t x, int32_t y, int32_t z) {
        return x >= 0 && y >= 0 && z >= 0 && x < grid.dx && y < grid.dy && z < grid.dz;
    };
    // A run starts at a VOI voxel whose predecessor on its line is outside
    // the box, outside the VOI or of another level; walking on from every
    // start covers each line once, whichever end it enters the box.
    for (int32_t z = 0; z < grid.dz; ++z) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
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
                ++matrix[level * L + std::min(length, L) - 1];
            }
        }
    }
    return true;
}

std::array<double, kVolumeRlmFeatures> volumeRunLengthFeatures(const std::vector<uint32_t>& matrix,
                                                               int bits, int32_t maxRun) {
    std::array<double, kVolumeRlmFeatures> f{};
    const size_t G = size_t{1} << bits;
    const size_t L = static_cast<size_t>(std::max(maxRun, 1));
    double S = 0, longEmph = 0, shortEmph = 0, voxels = 0, grey = 0;
    std::vector<double> perLength(L, 0.0);
    for (size_t g = 0; g < G; ++g) {
        double perLevel = 0;
        for (size_t l = 0; l < L; ++l) {
            const double r = matrix[g * L + l];
            if (r == 0) continue;
            const double len = static_cast<double>(l + 1);
            S += r;
            perLevel += r;
            perLength[l] += r;
            longEmph += len * len * r;
            shortEmph += r / (len * len);
            voxels += len * r;
        }
        grey += perLevel * perLevel;
    }
    if (S == 0) return f;
    double run = 0;
    for (double v : perLength) run += v * v;
    f[0] = run / S;        // RLNonUni
    f[1] = grey / S;       // GLevNonU
    f[2] = longEmph / S;   // LngREmph
    f[3] = shortEmph / S;  // ShrtREmp
    f[4] = S / voxels;     // Fraction
    return f;
}
