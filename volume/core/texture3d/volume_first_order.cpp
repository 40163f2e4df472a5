#include "volume/core/texture3d/volume_first_order.h"

#include <cmath>
#include <new>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/gradient_features.h"
#include "analysis/core/texture/grey_histogram.h"
#include "analysis/core/texture/histogram_features.h"
#include "analysis/core/texture/normalisation.h"
#include "platform/parallel.h"

namespace {

// The histogram of the VOI's samples shifted to `bits` bits.
GreyHistogram voiHistogram(const VoiGrid& grid, int bits) {
    GreyHistogram h;
    h.reset(bits);
    const int shift = 16 - bits;
    uint32_t* bins = h.bins.data();
    for (size_t i = 0; i < grid.grey.size(); ++i)
        if (grid.inVoi[i]) ++bins[grid.grey[i] >> shift];
    h.count = grid.members;
    h.first = 0;
    while (h.first < h.levels() && bins[h.first] == 0) ++h.first;
    h.last = h.levels() - 1;
    while (h.last >= h.first && bins[h.last] == 0) --h.last;
    if (h.first > h.last) h.first = 0, h.last = -1;
    return h;
}

}  // namespace

NormWindow volumeNormalisation(const VoiGrid& grid, int32_t mode) {
    // Only the two modes with limits of their own; any other keeps the full range.
    if (grid.members < 1 || (mode != kNormThreeSigma && mode != kNormPercent)) return {};
    const NormalisationLimits limits = normalisationLimits(voiHistogram(grid, 16), mode, 16, 0, 0);
    return {limits.low, limits.high};
}

std::array<double, kVolumeHistogramFeatures> volumeHistogramFeatures(const VoiGrid& grid,
                                                                     int bits) {
    if (grid.members < 1) return {};
    return histogramFeatures(voiHistogram(grid, bits), kVolumeMomentRules);
}

std::array<double, kVolumeGradientFeatures> volumeGradientFeatures(
    const VoiGrid& grid, const std::vector<uint16_t>& levels) {
    std::array<double, kVolumeGradientFeatures> f{};
    if (grid.dx < 3 || grid.dy < 3 || grid.dz < 3) return f;
    // One list per slice, filled in parallel and read in slice order.
    std::vector<std::vector<double>> perSlice;
    try {
        perSlice.resize(static_cast<size_t>(grid.dz));
        const ptrdiff_t sx = 1;
        const ptrdiff_t sy = grid.dx;
        const ptrdiff_t sz = static_cast<ptrdiff_t>(grid.dx) * grid.dy;
        parallelFor(static_cast<size_t>(grid.dz - 2), 1, [&](size_t begin, size_t end) {
            for (size_t k = begin; k < end; ++k) {
                const int32_t z = static_cast<int32_t>(k) + 1;
                std::vector<double>& out = perSlice[static_cast<size_t>(z)];
                for (int32_t y = 1; y < grid.dy - 1; ++y) {
                    const uint16_t* q = levels.data() + grid.index(0, y, z);
                    for (int32_t x = 1; x < grid.dx - 1; ++x) {
                        const uint16_t* p = q + x;
                        if (p[0] == kOutsideVoi || p[sx] == kOutsideVoi || p[-sx] == kOutsideVoi ||
                            p[sy] == kOutsideVoi || p[-sy] == kOutsideVoi || p[sz] == kOutsideVoi ||
                            p[-sz] == kOutsideVoi)
                            continue;
                        const int64_t gx = int64_t{p[sx]} - p[-sx];
                        const int64_t gy = int64_t{p[sy]} - p[-sy];
                        const int64_t gz = int64_t{p[sz]} - p[-sz];
                        // g = sqrt(gx^2 + gy^2 + gz^2)
                        out.push_back(std::sqrt(static_cast<double>(gx * gx + gy * gy + gz * gz)));
                    }
                }
            }
        });
    } catch (const std::bad_alloc&) {
        f.fill(kMissingValue);
        return f;
    }
    return gradientFeaturesOf<kVolumeMomentRules>([&](auto visit) {
        for (const auto& list : perSlice)
            for (double g : list) visit(g);
    });
}
