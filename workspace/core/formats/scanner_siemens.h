// Siemens Magnetom Vision files: a 6144-byte big-endian header, then the
// samples as big-endian 16-bit words.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "workspace/core/formats/scanner_image.h"

inline constexpr size_t kVisionHeaderBytes = 6144;

int readVisionHeader(ScannerSource& file, ScannerHeader& header);
bool decodeVisionHeader(std::span<const uint8_t> header, int formatId, ScannerInfo& info);
// Compressed files are refused (kScannerBadHeader).
int readVisionPixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                     std::vector<uint32_t>& samples);
