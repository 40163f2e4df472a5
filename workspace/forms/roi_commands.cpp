#include "workspace/forms/roi_commands.h"

#include <new>

#include "platform/dialogs.h"
#include "platform/out_of_memory.h"
#include "workspace/core/roi/roi_files.h"
#include "workspace/core/roi/roi_save_mark.h"

namespace {

void tell(std::string_view caption, const std::string& text) {
    platform::showMessage(std::string(caption), text, platform::MessageButtons::Ok,
                          platform::MessageIcon::Warning);
}

}  // namespace

int LoadRoiFile(WorkspaceView* window, const std::string& path, int type) {
    RoiFileStatus status;
    try {
        status = ::LoadRoiFile(window->state, path, type);
    } catch (const std::bad_alloc&) {
        // The ROI map is replaced only once the file is read: it stays as it was.
        tell(kRoiErrorCaption, platform::notEnoughMemoryText(path, window->state.ImageWidth,
                                                             window->state.ImageHeight));
        return -1;
    }
    if (status != RoiFileStatus::Ok) {
        tell(kRoiErrorCaption, roiFileMessage(status, path));
        return static_cast<int>(status);
    }
    window->roiSaveFileName = path;
    markRoisKept(window->state);
    window->EnableUndoRedo(undoRedoFlags(*window->state.RoiMap));
    window->showRoiNames();
    window->roiMapChanged();
    return 0;
}

void LoadRoiClick(WorkspaceView* window) {
    window->state.IgnoreMouse = 1;
    platform::FileDialogRequest request;
    request.title = kLoadRoiTitle;
    request.filter = kLoadRoiFilter;
    request.defaultExtension = kRoiDefaultExtension;
    auto answer = platform::showFileDialog(request);
    if (answer.accepted) LoadRoiFile(window, answer.path, answer.filterIndex);
}

void SaveRoiClick(WorkspaceView* window) {
    window->state.IgnoreMouse = 1;
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.title = kSaveRoiTitle;
    request.filter = kSaveRoiFilter;
    request.fileName = window->roiSaveFileName.empty() ? std::string(kSaveRoiDefaultName)
                                                       : window->roiSaveFileName;
    request.defaultExtension = kRoiDefaultExtension;
    request.overwritePrompt = true;
    auto answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    RoiSaveResult result = saveRoiByFilterIndex(window->state, answer.path, answer.filterIndex);
    if (result.status != RoiFileStatus::Ok) {
        tell(kRoiErrorCaption, roiFileMessage(result.status, answer.path));
    } else if (result.overlapping) {
        tell(kRoiWarningCaption, std::string(kOverlappingRegionsWarning));
    } else {
        markRoisKept(window->state);
    }
}

void morphologyClick(WorkspaceView* window, RoiMorphologyOp op) {
    WorkspaceState& state = window->state;
    if (!state.RoiMap) return;
    window->roiSaveFileName = kRoiSaveNameAfterEdit;
    window->EnableUndoRedo(PlanePushUndo(state.RoiMap.get()));
    applyRoiMorphology(*state.RoiMap, state.ActiveRoi, op,
                       window->commitMode() == CommitMode::NonOverlapping);
    window->roiMapChanged();
}
