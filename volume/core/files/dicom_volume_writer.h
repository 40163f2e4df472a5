// Saving the grey volume as one multi-frame DICOM file: an explicit-VR meta
// group, then an implicit VR little endian data set with every element of
// even length; 16 bits allocated, 12 stored (high bit 11), unsigned; the
// samples (read strictly) shifted right by 4, x fastest, rows, then slices.
#pragma once

#include <optional>
#include <string>

#include "volume/core/files/bmf_volume.h"
#include "volume/core/volume/volume3d.h"

// Nothing when the volume does not fit the file: rows or columns above
// 65535, or pixel data longer than its u32 length field holds.
std::optional<std::string> encodeDicomVolume(const Volume3D& volume);

VolumeSaveStatus saveDicomVolume(const Volume3D& volume, const std::string& path);
