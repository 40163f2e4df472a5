#include "analysis/core/texture/normalisation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "analysis/core/texture/texture_records.h"

int32_t mulDiv(int32_t number, int32_t numerator, int32_t denominator) {
    if (denominator == 0) return -1;
    const int64_t product = static_cast<int64_t>(number) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const uint64_t p =
        product < 0 ? uint64_t{0} - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    const uint64_t d = denominator < 0 ? uint64_t{0} - static_cast<uint64_t>(denominator)
                                       : static_cast<uint64_t>(denominator);
    uint64_t q = p / d;
    if (2 * (p % d) >= d) ++q;  // halves away from zero
    const int64_t result = negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
    if (q > uint64_t{1} << 32 || result > std::numeric_limits<int32_t>::max() ||
        result < std::numeric_limits<int32_t>::min())
        return -1;
    return static_cast<int32_t>(result);
}

NormalisationLimits normalisationLimits(const GreyHistogram& histogram, int32_t mode,
                                        int32_t bitDepth, int32_t smallest, int32_t largest) {
    if (histogram.count <= 0) return {};
    const double p = static_cast<double>(histogram.count);
    switch (mode) {
        case kNormaliseThreeSigma: {
            const GreyMoments m = greyMoments(histogram);
            const double spread = 3 * std::sqrt(m.variance);
            return {static_cast<int32_t>(std::trunc(m.mean - spread)),
                    static_cast<int32_t>(std::trunc(m.mean + spread))};
        }
        case kNormaliseOnePercent: {
            CumulativeSearch search(histogram);
            const double a = search.next(0.01 * p) + 1.0;
            const double b = search.next(p - 0.01 * p) + 1.0;
            return {static_cast<int32_t>(std::trunc(a)), static_cast<int32_t>(std::trunc(b - 1))};
        }
        case kNormaliseMinMax:
            return {smallest, largest};
        default:
            return {0, (int32_t{1} << usableBitDepth(bitDepth)) - 1};
    }
}

uint16_t requantiseSample(uint32_t sample, const LevelMapping& mapping) {
    const int32_t n = std::clamp(mapping.bits, 1, 16);
    const uint32_t mask = (uint32_t{1} << n) - 1;
    if (mapping.mode != kNormaliseNone) {
        const int64_t v = sample;
        const int64_t low = mapping.limits.low;
        const int64_t high = mapping.limits.high;
        const int64_t d = high - low;
        const int64_t m = v > high ? d : (v < low ? 0 : v - low);
        // Limits of any real image are far inside 32 bits; nonsense ones act
        // like mulDiv's overflow.
        const int32_t level =
            (d > std::numeric_limits<int32_t>::max() || d < std::numeric_limits<int32_t>::min())
                ? -1
                : mulDiv(static_cast<int32_t>(m), static_cast<int32_t>(mask),
                         static_cast<int32_t>(d));
        return static_cast<uint16_t>(static_cast<uint32_t>(level) & mask);
    }
    const int32_t b = usableBitDepth(mapping.bitDepth);
    const uint32_t shifted = b < n ? sample << (n - b) : sample >> (b - n);
    return static_cast<uint16_t>(shifted & mask);
}

uint16_t RequantisePixel(const TextureContext& context, const LevelMapping& mapping, int32_t x,
                         int32_t y) {
    const bool inside =
        context.valid() && x >= 0 && y >= 0 && x < context.width && y < context.height;
    return requantiseSample(inside ? context.samples[context.index(x, y)] : 0, mapping);
}

LevelTable::LevelTable(const LevelMapping& mapping, uint32_t size) : mapping_(mapping) {
    mapping_.bits = std::clamp(mapping.bits, 1, 16);
    table_.resize(std::min<uint32_t>(size, 65536));
    for (uint32_t v = 0; v < table_.size(); ++v) table_[v] = requantiseSample(v, mapping_);
}

void LevelTable::levelRange(uint32_t smallest, uint32_t largest, int32_t& lowest,
                            int32_t& highest) const {
    lowest = levels() - 1;
    highest = 0;
    for (uint32_t v = smallest; v <= largest; ++v) {
        const int32_t level = (*this)[v];
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
    }
}

LevelMapping roiLevelMapping(const TextureContext& context, const RoiStatistics& statistics,
                             int32_t mode, int32_t bits) {
    return LevelMapping{mode, context.BitDepth, bits, {statistics.low, statistics.high}};
}

int normalisationRecordCount(const AnalysisOptions& options) {
    return options.sanitized().Do_normal != kNormaliseNone ? 2 : 0;
}

bool appendNormalisationRecords(const TextureContext& context, RoiStatisticsTable& statistics,
                                const AnalysisOptions& options, std::vector<FeatureRecord>& out) {
    const int32_t mode = options.sanitized().Do_normal;
    if (mode == kNormaliseNone) return true;
    try {
        out.reserve(out.size() + 2);
        const auto histograms = buildRoiHistograms(context, statistics);
        RoiValues low{}, high{};
        for (int r = 0; r < kRoiCount; ++r) {
            RoiStatistics& s = statistics[r];
            const NormalisationLimits limits =
                s.count > 0 ? normalisationLimits(histograms[r], mode, context.BitDepth, s.smallest,
                                                  s.largest)
                            : NormalisationLimits{};
            s.low = limits.low;
            s.high = limits.high;
            low[r] = limits.low;
            high[r] = limits.high;
        }
        appendFeatureRecord(out, "_MinNorm", low);
        appendFeatureRecord(out, "_MaxNorm", high);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
