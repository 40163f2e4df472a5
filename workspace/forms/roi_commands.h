// The ROI commands of the main window: ROI files and the morphology menu.
#pragma once

#include <string>

#include "workspace/core/roi/roi_morphology.h"
#include "workspace/forms/workspace_view.h"

// Loads a ROI file (type 1) or a picture in ROI colours (type 2) into the
// main window; 0 on success, else the failure code, after saying why.
int LoadRoiFile(WorkspaceView* window, const std::string& path, int type);

// "Load ROI ..." and "Save ROI ...".
void LoadRoiClick(WorkspaceView* window);
void SaveRoiClick(WorkspaceView* window);

// "&Opening", "&Closing", "&Dilation", "&Erosion" on the active ROI.
void morphologyClick(WorkspaceView* window, RoiMorphologyOp op);
