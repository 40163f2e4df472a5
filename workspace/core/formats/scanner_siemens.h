// Siemens Magnetom Vision files: a 6144-byte big-endian header, then the
// samples as big-endian 16-bit words.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "workspace/core/formats/scanner_image.h"

inline constexpr size_t kVisionHeaderBytes = 6144;

int ReadVisionHeader(ScannerSource& file, ScannerHeader& header);
bool DecodeVisionHeader(std::span<const uint8_t> header, int formatId, ScannerInfo& info);
// Compressed files are refused (kScannerBadHeader).
int ReadVisionPixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                     std::vector<uint32_t>& samples);
