#include "volume/core/files/volume_load.h"

#include <algorithm>

VolumeLoad failedLoad(std::string message) {
    VolumeLoad load;
    load.error = std::move(message);
    return load;
}

VolumeLoad startVolumeLoad(int32_t count) {
    VolumeLoad load;
    if (count <= 0) return load;
    load.image = std::make_unique<Volume3D>(count);
    load.mask = std::make_unique<Volume3D>(count);
    return load;
}

bool setLoadedSlice(VolumeLoad& load, const uint16_t* samples, int32_t width, int32_t height,
                    int32_t z) {
    return Volume3DSetSlice(*load.image, samples, width, height, z) &&
           Volume3DSetSlice(*load.mask, nullptr, width, height, z);
}

bool setLoadedSlice(VolumeLoad& load, std::vector<uint16_t>&& samples, int32_t width,
                    int32_t height, int32_t z) {
    VolumeSlice* slice = load.image->slice(z);
    if (!slice || width < 0 || height < 0 ||
        samples.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        return false;
    if (!Volume3DSetSlice(*load.mask, nullptr, width, height, z)) return false;
    slice->samples = std::move(samples);
    slice->width = width;
    slice->height = height;
    load.image->maxWidth = std::max(load.image->maxWidth, width);
    load.image->maxHeight = std::max(load.image->maxHeight, height);
    return true;
}

VolumeLoad finishVolumeLoad(VolumeLoad load) {
    if (!load.error.empty()) return load;
    if (!load.image || !load.mask || load.image->sliceCount < 1 || load.image->maxWidth < 1 ||
        load.image->maxHeight < 1)
        return failedLoad(kNoSliceMessage);
    const int32_t w = load.image->maxWidth;
    const int32_t h = load.image->maxHeight;
    for (int32_t z = 0; z < load.image->sliceCount; ++z) {
        if (load.image->slices[static_cast<size_t>(z)].present()) continue;
        if (!setLoadedSlice(load, nullptr, w, h, z)) return failedLoad(kVolumeTooLargeMessage);
    }
    Volume3DMinMax(*load.image);
    return load;
}
