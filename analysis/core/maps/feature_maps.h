// Parametric feature maps: texture features computed in a window moved over
// the whole image, one map (an image of doubles) per selected feature.
// Every window's value is the value the per-ROI engine gives for a
// rectangular region covering that window (every pixel counted, no ROI
// test); the co-occurrence maps get it from sliding sparse matrices, the
// other families from the engine's builders and evaluators per window. Rows
// of windows are spread over all cores; the maps do not depend on the
// number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/runner/progress.h"
#include "analysis/core/texture/texture_context.h"

// Receives each finished map (width x height values, (x, y) at x + y * width);
// the values are freed after the call.
using FeatureMapSink = std::function<void(const std::string& name, const double* values,
                                          int32_t width, int32_t height)>;

// Computes the maps the options' map tree selects over the image of context
// (its ROI map is not read), in family order: run-length, co-occurrence per
// enabled distance, gradient, histogram, AR model, with the progress texts
// "Runlength maps (%d) done", "Co-occurrence maps (%d) done", "Gradient maps
// done", "Histogram maps done" and "AR-model maps done". An image smaller
// than the window gives maps of zeros. A block of maps whose memory cannot
// be had is skipped (its progress text still follows). Returns false when
// the run was cancelled.
bool ComputeFeatureMaps(const TextureContext& context, const AnalysisOptions& options,
                        const FeatureMapSink& addFeatureMap, const ProgressSink& progress);
