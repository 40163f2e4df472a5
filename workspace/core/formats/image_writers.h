// Saving the grey image: an 8-bit grey bitmap, raw 16-bit samples, or a
// small uncompressed DICOM file.
#pragma once

#include <string>
#include <string_view>

#include "workspace/core/workspace_state.h"

// The save dialog: filter index 1, 2, 3 is the type.
inline constexpr std::string_view kSaveImageFilter =
    "Windows bitmap (*.bmp)|*.bmp|Unformatted 16 bit (*.raw)|*.raw|Dicom (*.dcm)|*.dcm";
inline constexpr int kSaveBitmap = 1;
inline constexpr int kSaveRaw = 2;
inline constexpr int kSaveDicom = 3;

// TooLarge: a DICOM file holds at most 65535 rows and columns.
enum class ImageSaveStatus { Ok, NoImage, UnknownType, CannotCreate, TooLarge };

// Rows bottom to top, each padded to a multiple of 4 bytes; a sample shows
// as (sample >> (bitDepth - 8)) & 0xFF.
std::string encodeGreyBitmap(const ImagePlane& grey, int32_t bitDepth);

// The samples as u16 little-endian, rows top to bottom, no header.
std::string encodeRaw16(const ImagePlane& grey);

// Implicit VR little endian after an explicit-VR meta group; 16 bits
// allocated, 12 stored, unsigned; samples of deeper images shifted right so
// they fit the 12 bits.
std::string encodeDicom(const ImagePlane& grey, int32_t bitDepth);

// Writes the grey image as `type` (1..3); a file is written whole or not at all.
ImageSaveStatus SaveImageFile(const WorkspaceState& state, int type, const std::string& path);
