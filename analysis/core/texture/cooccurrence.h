// The co-occurrence family of the 2D engine: symmetric grey-level
// co-occurrence matrices of the requantised levels for four displacements per
// distance, counted per ROI (or window), and their records. The features of a
// matrix are in cooccurrence_features.h.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory_resource>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/cooccurrence_features.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/scratch_pool.h"
#include "analysis/core/texture/texture_context.h"
#include "analysis/core/texture/texture_records.h"

class RoiLevels;
class RoiSegments;

// The pair-count record "_Area_S(dx,dy)" holds N, twice the number of pairs.
inline constexpr int kCooccurrenceRecordsPerDisplacement = 1 + kCooccurrenceFeatureCount;
inline constexpr int kCooccurrenceRecordsPerDistance = 4 * kCooccurrenceRecordsPerDisplacement;
inline constexpr int kCooccurrenceDistances = 5;

// The partner of pixel (x, y) is (x + dx, y - dy): a positive dy points up.
struct Displacement {
    int32_t dx = 0;
    int32_t dy = 0;
};

// (d, 0), (0, d), (d, d), (d, -d): the order of the records of a distance.
std::array<Displacement, 4> cooccurrenceDisplacements(int32_t distance);

// "_Area_S(dx,dy)", the record of the pair count N.
std::string cooccurrencePairCountName(Displacement displacement);
// "S(dx,dy)" + the feature's name, for example "S(1,-1)Contrast".
std::string cooccurrenceFeatureName(Displacement displacement, int feature);

// Whether distance d (1..5) is switched on (Do_vt1..Do_vt5).
bool cooccurrenceDistanceOn(const AnalysisOptions& options, int32_t distance);

// The matrix of one region for one displacement: pixels (x, y) of rect
// (clipped to the image) whose partner (x + dx, y - dy) lies in rect, both
// in the region (roi 0..15, or kEveryPixel). The matrix is prepared for the
// table's levels.
void buildCooccurrenceMatrix(const TextureContext& context, const PixelRect& rect, int roi,
                             const LevelTable& levels, Displacement displacement,
                             CooccurrenceMatrix& matrix);

// 48 per enabled distance when the family is on (options sanitized), else 0.
int cooccurrenceRecordCount(const AnalysisOptions& options);

// The values of the pair-count record and of the 11 feature records of one
// displacement for all 16 ROIs, counted in one pass over `segments` (the
// union of the ROI boxes) with the run's levels of Ng_vt bits: the unit of
// work of Analyse2D, which spreads displacements over threads. Only the ROIs of roiMask (bit r: ROI
// r) are counted; the others stay 0, so calls for disjoint masks may run side by side and be
// merged. Throws std::bad_alloc when memory runs out.
struct CooccurrenceRoiValues {
    RoiValues pairs{};
    std::array<RoiValues, kCooccurrenceFeatureCount> values{};
};
// The matrices one call counts in, handed from one call to the next by the
// run that owns them: fresh pages cost more than the counting. Every call
// leaves the cells it counted zero again.
struct CooccurrenceScratch {
    // Buffers taken from `memory`.
    explicit CooccurrenceScratch(std::pmr::memory_resource* memory)
        : matrices(arrayIn<CooccurrenceMatrix, kRoiCount>(memory)), moreBlocks(memory) {}
    std::array<CooccurrenceMatrix, kRoiCount> matrices;
    // The second blocks of the ROIs counted, zero between calls.
    std::pmr::vector<uint32_t> moreBlocks;
};
CooccurrenceRoiValues cooccurrenceDisplacementValues(const TextureContext& context,
                                                     const RoiStatisticsTable& statistics,
                                                     const RoiLevels& levels,
                                                     const RoiSegments& segments,
                                                     Displacement displacement, uint32_t roiMask,
                                                     CooccurrenceScratch& scratch);

// The 12 records of one displacement, in their order.
void appendCooccurrenceDisplacementRecords(Displacement displacement,
                                           const CooccurrenceRoiValues& values,
                                           std::vector<FeatureRecord>& out);
