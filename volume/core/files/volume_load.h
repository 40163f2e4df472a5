// What a volume loader hands the editor: the new grey volume and its empty
// VOI mask of the same slice sizes, or the text of the error box. A failed
// load makes no volumes, so the editor keeps the ones it has.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "volume/core/volume/volume3d.h"
#include "volume/core/volume_options.h"

// Largest volume a loader builds (voxels per volume): 2 GiB of samples.
inline constexpr uint64_t kMaxVolumeVoxels = uint64_t{1} << 30;

inline constexpr const char* kNoSliceMessage = "No slice could be loaded.";
inline constexpr const char* kVolumeTooLargeMessage = "The volume is too large to load.";

struct VolumeLoad {
    std::unique_ptr<Volume3D> image;
    std::unique_ptr<Volume3D> mask;
    std::string error;  // empty on success; shown in a box titled "Error"

    // 3D .bmf files carry the voxel sizes.
    bool hasVoxelSizes = false;
    VoxelSizes voxelSizes;
    // Bitmap series: the colour mode used, its feature prefix and status text;
    // every other format clears them.
    uint32_t loadedColourMode = 0;
    std::string featurePrefix;
    std::string statusText;

    bool ok() const { return image && mask && error.empty(); }
};

VolumeLoad failedLoad(std::string message);

// Both volumes of count slices, every slot empty; nullptr pair when count is
// not above 0 (see finishVolumeLoad).
VolumeLoad startVolumeLoad(int32_t count);

// The last step of every loader: a load without slices, or whose volume has
// no extent, fails with kNoSliceMessage; every slot of both volumes that no
// file filled is zero-filled at max width x max height (else it would read
// as 32767, all VOI bits but one); the grey range is computed.
VolumeLoad finishVolumeLoad(VolumeLoad load);

// Sets slice z of both volumes: the grey samples and a zero mask slice of
// the same size. False when the memory cannot be had.
bool setLoadedSlice(VolumeLoad& load, const uint16_t* samples, int32_t width, int32_t height,
                    int32_t z);
// The same, taking the samples over (width x height of them) without a copy.
bool setLoadedSlice(VolumeLoad& load, std::vector<uint16_t>&& samples, int32_t width,
                    int32_t height, int32_t z);
