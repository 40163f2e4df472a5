#include "analysis/core/gradient_features.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "analysis/core/roi_levels.h"
#include "analysis/core/texture_records.h"

namespace {

template <class Levels>
void collect(const TextureContext& context, const PixelRect& rect, int roi, const Levels& level,
             std::vector<double>& gradients) {
    gradients.clear();
    if (!context.valid()) return;
    const PixelRect r = clipToImage(context, rect);
    const size_t w = static_cast<size_t>(context.width);
    for (int32_t y = r.ymin + 1; y <= r.ymax - 1; ++y)
        for (int32_t x = r.xmin + 1; x <= r.xmax - 1; ++x) {
            const size_t idx = context.index(x, y);
            if (!inRegion(context, idx, roi) || !inRegion(context, idx + 1, roi) ||
                !inRegion(context, idx + w, roi) || !inRegion(context, idx - 1, roi) ||
                !inRegion(context, idx - w, roi))
                continue;
            const int32_t gx = int32_t{level(idx + 1)} - int32_t{level(idx - 1)};
            const int32_t gy = int32_t{level(idx + w)} - int32_t{level(idx - w)};
            gradients.push_back(std::sqrt(static_cast<double>(gx * gx + gy * gy)));
        }
}

}  // namespace

void collectGradients(const TextureContext& context, const PixelRect& rect, int roi,
                      const LevelTable& levels, std::vector<double>& gradients) {
    collect(
        context, rect, roi, [&](size_t idx) { return levels[context.samples[idx]]; }, gradients);
}

std::array<double, kGradientRecordCount> gradientFeatures(std::span<const double> gradients) {
    std::array<double, kGradientRecordCount> f{};
    if (gradients.empty()) return f;
    const double count = static_cast<double>(gradients.size());
    double sum = 0, nonZero = 0;
    bool allEqual = true;
    for (double g : gradients) {
        sum += g;
        if (g > 0) nonZero += 1;
        allEqual = allEqual && g == gradients[0];
    }
    f[0] = count;
    f[5] = nonZero / count;
    // Equal magnitudes have no spread. Summing an irrational magnitude such as
    // sqrt(136) moves the mean off it by rounding, and the moments of that
    // noise would be reported as a skewness of 1 and a kurtosis of -2.
    if (allEqual) {
        f[1] = gradients[0];
        return f;
    }
    const double mean = sum / count;
    double squares = 0, cubes = 0, fourths = 0;
    for (double g : gradients) {
        const double d = g - mean;
        const double d2 = d * d;
        squares += d2;
        cubes += d2 * d;
        fourths += d2 * d2;
    }
    const double variance = squares / count;
    f[1] = mean;
    f[2] = variance;
    if (variance != 0) {
        const double sd = std::sqrt(variance);
        f[3] = cubes / (sd * sd * sd) / count;
        f[4] = fourths / (variance * variance) / count - 3;
    }
    return f;
}

bool appendGradientRecords(const TextureContext& context, const RoiStatisticsTable& statistics,
                           const AnalysisOptions& options, std::vector<FeatureRecord>& out) {
    const AnalysisOptions o = options.sanitized();
    try {
        out.reserve(out.size() + kGradientRecordCount);
        const RoiLevels levels(context, statistics, o.Do_normal, o.Ng_gr);
        std::vector<double> gradients;
        gradients.reserve(static_cast<size_t>(largestRoiCount(statistics)));
        std::array<RoiValues, kGradientRecordCount> values{};
        for (int r = 0; r < kRoiCount; ++r) {
            if (statistics[r].count <= 0) continue;
            if (levels.shared()) {
                const uint16_t* plane = levels.plane();
                collect(
                    context, statistics[r].box(), r, [plane](size_t idx) { return plane[idx]; },
                    gradients);
            } else {
                collectGradients(context, statistics[r].box(), r, levels.table(r), gradients);
            }
            const auto f = gradientFeatures(gradients);
            for (int k = 0; k < kGradientRecordCount; ++k) values[k][r] = f[k];
        }
        for (int k = 0; k < kGradientRecordCount; ++k)
            appendFeatureRecord(out, kGradientFeatureNames[k], values[k]);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
