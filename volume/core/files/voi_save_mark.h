// Whether the 3D editor's VOIs hold work that no file keeps, by the rule of
// the 2D ROIs (roi_save_mark.h): a digest of mask and names is taken when a
// volume is loaded and whenever a .voi file has them (loaded or saved), and
// compared with what they are now, so every edit counts without telling and
// an undo back to the kept state is kept again.
#pragma once

#include <cstdint>

#include "volume/core/files/voi_file.h"
#include "volume/core/volume/volume3d.h"

// The mask's extents, every slice's size and samples, and the 16 names.
uint64_t voiDigest(const Volume3D& mask, const VoiNames& names);

class VoiSaveMark {
  public:
    // The VOIs as they are now are kept.
    void markKept(const Volume3D& mask, const VoiNames& names) { kept_ = voiDigest(mask, names); }
    // True when mask or names changed since the last mark; a mask without a
    // voxel in any VOI has nothing to lose.
    bool unsaved(const Volume3D& mask, const VoiNames& names) const;

  private:
    uint64_t kept_ = 0;
};
