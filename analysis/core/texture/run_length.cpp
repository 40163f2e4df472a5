#include "analysis/core/texture/run_length.h"

#include <algorithm>
#include <bit>
#include <new>
#include <type_traits>

#include "analysis/core/texture/roi_levels.h"
#include "analysis/core/texture/roi_segments.h"
#include "analysis/core/texture/texture_records.h"

std::string runLengthFeatureName(RunDirection direction, int feature) {
    std::string name(kRunLengthDirectionPrefixes[static_cast<int>(direction)]);
    name += kRunLengthFeatureNames[feature];
    return name;
}

int runLengthRecordCount(const AnalysisOptions& options) {
    return options.sanitized().Do_rl != 0 ? kRunLengthRecordCount : 0;
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
                       std::pmr::vector<uint32_t>& positions) {
    const PixelRect& box = segments.box();
    const int32_t w = box.width();
    // ROIs without cells are not counted by this call.
    uint32_t counted = 0;
    for (int r = 0; r < kRoiCount; ++r)
        if (cells[r] != nullptr) counted |= 1u << r;
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
            for (uint32_t bits = segment->word & counted; bits != 0; bits &= bits - 1) {
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
                       const RoiCells& cells, std::pmr::vector<uint32_t>& positions) {
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

RunLengthRoiValues runLengthDirectionValues(const TextureContext& context,
                                            const RoiStatisticsTable& statistics,
                                            const RoiLevels& levels, const RoiSegments& segments,
                                            RunDirection direction, uint32_t roiMask,
                                            RunLengthScratch& scratch) {
    std::array<RunLengthMatrix, kRoiCount>& matrices = scratch.matrices;
    const auto wanted = [&](int r) { return ((roiMask >> r) & 1u) != 0; };
    // The ROIs counted take the first matrices, in order: a scratch that
    // serves four ROIs at a time holds four.
    std::array<RunLengthMatrix*, kRoiCount> matrixOf{};
    int slot = 0;
    for (int r = 0; r < kRoiCount; ++r) {
        if (!wanted(r)) continue;
        const PixelRect box = statistics[r].box();
        matrixOf[r] = &matrices[slot++];
        matrixOf[r]->prepare(levels.levels(),
                             statistics[r].count > 0 ? std::max(box.width(), box.height()) : 1);
    }
    if (!segments.box().empty()) {
        std::pmr::vector<uint32_t>& positions = scratch.positions;
        RoiCells cells;
        for (int r = 0; r < kRoiCount; ++r) cells[r] = wanted(r) ? matrixOf[r]->cells() : nullptr;
        if (levels.shared())
            countRunPositions(direction, context, segments, levels.planeLevels(), levels.levels(),
                              cells, positions);
        else
            countRunPositions(direction, context, segments, levels.tableLevels(context),
                              levels.levels(), cells, positions);
        for (int r = 0; r < kRoiCount; ++r)
            if (statistics[r].count > 0 && wanted(r))
                matrixOf[r]->noteLengthCounts(levels.lowest(r), levels.highest(r));
    }
    RunLengthRoiValues values{};
    for (int r = 0; r < kRoiCount; ++r) {
        if (!wanted(r)) continue;
        const auto f = runLengthFeatures(*matrixOf[r]);
        for (int k = 0; k < kRunLengthFeatureCount; ++k) values[k][r] = f[k];
    }
    return values;
}

void appendRunLengthDirectionRecords(RunDirection direction, const RunLengthRoiValues& values,
                                     std::vector<FeatureRecord>& out) {
    for (int k = 0; k < kRunLengthFeatureCount; ++k)
        appendFeatureRecord(out, runLengthFeatureName(direction, k), values[k]);
}
