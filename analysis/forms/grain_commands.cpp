#include "analysis/forms/grain_commands.h"

#include <algorithm>
#include <string>

#include "analysis/core/grains/grain_labelling.h"
#include "analysis/core/grains/roi_closing.h"
#include "analysis/forms/grain_options_dialog.h"
#include "platform/dialogs.h"
#include "workspace/forms/vantu_windows.h"

namespace {

bool haveImage(WorkspaceView* window) {
    if (window->state.GreyImage && window->state.RoiMap) return true;
    platform::showError(kNoGrainDataMessage);
    return false;
}

// Steps 1-3 of the labelling: undo point, cleared map, the kept grains.
GrainLabels labelGrains(WorkspaceView* window, const GrainOptions& options) {
    WorkspaceState& state = window->state;
    window->EnableUndoRedo(PlanePushUndo(state.RoiMap.get()));
    std::fill_n(state.RoiMap->current, state.RoiMap->size(), uint16_t{0});
    const ImagePlane& grey = *state.GreyImage;
    return findGrains(grey.current, grey.width, grey.height, options.Sg_threshold,
                      options.Sg_minarea);
}

void showRoiMap(WorkspaceView* window) {
    window->roiMapChanged();
}

bool sameSize(const ImagePlane& a, int32_t width, int32_t height) {
    return a.width == width && a.height == height;
}

}  // namespace

void SegmentacjaClick(WorkspaceView* window) {
    if (!haveImage(window)) return;
    const GrainOptions options = grainOptions().sanitized();
    const GrainLabels labels = labelGrains(window, options);
    ImagePlane& roi = *window->state.RoiMap;
    paintGrains(labels, 0, labels.grains.size(), options.Sg_GrainsPerRoi, roi.current);
    closeRoiMap(roi.current, roi.width, roi.height, options.Sg_ClosingDepth);
    showRoiMap(window);
}

void Analiza1Click(WorkspaceView* window) {
    if (!haveImage(window)) return;
    WorkspaceState& state = window->state;
    const GrainOptions options = grainOptions().sanitized();
    const bool extra = _OpZiarna && _OpZiarna->useExtraRoi && !_OpZiarna->extraRoiFile.empty();
    // The image the analyses are about, remembered by its file.
    const std::string image = state.ImageFileName;
    const int32_t width = state.GreyImage->width, height = state.GreyImage->height;
    const std::string roiFile = extra ? _OpZiarna->extraRoiFile : std::string();
    auto loadExtra = [&] {
        if (window->openFile(roiFile) <= 0 || !state.GreyImage ||
            !sameSize(*state.GreyImage, width, height)) {
            // Grains of a bitmap of another size would land on the wrong pixels.
            platform::showError("The ROI file \"" + roiFile +
                                "\" cannot be used: it must be an image of the same size as \"" +
                                image + "\".");
            window->openFile(image);
            return false;
        }
        return true;
    };
    if (extra && !loadExtra()) return;

    const GrainLabels labels = labelGrains(window, options);
    if (options.Sg_SetClassName) {
        state.RoiNames.fill(options.Sg_ClassName);
        window->showRoiNames();
    }
    ImagePlane* roi = state.RoiMap.get();
    for (const GrainBatch& batch : grainBatches(labels.grains.size(), options.Sg_GrainsPerRoi)) {
        roi = state.RoiMap.get();
        std::fill_n(roi->current, roi->size(), uint16_t{0});
        paintGrains(labels, batch.first, batch.last, options.Sg_GrainsPerRoi, roi->current);
        closeRoiMap(roi->current, roi->width, roi->height, options.Sg_ClosingDepth);
        showRoiMap(window);
        if (extra) window->openFile(image);
        window->Run1Click();
        if (extra && !loadExtra()) return;
        roi = state.RoiMap.get();
        std::fill_n(roi->current, roi->size(), uint16_t{0});
    }
    if (extra) window->openFile(image);
    showRoiMap(window);
}
