// The run-length family's features: the matrix of run counts every counter
// fills (the 2D engine, the feature maps, the 3D engine), the 5 features of
// a matrix with their names and the direction prefixes of the records, and
// the one evaluator from matrix to features.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory_resource>
#include <string_view>
#include <vector>

inline constexpr int kRunLengthFeatureCount = 5;
inline constexpr std::array<std::string_view, kRunLengthFeatureCount> kRunLengthFeatureNames = {
    "RLNonUni", "GLevNonU", "LngREmph", "ShrtREmp", "Fraction"};
// Named indices into the result of runLengthFeatures, in the order of the names.
enum RunLengthFeature : int { kRLNonUni, kGLevNonU, kLngREmph, kShrtREmp, kFraction };
// The features of one run-length matrix R(q, l) (q a level, l a run length),
// with S = Σ R(q,l) runs and P = Σ l·R(q,l) pixels (or voxels) covered:
//   RLNonUni = Σ_l (Σ_q R(q,l))² / S        run-length non-uniformity
//   GLevNonU = Σ_q (Σ_l R(q,l))² / S        grey-level non-uniformity
//   LngREmph = Σ l² R(q,l) / S              long-run emphasis
//   ShrtREmp = Σ R(q,l) / l² / S            short-run emphasis
//   Fraction = S / P                        run percentage
// An empty matrix (S = 0) gives 0 in every feature.

// The prefixes of the records by direction: the four directions in the image
// plane (2D and 3D), then those that leave it (3D only).
inline constexpr std::array<std::string_view, 13> kRunLengthDirectionPrefixes = {
    "Horzl_",  "Vertl_",  "45dgr_",  "135dr_",  "Z_",      "FHorzl_", "FVertl_",
    "F45dgr_", "F135dr_", "BHorzl_", "BVertl_", "B45dgr_", "B135dr_"};

// Run counts by level (Q = 2^bits) and length: cell (q, k) counts the runs of
// level q and length k + 1. Lengths beyond the prepared maximum make room for
// themselves.
class RunLengthMatrix {
  public:
    RunLengthMatrix() = default;
    // Cells taken from `memory` (the ordinary heap by default).
    explicit RunLengthMatrix(std::pmr::memory_resource* memory) : cells_(memory) {}
    // An empty matrix for levels (brought into 2..256) and runs up to maxLength.
    void prepare(int32_t levels, int32_t maxLength);
    // Zeroes the cells used since the last clear.
    void clear();
    void addRun(uint32_t level, uint32_t length) {
        if (length > static_cast<uint32_t>(maxLength_)) grow(length);
        ++cells_[static_cast<size_t>(length - 1) * levels_ + level];
        noteLevels(static_cast<int32_t>(level), static_cast<int32_t>(level));
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
    // For builders that count runs straight into cells(), a run of level q
    // and length L adding 1 at [(L - 1) * levels + q] with L up to
    // maxLength: the levels lowest..highest and the lengths up to longest
    // that they may have counted.
    void noteRuns(int32_t lowest, int32_t highest, int32_t longest) {
        noteLevels(std::max(lowest, 0), std::min(highest, levels_ - 1));
        longest_ = std::max(longest_, std::min(longest, maxLength_));
    }

  private:
    void grow(uint32_t length);
    // Widens the range of levels counted to take in lowest..highest.
    void noteLevels(int32_t lowest, int32_t highest) {
        const bool empty = lowest_ > highest_;
        lowest_ = empty ? lowest : std::min(lowest_, lowest);
        highest_ = empty ? highest : std::max(highest_, highest);
    }
    int32_t levels_ = 0;
    int32_t maxLength_ = 0;
    std::pmr::vector<uint32_t> cells_;  // length-major: (q, k) at k * Q + q
    int32_t longest_ = 0;
    int32_t lowest_ = 0;
    int32_t highest_ = -1;
};

// The order of the sums behind the features. The features are the same sums
// either way; stored reports hold the bits of one order, so each counter
// keeps its own.
enum class RunLengthSummation {
    ByLength,  // lengths outside, levels inside (the 2D engine and the maps)
    ByLevel,   // levels outside, lengths inside (the 3D engine)
};

// RLNonUni, GLevNonU, LngREmph, ShrtREmp, Fraction.
std::array<double, kRunLengthFeatureCount> runLengthFeatures(
    const RunLengthMatrix& matrix, RunLengthSummation summation = RunLengthSummation::ByLength);
