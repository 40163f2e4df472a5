// The one 3D data type of the volume editor: a stack of 2D slices of unsigned
// 16-bit samples. The editor keeps two: the grey-level volume and the VOI mask
// of the same size, in which bit k of a voxel marks membership in VOI k+1.
// Voxel (x, y, z) lies in slice z at index x + y * width(z); slices may differ
// in size, and a slice that was never set has no samples.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kVoiCount = 16;

// What the clamping read returns for a slice without samples.
inline constexpr uint16_t kAbsentSliceValue = 0x7FFF;

// Largest number of samples one slice may hold; width x height never overflows.
inline constexpr size_t kMaxSliceWords = size_t{1} << 30;

struct VolumeSlice {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint16_t> samples;  // width x height, or empty when never set

    bool present() const { return !samples.empty(); }
    size_t size() const { return samples.size(); }
};

// Inclusive voxel bounds of one VOI.
struct VoiBox {
    int32_t xmin = 0, xmax = 0;
    int32_t ymin = 0, ymax = 0;
    int32_t zmin = 0, zmax = 0;
};

struct Volume3D {
    // count slices without samples, max width = max height = 0.
    explicit Volume3D(int32_t count);

    int32_t maxHeight = 0;  // largest slice height ever stored
    int32_t maxWidth = 0;   // largest slice width ever stored
    int32_t sliceCount = 0;
    std::array<VoiBox, kVoiCount> voiBoxes{};    // filled by Volume3DRoiBounds
    std::array<int64_t, kVoiCount> voiCounts{};  // filled by Volume3DRoiBounds
    std::vector<VolumeSlice> slices;
    int32_t min = 0;  // set by Volume3DMinMax
    int32_t max = 0;

    // The slice at z, or nullptr for z outside 0..sliceCount-1.
    const VolumeSlice* slice(int32_t z) const {
        return z >= 0 && z < sliceCount ? &slices[static_cast<size_t>(z)] : nullptr;
    }
    VolumeSlice* slice(int32_t z) {
        return z >= 0 && z < sliceCount ? &slices[static_cast<size_t>(z)] : nullptr;
    }
};

// Replaces slice z with width x height samples copied from `source`, or zeros
// when source is nullptr, and raises the max width / height. An index outside
// the volume does nothing. Returns false (slice unchanged) for an index
// outside the volume, a negative size or one above kMaxSliceWords, or when
// the memory cannot be had.
bool Volume3DSetSlice(Volume3D& volume, const uint16_t* source, int32_t width, int32_t height,
                      int32_t z);

// min := 65535, max := 0, then every sample of every slice.
void Volume3DMinMax(Volume3D& volume);

// Clamping read: z into 0..count-1, then x and y into the slice; the sample
// there, or kAbsentSliceValue for a slice without samples (and for a volume
// without slices).
uint16_t Volume3DGetVoxel(const Volume3D& volume, int32_t x, int32_t y, int32_t z);

// Strict read: 0 for any coordinate outside the volume or a slice without samples.
uint16_t Volume3DGetVoxelChecked(const Volume3D& volume, int32_t x, int32_t y, int32_t z);

// Strict write: dropped outside the slice or for a slice without samples.
void Volume3DSetVoxel(Volume3D& volume, int32_t x, int32_t y, int32_t z, uint16_t value);

// Recomputes the 16 VOI boxes and voxel counts of a mask: every voxel of
// every slice, within that slice's own extent. An empty VOI has an all-zero box.
void Volume3DRoiBounds(Volume3D& mask);

// Per bit k, the voxels having bit k set; the volume's own counts stay.
void Volume3DCountVoxels(const Volume3D& mask, std::array<int64_t, kVoiCount>& counts);

// Every voxel v of every slice becomes orValue | (andMask & v).
void Volume3DMaskAll(Volume3D& mask, uint16_t andMask, uint16_t orValue);
