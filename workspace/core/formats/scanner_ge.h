// GE Advantage (Genesis "IMGF") files: a big-endian header of stated length
// that points to its exam, image and other blocks, then the samples, plain,
// packed (each row cut to its stored part), compressed (a byte code of
// differences), or compressed then packed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "workspace/core/formats/scanner_image.h"

inline constexpr size_t kGeFixedHeaderBytes = 156;

int readGeAdvantageHeader(ScannerSource& file, ScannerHeader& header);
bool decodeGeAdvantageHeader(std::span<const uint8_t> header, int formatId, ScannerInfo& info);
int readGeAdvantagePixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                          std::vector<uint32_t>& samples);

// Decodes `count` samples of the compressed stream from `data` at `pos`,
// going on from `value` (0 at the start of an image):
//   c < 64       value += c
//   64..127      value += c - 128
//   128..159     value += ((c & 0x1F) << 8) | next
//   160..191     value += (int16_t)(((c | 0xC0) << 8) + next)
//   192..255     value  = next two bytes, big-endian
// Values wrap at 16 bits. Returns false, with the samples decoded so far
// written, when the data ends first.
bool decodeGeCompressed(std::span<const uint8_t> data, size_t& pos, uint16_t& value, size_t count,
                        uint32_t* out);

// Day, month (1..12) and year of a count of seconds since 1970-01-01.
void geCalendarDate(uint32_t seconds, int& day, int& month, int& year);
