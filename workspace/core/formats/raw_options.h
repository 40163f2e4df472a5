// Options of the raw image reader: image size, header sizes, which image of
// the file to read, byte order and sample size. They live in the program's
// registry key only (never in an options file): read when the raw-options
// window is created, written at exit.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

// Largest raw image side: 16384 x 16384 samples is the largest image the
// program holds (kMaxImagePixels), and every offset computed from the options
// fits in 64 bits.
inline constexpr int32_t kMaxRawSide = 16384;

// Field names are the registry value names.
struct RawOptions {
    int32_t RawX = 256;         // image width in samples
    int32_t RawY = 256;         // image height in samples
    int32_t RawHeader = 0;      // bytes before the first image
    int32_t RawSubheader = 0;   // bytes before each image
    int32_t RawFirstImage = 1;  // 1-based number of the image to read
    int32_t RawEndian = 1;      // 1 little-endian ("Intel"), 0 big-endian ("Motorola")
    int32_t RawBits = 8;        // 8 or 16; above 8 means 16-bit samples

    // The values a reader may safely use; stored values are kept as they are.
    // - RawX, RawY clamped to 1..kMaxRawSide;
    // - RawHeader, RawSubheader: a negative value becomes 0;
    // - RawFirstImage clamped to 1..65535;
    // - RawEndian 0 or 1 (any non-zero value is 1);
    // - RawBits 8 when at most 8, else 16 (the dialog's two choices).
    RawOptions sanitized() const;
};

// Reads the group from the program key under HKEY_LOCAL_MACHINE: a value
// that is missing or not a DWORD keeps the current one (the defaults, when
// called right after construction); RawEndian is read as 0 or 1.
void LoadRawOptionsFromRegistry(RawOptions& options);

// The raw options of the running program; the raw options dialog edits them.
RawOptions& rawOptions();

// Writes the values of rawOptionsRegistryValues in their order, only when the
// key could be created or opened; failures are silent.
void SaveRawOptionsToRegistry(const RawOptions& options);

// The registry values in write order: RawX, RawY, RawHeader, RawSubheader,
// RawFirstImage, RawEndian, RawBits, all DWORDs.
platform::RegistryValueList rawOptionsRegistryValues(const RawOptions& options);
