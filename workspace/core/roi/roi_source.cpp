#include "workspace/core/roi/roi_source.h"

#include "workspace/core/image/image_plane.h"
#include "workspace/core/workspace_state.h"

uint64_t roiMapDigest(const ImagePlane& roiMap) {
    // FNV-1a taken a word at a time: one pass, cheap beside any analysis.
    uint64_t hash = 14695981039346656037ull;
    auto add = [&hash](uint64_t value) { digestStep(hash, value); };
    add(static_cast<uint32_t>(roiMap.width));
    add(static_cast<uint32_t>(roiMap.height));
    if (roiMap.current == nullptr) return hash;
    const size_t count = roiMap.size();
    for (size_t i = 0; i < count; ++i) add(roiMap.current[i]);
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
