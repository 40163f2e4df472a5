// The volume loaders of a series of files, one or more slices per file, in
// the order of sortSeriesPaths: bitmaps (one slice each, grey by the colour
// mode), raw files (as many images as each file holds) and DICOM files (all
// frames of each). Each returns both volumes or the text of the error box;
// a load that yields no slice fails with kNoSliceMessage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "volume/core/files/volume_load.h"
#include "workspace/core/formats/raw_options.h"

// Slices a loader makes at most: the slice count of .voi and .bmf files is u16.
inline constexpr int64_t kMaxVolumeSlices = 65535;

// A bitmap that cannot be read ends the load with
// "Cannot load the bitmap " + its path.
VolumeLoad loadBitmapSeries(const std::vector<std::string>& paths, uint32_t colourMode,
                            uint64_t maxVoxels = kMaxVolumeVoxels);

// Images in a raw file of fileLength bytes: image bytes = RawX * RawY *
// bytes per sample + RawSubheader, count = (fileLength + 16 - RawHeader) /
// image bytes, never below 0, and only images whose samples start inside
// the file. The options are taken sanitized.
uint64_t countRawImages(uint64_t fileLength, const RawOptions& options);

// Every image of every file that can be opened, read from RawHeader on: per
// image RawSubheader bytes skipped, then RawY rows of RawX samples (8-bit
// samples shifted left by 8, 16-bit ones in the RawEndian byte order);
// samples past the end of a file read as 0. Files that cannot be opened are
// skipped.
VolumeLoad loadRawSeries(const std::vector<std::string>& paths, const RawOptions& options,
                         uint64_t maxVoxels = kMaxVolumeVoxels);

// Every frame of every readable file, with the DICOM pixel reader and the
// shift of narrower samples to 16 bits; unreadable files are skipped.
VolumeLoad loadDicomSeries(const std::vector<std::string>& paths,
                           uint64_t maxVoxels = kMaxVolumeVoxels);
