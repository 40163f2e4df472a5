#include "volume/core/files/voi_exports.h"

#include <cstdio>

#include "platform/files.h"
#include "volume/core/files/bmf_volume.h"

std::string encodeVoiText(const Volume3D& mask, const Volume3D* image) {
    std::string out;
    char line[64];
    for (int k = 1; k <= kVoiCount; ++k) {
        std::snprintf(line, sizeof line, "\r\nRoi #%i\r\n x \t y \t z \t lum\r\n", k);
        out += line;
        out.append(48, '-');
        out += "\r\n";
        const uint16_t bit = static_cast<uint16_t>(1u << (k - 1));
        for (int32_t z = 0; z < mask.sliceCount; ++z) {
            const VolumeSlice& slice = mask.slices[static_cast<size_t>(z)];
            if (!slice.present()) continue;
            for (int32_t y = 0; y < slice.height; ++y)
                for (int32_t x = 0; x < slice.width; ++x) {
                    if (!(slice.samples[static_cast<size_t>(y) * slice.width + x] & bit)) continue;
                    const int grey = image ? Volume3DGetVoxel(*image, x, y, z) : 0;
                    std::snprintf(line, sizeof line, "%i\t%i\t%i\t%i\r\n", x, y, z, grey);
                    out += line;
                }
        }
    }
    return out;
}

std::string encodeVoiBmf(const Volume3D& mask, const VoxelSizes& sizes) {
    return encodeBmfVolume(mask.maxWidth, mask.maxHeight, mask.sliceCount, sizes,
                           [&](int32_t x, int32_t y, int32_t z) -> uint16_t {
                               const uint16_t v = Volume3DGetVoxelChecked(mask, x, y, z);
                               return v == 0 ? 0 : static_cast<uint16_t>(v + 32767);
                           });
}

VoiSaveStatus SaveVoi(const Volume3D& mask, const Volume3D* image, const VoiNames& names,
                      const VoxelSizes& sizes, const std::string& path, int kind) {
    std::string bytes;
    if (kind == kVoiSaveText)
        bytes = encodeVoiText(mask, image);
    else if (kind == kVoiSaveBmf)
        bytes = encodeVoiBmf(mask, sizes);
    else
        return saveVoiFile(mask, names, path);
    if (bytes.empty()) return VoiSaveStatus::TooLarge;
    return platform::writeWholeFileAtomically(path, bytes) ? VoiSaveStatus::Ok
                                                           : VoiSaveStatus::CannotWrite;
}
