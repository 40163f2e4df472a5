#include "analysis/forms/analysis_2d_job.h"

#include <memory>

#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/maps/feature_maps.h"
#include "analysis/core/maps/map_selection.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/runner/analysis_runner.h"
#include "analysis/core/runner/shape_wavelet_steps.h"
#include "analysis/core/texture/analysis_2d.h"
#include "analysis/core/texture/analysis_2d_buffers.h"
#include "analysis/core/texture/texture_context.h"
#include "analysis/forms/grain_options_dialog.h"
#include "platform/files.h"
#include "workspace/core/roi/roi_source.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/forms/workspace_view.h"

namespace {

PlanePtr copyPlane(const ImagePlane& plane) {
    // Copied straight from the samples, not into a zeroed plane first.
    return adoptPlane(plane.width, plane.height,
                      PlaneWords(plane.current, plane.current + plane.size()));
}

// Everything the worker reads, taken before it starts.
struct Snapshot {
    PlanePtr grey;
    PlanePtr roi;
    Analysis2DInput input;
    std::string prefix;
    std::array<std::string, kRoiCount> roiNames;
    std::vector<FeatureRecord> records;
    std::string header;
    GrainOptions grains;
    WaveletPyramid waveletMap;
    // The image's own: they outlive the run if the image stays.
    std::shared_ptr<Analysis2DBuffers> buffers;
};

// The 2D buffers the workspace keeps beside its image, made on the first run.
std::shared_ptr<Analysis2DBuffers> imageBuffers(WorkspaceState& state) {
    auto buffers = std::dynamic_pointer_cast<Analysis2DBuffers>(state.WorkingSet);
    if (!buffers) {
        buffers = std::make_shared<Analysis2DBuffers>();
        state.WorkingSet = buffers;
    }
    return buffers;
}

}  // namespace

std::optional<ProgressJob> make2DAnalysisJob(WorkspaceView* window) {
    WorkspaceState& state = window->state;
    if (!state.GreyImage || !state.RoiMap || state.ImageWidth == 0 || state.ImageHeight == 0)
        return std::nullopt;
    auto snap = std::make_shared<Snapshot>();
    snap->grey = copyPlane(*state.GreyImage);
    snap->roi = copyPlane(*state.RoiMap);
    if (!snap->grey || !snap->roi) return std::nullopt;
    snap->input.grey = snap->grey.get();
    snap->input.roiMap = snap->roi.get();
    snap->input.imageMax = state.ImageMax;
    snap->input.imageMin = state.ImageMin;
    snap->input.bitDepth = state.BitDepth;
    snap->input.options = analysisSettings().options;
    snap->input.imageTitle = imageTitle(state.ImageFileName, state.FeaturePrefix);
    // Only a file the present ROIs still came from is named.
    snap->input.roiFileName = platform::fileNamePart(currentRoiFile(state));
    snap->prefix = state.FeaturePrefix;
    snap->roiNames = state.RoiNames;
    snap->grains = grainOptions();
    snap->buffers = imageBuffers(state);

    ProgressJob job;
    job.run = [snap](const ProgressSink& progress) {
        progress.range(countAnalysis2D(snap->input.options).steps +
                       countFeatureMapSteps(snap->input.options) +
                       countShapeAndWavelet(snap->input.options, snap->grains).steps);
        runShapeStep(snap->input, snap->grains, snap->records, progress);
        const bool analysed =
            Analyse2D(snap->input, snap->records, snap->header, progress, *snap->buffers);
        snap->buffers.reset();
        if (!analysed) return false;
        // The maps go to the list as they are made: the modal progress window
        // keeps every other user of the list out until the run ends.
        const TextureContext context =
            textureContext(*snap->input.grey, *snap->input.roiMap, snap->input.imageMax,
                           snap->input.imageMin, snap->input.bitDepth);
        if (!ComputeFeatureMaps(
                context, snap->input.options,
                [](const std::string& name, const double* values, int32_t w, int32_t h) {
                    AddFeatureMap(name, values, w, h);
                },
                progress))
            return false;
        return runWaveletSteps(snap->input, snap->grains, snap->records, snap->header,
                               snap->waveletMap, progress);
    };
    job.finish = [snap](bool completed) {
        if (!completed) return;
        if (snap->waveletMap.size > 0)
            AddFeatureMap(kWaveletMapName, snap->waveletMap.values.data(), snap->waveletMap.size,
                          snap->waveletMap.size);
        std::vector<std::string> taken;
        for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d;
             d = NextReportDocument(d, nullptr))
            taken.push_back(d->name);
        applyFeaturePrefix(snap->records, snap->prefix);
        ReportDocument* doc =
            NewReportDocument(static_cast<int>(snap->records.size()), snap->records.data(),
                              snap->header, uniqueDocumentName(currentDocumentName(), taken));
        if (!doc) return;
        doc->saved = 0;
        for (size_t k = 0; k < kRoiCount; ++k) doc->roiName[k] = snap->roiNames[k].substr(0, 255);
    };
    return job;
}
