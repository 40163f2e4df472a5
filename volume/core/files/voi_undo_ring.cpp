#include "volume/core/files/voi_undo_ring.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/shell.h"

VoiUndoRing::VoiUndoRing(std::string parent) : parent_(std::move(parent)) {}

VoiUndoRing::~VoiUndoRing() {
    if (folder_.empty()) return;
    for (int32_t i = 0; i < kVoiUndoSlots; ++i) std::remove(snapshotPath(i).c_str());
    ::rmdir(folder_.c_str());
}

bool VoiUndoRing::ensureFolder() {
    if (!folder_.empty()) return true;
    std::string parent = parent_.empty() ? platform::temporaryFolder() : parent_;
    if (!parent.empty() && parent.back() != '/') parent += '/';
    std::string pattern = parent + "vantu-undo-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) return false;  // mkdtemp makes it 0700
    folder_ = name.data();
    folder_ += '/';
    return true;
}

std::string VoiUndoRing::snapshotPath(int32_t index) const {
    if (folder_.empty()) return {};
    char name[32];
    std::snprintf(name, sizeof name, "undo%.2i.voi", static_cast<int>(index));
    return folder_ + name;
}

bool VoiUndoRing::push(const Volume3D& mask, const VoiNames& names) {
    if (index_ < 0) {
        index_ = 0;
        undoCount_ = 0;
    } else {
        index_ = (index_ + 1) % kVoiUndoSlots;
        undoCount_ = std::min(undoCount_ + 1, kMaxVoiUndoSteps);
    }
    redoCount_ = 0;
    return ensureFolder() && saveVoiFile(mask, names, snapshotPath(index_)) == VoiSaveStatus::Ok;
}

bool VoiUndoRing::amend(const Volume3D& mask, const VoiNames& names) {
    if (index_ < 0) return false;
    redoCount_ = 0;
    return saveVoiFile(mask, names, snapshotPath(index_)) == VoiSaveStatus::Ok;
}

bool VoiUndoRing::undo(Volume3D& mask, VoiNames& names) {
    if (undoCount_ <= 0) return false;
    const int32_t target = (index_ + kVoiUndoSlots - 1) % kVoiUndoSlots;
    if (LoadVoi(mask, names, snapshotPath(target)).status != VoiLoadStatus::Loaded) return false;
    index_ = target;
    --undoCount_;
    ++redoCount_;
    return true;
}

bool VoiUndoRing::redo(Volume3D& mask, VoiNames& names) {
    if (redoCount_ <= 0) return false;
    const int32_t target = (index_ + 1) % kVoiUndoSlots;
    if (LoadVoi(mask, names, snapshotPath(target)).status != VoiLoadStatus::Loaded) return false;
    index_ = target;
    ++undoCount_;
    --redoCount_;
    return true;
}

void VoiUndoRing::reset() {
    index_ = -1;
    undoCount_ = 0;
    redoCount_ = 0;
}
