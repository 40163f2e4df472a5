#include "workspace/core/roi/roi_source.h"

#include "workspace/core/image/image_plane.h"
#include "workspace/core/roi/region_digest.h"
#include "workspace/core/workspace_state.h"

uint64_t roiMapDigest(const ImagePlane& roiMap) {
    uint64_t hash = kDigestStart;
    digestStep(hash, static_cast<uint32_t>(roiMap.width));
    digestStep(hash, static_cast<uint32_t>(roiMap.height));
    if (roiMap.current != nullptr) digestWords(hash, roiMap.current, roiMap.size());
    return hash;
}

void noteRoiSource(WorkspaceState& state, const std::string& path) {
    state.RoiFile = RoiSource();
    if (!state.RoiMap) return;
    state.RoiFile.path = path;
    state.RoiFile.imageFileName = state.ImageFileName;
    state.RoiFile.width = state.RoiMap->width;
    state.RoiFile.height = state.RoiMap->height;
    state.RoiFile.digest = roiMapDigest(*state.RoiMap);
}

std::string currentRoiFile(const WorkspaceState& state) {
    const RoiSource& source = state.RoiFile;
    if (source.path.empty() || !state.RoiMap) return {};
    if (source.imageFileName != state.ImageFileName || source.width != state.RoiMap->width ||
        source.height != state.RoiMap->height || source.digest != roiMapDigest(*state.RoiMap))
        return {};
    return source.path;
}

bool roiMapIsEmpty(const ImagePlane& roiMap) {
    if (roiMap.current == nullptr) return true;
    const size_t count = roiMap.size();
    for (size_t i = 0; i < count; ++i)
        if (roiMap.current[i] != 0) return false;
    return true;
}
