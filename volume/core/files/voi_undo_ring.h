// The undo ring of the VOI editor: five .voi snapshots, each the state after
// an edit, so the ring holds the current state and at most four earlier ones.
// The snapshots live in a folder of this process alone (created 0700 on the
// first push, removed with the ring), so two running copies never overwrite
// each other's history.
#pragma once

#include <cstdint>
#include <string>

#include "volume/core/files/voi_file.h"
#include "volume/core/volume/volume3d.h"

inline constexpr int32_t kVoiUndoSlots = 5;
inline constexpr int32_t kMaxVoiUndoSteps = kVoiUndoSlots - 1;

class VoiUndoRing {
  public:
    // The private folder is made inside `parent` (the temporary folder when
    // empty) on the first push.
    explicit VoiUndoRing(std::string parent = {});
    ~VoiUndoRing();
    VoiUndoRing(const VoiUndoRing&) = delete;
    VoiUndoRing& operator=(const VoiUndoRing&) = delete;

    // Advances the ring and writes the mask as the snapshot at the new index.
    // The first push only starts the ring: nothing to undo yet. Clears redo.
    // False when the snapshot could not be written (the counts still move, as
    // the edit itself happened).
    bool push(const Volume3D& mask, const VoiNames& names);

    // Rewrites the present snapshot with a change that takes no step of its
    // own (a VOI renamed): undoing a later edit comes back to it as it is
    // now. Like an edit it clears redo, whose snapshots would bring the old
    // names back. Nothing before the first push; false when it cannot be
    // written.
    bool amend(const Volume3D& mask, const VoiNames& names);

    // Steps back (forward) one snapshot and loads it into the mask; false,
    // with nothing changed, when there is no step to take or the snapshot
    // cannot be read.
    bool undo(Volume3D& mask, VoiNames& names);
    bool redo(Volume3D& mask, VoiNames& names);

    // A new volume: no history (the files are overwritten by later pushes).
    void reset();

    bool canUndo() const { return undoCount_ > 0; }
    bool canRedo() const { return redoCount_ > 0; }
    int32_t index() const { return index_; }
    int32_t undoCount() const { return undoCount_; }
    int32_t redoCount() const { return redoCount_; }
    // "undo%.2i.voi" in the private folder; empty before the folder exists.
    std::string snapshotPath(int32_t index) const;
    const std::string& folder() const { return folder_; }

  private:
    bool ensureFolder();

    std::string parent_;
    std::string folder_;
    int32_t index_ = -1;
    int32_t undoCount_ = 0;
    int32_t redoCount_ = 0;
};
