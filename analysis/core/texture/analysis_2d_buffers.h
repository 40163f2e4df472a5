// The working buffers of 2D runs on one image: its level planes, the matrices
// of the counting units and the autoregressive fits' buffers. A run lends
// them to its units and leaves them, sized to the image, for the next run on
// it, which then takes no fresh pages. Whoever holds the image holds these
// and drops them with it (the workspace keeps them beside its image); a run
// on an image of another size frees them first, so they never hold more than
// one image's working set.
#pragma once

#include <cstdint>

#include "analysis/core/texture/ar_model.h"
#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/roi_levels.h"
#include "analysis/core/texture/run_length.h"
#include "analysis/core/texture/scratch_pool.h"
#include "platform/page_memory.h"
#include "workspace/core/image/image_working_set.h"

// One run at a time may use them.
class Analysis2DBuffers final : public ImageWorkingSet {
  public:
    // In pages mapped for them alone, which go back to the system with them.
    Analysis2DBuffers();
    // For a run on a width x height image: frees what was made for another size.
    void fitImage(int32_t width, int32_t height);

    LevelPlaneStore cooccurrenceLevels, runLengthLevels, gradientLevels;
    ScratchPool<CooccurrenceScratch> cooccurrence;
    ScratchPool<RunLengthScratch> runLength;
    ScratchPool<ArScratch> ar;

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
};
