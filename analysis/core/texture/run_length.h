// The run-length family of the 2D engine: grey-level run-length matrices of
// the requantised levels in four directions, counted per ROI (or window), and
// their records. The features of a matrix are in run_length_features.h.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/run_length_features.h"
#include "analysis/core/texture/scratch_pool.h"
#include "analysis/core/texture/texture_context.h"
#include "analysis/core/texture/texture_records.h"

class RoiLevels;
class RoiSegments;

// Directions in the order of the records. The lines are walked with the steps
// (-1, 0), (0, +1), (-1, +1) and (-1, -1); a run is the same in either sense.
enum class RunDirection { Horizontal, Vertical, Diagonal45, Diagonal135 };
inline constexpr std::array<RunDirection, 4> kRunDirections = {
    RunDirection::Horizontal, RunDirection::Vertical, RunDirection::Diagonal45,
    RunDirection::Diagonal135};

inline constexpr int kRunLengthRecordCount = 4 * kRunLengthFeatureCount;

// Prefix + feature, for example "Vertl_LngREmph".
std::string runLengthFeatureName(RunDirection direction, int feature);

// 20 when the family is on (options sanitized), else 0.
int runLengthRecordCount(const AnalysisOptions& options);

// The matrix of one region for one direction: every line of rect (clipped to
// the image) is walked once; pixels of the region (roi 0..15, or kEveryPixel)
// extend the current run when their level is the same, else start a new one;
// pixels outside the region and the end of a line close it. The matrix is
// prepared for the table's levels.
void buildRunLengthMatrix(const TextureContext& context, const PixelRect& rect, int roi,
                          const LevelTable& levels, RunDirection direction,
                          RunLengthMatrix& matrix);

// The values of the 5 records of one direction for all 16 ROIs, counted in
// one pass over `segments` (the union of the ROI boxes) with the run's levels
// of Ng_rl bits: the unit of work of Analyse2D, which spreads directions
// over threads. Only the ROIs of roiMask (bit r: ROI r) are
// counted; the others stay 0, so calls for disjoint masks may run side by
// side and be merged. Throws std::bad_alloc when memory runs out.
using RunLengthRoiValues = std::array<RoiValues, kRunLengthFeatureCount>;
// The matrices one call counts in, handed from one call to the next by the
// run that owns them: fresh pages cost more than the counting. prepare()
// clears what the last call counted.
struct RunLengthScratch {
    // Buffers taken from `memory`.
    explicit RunLengthScratch(std::pmr::memory_resource* memory)
        : matrices(arrayIn<RunLengthMatrix, kRoiCount>(memory)), positions(memory) {}
    std::array<RunLengthMatrix, kRoiCount> matrices;
    std::pmr::vector<uint32_t> positions;
};
RunLengthRoiValues runLengthDirectionValues(const TextureContext& context,
                                            const RoiStatisticsTable& statistics,
                                            const RoiLevels& levels, const RoiSegments& segments,
                                            RunDirection direction, uint32_t roiMask,
                                            RunLengthScratch& scratch);

// The 5 records of one direction, in their order.
void appendRunLengthDirectionRecords(RunDirection direction, const RunLengthRoiValues& values,
                                     std::vector<FeatureRecord>& out);
