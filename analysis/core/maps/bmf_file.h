// The feature-map file (.bmf, "floating point bitmap"): a 54-byte header in
// the layout of a bitmap's, with 64 bits per pixel, followed by width x
// height little-endian IEEE doubles, top row first; +infinity marks a pixel
// without value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/maps/feature_map_list.h"

inline constexpr size_t kBmfHeaderSize = 54;

struct BmfImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<double> values;  // (x, y) at x + y * width
};

// The file's bytes for a width x height map.
std::string encodeBmf(const double* values, int32_t width, int32_t height);

// A map when the bytes hold type "BM", 64 bits per pixel, a width and height
// above 0 and at least 8 * width * height bytes after the header; nothing
// otherwise. Nothing is allocated before the sizes are checked against the
// bytes.
std::optional<BmfImage> decodeBmf(std::string_view bytes);

// decodeBmf of a file; nothing when it cannot be read.
std::optional<BmfImage> readBmfFile(const std::string& path);

// Writes the map's values; false (nothing left behind) when the file cannot
// be written whole.
bool writeBmfFile(const std::string& path, const FeatureMap& map);

// Reads a .bmf file into a new map named after the file-name part of the
// path, marked saved. nullptr, list unchanged, when the file is not a
// usable .bmf.
FeatureMap* loadBmfMap(const std::string& path);
