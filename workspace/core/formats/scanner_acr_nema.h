// ACR-NEMA files (and the Siemens NUMARIS 2 and 3 files built on them): a
// run of elements (group, element, 32-bit length, value) in one byte order,
// ending in the pixel data element (7FE0,0010).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "workspace/core/formats/scanner_image.h"

// Only the first 64 KiB of a file are searched for the pixel data.
inline constexpr size_t kAcrNemaHeaderWindow = 65536;

// Walks the elements to the pixel data; the header is every byte before it.
int readAcrNemaHeader(ScannerSource& file, ScannerHeader& header);
bool decodeAcrNemaHeader(std::span<const uint8_t> header, int formatId, ScannerInfo& info);
int readAcrNemaPixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                      std::vector<uint32_t>& samples);

// Byte order of a file that begins with `bytes`: true little-endian, false
// big-endian; nothing accepted unless the first group is 0000 or 0008.
bool acrNemaByteOrder(std::span<const uint8_t> bytes, uint64_t fileSize, bool& littleEndian);
