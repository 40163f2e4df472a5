// Windows bitmap decoder: every bitmap the loader accepts becomes a plain
// 24-bit picture, whatever its bit depth, palette, bit fields or compression.
// Supported: the file header "BM" with the 12-byte core header, the 40-byte
// info header and the later 52, 56, 108 and 124-byte headers; 1, 4 and 8 bits
// per pixel with a palette (8 and 4 bits also run-length encoded), 16 and 32
// bits as 5-5-5 / 8-8-8 or with bit fields, 24 bits; bottom-up and top-down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "workspace/core/image/image_plane.h"

// A decoded picture: width x height pixels of three bytes B, G, R each, row by
// row from the top of the picture down, without row padding.
struct RgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bgr;
};

enum class BmpStatus {
    Ok,
    CannotOpen,   // the file could not be opened or read
    NotBitmap,    // the first two bytes are not "BM"
    Unsupported,  // a well-formed bitmap in a variant this decoder does not read
    Corrupt,      // sizes, offsets or pixel data that do not fit the file
};

// Decodes a whole bitmap file held in memory. Pictures of more than
// kMaxPlaneWords pixels are refused as Corrupt. On any status but Ok `out` is
// left as it was.
BmpStatus decodeBmp(std::span<const uint8_t> data, RgbImage& out);

// The same with a smaller pixel limit, for callers that must bound their
// memory further (a run-length encoded bitmap of a few bytes may describe a
// large picture).
BmpStatus decodeBmp(std::span<const uint8_t> data, RgbImage& out, size_t maxPixels);

// Reads the file and decodes it; CannotOpen for a missing file, a folder or a
// read error, NotBitmap for a file shorter than two bytes or not starting with
// "BM", Unsupported for a file too large to hold any picture we accept.
BmpStatus readBmpFile(const std::string& path, RgbImage& out);

// Turns `count` pixels of three bytes B, G, R into grey samples.
using GreyConversion = std::function<void(const uint8_t* bgr, size_t count, uint16_t* samples)>;

// A picture turned into grey samples, row by row from the top.
struct GreyPicture {
    int32_t width = 0;
    int32_t height = 0;
    PlaneWords samples;
};

// readBmpFile followed by `convert` over every pixel, with the same statuses
// and the same samples, but an uncompressed bitmap goes from the file to the
// samples directly (a palette is converted once, not per pixel), its rows
// spread over all cores; `convert` must be safe to call from several threads.
// On any status but Ok `out` is left as it was.
BmpStatus readBmpFileGrey(const std::string& path, const GreyConversion& convert, GreyPicture& out);
