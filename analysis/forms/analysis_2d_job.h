// The 2D analysis as a job of the progress window: the snapshot of the main
// window's image and options taken on the GUI thread, the run on the worker,
// the new report document made back on the GUI thread.
#pragma once

#include <optional>

#include "analysis/forms/progress_window.h"

class WorkspaceView;

std::optional<ProgressJob> make2DAnalysisJob(WorkspaceView* window);
