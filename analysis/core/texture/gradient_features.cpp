#include "analysis/core/texture/gradient_features.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "analysis/core/texture/roi_levels.h"
#include "analysis/core/texture/texture_records.h"

namespace {

// sqrt of the integer squared magnitudes; sqrt is correctly rounded, so a
// table of the small ones gives the same values faster.
class MagnitudeOf {
  public:
    explicit MagnitudeOf(int32_t bits) {
        const int64_t top = (int64_t{1} << bits) - 1;
        const int64_t largest = 2 * top * top;
        if (largest < (int64_t{1} << 16)) {
            table_.resize(static_cast<size_t>(largest) + 1);
            for (size_t i = 0; i < table_.size(); ++i)
                table_[i] = std::sqrt(static_cast<double>(i));
        }
    }
    double operator()(uint64_t squared) const {
        return squared < table_.size() ? table_[squared] : std::sqrt(static_cast<double>(squared));
    }

  private:
    std::vector<double> table_;
};

// One table per bit depth, built once (the feature maps call per window).
const MagnitudeOf& magnitudeOf(int32_t bits) {
    static const std::array<MagnitudeOf, 17> tables = [] {
        return std::array<MagnitudeOf, 17>{
            MagnitudeOf(0),  MagnitudeOf(1),  MagnitudeOf(2),  MagnitudeOf(3),  MagnitudeOf(4),
            MagnitudeOf(5),  MagnitudeOf(6),  MagnitudeOf(7),  MagnitudeOf(8),  MagnitudeOf(9),
            MagnitudeOf(10), MagnitudeOf(11), MagnitudeOf(12), MagnitudeOf(13), MagnitudeOf(14),
            MagnitudeOf(15), MagnitudeOf(16)};
    }();
    return tables[std::clamp(bits, 0, 16)];
}

// Calls visit(g) with the magnitude of every pixel of rect (clipped to the
// image) that lies in the region together with its four neighbours, in
// raster order.
template <class Levels, class Visit>
void forEachGradient(const TextureContext& context, const PixelRect& rect, int roi,
                     const Levels& level, const MagnitudeOf& magnitude, Visit&& visit) {
    if (!context.valid()) return;
    const PixelRect r = clipToImage(context, rect);
    if (r.width() < 3 || r.height() < 3) return;
    const size_t w = static_cast<size_t>(context.width);
    for (int32_t y = r.ymin + 1; y <= r.ymax - 1; ++y)
        for (int32_t x = r.xmin + 1; x <= r.xmax - 1; ++x) {
            const size_t idx = context.index(x, y);
            if (!inRegion(context, idx, roi) || !inRegion(context, idx + 1, roi) ||
                !inRegion(context, idx + w, roi) || !inRegion(context, idx - 1, roi) ||
                !inRegion(context, idx - w, roi))
                continue;
            // 64 bits: levels of 16 bits would overflow the squares.
            const int64_t gx = int64_t{level(idx + 1)} - int64_t{level(idx - 1)};
            const int64_t gy = int64_t{level(idx + w)} - int64_t{level(idx - w)};
            visit(magnitude(static_cast<uint64_t>(gx * gx + gy * gy)));
        }
}

// The features of a ROI's magnitudes, computed again for each pass of the
// evaluator instead of kept: a large ROI would need a list as large.
template <class Levels>
std::array<double, kGradientRecordCount> featuresOf(const TextureContext& context,
                                                    const PixelRect& rect, int roi,
                                                    const Levels& level,
                                                    const MagnitudeOf& magnitude) {
    return gradientFeaturesOf<kPlaneMomentRules>(
        [&](auto visit) { forEachGradient(context, rect, roi, level, magnitude, visit); });
}

}  // namespace

void collectGradients(const TextureContext& context, const PixelRect& rect, int roi,
                      const LevelTable& levels, std::vector<double>& gradients) {
    gradients.clear();
    const PixelRect inner = clipToImage(context, rect);
    if (inner.width() > 2 && inner.height() > 2)
        gradients.reserve(static_cast<size_t>(inner.width() - 2) *
                          static_cast<size_t>(inner.height() - 2));
    forEachGradient(
        context, rect, roi, [&](size_t idx) { return levels[context.samples[idx]]; },
        magnitudeOf(levels.bits()), [&](double g) { gradients.push_back(g); });
}

std::array<double, kGradientRecordCount> roiGradientFeatures(const TextureContext& context,
                                                             const RoiStatisticsTable& statistics,
                                                             const RoiLevels& levels, int32_t bits,
                                                             int roi) {
    if (statistics[roi].count <= 0) return {};
    const MagnitudeOf& magnitude = magnitudeOf(bits);
    const PixelRect box = statistics[roi].box();
    if (levels.shared()) {
        const uint16_t* plane = levels.plane();
        return featuresOf(
            context, box, roi, [plane](size_t idx) { return plane[idx]; }, magnitude);
    }
    const LevelTable& table = levels.table(roi);
    return featuresOf(
        context, box, roi, [&](size_t idx) { return table[context.samples[idx]]; }, magnitude);
}

void appendGradientRecordsOf(const std::array<RoiValues, kGradientRecordCount>& values,
                             std::vector<FeatureRecord>& out) {
    for (int k = 0; k < kGradientRecordCount; ++k)
        appendFeatureRecord(out, kGradientFeatureNames[k], values[k]);
}
