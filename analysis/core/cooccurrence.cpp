#include "analysis/core/cooccurrence.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <new>

#include "analysis/core/roi_levels.h"
#include "analysis/core/texture_records.h"

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
        case 1: return options.Do_vt1 != 0;
        case 2: return options.Do_vt2 != 0;
        case 3: return options.Do_vt3 != 0;
        case 4: return options.Do_vt4 != 0;
        case 5: return options.Do_vt5 != 0;
        default: return false;
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
    occupied_.clear();
    total_ = 0;
}

void CooccurrenceMatrix::clear() {
    for (uint32_t cell : occupied_) cells_[cell] = 0;
    occupied_.clear();
    total_ = 0;
}

void CooccurrenceMatrix::finish() {
    std::sort(occupied_.begin(), occupied_.end());
}

void CooccurrenceMatrix::foldOneSided(uint32_t* oneSided, int32_t lowest, int32_t highest) {
    const size_t g = static_cast<size_t>(levels_);
    for (int32_t i = lowest; i <= highest; ++i) {
        uint32_t& diagonal = oneSided[i * g + i];
        cells_[i * g + i] = 2 * diagonal;
        total_ += 2 * uint64_t{diagonal};
        diagonal = 0;
        for (int32_t j = i + 1; j <= highest; ++j) {
            uint32_t& upper = oneSided[i * g + j];
            uint32_t& lower = oneSided[j * g + i];
            const uint32_t both = upper + lower;
            cells_[i * g + j] = both;
            cells_[j * g + i] = both;
            total_ += 2 * uint64_t{both};
            upper = 0;
            lower = 0;
        }
    }
    for (int32_t i = lowest; i <= highest; ++i)
        for (int32_t j = lowest; j <= highest; ++j)
            if (cells_[i * g + j] != 0) occupied_.push_back(static_cast<uint32_t>(i * g + j));
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
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x) {
            const size_t idx = context.index(x, y);
            const size_t partner = context.index(x + dx, y - dy);
            if (!inRegion(context, idx, roi) || !inRegion(context, partner, roi)) continue;
            matrix.addPair(levels[context.samples[idx]], levels[context.samples[partner]]);
        }
    matrix.finish();
}

CooccurrenceFeatures evaluateCooccurrence(const CooccurrenceMatrix& matrix) {
    CooccurrenceFeatures f;
    if (matrix.total() == 0) return f;
    const double n = static_cast<double>(matrix.total());
    const int32_t g = matrix.levels();
    const int shift = std::countr_zero(static_cast<uint32_t>(g));
    const uint32_t mask = static_cast<uint32_t>(g) - 1;

    // Squares of counts go to double: a large constant region overflows 32 bits.
    double squares = 0, contrast = 0, mx = 0, my = 0, products = 0, inverse = 0, entropy = 0;
    std::array<uint64_t, 2 * 256 - 1> sums{};
    std::array<uint64_t, 256> differences{};
    for (uint32_t cell : matrix.occupied()) {
        const int32_t i = static_cast<int32_t>(cell >> shift);
        const int32_t j = static_cast<int32_t>(cell & mask);
        const uint32_t count = matrix.at(i, j);
        const double c = count;
        const double p = c / n;
        const int32_t d = i - j;
        const double d2 = static_cast<double>(d * d);
        squares += c * c;
        contrast += d2 * p;
        mx += (j + 1) * p;
        my += (i + 1) * p;
        products += static_cast<double>((i + 1) * (j + 1)) * p;
        inverse += p / (d2 + 1);
        entropy += p * std::log10(p);
        sums[i + j] += count;
        differences[d < 0 ? -d : d] += count;
    }
    double vx = 0, vy = 0;
    for (uint32_t cell : matrix.occupied()) {
        const int32_t i = static_cast<int32_t>(cell >> shift);
        const int32_t j = static_cast<int32_t>(cell & mask);
        const double p = matrix.at(i, j) / n;
        const double ex = mx - j - 1, ey = my - i - 1;
        vx += ex * ex * p;
        vy += ey * ey * p;
    }
    const double t = vx * vy > 1e-20 ? std::sqrt(vx * vy) : 1e-20;

    double sumMean = 0;
    for (int32_t k = 0; k <= 2 * g - 2; ++k) sumMean += (k + 2.0) * sums[k];
    sumMean /= n;
    double sumVariance = 0, sumEntropy = 0;
    for (int32_t k = 0; k <= 2 * g - 2; ++k) {
        if (sums[k] == 0) continue;
        const double e = k + 2.0 - sumMean;
        sumVariance += e * e * sums[k];
        const double q = sums[k] / n;
        sumEntropy += q * std::log10(q);
    }
    double differenceMean = 0;
    for (int32_t k = 0; k < g; ++k) differenceMean += (k + 1.0) * differences[k];
    differenceMean /= n;
    double differenceVariance = 0, differenceEntropy = 0;
    for (int32_t k = 0; k < g; ++k) {
        if (differences[k] == 0) continue;
        const double e = k + 1.0 - differenceMean;
        differenceVariance += e * e * differences[k];
        const double q = differences[k] / n;
        differenceEntropy += q * std::log10(q);
    }

    f.pairCount = n;
    f.values = {squares / (n * n),
                contrast,
                (products - mx * my) / t,
                vy,
                inverse,
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
template <class Levels>
void countPairs(const TextureContext& context, const PixelRect& box, Displacement displacement,
                const Levels& level, int32_t g, uint32_t* oneSided) {
    const int32_t dx = displacement.dx, dy = displacement.dy;
    const int32_t y0 = box.ymin + std::max(dy, 0), y1 = box.ymax + std::min(dy, 0);
    const int32_t x0 = box.xmin + std::max(-dx, 0), x1 = box.xmax - std::max(dx, 0);
    const size_t cells = static_cast<size_t>(g) * g;
    for (int32_t y = y0; y <= y1; ++y) {
        const size_t row = context.index(0, y);
        const size_t partnerRow = context.index(dx, y - dy);
        const uint16_t* roi = context.roiMap + row;
        const uint16_t* partnerRoi = context.roiMap + partnerRow;
        for (int32_t x = x0; x <= x1; ++x) {
            uint32_t common = static_cast<uint32_t>(roi[x] & partnerRoi[x]);
            while (common != 0) {
                const int r = std::countr_zero(common);
                const uint32_t a = level(r, row + x);
                const uint32_t b = level(r, partnerRow + x);
                ++oneSided[r * cells + a * static_cast<uint32_t>(g) + b];
                common &= common - 1;
            }
        }
    }
}

}  // namespace

bool appendCooccurrenceRecords(const TextureContext& context, const RoiStatisticsTable& statistics,
                               const AnalysisOptions& options, std::vector<FeatureRecord>& out,
                               const std::function<void(int32_t distance)>& distanceDone) {
    const AnalysisOptions o = options.sanitized();
    if (o.Do_co == 0) return true;
    try {
        const RoiLevels levels(context, statistics, o.Do_normal, o.Ng_vt);
        const int32_t g = levels.levels();
        const size_t cells = static_cast<size_t>(g) * g;
        std::vector<uint32_t> oneSided(cells * kRoiCount, 0);
        CooccurrenceMatrix matrix;
        matrix.prepare(g);
        const PixelRect box = clipToImage(context, unionOfRoiBoxes(statistics));
        const bool any = context.valid() && context.roiMap != nullptr && !box.empty();
        for (int32_t d = 1; d <= kCooccurrenceDistances; ++d) {
            if (!cooccurrenceDistanceOn(o, d)) continue;
            std::vector<FeatureRecord> records;
            records.reserve(kCooccurrenceRecordsPerDistance);
            for (const Displacement displacement : cooccurrenceDisplacements(d)) {
                if (any) {
                    if (levels.shared())
                        countPairs(context, box, displacement, levels.planeLevels(), g,
                                   oneSided.data());
                    else
                        countPairs(context, box, displacement, levels.tableLevels(context), g,
                                   oneSided.data());
                }
                RoiValues pairs{};
                std::array<RoiValues, kCooccurrenceFeatureCount> values{};
                for (int r = 0; r < kRoiCount; ++r) {
                    if (statistics[r].count <= 0) continue;
                    matrix.clear();
                    matrix.foldOneSided(oneSided.data() + r * cells, levels.lowest(r),
                                        levels.highest(r));
                    const CooccurrenceFeatures f = evaluateCooccurrence(matrix);
                    pairs[r] = f.pairCount;
                    for (int k = 0; k < kCooccurrenceFeatureCount; ++k) values[k][r] = f.values[k];
                }
                appendFeatureRecord(records, cooccurrencePairCountName(displacement), pairs);
                for (int k = 0; k < kCooccurrenceFeatureCount; ++k)
                    appendFeatureRecord(records, cooccurrenceFeatureName(displacement, k),
                                        values[k]);
            }
            out.insert(out.end(), records.begin(), records.end());
            if (distanceDone) distanceDone(d);
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
