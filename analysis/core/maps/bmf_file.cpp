#include "analysis/core/maps/bmf_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>

#include "platform/files.h"
#include "workspace/core/formats/bitmap_header.h"
#include "workspace/core/formats/byte_codec.h"
#include "workspace/core/image/image_plane.h"

namespace {

uint32_t get16(std::string_view b, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}

uint32_t get32(std::string_view b, size_t at) {
    return get16(b, at) | get16(b, at + 2) << 16;
}

}  // namespace

std::string encodeBmf(const double* values, int32_t width, int32_t height) {
    const uint64_t count =
        static_cast<uint64_t>(std::max(width, 0)) * static_cast<uint64_t>(std::max(height, 0));
    const uint32_t imageSize = static_cast<uint32_t>(count * 8);
    std::string out;
    out.reserve(kBmfHeaderSize + count * 8);
    appendBitmapHeader(out, {.fileSize = imageSize + static_cast<uint32_t>(kBmfHeaderSize),
                             .dataOffset = static_cast<uint32_t>(kBmfHeaderSize),
                             .width = static_cast<uint32_t>(width),
                             .height = static_cast<uint32_t>(height),
                             .bitCount = 64,
                             .imageSize = imageSize,
                             .xPelsPerMeter = 1000,
                             .yPelsPerMeter = 1000});
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t bits = std::bit_cast<uint64_t>(values[i]);
        appendLittleEndian32(out, static_cast<uint32_t>(bits));
        appendLittleEndian32(out, static_cast<uint32_t>(bits >> 32));
    }
    return out;
}

std::optional<BmfImage> decodeBmf(std::string_view bytes) {
    if (bytes.size() < kBmfHeaderSize) return std::nullopt;
    if (bytes[0] != 'B' || bytes[1] != 'M' || get16(bytes, 28) != 64) return std::nullopt;
    const int32_t width = static_cast<int32_t>(get32(bytes, 18));
    const int32_t height = static_cast<int32_t>(get32(bytes, 22));
    if (width <= 0 || height <= 0) return std::nullopt;
    // The values must be in the file before anything is allocated for them.
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (count > (bytes.size() - kBmfHeaderSize) / 8 || count > kMaxPlaneWords) return std::nullopt;
    BmfImage image;
    image.width = width;
    image.height = height;
    image.values.resize(count);
    for (uint64_t i = 0; i < count; ++i) {
        const size_t at = kBmfHeaderSize + i * 8;
        const uint64_t bits = get32(bytes, at) | static_cast<uint64_t>(get32(bytes, at + 4)) << 32;
        image.values[i] = std::bit_cast<double>(bits);
    }
    return image;
}

std::optional<BmfImage> readBmfFile(const std::string& path) {
    // Large enough for any map the list accepts, plus the header.
    const auto bytes = platform::readWholeFile(path, kBmfHeaderSize + kMaxPlaneWords * 8);
    if (!bytes) return std::nullopt;
    return decodeBmf(*bytes);
}

bool writeBmfFile(const std::string& path, const FeatureMap& map) {
    if (map.values.size() != static_cast<size_t>(map.width) * static_cast<size_t>(map.height))
        return false;
    return platform::writeWholeFileAtomically(path,
                                              encodeBmf(map.values.data(), map.width, map.height));
}

FeatureMap* loadBmfMap(const std::string& path) {
    const auto image = readBmfFile(path);
    if (!image) return nullptr;
    FeatureMap* map = AddFeatureMap(platform::fileNamePart(path), image->values.data(),
                                    image->width, image->height);
    if (map) map->saved = 1;
    return map;
}
