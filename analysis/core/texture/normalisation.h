// Grey-level normalisation: the per-ROI limits of the three normalisation
// modes, and the requantisation of samples to levels of n bits that the
// co-occurrence, run-length and gradient families and the feature maps use.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/grey_histogram.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"

// number * numerator / denominator through a 64-bit product, rounded to the
// nearest integer with halves away from zero; -1 when the denominator is 0 or
// the result does not fit in 32 bits. Stored requantised levels depend on
// exactly this rounding.
int32_t mulDiv(int32_t number, int32_t numerator, int32_t denominator);

// Normalisation modes (Do_normal).
inline constexpr int32_t kNormaliseNone = 0;
inline constexpr int32_t kNormaliseThreeSigma = 1;
inline constexpr int32_t kNormaliseOnePercent = 2;
inline constexpr int32_t kNormaliseMinMax = 3;

struct NormalisationLimits {
    int32_t low = 0;
    int32_t high = 0;
};

// The limits of a region from its histogram, for mode:
// - 1: trunc(mean -/+ 3 standard deviations) of the levels counted from 1;
// - 2: low = a, high = b - 1, where a and b are the 1% and 99% levels counted from 1;
// - 3: the given smallest and largest sample;
// - otherwise 0 and 2^B - 1.
// Modes 1 and 2 mix levels counted from 1 with raw samples; reports store the
// limits exactly so, and the requantisation compares them with raw samples.
// An empty region gives 0 and 0.
NormalisationLimits normalisationLimits(const GreyHistogram& histogram, int32_t mode,
                                        int32_t bitDepth, int32_t smallest, int32_t largest);

// How samples become levels 0..2^bits - 1.
struct LevelMapping {
    int32_t mode = kNormaliseNone;  // Do_normal
    int32_t bitDepth = 8;           // B of the image
    int32_t bits = 6;               // n
    NormalisationLimits limits;     // used when mode != 0
};

// Mode 0: the sample shifted from B to n bits. Otherwise the sample clamped to
// the limits, scaled by mulDiv(v - low, 2^n - 1, high - low); the result is
// masked to n bits, so equal limits (mulDiv gives -1) map everything to the
// top level. Bits are brought into 1..16.
uint16_t requantiseSample(uint32_t sample, const LevelMapping& mapping);

// The level of pixel (x, y). A position outside the image reads as sample 0.
uint16_t RequantisePixel(const TextureContext& context, const LevelMapping& mapping, int32_t x,
                         int32_t y);

// requantiseSample as a table for samples 0..size-1; larger samples are
// computed on demand, so any sample is safe.
class LevelTable {
  public:
    LevelTable() = default;
    LevelTable(const LevelMapping& mapping, uint32_t size);

    uint16_t operator[](uint32_t sample) const {
        return sample < table_.size() ? table_[sample] : requantiseSample(sample, mapping_);
    }
    int32_t bits() const { return mapping_.bits; }
    int32_t levels() const { return int32_t{1} << mapping_.bits; }
    const LevelMapping& mapping() const { return mapping_; }
    // The tabulated samples 0..size()-1, for loops that know their samples fit.
    const uint16_t* data() const { return table_.data(); }
    uint32_t size() const { return static_cast<uint32_t>(table_.size()); }
    // Lowest and highest level of the samples smallest..largest.
    void levelRange(uint32_t smallest, uint32_t largest, int32_t& lowest, int32_t& highest) const;

  private:
    LevelMapping mapping_;
    std::vector<uint16_t> table_;
};

// The mapping of ROI r for a run: mode and limits from the statistics.
LevelMapping roiLevelMapping(const TextureContext& context, const RoiStatistics& statistics,
                             int32_t mode, int32_t bits);

// 2 ("_MinNorm", "_MaxNorm") when the sanitized options normalise, else 0.
int normalisationRecordCount(const AnalysisOptions& options);

// With normalisation on (options.sanitized().Do_normal != 0): computes the
// limits of every ROI into statistics and appends "_MinNorm" (the low limits)
// and "_MaxNorm" (the high limits). With it off nothing happens. Returns false,
// appending nothing, when memory runs out.
bool appendNormalisationRecords(const TextureContext& context, RoiStatisticsTable& statistics,
                                const AnalysisOptions& options, std::vector<FeatureRecord>& out);
