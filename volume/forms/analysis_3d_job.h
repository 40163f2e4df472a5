// The 3D analysis as a job of the progress window (mode 3): the volumes, the
// VOI names and the options are copied on the GUI thread, the analysis runs
// on the worker (a cancelled run leaves nothing), and the new report
// document, named by the time, is made back on the GUI thread. The volume
// editor registers a factory for kMode3D that hands its volumes to this.
#pragma once

#include <optional>

#include "analysis/forms/progress_window.h"
#include "volume/core/files/voi_file.h"
#include "volume/core/volume/volume3d.h"
#include "volume/core/volume_options.h"

// Nothing to run without both volumes.
std::optional<ProgressJob> make3DAnalysisJob(const Volume3D* image, const Volume3D* mask,
                                             const Analysis3DOptions& options,
                                             const VoiNames& names);
