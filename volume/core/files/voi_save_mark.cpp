#include "volume/core/files/voi_save_mark.h"

#include <algorithm>

#include "workspace/core/roi/region_digest.h"

uint64_t voiDigest(const Volume3D& mask, const VoiNames& names) {
    uint64_t hash = kDigestStart;
    for (int32_t extent : {mask.maxWidth, mask.maxHeight, mask.sliceCount})
        digestStep(hash, static_cast<uint32_t>(extent));
    for (const VolumeSlice& slice : mask.slices) {
        digestStep(hash, static_cast<uint32_t>(slice.width));
        digestStep(hash, static_cast<uint32_t>(slice.height));
        digestWords(hash, slice.samples.data(), slice.samples.size());
    }
    digestNames(hash, names);
    return hash;
}

bool VoiSaveMark::unsaved(const Volume3D& mask, const VoiNames& names) const {
    const bool empty =
        std::all_of(mask.slices.begin(), mask.slices.end(), [](const VolumeSlice& s) {
            return std::all_of(s.samples.begin(), s.samples.end(),
                               [](uint16_t v) { return v == 0; });
        });
    return !empty && voiDigest(mask, names) != kept_;
}
