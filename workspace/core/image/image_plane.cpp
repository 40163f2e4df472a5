#include "workspace/core/image/image_plane.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

std::atomic<uint64_t> lastPlaneSerial{0};

bool sizeAllowed(int32_t width, int32_t height) {
    return width >= 0 && height >= 0 &&
           static_cast<size_t>(width) * static_cast<size_t>(height) <= kMaxPlaneWords;
}

}  // namespace

ImagePlane* PlaneCreate(ImagePlane* plane, int32_t width, int32_t height) {
    if (!plane || !sizeAllowed(width, height)) return nullptr;
    // Zero-filled: a reader that fills less than the plane must not leave garbage.
    PlaneWords first(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    return PlaneAdopt(plane, width, height, std::move(first));
}

ImagePlane* PlaneAdopt(ImagePlane* plane, int32_t width, int32_t height, PlaneWords&& words) {
    if (!plane || !sizeAllowed(width, height) ||
        words.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        return nullptr;
    PlaneWords first = std::move(words);
    plane->width = width;
    plane->height = height;
    for (auto& slot : plane->ring) slot = PlaneWords();
    plane->ring[0] = std::move(first);
    plane->current = plane->ring[0].data();
    plane->ringIndex = 0;
    plane->undoCount = 0;
    plane->redoCount = 0;
    plane->serial = lastPlaneSerial.fetch_add(1, std::memory_order_relaxed) + 1;
    return plane;
}

void PlaneDestroy(ImagePlane* plane, uint8_t flags) {
    if (!plane) return;
    for (auto& slot : plane->ring) slot = PlaneWords();
    plane->current = nullptr;
    if (flags & 1) delete plane;
}

int PlanePushUndo(ImagePlane* plane) {
    int old = plane->ringIndex;
    plane->ringIndex = (old + 1) % kRingSlots;
    auto& slot = plane->ring[static_cast<size_t>(plane->ringIndex)];
    // Each slot is allocated once and reused after the ring has filled.
    if (slot.empty()) slot.resize(plane->size());
    plane->current = slot.data();
    std::memcpy(plane->current, plane->ring[static_cast<size_t>(old)].data(),
                plane->size() * sizeof(uint16_t));
    plane->undoCount = std::min(plane->undoCount + 1, kMaxUndoSteps);
    plane->redoCount = 0;
    return 1;
}

bool planeUndo(ImagePlane& plane) {
    int previous = (plane.ringIndex + kRingSlots - 1) % kRingSlots;
    if (plane.undoCount > 0 && !plane.ring[static_cast<size_t>(previous)].empty()) {
        plane.undoCount -= 1;
        plane.ringIndex = previous;
        plane.current = plane.ring[static_cast<size_t>(previous)].data();
        plane.redoCount += 1;
        // The ring holds the present state and at most three others.
        if (plane.redoCount >= kRingSlots - plane.undoCount)
            plane.redoCount = kMaxUndoSteps - plane.undoCount;
        return true;
    }
    plane.undoCount = 0;
    return false;
}

bool planeRedo(ImagePlane& plane) {
    int next = (plane.ringIndex + 1) % kRingSlots;
    if (plane.redoCount > 0 && !plane.ring[static_cast<size_t>(next)].empty()) {
        plane.redoCount -= 1;
        plane.ringIndex = next;
        plane.current = plane.ring[static_cast<size_t>(next)].data();
        plane.undoCount = std::min(plane.undoCount + 1, kMaxUndoSteps);
        return true;
    }
    plane.redoCount = 0;
    return false;
}

int undoRedoFlags(const ImagePlane& plane) {
    return (plane.undoCount != 0 ? 1 : 0) | (plane.redoCount != 0 ? 2 : 0);
}

UndoRedoEnabled EnableUndoRedo(int flags) {
    return {(flags & 1) != 0, (flags & 2) != 0};
}

void zeroBitPlane(ImagePlane& grey, int bit) {
    if (bit < 1 || bit > 16) return;
    const auto keep = static_cast<uint16_t>(~(1u << (bit - 1)));
    for (size_t i = 0; i < grey.size(); ++i) grey.current[i] &= keep;
}
