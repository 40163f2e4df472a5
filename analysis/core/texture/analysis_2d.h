// The 2D analysis of one image: every enabled texture family over the 16
// ROIs in a fixed order, under a header text that describes the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/runner/progress.h"
#include "workspace/core/image/image_plane.h"

struct Analysis2DInput {
    const ImagePlane* grey = nullptr;
    const ImagePlane* roiMap = nullptr;
    int32_t imageMax = 0;
    int32_t imageMin = 0;
    int32_t bitDepth = 8;
    AnalysisOptions options;  // as stored; the run uses options.sanitized()
    std::string imageTitle;
    std::string roiFileName;
};

struct RecordCount {
    int records = 0;
    int steps = 0;
};

// The records and progress steps a run with these options produces.
RecordCount countAnalysis2D(const AnalysisOptions& options);

// The header text of the run (before the runner's own lines).
std::string reportHeader2D(const Analysis2DInput& input);

class Analysis2DBuffers;

// Appends the records of every enabled family to `records` and writes the
// header; returns false when the run was cancelled (the records are then
// incomplete and must not become a document). The run works in `buffers` and
// leaves them for the next run on the image.
bool Analyse2D(const Analysis2DInput& input, std::vector<FeatureRecord>& records,
               std::string& header, const ProgressSink& progress, Analysis2DBuffers& buffers);
