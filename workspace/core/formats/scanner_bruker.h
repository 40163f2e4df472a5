// Bruker Aspect 3000 files: a 13056-byte header written by a 24-bit word
// machine (24-bit integers, 6-byte floats, texts of 6-bit characters and
// bytes stored with 128 added), then unsigned 24-bit big-endian samples.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "workspace/core/formats/scanner_image.h"

inline constexpr size_t kBrukerHeaderBytes = 13056;

int readBrukerHeader(ScannerSource& file, ScannerHeader& header);
bool decodeBrukerHeader(std::span<const uint8_t> header, int formatId, ScannerInfo& info);
int readBrukerPixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                     std::vector<uint32_t>& samples);
