#include "workspace/core/image/image_plane.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {
std::atomic<uint64_t> lastPlaneSerial{0};
}  // namespace

ImagePlane* PlaneCreate(ImagePlane* plane, int32_t width, int32_t height) {
    if (!plane || width < 0 || height < 0) return nullptr;
    size_t words = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (words > kMaxPlaneWords) return nullptr;
    // Zero-filled: a reader that fills less than the plane must not leave garbage.
    auto first = std::make_unique<uint16_t[]>(words);
    plane->width = width;
    plane->height = height;
    for (auto& slot : plane->ring) slot.reset();
    plane->ring[0] = std::move(first);
    plane->current = plane->ring[0].get();
    plane->ringIndex = 0;
    plane->undoCount = 0;
    plane->redoCount = 0;
    plane->serial = lastPlaneSerial.fetch_add(1, std::memory_order_relaxed) + 1;
    return plane;
}

void PlaneDestroy(ImagePlane* plane, uint8_t flags) {
    if (!plane) return;
    for (auto& slot : plane->ring) slot.reset();
    plane->current = nullptr;
    if (flags & 1) delete plane;
}

int PlanePushUndo(ImagePlane* plane) {
    int old = plane->ringIndex;
    plane->ringIndex = (old + 1) % kRingSlots;
    auto& slot = plane->ring[static_cast<size_t>(plane->ringIndex)];
    // Each slot is allocated once and reused after the ring has filled.
    if (!slot) slot = std::make_unique_for_overwrite<uint16_t[]>(plane->size());
    plane->current = slot.get();
    std::memcpy(plane->current, plane->ring[static_cast<size_t>(old)].get(),
                plane->size() * sizeof(uint16_t));
    plane->undoCount = std::min(plane->undoCount + 1, kMaxUndoSteps);
    plane->redoCount = 0;
    return 1;
}

bool planeUndo(ImagePlane& plane) {
    int previous = (plane.ringIndex + kRingSlots - 1) % kRingSlots;
    if (plane.undoCount > 0 && plane.ring[static_cast<size_t>(previous)]) {
        plane.undoCount -= 1;
        plane.ringIndex = previous;
        plane.current = plane.ring[static_cast<size_t>(previous)].get();
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
    if (plane.redoCount > 0 && plane.ring[static_cast<size_t>(next)]) {
        plane.redoCount -= 1;
        plane.ringIndex = next;
        plane.current = plane.ring[static_cast<size_t>(next)].get();
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
