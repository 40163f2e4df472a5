// The 3D texture analysis: features of the grey volume inside each of the 16
// VOIs of the mask, family by family, into consecutive feature records (one
// value per VOI): "_Volume"; "_MinNorm3D", "_MaxNorm3D" with normalisation;
// 9 histogram, 6 gradient, 12 co-occurrence records per direction and enabled
// distance, 5 run-length records per direction. An empty VOI gets 0 in every
// record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/runner/progress.h"
#include "volume/core/volume/volume3d.h"
#include "volume/core/volume_options.h"

struct VolumeAnalysisCount {
    int records = 0;  // 1, + 2 normalisation, + 9, + 6, + 60 or 156 per distance, + 25 or 65
    int steps = 0;    // progress texts: one per family and per co-occurrence distance
};
VolumeAnalysisCount countVolumeAnalysis(const Analysis3DOptions& options);

// Fills `records` (resized to countVolumeAnalysis(options).records) and
// `header`, sending "Normalisation done", "Histogram done", "Gradient done",
// "Co-occurence: distance %d done" per distance and "Runlength done" as the
// families end. The mask's boxes and counts are recomputed first. Options are
// used sanitized. Cancel is polled per VOI, direction and slice; returns
// false when cancelled. When memory runs out inside a family the run ends
// there: the families before it are complete, the later records keep their
// names and zeros.
// Memory for the cut-out VOIs and their levels kept between families;
// beyond it they are cut out again. Tests lower it to prove the results stay.
inline constexpr size_t kVolumeAnalysisCacheBytes = size_t{512} << 20;
void setVolumeAnalysisCacheBytes(size_t bytes);

bool RunVolumeAnalysis(const Volume3D& image, Volume3D& mask, const Analysis3DOptions& options,
                       std::vector<FeatureRecord>& records, std::string& header,
                       const ProgressSink& progress);
