#include "workspace/core/roi/roi_save_mark.h"

#include <algorithm>

namespace {

// FNV-1a over 64-bit words: fast enough for the largest map at a question.
constexpr uint64_t kPrime = 1099511628211ull;

void mix(uint64_t& h, uint64_t value) {
    h = (h ^ value) * kPrime;
}

}  // namespace

uint64_t roiDigest(const WorkspaceState& state) {
    uint64_t h = 14695981039346656037ull;
    if (const ImagePlane* map = state.RoiMap.get()) {
        mix(h, static_cast<uint64_t>(map->width) << 32 | static_cast<uint32_t>(map->height));
        for (size_t i = 0; i < map->size(); ++i) mix(h, map->current[i]);
    }
    for (const std::string& name : state.RoiNames) {
        mix(h, name.size());
        for (char c : name) mix(h, static_cast<unsigned char>(c));
    }
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
