#include "analysis/core/texture/run_length.h"

#include <algorithm>
#include <bit>
#include <new>
#include <type_traits>

#include "analysis/core/texture/roi_levels.h"
#include "analysis/core/texture/roi_segments.h"
#include "analysis/core/texture/texture_records.h"

std::string runLengthFeatureName(RunDirection direction, int feature) {
    std::string name(kRunDirectionPrefixes[static_cast<int>(direction)]);
    name += kRunLengthFeatureNames[feature];
    return name;
}

int runLengthRecordCount(const AnalysisOptions& options) {
    return options.sanitized().Do_rl != 0 ? kRunLengthRecordCount : 0;
}

void RunLengthMatrix::prepare(int32_t levels, int32_t maxLength) {
    levels = std::clamp(levels, 2, 256);
    maxLength = std::max(maxLength, 1);
    if (levels == levels_ && maxLength == maxLength_) {
        clear();
        return;
    }
    levels_ = levels;
    maxLength_ = maxLength;
    cells_.assign(static_cast<size_t>(levels) * maxLength, 0);
    longest_ = 0;
    lowest_ = 0;
    highest_ = -1;
}

void RunLengthMatrix::clear() {
    if (lowest_ <= highest_)
        for (int32_t k = 0; k < longest_; ++k) {
            uint32_t* row = cells_.data() + static_cast<size_t>(k) * levels_;
            std::fill(row + lowest_, row + highest_ + 1, 0u);
        }
    longest_ = 0;
    lowest_ = 0;
    highest_ = -1;
}

void RunLengthMatrix::noteLengthCounts(int32_t lowest, int32_t highest) {
    lowest = std::max(lowest, 0);
    highest = std::min(highest, levels_ - 1);
    if (lowest > highest) return;
    // The longest run: the last length with a count, searched from the top.
    int32_t longest = 0;
    for (int32_t k = maxLength_ - 1; k >= 0 && longest == 0; --k) {
        const uint32_t* row = cells_.data() + static_cast<size_t>(k) * levels_;
        if (std::any_of(row + lowest, row + highest + 1, [](uint32_t c) { return c != 0; }))
            longest = k + 1;
    }
    if (longest == 0) return;
    for (int32_t k = 0; k + 1 < longest; ++k) {
        uint32_t* row = cells_.data() + static_cast<size_t>(k) * levels_;
        const uint32_t* next = row + levels_;
        for (int32_t q = lowest; q <= highest; ++q) row[q] -= next[q];
    }
    if (lowest_ > highest_) {
        lowest_ = lowest;
        highest_ = highest;
    } else {
        lowest_ = std::min(lowest_, lowest);
        highest_ = std::max(highest_, highest);
    }
    longest_ = std::max(longest_, longest);
}

void RunLengthMatrix::grow(uint32_t length) {
    maxLength_ = static_cast<int32_t>(length);
    cells_.resize(static_cast<size_t>(levels_) * maxLength_, 0);
}

void buildRunLengthMatrix(const TextureContext& context, const PixelRect& rect, int roi,
                          const LevelTable& levels, RunDirection direction,
                          RunLengthMatrix& matrix) {
    const PixelRect r = clipToImage(context, rect);
    matrix.prepare(levels.levels(), std::max(r.width(), r.height()));
    if (!context.valid() || r.empty()) return;
    auto walk = [&](int32_t x, int32_t y, int32_t stepX, int32_t stepY) {
        uint32_t level = 0, length = 0;
        for (; x >= r.xmin && x <= r.xmax && y >= r.ymin && y <= r.ymax; x += stepX, y += stepY) {
            const size_t idx = context.index(x, y);
            if (!inRegion(context, idx, roi)) {
                if (length != 0) matrix.addRun(level, length);
                length = 0;
                continue;
            }
            const uint32_t q = levels[context.samples[idx]];
            if (length != 0 && q == level) {
                ++length;
            } else {
                if (length != 0) matrix.addRun(level, length);
                level = q;
                length = 1;
            }
        }
        if (length != 0) matrix.addRun(level, length);
    };
    switch (direction) {
        case RunDirection::Horizontal:
            for (int32_t y = r.ymin; y <= r.ymax; ++y) walk(r.xmax, y, -1, 0);
            break;
        case RunDirection::Vertical:
            for (int32_t x = r.xmin; x <= r.xmax; ++x) walk(x, r.ymin, 0, 1);
            break;
        case RunDirection::Diagonal45:
            for (int32_t x = r.xmin; x <= r.xmax; ++x) walk(x, r.ymin, -1, 1);
            for (int32_t y = r.ymin + 1; y <= r.ymax; ++y) walk(r.xmax, y, -1, 1);
            break;
        case RunDirection::Diagonal135:
            for (int32_t x = r.xmin; x <= r.xmax; ++x) walk(x, r.ymax, -1, -1);
            for (int32_t y = r.ymin; y <= r.ymax - 1; ++y) walk(r.xmax, y, -1, -1);
            break;
    }
}

std::array<double, kRunLengthFeatureCount> runLengthFeatures(const RunLengthMatrix& matrix) {
    std::array<double, kRunLengthFeatureCount> f{};
    const int32_t lowest = matrix.lowestLevel(), highest = matrix.highestLevel();
    if (lowest > highest) return f;
    // Sums of squared run sums go to double: they overflow 32 bits on large regions.
    std::array<uint64_t, 256> levelSums{};
    uint64_t runs = 0;
    double lengthSquares = 0, longEmphasis = 0, shortEmphasis = 0, covered = 0;
    for (int32_t k = 0; k < matrix.longest(); ++k) {
        const double length = k + 1.0;
        uint64_t lengthSum = 0;
        for (int32_t q = lowest; q <= highest; ++q) {
            const uint32_t c = matrix.at(q, k);
            if (c == 0) continue;
            lengthSum += c;
            levelSums[q] += c;
            longEmphasis += length * length * c;
            shortEmphasis += c / (length * length);
            covered += length * c;
        }
        runs += lengthSum;
        const double ls = static_cast<double>(lengthSum);
        lengthSquares += ls * ls;
    }
    if (runs == 0) return f;
    double levelSquares = 0;
    for (int32_t q = lowest; q <= highest; ++q) {
        const double ls = static_cast<double>(levelSums[q]);
        levelSquares += ls * ls;
    }
    const double s = static_cast<double>(runs);
    f[kRLNonUni] = lengthSquares / s;
    f[kGLevNonU] = levelSquares / s;
    f[kLngREmph] = longEmphasis / s;
    f[kShrtREmp] = shortEmphasis / s;
    f[kFraction] = s / covered;
    return f;
}

namespace {

using RoiCells = std::array<uint32_t*, kRoiCount>;

// The position of every ROI pixel within its run, for all 16 ROIs in one
// pass over the segments of the ROI map, counted by level and position (see
// RunLengthMatrix::noteLengthCounts). A pixel continues the run of its
// predecessor on the line, (x-1, y), (x, y-1), (x+1, y-1) or (x-1, y-1), when
// that pixel is in the same ROI with the same level. Pixels of a ROI lie in
// its own box, so lines cut by the union box give the same runs as lines cut
// by the ROI's box. Continuing or not is data, not control flow: on noisy
// images a branch there would be mispredicted at every other pixel.
// Positions x0..x1-1 of ROI r on a row for levels from a plane. The inputs
// are shifted so that index x reads the predecessor of x; predecessors before
// `from` or from `to` on lie outside the box. Written as plain loops over
// arrays so that the compiler can vectorise them.
void planeRunPositions(const uint16_t* levels, const uint16_t* predecessorLevels,
                       const uint16_t* predecessorRoi, const uint32_t* predecessorPositions,
                       uint32_t* positions, int r, bool above, int32_t from, int32_t to, int32_t x0,
                       int32_t x1) {
    for (int32_t x = x0; x < x1; ++x) positions[x] = 1;
    if (!above) return;
    for (int32_t x = from; x < to; ++x) {
        const uint32_t inRoi = (uint32_t{predecessorRoi[x]} >> r) & 1u;
        const uint32_t a = predecessorLevels[x], b = levels[x];
        positions[x] = a == b ? (predecessorPositions[x] & (0u - inRoi)) + 1 : 1u;
    }
}

template <RunDirection kDirection, class Levels>
void countRunPositions(const TextureContext& context, const RoiSegments& segments,
                       const Levels& level, uint32_t levels, const RoiCells& cells,
                       std::vector<uint32_t>& positions) {
    const PixelRect& box = segments.box();
    const int32_t w = box.width();
    // Positions of the previous and the current row per ROI, with a spare
    // column on either side for predecessors outside the box.
    const size_t stride = static_cast<size_t>(w) + 2;
    positions.assign(2 * kRoiCount * stride, 0);
    auto positionRow = [&](int32_t y, int r) {
        return positions.data() + (static_cast<size_t>(y & 1) * kRoiCount + r) * stride + 1 -
               box.xmin;
    };
    constexpr int32_t predecessorDx = kDirection == RunDirection::Diagonal45    ? 1
                                      : kDirection == RunDirection::Diagonal135 ? -1
                                                                                : 0;
    for (int32_t y = box.ymin; y <= box.ymax; ++y) {
        const size_t row = context.index(0, y);
        const bool above = y > box.ymin;
        const size_t previousRow = above ? context.index(0, y - 1) : row;
        const uint16_t* previousRoi = context.roiMap + previousRow;
        const RoiSegments::Segment* end = segments.end(y);
        for (const RoiSegments::Segment* segment = segments.begin(y); segment != end; ++segment) {
            const int32_t x0 = segment->start;
            const int32_t x1 = segment + 1 != end ? segment[1].start : box.xmax + 1;
            for (uint32_t bits = segment->word; bits != 0; bits &= bits - 1) {
                const int r = std::countr_zero(bits);
                uint32_t* counts = cells[r];
                uint32_t* current = positionRow(y, r);
                if constexpr (kDirection == RunDirection::Horizontal) {
                    // The run carries over from the segment before when that
                    // one holds ROI r too.
                    uint32_t position = 0, previousLevel = 0;
                    if (x0 > box.xmin && ((context.roiMap[row + x0 - 1] >> r) & 1u) != 0) {
                        position = current[x0 - 1];
                        previousLevel = level(r, row + x0 - 1);
                    }
                    for (int32_t x = x0; x < x1; ++x) {
                        const uint32_t q = level(r, row + x);
                        const uint32_t same = static_cast<uint32_t>(position != 0) &
                                              static_cast<uint32_t>(q == previousLevel);
                        position = (position & (0u - same)) + 1;
                        current[x] = position;
                        ++counts[(position - 1) * levels + q];
                        previousLevel = q;
                    }
                } else if constexpr (std::is_same_v<Levels, PlaneLevels>) {
                    planeRunPositions(level.plane + row, level.plane + previousRow + predecessorDx,
                                      previousRoi + predecessorDx,
                                      positionRow(y - 1, r) + predecessorDx, current, r, above,
                                      std::max(x0, box.xmin - predecessorDx),
                                      std::min(x1, box.xmax + 1 - predecessorDx), x0, x1);
                    const uint16_t* levelsOfRow = level.plane + row;
                    for (int32_t x = x0; x < x1; ++x)
                        ++counts[(current[x] - 1) * levels + levelsOfRow[x]];
                } else {
                    const uint32_t* previous = positionRow(y - 1, r);
                    for (int32_t x = x0; x < x1; ++x) {
                        const uint32_t q = level(r, row + x);
                        const int32_t px = x + predecessorDx;
                        const int32_t clamped = std::clamp(px, box.xmin, box.xmax);
                        const uint32_t inRoi = static_cast<uint32_t>(above && px == clamped) &
                                               ((previousRoi[clamped] >> r) & 1u);
                        // Only a pixel of ROI r has a level under its table.
                        const uint32_t predecessorLevel =
                            level(r, inRoi != 0 ? previousRow + clamped : row + x);
                        const uint32_t same = inRoi & static_cast<uint32_t>(predecessorLevel == q);
                        const uint32_t position = (previous[px] & (0u - same)) + 1;
                        current[x] = position;
                        ++counts[(position - 1) * levels + q];
                    }
                }
            }
        }
    }
}

template <class Levels>
void countRunPositions(RunDirection direction, const TextureContext& context,
                       const RoiSegments& segments, const Levels& level, int32_t levels,
                       const RoiCells& cells, std::vector<uint32_t>& positions) {
    const uint32_t q = static_cast<uint32_t>(levels);
    switch (direction) {
        case RunDirection::Horizontal:
            countRunPositions<RunDirection::Horizontal>(context, segments, level, q, cells,
                                                        positions);
            break;
        case RunDirection::Vertical:
            countRunPositions<RunDirection::Vertical>(context, segments, level, q, cells,
                                                      positions);
            break;
        case RunDirection::Diagonal45:
            countRunPositions<RunDirection::Diagonal45>(context, segments, level, q, cells,
                                                        positions);
            break;
        case RunDirection::Diagonal135:
            countRunPositions<RunDirection::Diagonal135>(context, segments, level, q, cells,
                                                         positions);
            break;
    }
}

}  // namespace

bool appendRunLengthRecords(const TextureContext& context, const RoiStatisticsTable& statistics,
                            const AnalysisOptions& options, std::vector<FeatureRecord>& out) {
    const AnalysisOptions o = options.sanitized();
    if (o.Do_rl == 0) return true;
    try {
        out.reserve(out.size() + kRunLengthRecordCount);
        const RoiLevels levels(context, statistics, o.Do_normal, o.Ng_rl);
        std::array<RunLengthMatrix, kRoiCount> matrices;
        for (int r = 0; r < kRoiCount; ++r) {
            const PixelRect box = statistics[r].box();
            matrices[r].prepare(levels.levels(),
                                statistics[r].count > 0 ? std::max(box.width(), box.height()) : 1);
        }
        const RoiSegments segments(context, unionOfRoiBoxes(statistics));
        const bool any = !segments.box().empty();
        std::vector<uint32_t> positions;
        std::array<std::array<RoiValues, kRunLengthFeatureCount>, 4> values{};
        for (int d = 0; d < 4; ++d) {
            const RunDirection direction = kRunDirections[d];
            for (RunLengthMatrix& m : matrices) m.clear();
            if (any) {
                RoiCells cells;
                for (int r = 0; r < kRoiCount; ++r) cells[r] = matrices[r].cells();
                if (levels.shared())
                    countRunPositions(direction, context, segments, levels.planeLevels(),
                                      levels.levels(), cells, positions);
                else
                    countRunPositions(direction, context, segments, levels.tableLevels(context),
                                      levels.levels(), cells, positions);
                for (int r = 0; r < kRoiCount; ++r)
                    if (statistics[r].count > 0)
                        matrices[r].noteLengthCounts(levels.lowest(r), levels.highest(r));
            }
            for (int r = 0; r < kRoiCount; ++r) {
                const auto f = runLengthFeatures(matrices[r]);
                for (int k = 0; k < kRunLengthFeatureCount; ++k) values[d][k][r] = f[k];
            }
        }
        for (int d = 0; d < 4; ++d)
            for (int k = 0; k < kRunLengthFeatureCount; ++k)
                appendFeatureRecord(out, runLengthFeatureName(kRunDirections[d], k), values[d][k]);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
