// The requantised levels of a run for all 16 ROIs at once. Without
// normalisation every ROI maps samples alike, so one plane of levels serves
// them all; with it each ROI has its own table built from its limits.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/core/normalisation.h"
#include "analysis/core/roi_geometry.h"
#include "analysis/core/texture_context.h"
#include "workspace/core/roi_set.h"

// Level readers for the kernels that serve all 16 ROIs in one pass.
struct PlaneLevels {
    const uint16_t* plane;
    uint16_t operator()(int /*roi*/, size_t idx) const { return plane[idx]; }
};
struct TableLevels {
    const uint16_t* samples;
    const LevelTable* tables;  // one per ROI
    uint16_t operator()(int roi, size_t idx) const { return tables[roi][samples[idx]]; }
};

class RoiLevels {
  public:
    // Levels of n bits for mode (0..3) with the limits in statistics.
    RoiLevels(const TextureContext& context, const RoiStatisticsTable& statistics, int32_t mode,
              int32_t bits);

    // True when one plane of levels holds every pixel's level (mode 0).
    bool shared() const { return !plane_.empty(); }
    // Level of pixel idx, valid for pixels of the union of the ROI boxes.
    const uint16_t* plane() const { return plane_.data(); }
    // The table of ROI r; covers every sample of the ROI.
    const LevelTable& table(int roi) const { return tables_[shared() ? 0 : roi]; }
    int32_t levels() const { return int32_t{1} << bits_; }
    // Readers for the one-pass kernels: the plane when shared, else the tables.
    PlaneLevels planeLevels() const { return PlaneLevels{plane_.data()}; }
    TableLevels tableLevels(const TextureContext& context) const {
        return TableLevels{context.samples, tables_.data()};
    }
    // Lowest and highest level that a pixel of ROI r can have.
    int32_t lowest(int roi) const { return lowest_[roi]; }
    int32_t highest(int roi) const { return highest_[roi]; }

  private:
    int32_t bits_;
    std::vector<uint16_t> plane_;
    std::array<LevelTable, kRoiCount> tables_;  // only the first when shared
    std::array<int32_t, kRoiCount> lowest_{};
    std::array<int32_t, kRoiCount> highest_{};
};

