#include "analysis/core/texture/cooccurrence.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <new>

#include "analysis/core/texture/roi_levels.h"
#include "analysis/core/texture/roi_segments.h"
#include "analysis/core/texture/texture_records.h"

std::array<Displacement, 4> cooccurrenceDisplacements(int32_t distance) {
    return {Displacement{distance, 0}, Displacement{0, distance}, Displacement{distance, distance},
            Displacement{distance, -distance}};
}

std::string cooccurrencePairCountName(Displacement displacement) {
    char name[64];
    std::snprintf(name, sizeof name, "%sS(%d,%d)", "_Area_", displacement.dx, displacement.dy);
    return name;
}

std::string cooccurrenceFeatureName(Displacement displacement, int feature) {
    char name[64];
    std::snprintf(name, sizeof name, "S(%d,%d)%s", displacement.dx, displacement.dy,
                  kCooccurrenceFeatureNames[feature].data());
    return name;
}

bool cooccurrenceDistanceOn(const AnalysisOptions& options, int32_t distance) {
    switch (distance) {
        case 1:
            return options.Do_vt1 != 0;
        case 2:
            return options.Do_vt2 != 0;
        case 3:
            return options.Do_vt3 != 0;
        case 4:
            return options.Do_vt4 != 0;
        case 5:
            return options.Do_vt5 != 0;
        default:
            return false;
    }
}

void buildCooccurrenceMatrix(const TextureContext& context, const PixelRect& rect, int roi,
                             const LevelTable& levels, Displacement displacement,
                             CooccurrenceMatrix& matrix) {
    matrix.prepare(levels.levels());
    if (!context.valid()) return;
    const PixelRect r = clipToImage(context, rect);
    const int32_t dx = displacement.dx, dy = displacement.dy;
    const int32_t y0 = dy >= 0 ? r.ymin + dy : r.ymin;
    const int32_t y1 = dy >= 0 ? r.ymax : r.ymax + dy;
    const int32_t x0 = dx >= 1 ? r.xmin : r.xmin - dx;
    const int32_t x1 = dx >= 1 ? r.xmax - dx : r.xmax;
    uint32_t* cells = matrix.cells();
    const uint32_t g = static_cast<uint32_t>(matrix.levels());
    uint32_t lowest = g - 1, highest = 0;
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x) {
            const size_t idx = context.index(x, y);
            const size_t partner = context.index(x + dx, y - dy);
            if (!inRegion(context, idx, roi) || !inRegion(context, partner, roi)) continue;
            const uint32_t a = levels[context.samples[idx]];
            const uint32_t b = levels[context.samples[partner]];
            ++cells[a * g + b];
            lowest = std::min({lowest, a, b});
            highest = std::max({highest, a, b});
        }
    matrix.noteCounted(static_cast<int32_t>(lowest), static_cast<int32_t>(highest));
}

int cooccurrenceRecordCount(const AnalysisOptions& options) {
    const AnalysisOptions o = options.sanitized();
    if (o.Do_co == 0) return 0;
    int count = 0;
    for (int32_t d = 1; d <= kCooccurrenceDistances; ++d)
        if (cooccurrenceDistanceOn(o, d)) count += kCooccurrenceRecordsPerDistance;
    return count;
}

namespace {

// One-sided pair counts of all 16 ROIs for one displacement in one pass over
// box: a pair counts for every ROI that holds both of its pixels. Pixels of a
// ROI lie in its own box, so the ranges of the single-region builder follow.
// Along a row the ROI words of both pixels change rarely, so the row is cut
// into segments where they stay the same and each segment is counted in a
// tight loop per ROI.
template <class Levels>
void countPairs(const TextureContext& context, const RoiSegments& segments,
                Displacement displacement, const Levels& level, int32_t g,
                const std::array<uint32_t*, kRoiCount>& counts,
                const std::array<uint32_t*, kRoiCount>& moreCounts) {
    const PixelRect& box = segments.box();
    const int32_t dx = displacement.dx, dy = displacement.dy;
    const int32_t y0 = box.ymin + std::max(dy, 0), y1 = box.ymax + std::min(dy, 0);
    const int32_t x0 = box.xmin + std::max(-dx, 0), x1 = box.xmax - std::max(dx, 0);
    const uint32_t stride = static_cast<uint32_t>(g);
    if (x0 > x1) return;
    // ROIs without a block are not counted by this call.
    uint32_t counted = 0;
    for (int r = 0; r < kRoiCount; ++r)
        if (counts[r] != nullptr) counted |= 1u << r;
    for (int32_t y = y0; y <= y1; ++y) {
        const size_t row = context.index(0, y);
        const size_t partnerRow = context.index(dx, y - dy);
        // Merge the segments of the pixel's row with those of the partner's
        // row (shifted by dx): within a merged piece both ROI words are fixed.
        const RoiSegments::Segment* a = segments.begin(y);
        const RoiSegments::Segment* aEnd = segments.end(y);
        const RoiSegments::Segment* b = segments.begin(y - dy);
        const RoiSegments::Segment* bEnd = segments.end(y - dy);
        while (a + 1 < aEnd && a[1].start <= x0) ++a;
        while (b + 1 < bEnd && b[1].start - dx <= x0) ++b;
        for (int32_t x = x0; x <= x1;) {
            const int32_t aNext = a + 1 < aEnd ? a[1].start : x1 + 1;
            const int32_t bNext = b + 1 < bEnd ? b[1].start - dx : x1 + 1;
            const int32_t end = std::min({aNext, bNext, x1 + 1});
            for (uint32_t common = uint32_t{a->word} & b->word & counted; common != 0;
                 common &= common - 1) {
                const int r = std::countr_zero(common);
                uint32_t* even = counts[r];
                uint32_t* odd = moreCounts[r];
                int32_t i = x;
                if (odd != nullptr) {
                    // Alternate pixels count into two blocks, so that repeats
                    // of one cell do not wait for each other's increments.
                    for (; i + 1 < end; i += 2) {
                        ++even[level(r, row + i) * stride + level(r, partnerRow + i)];
                        ++odd[level(r, row + i + 1) * stride + level(r, partnerRow + i + 1)];
                    }
                }
                for (; i < end; ++i) ++even[level(r, row + i) * stride + level(r, partnerRow + i)];
            }
            x = end;
            if (x == aNext) ++a;
            if (x == bNext) ++b;
        }
    }
}

}  // namespace

CooccurrenceRoiValues cooccurrenceDisplacementValues(const TextureContext& context,
                                                     const RoiStatisticsTable& statistics,
                                                     const RoiLevels& levels,
                                                     const RoiSegments& segments,
                                                     Displacement displacement, uint32_t roiMask,
                                                     CooccurrenceScratch& scratch) {
    const int32_t g = levels.levels();
    const auto wanted = [&](int r) {
        return statistics[r].count > 0 && ((roiMask >> r) & 1u) != 0;
    };
    int wantedCount = 0;
    for (int r = 0; r < kRoiCount; ++r) wantedCount += wanted(r) ? 1 : 0;
    // A second block per ROI pays off while the blocks stay in the fast
    // caches; at more levels repeats of a cell are rare anyway.
    const bool twoBlocks = g <= 64;
    std::array<CooccurrenceMatrix, kRoiCount>& matrices = scratch.matrices;
    std::pmr::vector<uint32_t>& moreBlocks = scratch.moreBlocks;
    const size_t moreSize = twoBlocks ? static_cast<size_t>(g) * g * wantedCount : 0;
    if (moreBlocks.size() < moreSize) moreBlocks.assign(moreSize, 0);
    // The ROIs counted take the first matrices, in order: a scratch that
    // serves four ROIs at a time holds four.
    std::array<CooccurrenceMatrix*, kRoiCount> matrixOf{};
    std::array<uint32_t*, kRoiCount> counts{}, moreCounts{};
    size_t moreUsed = 0;
    int slot = 0;
    for (int r = 0; r < kRoiCount; ++r) {
        if (!wanted(r)) continue;
        matrixOf[r] = &matrices[slot++];
        matrixOf[r]->prepare(g);
        counts[r] = matrixOf[r]->cells();
        if (twoBlocks) {
            moreCounts[r] = moreBlocks.data() + moreUsed;
            moreUsed += static_cast<size_t>(g) * g;
        }
    }
    if (!segments.box().empty()) {
        if (levels.shared())
            countPairs(context, segments, displacement, levels.planeLevels(), g, counts,
                       moreCounts);
        else
            countPairs(context, segments, displacement, levels.tableLevels(context), g, counts,
                       moreCounts);
    }
    CooccurrenceRoiValues result;
    for (int r = 0; r < kRoiCount; ++r) {
        if (!wanted(r)) continue;
        CooccurrenceMatrix& matrix = *matrixOf[r];
        matrix.noteCounted(levels.lowest(r), levels.highest(r), moreCounts[r]);
        const CooccurrenceFeatures f = evaluateCooccurrence(matrix);
        matrix.clear();
        result.pairs[r] = f.pairCount;
        for (int k = 0; k < kCooccurrenceFeatureCount; ++k) result.values[k][r] = f.values[k];
    }
    return result;
}

void appendCooccurrenceDisplacementRecords(Displacement displacement,
                                           const CooccurrenceRoiValues& values,
                                           std::vector<FeatureRecord>& out) {
    appendFeatureRecord(out, cooccurrencePairCountName(displacement), values.pairs);
    for (int k = 0; k < kCooccurrenceFeatureCount; ++k)
        appendFeatureRecord(out, cooccurrenceFeatureName(displacement, k), values.values[k]);
}
