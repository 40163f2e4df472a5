// The requantised levels of a run for all 16 ROIs at once. With normalisation
// each ROI has its own table built from its limits. One plane of levels serves
// every ROI when the ROIs map samples alike (no normalisation) or when no pixel
// lies in two ROIs (each pixel then has the level of its own ROI).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <vector>

#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"
#include "workspace/core/roi/roi_set.h"

// Level readers for the kernels that serve all 16 ROIs in one pass.
struct PlaneLevels {
    const uint16_t* plane;
    uint16_t operator()(int /*roi*/, size_t idx) const { return plane[idx]; }
};
struct TableLevels {
    const uint16_t* samples;
    std::array<const uint16_t*, kRoiCount> tables;  // each covers every sample of its ROI
    uint16_t operator()(int roi, size_t idx) const { return tables[roi][samples[idx]]; }
};

// Room for a plane of levels of the image's size, kept by the owner of a
// run's buffers: the next run on the image writes into pages it already has.
class LevelPlaneStore {
  public:
    // Words taken from `memory`.
    explicit LevelPlaneStore(std::pmr::memory_resource* memory) : memory_(memory) {}
    LevelPlaneStore(const LevelPlaneStore&) = delete;
    LevelPlaneStore& operator=(const LevelPlaneStore&) = delete;
    ~LevelPlaneStore() { release(); }
    // Room for `count` words, holding whatever was written there before.
    uint16_t* words(size_t count);
    void release();

  private:
    std::pmr::memory_resource* memory_;
    uint16_t* words_ = nullptr;
    size_t count_ = 0;
};

class RoiLevels {
  public:
    // Levels of n bits for mode (0..3) with the limits in statistics; a
    // plane of levels, when they have one, is written into store (which must
    // outlive them).
    RoiLevels(const TextureContext& context, const RoiStatisticsTable& statistics, int32_t mode,
              int32_t bits, LevelPlaneStore& store);

    // True when the plane holds the level of every ROI pixel for its ROIs.
    bool shared() const { return plane_ != nullptr; }
    // Level of pixel idx, valid for pixels in a ROI.
    const uint16_t* plane() const { return plane_; }
    // The table of ROI r; covers every sample of the ROI.
    const LevelTable& table(int roi) const { return tables_[normalised_ ? roi : 0]; }
    int32_t levels() const { return int32_t{1} << bits_; }
    // Readers for the one-pass kernels: the plane when shared, else the tables.
    PlaneLevels planeLevels() const { return PlaneLevels{plane_}; }
    TableLevels tableLevels(const TextureContext& context) const {
        TableLevels levels{context.samples, {}};
        for (int r = 0; r < kRoiCount; ++r) levels.tables[r] = tables_[r].data();
        return levels;
    }
    // Lowest and highest level that a pixel of ROI r can have.
    int32_t lowest(int roi) const { return lowest_[roi]; }
    int32_t highest(int roi) const { return highest_[roi]; }

  private:
    int32_t bits_;
    bool normalised_;
    // Of the image's size, but only the rows and columns of the ROIs' boxes
    // are written (and take memory).
    uint16_t* plane_ = nullptr;
    std::array<LevelTable, kRoiCount> tables_;  // only the first when shared
    std::array<int32_t, kRoiCount> lowest_{};
    std::array<int32_t, kRoiCount> highest_{};
};
