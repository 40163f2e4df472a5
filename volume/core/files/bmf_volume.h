// The 3D .bmf file: a bitmap file header and info header whose planes field
// holds the slice count, followed by the samples of every slice, x fastest,
// then rows (row 0 first), then slices, each row padded to a multiple of 4
// bytes. The pixels-per-metre fields and colours-used carry the voxel sizes
// times 1000. Written with 16 bits per sample; read with 8, 16, 32 (float)
// or 64 (double) bits.
//
//   0 "BM"   2 file size as written: w*h*8+54   6 0   10 data offset 54
//   14 40    18 width   22 height   26 planes (u16)   28 bit count (u16)
//   30 0     34 w*h*8   38 x size*1000   42 y size*1000   46 z size*1000   50 0
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "volume/core/files/volume_load.h"
#include "volume/core/volume/volume3d.h"
#include "volume/core/volume_options.h"

inline constexpr const char* kBmfCannotLoadHeader = "Cannot load a header";
inline constexpr const char* kBmfWrongHeader = "Wrong header";
inline constexpr const char* kBmfWrongInfoHeader = "Wrong infoheader size";
inline constexpr const char* kBmfWrongBitCount = "Wrong bitcount value";
inline constexpr uint32_t kBmfDataOffset = 54;

// Bytes of one row: ((bitCount * width + 31) / 32) * 4.
uint64_t bmfRowBytes(uint32_t bitCount, uint64_t width);

// The left shift that brings 16-bit samples whose largest value is `maximum`
// to the top of the 16-bit range: 8 below 256, 7 below 512, ... 1 below
// 32768, else 0.
int bmfLoadShift(uint32_t maximum);

// Reads a 3D .bmf. Errors, each ending the load: kBmfCannotLoadHeader (file
// missing or shorter than the 54 header bytes), kBmfWrongHeader (no "BM",
// width or height not above 0), kBmfWrongInfoHeader (data offset not 54),
// kBmfWrongBitCount (not 8, 16, 32, 64), kVolumeTooLargeMessage (more than
// maxVoxels). Planes 0 reads as one slice; samples missing at the end of the
// file read as 0. Conversion to 16 bits: 8-bit v * 257; 16-bit v << shift of
// the file's largest sample; floats trunc((v - min) * 65535 / (max - min))
// with min and max over the finite samples, and 0 for non-finite samples or
// when all finite samples are equal.
VolumeLoad loadBmfVolume(const std::string& path, uint64_t maxVoxels = kMaxVolumeVoxels);
VolumeLoad decodeBmfVolume(std::span<const uint8_t> bytes, uint64_t maxVoxels = kMaxVolumeVoxels);

// A 16-bit 3D .bmf of width x height x count samples given by sampleAt(x, y,
// z); empty when a size does not fit its field (planes is u16, the declared
// sizes u32).
std::string encodeBmfVolume(int32_t width, int32_t height, int32_t count, const VoxelSizes& sizes,
                            const std::function<uint16_t(int32_t, int32_t, int32_t)>& sampleAt);

// The grey volume, samples read strictly.
std::string encodeBmfVolume(const Volume3D& volume, const VoxelSizes& sizes);

enum class VolumeSaveStatus { Ok, TooLarge, CannotWrite };
VolumeSaveStatus saveBmfVolume(const Volume3D& volume, const VoxelSizes& sizes,
                               const std::string& path);
