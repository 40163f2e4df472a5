// 3D .bmf files come from anywhere. Decoding any bytes must end within a
// small memory bound and either fail with one of the reader's messages and
// no volumes, or give two volumes of the declared size with an empty mask.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "volume/core/files/bmf_volume.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr uint64_t kMaxVoxels = uint64_t{1} << 20;
    VolumeLoad load = decodeBmfVolume(std::span<const uint8_t>(data, size), kMaxVoxels);
    if (!load.ok()) {
        if (load.image || load.mask || load.error.empty()) std::abort();
        return 0;
    }
    const Volume3D& image = *load.image;
    const Volume3D& mask = *load.mask;
    if (image.sliceCount < 1 || image.sliceCount != mask.sliceCount) std::abort();
    if (uint64_t(image.maxWidth) * uint64_t(image.maxHeight) * uint64_t(image.sliceCount) >
        kMaxVoxels)
        std::abort();
    for (int32_t z = 0; z < image.sliceCount; ++z) {
        const VolumeSlice& s = image.slices[static_cast<size_t>(z)];
        const VolumeSlice& m = mask.slices[static_cast<size_t>(z)];
        if (s.width != image.maxWidth || s.height != image.maxHeight || m.width != s.width ||
            s.size() != static_cast<size_t>(s.width) * s.height || m.size() != s.size())
            std::abort();
        for (uint16_t v : m.samples)
            if (v != 0) std::abort();
    }
    return 0;
}
