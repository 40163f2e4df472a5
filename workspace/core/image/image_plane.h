// The one raster type of the 2D workspace: width x height unsigned 16-bit
// words, with a ring of four buffers that gives the ROI map its undo and redo.
// In the ROI map bit k of a word marks membership in ROI k+1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/vector_for_overwrite.h"

inline constexpr int kRingSlots = 4;

// The words of one plane. Planes reach a gigabyte: a buffer that its writer
// fills completely is never zeroed first.
using PlaneWords = VectorForOverwrite<uint16_t>;
inline constexpr int kMaxUndoSteps = kRingSlots - 1;

struct ImagePlane {
    ImagePlane() = default;
    // A copy would point `current` into the ring of the plane it came from.
    ImagePlane(const ImagePlane&) = delete;
    ImagePlane& operator=(const ImagePlane&) = delete;
    ImagePlane(ImagePlane&&) = default;
    ImagePlane& operator=(ImagePlane&&) = default;

    int32_t height = 0;
    int32_t width = 0;
    uint16_t* current = nullptr;              // always one of the ring buffers
    std::array<PlaneWords, kRingSlots> ring;  // empty: a slot not yet used
    int32_t ringIndex = 0;
    int32_t undoCount = 0;
    int32_t redoCount = 0;
    // Made anew by every PlaneCreate and never reused, so a caller that kept
    // it can tell its plane from a later one at the same address.
    uint64_t serial = 0;

    size_t size() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
    uint16_t& at(int x, int y) { return current[static_cast<size_t>(y) * width + x]; }
    uint16_t at(int x, int y) const { return current[static_cast<size_t>(y) * width + x]; }
};

// Largest image the program holds: 16384 x 16384 pixels. Its grey plane, ROI
// map with undo ring and display already take about 2 GiB (and the decoders'
// buffers come on top), so every reader refuses a larger size from the header
// before it allocates anything: a file of a few bytes cannot make the program
// reserve gigabytes.
inline constexpr size_t kMaxImagePixels = size_t{16384} * 16384;
// Largest plane the programs create (words); small enough that width x height
// can never overflow.
inline constexpr size_t kMaxPlaneWords = kMaxImagePixels;

// Sets the size, empties the ring and the counts, gives the plane a new
// serial, and allocates slot 0 as the current buffer, filled with zeros. Returns the plane, or
// nullptr (plane untouched) for a negative size or one above kMaxPlaneWords.
ImagePlane* PlaneCreate(ImagePlane* plane, int32_t width, int32_t height);

// The same with `words` (width x height of them, row by row) as slot 0,
// taken over without a copy. Returns nullptr (plane and words untouched) for
// a size PlaneCreate refuses or words of another count.
ImagePlane* PlaneAdopt(ImagePlane* plane, int32_t width, int32_t height, PlaneWords&& words);

// Frees every ring buffer; with bit 0 of flags set also deletes the plane
// (which must then come from new). Nothing happens for nullptr.
void PlaneDestroy(ImagePlane* plane, uint8_t flags);

// Call before every change of the ROI map: moves to the next ring slot and
// copies the present state into it, so that the state before the change
// stays restorable. Returns 1, the flags for EnableUndoRedo (Undo on, Redo off).
int PlanePushUndo(ImagePlane* plane);

// The ring part of the Edit menu's Undo and Redo. Each returns whether it
// restored a state; with nothing to restore it clears its count.
bool planeUndo(ImagePlane& plane);
bool planeRedo(ImagePlane& plane);

// Bit 0: something to undo; bit 1: something to redo.
int undoRedoFlags(const ImagePlane& plane);

struct UndoRedoEnabled {
    bool undo;
    bool redo;
};
// Which of "&Undo" and "&Redo" the Edit menu enables for the given flags.
UndoRedoEnabled EnableUndoRedo(int flags);

// Clears bit `bit` - 1 (bit 1..16) of every sample.
void zeroBitPlane(ImagePlane& grey, int bit);
