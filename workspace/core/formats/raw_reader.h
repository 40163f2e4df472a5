// Reader of unformatted images: RawX x RawY samples of 8 or 16 bits at an
// offset given by the raw options, for files that carry no description of
// their own. The options come from the user, so they are checked as strictly
// as the file: an impossible size or offset is refused, and a file too short
// for the image is refused instead of giving partly filled samples.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "workspace/core/formats/raw_options.h"

enum class RawStatus {
    Ok,
    CannotOpen,  // missing file, a folder, or a read error
    BadOptions,  // RawX or RawY outside 1..kMaxRawSide, RawFirstImage < 1, negative header sizes
    ShortFile,   // the file ends before the last byte of the chosen image
};

// The image's place in a file: RawHeader + RawSubheader +
// (image bytes + RawSubheader) x (RawFirstImage - 1), where the image takes
// RawX x RawY bytes, twice that when RawBits > 8. Nothing when the options
// are refused. Every value fits in 64 bits for any options accepted.
struct RawImageExtent {
    uint64_t offset = 0;
    uint64_t bytes = 0;
};
bool rawImageExtent(const RawOptions& options, RawImageExtent& extent);

// Reads the image chosen by the options: width RawX, height RawY, row by row.
// With RawBits > 8 each sample is two bytes, little-endian when RawEndian is
// non-zero, big-endian when it is 0; otherwise each byte is one sample and
// the byte order does not matter. On any status but Ok `samples` is left as
// it was.
RawStatus readRawFile(const std::string& path, const RawOptions& options,
                      std::vector<uint16_t>& samples);

// The same for a file held in memory.
RawStatus decodeRaw(std::span<const uint8_t> file, const RawOptions& options,
                    std::vector<uint16_t>& samples);
