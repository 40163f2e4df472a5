// The run-length family: grey-level run-length matrices of the requantised
// levels in four directions, and the 5 features computed from each.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"

// Directions in the order of the records. The lines are walked with the steps
// (-1, 0), (0, +1), (-1, +1) and (-1, -1); a run is the same in either sense.
enum class RunDirection { Horizontal, Vertical, Diagonal45, Diagonal135 };
inline constexpr std::array<RunDirection, 4> kRunDirections = {
    RunDirection::Horizontal, RunDirection::Vertical, RunDirection::Diagonal45,
    RunDirection::Diagonal135};
inline constexpr std::array<std::string_view, 4> kRunDirectionPrefixes = {"Horzl_", "Vertl_",
                                                                          "45dgr_", "135dr_"};

inline constexpr int kRunLengthFeatureCount = 5;
inline constexpr std::array<std::string_view, kRunLengthFeatureCount> kRunLengthFeatureNames = {
    "RLNonUni", "GLevNonU", "LngREmph", "ShrtREmp", "Fraction"};
// Named indices into the result of runLengthFeatures, in the order of the names.
enum RunLengthFeature : int { kRLNonUni, kGLevNonU, kLngREmph, kShrtREmp, kFraction };
// The features of one run-length matrix R(q, l) (q a level, l a run length),
// with S = Σ R(q,l) runs and P = Σ l·R(q,l) pixels covered:
//   RLNonUni = Σ_l (Σ_q R(q,l))² / S        run-length non-uniformity
//   GLevNonU = Σ_q (Σ_l R(q,l))² / S        grey-level non-uniformity
//   LngREmph = Σ l² R(q,l) / S              long-run emphasis
//   ShrtREmp = Σ R(q,l) / l² / S            short-run emphasis
//   Fraction = S / P                        run percentage
inline constexpr int kRunLengthRecordCount = 4 * kRunLengthFeatureCount;

// Prefix + feature, for example "Vertl_LngREmph".
std::string runLengthFeatureName(RunDirection direction, int feature);

// 20 when the family is on (options sanitized), else 0.
int runLengthRecordCount(const AnalysisOptions& options);

// Run counts by level (Q = 2^bits) and length: cell (q, k) counts the runs of
// level q and length k + 1. Lengths beyond the prepared maximum make room for
// themselves.
class RunLengthMatrix {
  public:
    // An empty matrix for levels (brought into 2..256) and runs up to maxLength.
    void prepare(int32_t levels, int32_t maxLength);
    // Zeroes the cells used since the last clear.
    void clear();
    void addRun(uint32_t level, uint32_t length) {
        if (length > static_cast<uint32_t>(maxLength_)) grow(length);
        ++cells_[static_cast<size_t>(length - 1) * levels_ + level];
        const int32_t l = static_cast<int32_t>(level);
        if (lowest_ > highest_) {
            lowest_ = highest_ = l;
        } else {
            lowest_ = std::min(lowest_, l);
            highest_ = std::max(highest_, l);
        }
        longest_ = std::max(longest_, static_cast<int32_t>(length));
    }
    uint32_t at(int32_t level, int32_t k) const {
        return k < maxLength_ ? cells_[static_cast<size_t>(k) * levels_ + level] : 0;
    }
    int32_t levels() const { return levels_; }
    int32_t maxLength() const { return maxLength_; }
    // The longest run and the lowest and highest level counted (lowest >
    // highest when the matrix is empty).
    int32_t longest() const { return longest_; }
    int32_t lowestLevel() const { return lowest_; }
    int32_t highestLevel() const { return highest_; }

    // For builders that count pixels instead of runs: the pixel that is the
    // L-th of its run (of level q) adds 1 at [(L - 1) * levels + q], with L up
    // to maxLength. A run of length L so leaves one count at each length
    // 1..L, and noteLengthCounts turns the counts into runs (those at L minus
    // those at L + 1), given the levels lowest..highest that may occur.
    uint32_t* cells() { return cells_.data(); }
    void noteLengthCounts(int32_t lowest, int32_t highest);

  private:
    void grow(uint32_t length);
    int32_t levels_ = 0;
    int32_t maxLength_ = 0;
    std::vector<uint32_t> cells_;  // length-major: (q, k) at k * Q + q
    int32_t longest_ = 0;
    int32_t lowest_ = 0;
    int32_t highest_ = -1;
};

// The matrix of one region for one direction: every line of rect (clipped to
// the image) is walked once; pixels of the region (roi 0..15, or kEveryPixel)
// extend the current run when their level is the same, else start a new one;
// pixels outside the region and the end of a line close it. The matrix is
// prepared for the table's levels.
void buildRunLengthMatrix(const TextureContext& context, const PixelRect& rect, int roi,
                          const LevelTable& levels, RunDirection direction,
                          RunLengthMatrix& matrix);

// RLNonUni, GLevNonU, LngREmph, ShrtREmp, Fraction; all 0 for an empty matrix.
std::array<double, kRunLengthFeatureCount> runLengthFeatures(const RunLengthMatrix& matrix);

// The 20 run-length records for all 16 ROIs (levels of Ng_rl bits, normalised
// by the ROI's limits when Do_normal is on; options are sanitized first);
// nothing when the family is off. Each direction's 16 matrices come from one
// pass over the image. Returns false, appending nothing, when memory runs out.
bool appendRunLengthRecords(const TextureContext& context, const RoiStatisticsTable& statistics,
                            const AnalysisOptions& options, std::vector<FeatureRecord>& out);
