// Loads the demo image and ROI file as the main window does. Kept apart from
// the report code: roi_files.h and report_document.h cannot share a file.
#pragma once

#include <string>

#include "workspace/core/workspace_state.h"

// What the main window holds after "LoadImage demo.bmp" and "LoadROI demo.roi"
// in `folder`. A failed load is a test failure; the state is then incomplete.
WorkspaceState loadDemo(const std::string& folder);
