#include "workspace/core/roi/roi_save_mark.h"

#include <algorithm>

#include "workspace/core/roi/region_digest.h"
#include "workspace/core/roi/roi_source.h"

uint64_t roiDigest(const WorkspaceState& state) {
    // The map's digest, with the names folded in the same way.
    uint64_t h = state.RoiMap ? roiMapDigest(*state.RoiMap) : 0;
    digestNames(h, state.RoiNames);
    return h;
}

void markRoisKept(WorkspaceState& state) {
    state.RoiKeptDigest = roiDigest(state);
}

bool roisUnsaved(const WorkspaceState& state) {
    const ImagePlane* map = state.RoiMap.get();
    if (!map || map->size() == 0) return false;
    // No ROI drawn, or the whole image in ROI 1 as every first image starts.
    const uint16_t first = map->current[0];
    if ((first == 0 || first == 1) && std::all_of(map->current, map->current + map->size(),
                                                  [first](uint16_t word) { return word == first; }))
        return false;
    return roiDigest(state) != state.RoiKeptDigest;
}
