// The main window as the commands on its image and ROI map see it: the
// workspace state it owns, the name the ROI save dialog offers, and what to
// redraw after a change. The ROI and grain commands take this, not the
// whole window, so the window can call them without a loop back to it.
#pragma once

#include <string>

#include "workspace/core/roi/roi_tools.h"
#include "workspace/core/workspace_state.h"

class WorkspaceView {
  public:
    virtual ~WorkspaceView() = default;

    WorkspaceState state;
    // The name the ROI save dialog offers ("newdraw.roi" after drawing).
    std::string roiSaveFileName;

    // After every change of the ROI map: the display and the indicators.
    virtual void roiMapChanged() = 0;
    // Enables "&Undo" for bit 0 and "&Redo" for bit 1.
    virtual void EnableUndoRedo(int flags) = 0;
    // The ROI names become the hints of the selector panels.
    virtual void showRoiNames() = 0;
    // How a drawn shape is committed (the mode buttons).
    virtual CommitMode commitMode() const = 0;
    // The window's own commands that a command may repeat: open a file by its
    // extension (as a drop does), and "Run".
    virtual int openFile(const std::string& path) = 0;
    virtual void Run1Click() = 0;
};
