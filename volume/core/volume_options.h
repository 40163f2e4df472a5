// Options of the volume editor: the switches and bit depths of the 3D texture
// analysis, and the voxel size used by the 3D view and the shape models. Both
// groups are read from the program's registry key at start, written back at
// every exit, and take part in options files (3D group, then voxel sizes).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/profile.h"
#include "platform/registry.h"

// Field names are the registry and options-file key names without their
// "3D_" prefix (ComBpp is stored as "3D_ComBpp").
struct Analysis3DOptions {
    bool GradientFeatures = true;
    int32_t GradientBpp = 6;  // 4..12
    bool RlmFeatures = true;
    bool RlmMoredirs = false;  // 13 run-length directions instead of 5
    int32_t RlmBpp = 6;        // 4..8
    bool ComFeatures = true;
    bool ComMoredirs = false;   // 13 co-occurrence directions instead of 5
    int32_t ComBpp = 6;         // 4..8
    int32_t HistogramBpp = 12;  // 4..12 or 16
    bool ComDist1 = true;       // co-occurrence distances 1..5
    bool ComDist2 = false;
    bool ComDist3 = false;
    bool ComDist4 = false;
    bool ComDist5 = false;
    bool HistogramFeatures = true;
    int32_t Normalisation = 0;  // 0 none, 1 +/- 3 sigma, 2 1% - 99%

    // The values a 3D analysis may safely use; stored values are kept as they
    // are. A bit depth without a radio button in the dialog becomes what the
    // dialog shows for it: ComBpp, RlmBpp outside 4..8 become 4; GradientBpp
    // outside 4..12 becomes 12; HistogramBpp outside 4..12 and other than 16
    // becomes 12. Normalisation outside 0..2 becomes 0.
    Analysis3DOptions sanitized() const;
};

// Voxel size in x, y and z (the volume's sample spacing).
struct VoxelSizes {
    double VoxelXSize = 1.0;
    double VoxelYSize = 1.0;
    double VoxelZSize = 1.0;

    // The sizes the view and the shape models may safely use; stored sizes
    // (0 and negative ones included, as typed) are kept as they are. A size
    // that is not finite or not above 0 becomes 1.0; the others are clamped
    // to 0.01..10000 (0.01 is the smallest size "%.2f" keeps).
    VoxelSizes sanitized() const;
};

// The 3D analysis options of the running program; the 3D options dialog edits
// them.
Analysis3DOptions& analysis3DOptions();

// The voxel sizes of the running program; the 3D load options dialog and a
// loaded 3D map set them.
VoxelSizes& voxelSizes();

// Reads the 3D group from the program key under HKEY_LOCAL_MACHINE: a value
// is taken only when present as a DWORD; any non-zero switch is on.
void load3DOptionsFromRegistry(Analysis3DOptions& options);
// Writes the values of options3DRegistryValues in their order, at every exit;
// a key that cannot be created writes nothing, silently.
void save3DOptionsToRegistry(const Analysis3DOptions& options);
// Write order: 3D_ComFeatures, 3D_ComBpp, 3D_ComMoredirs, 3D_ComDist1..5,
// 3D_RlmFeatures, 3D_RlmBpp, 3D_RlmMoredirs, 3D_GradientFeatures,
// 3D_GradientBpp, 3D_HistogramFeatures, 3D_HistogramBpp, 3D_Normalisation;
// all DWORDs.
platform::RegistryValueList options3DRegistryValues(const Analysis3DOptions& options);

// The 3D group of an options file, "%i" in the order 3D_ComFeatures,
// 3D_ComDist1..5, 3D_ComBpp, 3D_ComMoredirs, 3D_RlmFeatures, 3D_RlmBpp,
// 3D_RlmMoredirs, 3D_GradientFeatures, 3D_GradientBpp, 3D_HistogramFeatures,
// 3D_HistogramBpp, 3D_Normalisation. A missing key keeps the current value;
// switches are reduced to 0/1.
void load3DOptionsFromFile(const platform::IniFile& file, Analysis3DOptions& options);
// What sanitized() changes, one note per key in the writers' order, each
// starting with its key ("3D_ComBpp=9 is used as 4").
std::vector<std::string> outOfRangeNotes(const Analysis3DOptions& options);
void save3DOptionsToFile(platform::IniFile& file, const Analysis3DOptions& options);

// Reads the voxel sizes from the registry: a value is taken only when present
// as a string, converted like C's atof (text that is not a number gives 0).
void loadVoxelSizesFromRegistry(VoxelSizes& sizes);
// Writes VoxelXSize, VoxelYSize, VoxelZSize as "%.2f" strings, at every exit;
// a key that cannot be created writes nothing, silently.
void saveVoxelSizesToRegistry(const VoxelSizes& sizes);
platform::RegistryValueList voxelSizesRegistryValues(const VoxelSizes& sizes);

// The voxel group of an options file, "%.2f" in the order x, y, z. A missing
// key reads as "1.0", so it sets that size to 1.0.
void loadVoxelSizesFromFile(const platform::IniFile& file, VoxelSizes& sizes);
void saveVoxelSizesToFile(platform::IniFile& file, const VoxelSizes& sizes);
