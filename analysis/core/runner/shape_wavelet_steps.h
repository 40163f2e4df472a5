// The steps of a 2D run around the texture families: the shape records that
// open the record list, and the wavelet map and energies that close it, with
// their progress texts and header lines.
#pragma once

#include <string>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/options/grain_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/runner/progress.h"
#include "analysis/core/texture/analysis_2d.h"
#include "analysis/core/texture/wavelets.h"

// Records and progress steps these steps add to the texture count: 1 step
// when the wavelet map or energies are on, 1 more step and 32 records for
// the energies, 1 step and 73 / 43 / 116 records for the shape groups.
RecordCount countShapeAndWavelet(const AnalysisOptions& options, const GrainOptions& grains);

// Before the texture families: the shape records of the switched-on groups
// into `records`, then "Geometrical features done". Nothing when both are off.
void runShapeStep(const Analysis2DInput& input, const GrainOptions& grains,
                  std::vector<FeatureRecord>& records, const ProgressSink& progress);

// After the texture families (and the parametric maps):
// - the header gets "Geometrical features done" when shape records ran;
// - Do_wavMap: the picture into `map` (size 0 when there is none), then
//   "Wavelet image done";
// - Do_wavF1: the 32 energy records appended, less the ones no ROI fills,
//   then "Wavelet features done";
// - the header gets "Wavelet analysis = Yes" or "No" (by Do_wavF1), and a
//   line saying why when an image side over 4096 left the wavelets out
//   ("No" then too).
// Returns false when cancelled.
bool runWaveletSteps(const Analysis2DInput& input, const GrainOptions& grains,
                     std::vector<FeatureRecord>& records, std::string& header, WaveletPyramid& map,
                     const ProgressSink& progress);

// The name of the wavelet map in the feature-map list.
inline constexpr const char* kWaveletMapName = "Wavelet";
