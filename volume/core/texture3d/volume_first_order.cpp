#include "volume/core/texture3d/volume_first_order.h"

#include <cmath>
#include <new>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "platform/parallel.h"

namespace {

// Histogram of the VOI's samples after `shift`, 2^(16 - shift) bins.
std::vector<uint64_t> voiHistogram(const VoiGrid& grid, int shift) {
    std::vector<uint64_t> h(size_t{1} << (16 - shift), 0);
    for (size_t i = 0; i < grid.grey.size(); ++i)
        if (grid.inVoi[i]) ++h[grid.grey[i] >> shift];
    return h;
}

}  // namespace

NormWindow volumeNormalisation(const VoiGrid& grid, int32_t mode) {
    NormWindow w;
    if (grid.members < 1 || (mode != kNormThreeSigma && mode != kNormPercent)) return w;
    const std::vector<uint64_t> h = voiHistogram(grid, 0);
    const double n = static_cast<double>(grid.members);
    if (mode == kNormThreeSigma) {
        double m = 0;
        for (size_t k = 0; k < h.size(); ++k) m += static_cast<double>(k + 1) * h[k];
        m /= n;  // m = sum (k + 1) h[k] / n
        double s2 = 0;
        for (size_t k = 0; k < h.size(); ++k)
            if (h[k]) s2 += (k + 1 - m) * (k + 1 - m) * h[k];
        s2 /= n;  // s2 = sum (k + 1 - m)^2 h[k] / n
        w.lo = static_cast<int32_t>(std::trunc(m - 3 * std::sqrt(s2)));
        w.hi = static_cast<int32_t>(std::trunc(m + 3 * std::sqrt(s2)));
        return w;
    }
    const double t = 0.01 * n;
    uint64_t c = 0;
    size_t l = 0;
    for (; l < h.size(); ++l) {
        c += h[l];
        if (static_cast<double>(c) >= t) break;
    }
    size_t g = l;
    for (; g < h.size(); ++g) {
        if (g > l) c += h[g];
        if (static_cast<double>(c) >= n - t) break;
    }
    w.lo = static_cast<int32_t>(l + 1);
    w.hi = static_cast<int32_t>(std::min<size_t>(g, h.size() - 1));
    return w;
}

std::array<double, kVolumeHistogramFeatures> volumeHistogramFeatures(const VoiGrid& grid,
                                                                     int bits) {
    std::array<double, kVolumeHistogramFeatures> f{};
    if (grid.members < 1) return f;
    const std::vector<uint64_t> h = voiHistogram(grid, 16 - bits);
    const double n = static_cast<double>(grid.members);
    double m = 0;
    for (size_t k = 0; k < h.size(); ++k) m += static_cast<double>(k + 1) * h[k];
    m /= n;  // Mean3D = sum (k + 1) h[k] / n
    double s2 = 0, s3 = 0, s4 = 0;
    for (size_t k = 0; k < h.size(); ++k) {
        if (!h[k]) continue;
        const double d = k + 1 - m;
        s2 += d * d * h[k];
        s3 += d * d * d * h[k];
        s4 += d * d * d * d * h[k];
    }
    s2 /= n;  // Variance3D = sum (k + 1 - m)^2 h[k] / n
    f[0] = m;
    f[1] = s2;
    if (s2 != 0) {
        f[2] = s3 / std::sqrt(s2 * s2 * s2) / n;  // Skewness3D
        f[3] = s4 / (s2 * s2) / n - 3;            // Kurtosis3D
    }
    // Percentiles: 1 + first bin with C >= the limit, each search going on
    // from where the previous one stopped.
    const double limits[5] = {0.01 * n, 0.1 * n, 0.5 * n, n - 0.1 * n, n - 0.01 * n};
    size_t k = 0;
    uint64_t c = h[0];
    for (int p = 0; p < 5; ++p) {
        while (static_cast<double>(c) < limits[p] && k + 1 < h.size()) c += h[++k];
        f[static_cast<size_t>(4 + p)] = static_cast<double>(k + 1);
    }
    return f;
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
    double k = 0, sum = 0, nonZero = 0;
    for (const auto& list : perSlice)
        for (double g : list) {
            sum += g;
            k += 1;
            if (g > 0) nonZero += 1;
        }
    if (k == 0) return f;
    const double mean = sum / k;
    double s2 = 0, s3 = 0, s4 = 0;
    for (const auto& list : perSlice)
        for (double g : list) {
            const double d = g - mean;
            s2 += d * d;
            s3 += d * d * d;
            s4 += d * d * d * d;
        }
    const double variance = s2 / k;
    f[0] = k;         // _VolumeGr
    f[1] = mean;      // GrMean
    f[2] = variance;  // GrVariance (population)
    if (variance != 0) {
        const double sd = std::sqrt(variance);
        f[3] = s3 / (sd * sd * sd) / k;             // GrSkewness
        f[4] = s4 / (variance * variance) / k - 3;  // GrKurtosis
    }
    f[5] = nonZero / k;  // GrNonZeros
    return f;
}
