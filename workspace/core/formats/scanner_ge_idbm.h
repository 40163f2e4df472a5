// The two fixed-header GE families: GE IDBM files (a 14336-byte header) and
// IGE-YMS files of GE Yokogawa (1792 bytes); both are followed by big-endian
// 16-bit samples.
#pragma once

#include <cstdint>
#include <span>

#include "workspace/core/formats/scanner_image.h"

inline constexpr size_t kGeIdbmHeaderBytes = 14336;
inline constexpr size_t kIgeYmsHeaderBytes = 1792;

int readGeIdbmHeader(ScannerSource& file, ScannerHeader& header);
bool decodeGeIdbmHeader(std::span<const uint8_t> header, int formatId, ScannerInfo& info);
int readIgeYmsHeader(ScannerSource& file, ScannerHeader& header);
bool decodeIgeYmsHeader(std::span<const uint8_t> header, int formatId, ScannerInfo& info);
