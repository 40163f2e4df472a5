// The .voi file: the VOI mask and the 16 VOI names. "KWL_VOI_2006" files
// (written and read) hold the names and the mask as runs of equal voxels;
// "KWL_VOI_2005" files (read only) hold the mask as plain words and no names.
//
//   0   12  magic, no terminator
//   12  2   x size (the mask's max width)     all integers u16 little-endian
//   14  2   y size (max height)
//   16  2   z size (slice count)
//   18  32  16 name lengths, VOI 1 first
//   50  ... 2006: the names without terminators, then runs of (value, count)
//           in voxel order x fastest, then y, then z;  2005: the voxels
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "volume/core/volume/volume3d.h"

inline constexpr std::string_view kVoiMagic2006 = "KWL_VOI_2006";
inline constexpr std::string_view kVoiMagic2005 = "KWL_VOI_2005";
inline constexpr size_t kVoiHeaderBytes = 50;
inline constexpr uint32_t kMaxVoiRun = 65535;
// Longest name a reader takes; longer ones are cut to it when saved.
inline constexpr size_t kMaxVoiNameLength = 1022;

using VoiNames = std::array<std::string, kVoiCount>;

// Appends the runs of every voxel of max width x max height x slice count,
// read strictly (voxels outside a smaller slice count as 0): 4 bytes each, u16
// value and u16 count 1..65535. A run ends where the value changes or at 65535.
void Volume3DWriteRuns(const Volume3D& mask, std::string& out);

// The bytes of a "KWL_VOI_2006" file. Empty when the mask is larger than the
// u16 size fields hold.
std::string encodeVoi(const Volume3D& mask, const VoiNames& names);

enum class VoiSaveStatus { Ok, TooLarge, CannotWrite };
VoiSaveStatus saveVoiFile(const Volume3D& mask, const VoiNames& names, const std::string& path);

enum class VoiLoadStatus {
    Loaded,      // the mask (and for 2006 files the names) were read
    CannotOpen,  // nothing changed
    NotVoi,      // neither magic: nothing changed
};

struct VoiLoadResult {
    VoiLoadStatus status = VoiLoadStatus::CannotOpen;
    int kind = 0;            // 2 for "KWL_VOI_2006", 1 for "KWL_VOI_2005"
    bool truncated = false;  // the file ended before its declared voxels
    bool namesRead = false;  // names were replaced (2006 files)
};

// Reads the file into the mask: X = min(file x, max width), Y and Z alike;
// slices z < Z become max width x max height, voxels outside the file's
// extent 0, slices from Z on unchanged. A name of length 1..1022 is taken,
// any other length gives an empty name. A run of count 0 is skipped; when the
// file ends early, the slice in progress is kept with its unread voxels 0 and
// reading stops.
VoiLoadResult LoadVoi(Volume3D& mask, VoiNames& names, const std::string& path);
VoiLoadResult decodeVoi(Volume3D& mask, VoiNames& names, std::span<const uint8_t> bytes);
