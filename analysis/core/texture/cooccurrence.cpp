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

void CooccurrenceMatrix::prepare(int32_t levels) {
    levels = std::clamp(levels, 2, 256);
    if (levels == levels_) {
        clear();
        return;
    }
    levels_ = levels;
    cells_.assign(static_cast<size_t>(levels) * levels, 0);
    occupied_.assign(static_cast<size_t>(levels) * (levels + 1) / 2, 0);
    occupiedCount_ = 0;
    total_ = 0;
}

void CooccurrenceMatrix::clear() {
    for (uint32_t cell : occupied()) cells_[cell] = 0;
    occupiedCount_ = 0;
    total_ = 0;
}

void CooccurrenceMatrix::noteCounted(int32_t lowest, int32_t highest, uint32_t* more) {
    lowest = std::max(lowest, 0);
    highest = std::min(highest, levels_ - 1);
    occupiedCount_ = 0;
    total_ = 0;
    if (lowest > highest) return;
    const size_t g = static_cast<size_t>(levels_);
    uint32_t* cells = cells_.data();
    if (more != nullptr)
        for (int32_t i = lowest; i <= highest; ++i)
            for (int32_t j = lowest; j <= highest; ++j) {
                cells[i * g + j] += more[i * g + j];
                more[i * g + j] = 0;
            }
    // [i][j] + [j][i] onto the triangle; in blocks, so that the transposed
    // reads stay in cache at 256 levels. The diagonal is its own mirror.
    constexpr int32_t kBlock = 32;
    for (int32_t bi = lowest; bi <= highest; bi += kBlock) {
        const int32_t ei = std::min(bi + kBlock - 1, highest);
        for (int32_t bj = bi; bj <= highest; bj += kBlock) {
            const int32_t ej = std::min(bj + kBlock - 1, highest);
            for (int32_t i = bi; i <= ei; ++i) {
                uint32_t* upper = cells + i * g;
                for (int32_t j = std::max(bj, i + 1); j <= ej; ++j) {
                    upper[j] += cells[j * g + i];
                    cells[j * g + i] = 0;
                }
            }
        }
    }
    // The list of non-zero cells, written without branching on each cell.
    uint32_t* listed = occupied_.data();
    uint64_t total = 0;
    for (int32_t i = lowest; i <= highest; ++i) {
        uint32_t* row = cells + i * g;
        row[i] *= 2;
        total += row[i];
        *listed = static_cast<uint32_t>(i * g + i);
        listed += row[i] != 0 ? 1 : 0;
        uint64_t offDiagonal = 0;
        for (int32_t j = i + 1; j <= highest; ++j) {
            offDiagonal += row[j];
            *listed = static_cast<uint32_t>(i * g + j);
            listed += row[j] != 0 ? 1 : 0;
        }
        total += 2 * offDiagonal;
    }
    occupiedCount_ = static_cast<size_t>(listed - occupied_.data());
    total_ = total;
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

namespace {

// p log10 p for p = count / n, remembered per count for one matrix: most
// cells hold small counts, and equal counts give equal terms.
class EntropyTerms {
  public:
    explicit EntropyTerms(double n) : n_(n) {
        if (++generation_ == 0) {  // wrapped: forget every stamp
            stamps_.fill(0);
            generation_ = 1;
        }
    }
    double operator()(uint32_t count) {
        if (count >= kRemembered) return term(count);
        if (stamps_[count] != generation_) {
            stamps_[count] = generation_;
            terms_[count] = term(count);
        }
        return terms_[count];
    }

  private:
    double term(uint32_t count) const {
        const double p = count / n_;
        return p * std::log10(p);
    }
    static constexpr uint32_t kRemembered = 4096;
    double n_;
    static thread_local inline std::array<uint32_t, kRemembered> stamps_{};
    static thread_local inline std::array<double, kRemembered> terms_{};
    static thread_local inline uint32_t generation_ = 0;
};

}  // namespace

CooccurrenceFeatures evaluateCooccurrence(const CooccurrenceMatrix& matrix) {
    CooccurrenceFeatures f;
    if (matrix.total() == 0) return f;
    const double n = static_cast<double>(matrix.total());
    const int32_t g = matrix.levels();
    const int shift = std::countr_zero(static_cast<uint32_t>(g));
    const uint32_t mask = static_cast<uint32_t>(g) - 1;

    // One pass over the non-zero cells of the triangle gathers the sums that
    // need single cells, a cell off the diagonal standing for itself and its
    // mirror; the rest are the same sums over p(i, j) grouped by row, column,
    // i + j or |i - j|, whose counts add up exactly in integers. Squares of
    // counts go to double: a large constant region overflows 32 bits.
    double squares = 0, products = 0, entropy = 0;
    EntropyTerms entropyTerm(n);
    // Row and column sums of a symmetric matrix are the same margins.
    std::array<uint64_t, 256> margins{}, differences{};
    std::array<uint64_t, 2 * 256 - 1> sums{};
    uint32_t row = matrix.occupied().empty() ? 0 : matrix.occupied().front() >> shift;
    uint64_t rowSum = 0;  // margin of the current row, kept out of memory
    for (uint32_t cell : matrix.occupied()) {
        const uint32_t i = cell >> shift, j = cell & mask;
        const uint32_t count = matrix.at(static_cast<int32_t>(i), static_cast<int32_t>(j));
        const double c = count;
        const uint32_t copies = i == j ? 1 : 2;
        squares += copies * (c * c);
        products += copies * (static_cast<double>((i + 1) * (j + 1)) * c);  // exact below 2^53
        entropy += copies * entropyTerm(count);
        if (i != row) {
            margins[row] += rowSum;
            row = i;
            rowSum = 0;
        }
        rowSum += count;
        if (i != j) margins[j] += count;
        sums[i + j] += copies * uint64_t{count};
        differences[j - i] += copies * uint64_t{count};
    }
    margins[row] += rowSum;

    // mx and my are the same sum over the margins, and so are vx and vy.
    double mean = 0;
    for (int32_t k = 0; k < g; ++k) mean += (k + 1.0) * static_cast<double>(margins[k]);
    mean /= n;
    double variance = 0;
    for (int32_t k = 0; k < g; ++k) {
        const double e = mean - k - 1;
        variance += e * e * static_cast<double>(margins[k]);
    }
    variance /= n;
    const double mx = mean, my = mean, vx = variance, vy = variance;
    const double t = vx * vy > 1e-20 ? std::sqrt(vx * vy) : 1e-20;

    double sumMean = 0;
    for (int32_t k = 0; k <= 2 * g - 2; ++k) sumMean += (k + 2.0) * static_cast<double>(sums[k]);
    sumMean /= n;
    double sumVariance = 0, sumEntropy = 0;
    for (int32_t k = 0; k <= 2 * g - 2; ++k) {
        if (sums[k] == 0) continue;
        const double e = k + 2.0 - sumMean;
        sumVariance += e * e * static_cast<double>(sums[k]);
        const double q = static_cast<double>(sums[k]) / n;
        sumEntropy += q * std::log10(q);
    }
    double contrast = 0, inverse = 0, differenceMean = 0;
    for (int32_t k = 0; k < g; ++k) {
        const double e = static_cast<double>(differences[k]);
        const double k2 = static_cast<double>(k) * k;
        contrast += k2 * e;
        inverse += e / (k2 + 1);
        differenceMean += (k + 1.0) * e;
    }
    differenceMean /= n;
    double differenceVariance = 0, differenceEntropy = 0;
    for (int32_t k = 0; k < g; ++k) {
        if (differences[k] == 0) continue;
        const double e = k + 1.0 - differenceMean;
        differenceVariance += e * e * static_cast<double>(differences[k]);
        const double q = static_cast<double>(differences[k]) / n;
        differenceEntropy += q * std::log10(q);
    }

    f.pairCount = n;
    f.values = {squares / (n * n),
                contrast / n,
                (products / n - mx * my) / t,
                vy,
                inverse / n,
                sumMean,
                sumVariance / n,
                -sumEntropy,
                -entropy,
                differenceVariance / n,
                -differenceEntropy};
    return f;
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
                                                     Displacement displacement, uint32_t roiMask) {
    const int32_t g = levels.levels();
    // A second block per ROI pays off while the blocks stay in the fast
    // caches; at more levels repeats of a cell are rare anyway.
    const bool twoBlocks = g <= 64;
    // Kept by each thread from one call to the next: fresh pages cost more
    // than the counting. Every call leaves the cells it counted zero again.
    struct Scratch {
        std::array<CooccurrenceMatrix, kRoiCount> matrices;
        std::vector<uint32_t> moreBlocks;
    };
    thread_local Scratch scratch;
    std::array<CooccurrenceMatrix, kRoiCount>& matrices = scratch.matrices;
    std::vector<uint32_t>& moreBlocks = scratch.moreBlocks;
    const size_t moreSize = twoBlocks ? static_cast<size_t>(g) * g * kRoiCount : 0;
    if (moreBlocks.size() != moreSize) moreBlocks.assign(moreSize, 0);
    std::array<uint32_t*, kRoiCount> counts{}, moreCounts{};
    const auto wanted = [&](int r) {
        return statistics[r].count > 0 && ((roiMask >> r) & 1u) != 0;
    };
    for (int r = 0; r < kRoiCount; ++r) {
        if (!wanted(r)) continue;
        matrices[r].prepare(g);
        counts[r] = matrices[r].cells();
        if (twoBlocks) moreCounts[r] = moreBlocks.data() + static_cast<size_t>(r) * g * g;
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
        CooccurrenceMatrix& matrix = matrices[r];
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

bool appendCooccurrenceRecords(const TextureContext& context, const RoiStatisticsTable& statistics,
                               const AnalysisOptions& options, std::vector<FeatureRecord>& out,
                               const std::function<void(int32_t distance)>& distanceDone) {
    const AnalysisOptions o = options.sanitized();
    if (o.Do_co == 0) return true;
    try {
        const RoiLevels levels(context, statistics, o.Do_normal, o.Ng_vt);
        const RoiSegments segments(context, unionOfRoiBoxes(statistics));
        for (int32_t d = 1; d <= kCooccurrenceDistances; ++d) {
            if (!cooccurrenceDistanceOn(o, d)) continue;
            std::vector<FeatureRecord> records;
            records.reserve(kCooccurrenceRecordsPerDistance);
            for (const Displacement displacement : cooccurrenceDisplacements(d))
                appendCooccurrenceDisplacementRecords(
                    displacement,
                    cooccurrenceDisplacementValues(context, statistics, levels, segments,
                                                   displacement),
                    records);
            out.insert(out.end(), records.begin(), records.end());
            if (distanceDone) distanceDone(d);
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
