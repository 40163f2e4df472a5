// Whether the 2D ROIs hold work that no file keeps. A digest of the ROI map
// and the ROI names is taken whenever a file has them (loaded or saved) or
// another keeper has (the 3D editor's slice), and compared with what they
// are now, so every way of editing ROIs counts without each telling.
#pragma once

#include <cstdint>

#include "workspace/core/workspace_state.h"

// The map's size and words and the 16 names.
uint64_t roiDigest(const WorkspaceState& state);

// The ROIs as they are now are kept elsewhere.
void markRoisKept(WorkspaceState& state);

// True when map or names changed since the last mark; a map with no ROI, or
// with the whole image in ROI 1 (as a first image starts), has nothing to lose.
bool roisUnsaved(const WorkspaceState& state);
