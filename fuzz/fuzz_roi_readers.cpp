// ROI files and ROI pictures come from anywhere. Decoding any bytes must end,
// and either give exactly what the file holds or leave the caller's data
// untouched. The input is decoded as a .roi file for maps of a few sizes, and
// as a picture in the ROI colours over a small map.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "workspace/core/formats/bmp_reader.h"
#include "workspace/core/roi/roi_files.h"
#include "workspace/core/workspace_state.h"

namespace {

// A bitmap of a few bytes may describe a large picture; keep memory small.
constexpr size_t kMaxPixels = size_t{1} << 16;

uint16_t u16At(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

bool sameContent(const RoiFileContent& a, const RoiFileContent& b) {
    return a.fileWidth == b.fileWidth && a.fileHeight == b.fileHeight && a.rows == b.rows &&
           a.columns == b.columns && a.words == b.words && a.names == b.names;
}

void checkRoiFile(std::span<const uint8_t> bytes, int32_t mapWidth, int32_t mapHeight) {
    RoiFileContent content;
    content.rows = -1;
    const RoiFileStatus status = decodeRoiFile(bytes, mapWidth, mapHeight, content);
    const bool magic = bytes.size() >= kRoiMagic.size() &&
                       std::memcmp(bytes.data(), kRoiMagic.data(), kRoiMagic.size()) == 0;
    if ((status == RoiFileStatus::WrongMagic) == magic) std::abort();
    if (status != RoiFileStatus::Ok) {
        if (status != RoiFileStatus::WrongMagic && status != RoiFileStatus::Damaged) std::abort();
        if (content.rows != -1 || !content.words.empty()) std::abort();
        return;
    }

    // The words are the file's, at their places.
    const int32_t width = u16At(bytes, 12);
    const int32_t height = u16At(bytes, 14);
    if (content.fileWidth != width || content.fileHeight != height) std::abort();
    if (content.rows != std::min(height, mapHeight) || content.columns != std::min(width, mapWidth))
        std::abort();
    if (content.words.size() != static_cast<size_t>(content.rows) * content.columns) std::abort();
    for (int32_t y = 0; y < content.rows; ++y)
        for (int32_t x = 0; x < content.columns; ++x)
            if (content.words[static_cast<size_t>(y) * content.columns + x] !=
                u16At(bytes, kRoiHeaderSize + 2 * (static_cast<size_t>(y) * width + x)))
                std::abort();
    for (const std::string& name : content.names)
        if (name.size() > kMaxReadRoiNameLength || name.find('\0') != std::string::npos)
            std::abort();

    // A whole map written back reads back the same.
    if (content.rows != height || content.columns != width) return;
    PlanePtr map = newPlane(width, height);
    if (!map) std::abort();
    std::copy(content.words.begin(), content.words.end(), map->current);
    std::string file;
    if (encodeRoiFile(*map, content.names, file) != RoiFileStatus::Ok) std::abort();
    RoiFileContent again;
    const std::span<const uint8_t> written(reinterpret_cast<const uint8_t*>(file.data()),
                                           file.size());
    if (decodeRoiFile(written, mapWidth, mapHeight, again) != RoiFileStatus::Ok ||
        !sameContent(content, again))
        std::abort();
}

void checkPicture(std::span<const uint8_t> bytes) {
    constexpr int32_t kWidth = 9;
    constexpr int32_t kHeight = 7;
    PlanePtr map = newPlane(kWidth, kHeight);
    for (size_t i = 0; i < map->size(); ++i) map->current[i] = static_cast<uint16_t>(0xA5A5 + i);
    const std::vector<uint16_t> before(map->current, map->current + map->size());

    const RoiFileStatus status = decodeRoiPicture(bytes, *map, kMaxPixels);
    RgbImage picture;
    const bool decodes = decodeBmp(bytes, picture, kMaxPixels) == BmpStatus::Ok;
    if ((status == RoiFileStatus::Ok) != decodes) std::abort();
    if (status != RoiFileStatus::Ok) {
        if (status != RoiFileStatus::NotPicture) std::abort();
        if (!std::equal(before.begin(), before.end(), map->current)) std::abort();
        return;
    }
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const uint16_t word = map->at(x, y);
            const bool inside = x < picture.width && y < picture.height;
            if (!inside && word != before[static_cast<size_t>(y) * kWidth + x]) std::abort();
            if (inside && std::popcount(word) > 1) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    checkRoiFile(bytes, 0, 0);
    checkRoiFile(bytes, 5, 3);
    checkRoiFile(bytes, 300, 2);
    checkRoiFile(bytes, 65535, 65535);
    checkPicture(bytes);
    return 0;
}
