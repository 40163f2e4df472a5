// The other two exports of the VOI save command: the voxels of every VOI as
// a text list, and the mask as a 16-bit 3D .bmf.
#pragma once

#include <string>

#include "volume/core/files/voi_file.h"
#include "volume/core/volume/volume3d.h"
#include "volume/core/volume_options.h"

// For each VOI k = 1..16, empty or not, the block header
// "\r\nRoi #k\r\n x \t y \t z \t lum\r\n" + 48 dashes + "\r\n", then one line
// "x\ty\tz\tgrey\r\n" per voxel having bit k-1, in z, then y, then x order;
// grey is the grey volume's sample there (clamping read; 0 without a volume).
std::string encodeVoiText(const Volume3D& mask, const Volume3D* image);

// The mask as a 3D .bmf: 0 stays 0, any other value v becomes v + 32767
// (modulo 65536). Empty when a size does not fit the file's fields.
std::string encodeVoiBmf(const Volume3D& mask, const VoxelSizes& sizes);

// The filter index of the save dialog chooses the kind.
inline constexpr int kVoiSaveText = 2;
inline constexpr int kVoiSaveBmf = 3;

// Writes the chosen file (2 text, 3 .bmf, any other kind .voi).
VoiSaveStatus SaveVoi(const Volume3D& mask, const Volume3D* image, const VoiNames& names,
                      const VoxelSizes& sizes, const std::string& path, int kind);
