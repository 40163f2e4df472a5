#include "analysis/core/run_length.h"

#include <algorithm>
#include <bit>
#include <new>

#include "analysis/core/roi_levels.h"
#include "analysis/core/texture_records.h"

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
    f = {lengthSquares / s, levelSquares / s, longEmphasis / s, shortEmphasis / s, s / covered};
    return f;
}

namespace {

// The open runs of one line, per ROI.
struct LineRuns {
    uint32_t open = 0;  // bit r: ROI r has a run in progress on this line
    std::array<uint16_t, kRoiCount> level{};
    std::array<uint32_t, kRoiCount> length{};
};

// Run matrices of all 16 ROIs for one direction in one raster pass over box.
// Along each line the pixels are met in order (the predecessor of (x, y) is
// (x-1, y), (x, y-1), (x+1, y-1) or (x-1, y-1)), so a line's open runs carry
// from row to row. Pixels of a ROI lie in its own box, so lines cut by the
// union box give the same runs as lines cut by the ROI's box.
template <class Levels>
void countRuns(const TextureContext& context, const PixelRect& box, RunDirection direction,
               const Levels& level, std::array<RunLengthMatrix, kRoiCount>& matrices) {
    const int32_t w = box.width(), h = box.height();
    size_t lineCount = 0;
    switch (direction) {
        case RunDirection::Horizontal: lineCount = static_cast<size_t>(h); break;
        case RunDirection::Vertical: lineCount = static_cast<size_t>(w); break;
        default: lineCount = static_cast<size_t>(w) + h - 1; break;
    }
    std::vector<LineRuns> lines(lineCount);
    auto close = [&](LineRuns& line, uint32_t bits) {
        while (bits != 0) {
            const int r = std::countr_zero(bits);
            matrices[r].addRun(line.level[r], line.length[r]);
            bits &= bits - 1;
        }
    };
    for (int32_t y = 0; y < h; ++y) {
        const size_t row = context.index(box.xmin, box.ymin + y);
        const uint16_t* roi = context.roiMap + row;
        for (int32_t x = 0; x < w; ++x) {
            size_t id = 0;
            switch (direction) {
                case RunDirection::Horizontal: id = static_cast<size_t>(y); break;
                case RunDirection::Vertical: id = static_cast<size_t>(x); break;
                case RunDirection::Diagonal45: id = static_cast<size_t>(x + y); break;
                case RunDirection::Diagonal135: id = static_cast<size_t>(x - y + h - 1); break;
            }
            LineRuns& line = lines[id];
            const uint32_t inside = roi[x];
            if ((inside | line.open) == 0) continue;
            close(line, line.open & ~inside);
            for (uint32_t bits = inside; bits != 0; bits &= bits - 1) {
                const int r = std::countr_zero(bits);
                const uint16_t q = level(r, row + x);
                if (((line.open >> r) & 1u) != 0) {
                    if (line.level[r] == q) {
                        ++line.length[r];
                        continue;
                    }
                    matrices[r].addRun(line.level[r], line.length[r]);
                }
                line.level[r] = q;
                line.length[r] = 1;
            }
            line.open = inside;
        }
    }
    for (LineRuns& line : lines) close(line, line.open);
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
        const PixelRect box = clipToImage(context, unionOfRoiBoxes(statistics));
        const bool any = context.valid() && context.roiMap != nullptr && !box.empty();
        std::array<std::array<RoiValues, kRunLengthFeatureCount>, 4> values{};
        for (int d = 0; d < 4; ++d) {
            const RunDirection direction = kRunDirections[d];
            for (RunLengthMatrix& m : matrices) m.clear();
            if (any) {
                if (levels.shared())
                    countRuns(context, box, direction, levels.planeLevels(), matrices);
                else
                    countRuns(context, box, direction, levels.tableLevels(context), matrices);
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
