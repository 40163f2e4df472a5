#include "workspace/core/roi/roi_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/files.h"
#include "workspace/core/formats/byte_codec.h"
#include "workspace/core/roi/roi_source.h"

namespace {

constexpr size_t kMagicSize = kRoiMagic.size();
constexpr size_t kWidthOffset = 12;
constexpr size_t kHeightOffset = 14;
constexpr size_t kNameLengthsOffset = 16;
constexpr size_t kBitmapFileHeaderSize = 14;
constexpr size_t kBitmapInfoHeaderSize = 40;
constexpr int32_t kPixelsPerMetre = 1000;

// Little-endian field writer; every file is built field by field.
class ByteWriter {
  public:
    explicit ByteWriter(std::string& out) : out_(out) {}
    void u8(uint32_t v) { out_.push_back(static_cast<char>(v & 0xFF)); }
    void u16(uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(uint32_t v) {
        u16(v);
        u16(v >> 16);
    }
    void s32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void bytes(std::string_view s) { out_.append(s); }
    void zeros(size_t n) { out_.append(n, '\0'); }

  private:
    std::string& out_;
};

// --- .roi reading --------------------------------------------------------------

// Random access to the bytes of a file held in memory.
class SpanSource {
  public:
    explicit SpanSource(std::span<const uint8_t> data) : data_(data) {}
    uint64_t size() const { return data_.size(); }
    bool read(uint64_t offset, size_t n, uint8_t* out) const {
        if (offset > data_.size() || n > data_.size() - offset) return false;
        if (n > 0) std::memcpy(out, data_.data() + offset, n);
        return true;
    }

  private:
    std::span<const uint8_t> data_;
};

// The same on an open file, so that loading reads only the rows the map takes.
class FileSource {
  public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    uint64_t size() const { return size_; }
    bool read(uint64_t offset, size_t n, uint8_t* out) const {
        if (offset > size_ || n > size_ - offset) return false;
        return platform::readAt(fd_, offset, out, n) == static_cast<int64_t>(n);
    }

  private:
    int fd_;
    uint64_t size_;
};

template <class Source>
RoiFileStatus decodeRoi(const Source& source, int32_t mapWidth, int32_t mapHeight,
                        RoiFileContent& out) {
    uint8_t header[kRoiHeaderSize];
    if (source.size() < kMagicSize) return RoiFileStatus::WrongMagic;
    if (!source.read(0, kMagicSize, header)) return RoiFileStatus::CannotOpen;
    if (std::memcmp(header, kRoiMagic.data(), kMagicSize) != 0) return RoiFileStatus::WrongMagic;
    if (source.size() < kRoiHeaderSize) return RoiFileStatus::Damaged;
    if (!source.read(0, kRoiHeaderSize, header)) return RoiFileStatus::CannotOpen;

    const uint32_t width = readLittleEndian16(header + kWidthOffset);
    const uint32_t height = readLittleEndian16(header + kHeightOffset);
    std::array<uint32_t, kRoiCount> lengths{};
    uint64_t nameBytes = 0;
    for (size_t k = 0; k < lengths.size(); ++k) {
        lengths[k] = readLittleEndian16(header + kNameLengthsOffset + 2 * k);
        nameBytes += lengths[k];
    }
    // At most 65535 x 65535 words and 16 x 65535 name bytes: no overflow.
    const uint64_t mapBytes = uint64_t{2} * width * height;
    if (source.size() < kRoiHeaderSize + mapBytes + nameBytes) return RoiFileStatus::Damaged;

    RoiFileContent content;
    content.fileWidth = static_cast<int32_t>(width);
    content.fileHeight = static_cast<int32_t>(height);
    content.rows = std::clamp(mapHeight, 0, content.fileHeight);
    content.columns = std::clamp(mapWidth, 0, content.fileWidth);
    const size_t columns = static_cast<size_t>(content.columns);
    content.words.resize(static_cast<size_t>(content.rows) * columns);
    std::vector<uint8_t> row(columns * 2);
    for (int32_t r = 0; r < content.rows; ++r) {
        const uint64_t offset = kRoiHeaderSize + uint64_t{2} * width * static_cast<uint64_t>(r);
        if (!source.read(offset, row.size(), row.data())) return RoiFileStatus::CannotOpen;
        uint16_t* words = content.words.data() + static_cast<size_t>(r) * columns;
        for (size_t c = 0; c < columns; ++c) words[c] = readLittleEndian16(row.data() + 2 * c);
    }

    uint64_t offset = kRoiHeaderSize + mapBytes;
    std::vector<uint8_t> name;
    for (size_t k = 0; k < lengths.size(); ++k) {
        // A name too long to be read is skipped by its stored length, so the
        // names after it stay in step.
        const size_t length = lengths[k];
        if (length > 0 && length <= kMaxReadRoiNameLength) {
            name.resize(length);
            if (!source.read(offset, length, name.data())) return RoiFileStatus::CannotOpen;
            const auto end = std::find(name.begin(), name.end(), uint8_t{0});
            content.names[k].assign(name.begin(), end);
        }
        offset += length;
    }
    out = std::move(content);
    return RoiFileStatus::Ok;
}

// Imports the pixels inside the picture and inside width x height of the map.
void importPicture(const RgbImage& picture, ImagePlane& roiMap, int32_t width, int32_t height) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.bgr.size() / 3 / static_cast<size_t>(picture.width) <
            static_cast<size_t>(picture.height))
        return;
    width = std::min({picture.width, roiMap.width, width});
    height = std::min({picture.height, roiMap.height, height});
    const size_t pictureStride = static_cast<size_t>(picture.width) * 3;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* p = picture.bgr.data() + static_cast<size_t>(y) * pictureStride;
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const uint32_t colour = readBigEndian24(p);  // blue, green, red: 0xBBGGRR
            uint16_t word = 0;
            for (size_t k = 0; k < kRoiColours.size(); ++k) {
                if (kRoiColours[k] == colour) {
                    word = static_cast<uint16_t>(1u << k);
                    break;
                }
            }
            roiMap.at(x, y) = word;
        }
    }
}

// The part of the ROI map a loaded file may change: the map, within the image.
struct MapArea {
    int32_t width;
    int32_t height;
};
MapArea loadArea(const WorkspaceState& state) {
    return {std::min(state.RoiMap->width, state.GreyImage->width),
            std::min(state.RoiMap->height, state.GreyImage->height)};
}

RoiFileStatus loadRoiFileType1(WorkspaceState& state, const std::string& path) {
    const MapArea area = loadArea(state);
    RoiFileContent content;
    const RoiFileStatus status = readRoiFile(path, area.width, area.height, content);
    if (status != RoiFileStatus::Ok) return status;

    ImagePlane& map = *state.RoiMap;
    PlanePushUndo(&map);
    const size_t columns = static_cast<size_t>(content.columns);
    for (int32_t y = 0; y < content.rows; ++y)
        std::copy_n(content.words.data() + static_cast<size_t>(y) * columns, columns,
                    &map.at(0, y));
    state.RoiNames = std::move(content.names);
    return RoiFileStatus::Ok;
}

RoiFileStatus loadRoiPicture(WorkspaceState& state, const std::string& path) {
    RgbImage picture;
    switch (readBmpFile(path, picture)) {
        case BmpStatus::Ok:
            break;
        case BmpStatus::CannotOpen:
            return RoiFileStatus::CannotOpen;
        default:
            return RoiFileStatus::NotPicture;
    }
    const MapArea area = loadArea(state);
    importPicture(picture, *state.RoiMap, area.width, area.height);
    return RoiFileStatus::Ok;
}

// --- Bitmap writing ------------------------------------------------------------

void writeBitmapHeaders(ByteWriter& w, int32_t width, int32_t height, uint32_t bitCount,
                        uint32_t paletteEntries, uint32_t imageSize) {
    const uint32_t pixelOffset =
        static_cast<uint32_t>(kBitmapFileHeaderSize + kBitmapInfoHeaderSize + 4 * paletteEntries);
    w.u8('B');
    w.u8('M');
    w.u32(pixelOffset + imageSize);
    w.u16(0);
    w.u16(0);
    w.u32(pixelOffset);
    w.u32(kBitmapInfoHeaderSize);
    w.s32(width);
    w.s32(height);
    w.u16(1);
    w.u16(bitCount);
    w.u32(0);
    w.u32(imageSize);
    w.s32(kPixelsPerMetre);
    w.s32(kPixelsPerMetre);
    w.u32(0);
    w.u32(0);
}

// Palette entries are blue, green, red, 0; the ROI colours are 0x00BBGGRR.
void writePaletteColour(ByteWriter& w, uint32_t colour) {
    w.u8(colour >> 16);
    w.u8(colour >> 8);
    w.u8(colour);
    w.u8(0);
}

// Whether headers plus h rows of `stride` bytes fit the 32-bit size fields.
bool bitmapFits(size_t headerBytes, int32_t height, size_t stride) {
    const uint64_t total = headerBytes + static_cast<uint64_t>(height) * stride;
    return total <= UINT32_MAX;
}

RoiFileStatus writeFile(const std::string& path, const std::string& bytes) {
    return platform::writeWholeFileAtomically(path, bytes) ? RoiFileStatus::Ok
                                                           : RoiFileStatus::CannotCreate;
}

}  // namespace

std::string roiFileMessage(RoiFileStatus status, const std::string& path) {
    switch (status) {
        case RoiFileStatus::Ok:
            return {};
        case RoiFileStatus::CannotOpen:
            return "Cannot read ROI file " + path + ".";
        case RoiFileStatus::WrongMagic:
            return "File " + path + " is not a ROI file.";
        case RoiFileStatus::NoImage:
            return "Cannot load ROI. Load image first.";
        case RoiFileStatus::Damaged:
            return "ROI file " + path + " is damaged or incomplete.";
        case RoiFileStatus::NotPicture:
            return "Cannot read ROI picture " + path + ": not a supported Windows bitmap.";
        case RoiFileStatus::CannotCreate:
            return "File " + path + " cannot be created.";
        case RoiFileStatus::TooLarge:
            return "File " + path + " cannot be created: the image is too large for this format.";
        case RoiFileStatus::NothingToSave:
            return "Cannot save ROI. Load image first.";
    }
    return "Cannot read ROI file " + path + ".";
}

RoiFileStatus encodeRoiFile(const ImagePlane& roiMap,
                            const std::array<std::string, kRoiCount>& names, std::string& out) {
    if (roiMap.width < 0 || roiMap.height < 0 || roiMap.width > kMaxRoiFileSide ||
        roiMap.height > kMaxRoiFileSide)
        return RoiFileStatus::TooLarge;
    std::array<std::string_view, kRoiCount> stored;
    size_t nameBytes = 0;
    for (size_t k = 0; k < stored.size(); ++k) {
        stored[k] = std::string_view(names[k]).substr(0, kMaxStoredRoiNameLength);
        nameBytes += stored[k].size();
    }
    std::string bytes;
    bytes.reserve(kRoiHeaderSize + 2 * roiMap.size() + nameBytes);
    ByteWriter w(bytes);
    w.bytes(kRoiMagic);
    w.u16(static_cast<uint32_t>(roiMap.width));
    w.u16(static_cast<uint32_t>(roiMap.height));
    for (std::string_view name : stored) w.u16(static_cast<uint32_t>(name.size()));
    w.zeros(kRoiHeaderSize - bytes.size());
    for (size_t i = 0; i < roiMap.size(); ++i) w.u16(roiMap.current[i]);
    for (std::string_view name : stored) w.bytes(name);
    out = std::move(bytes);
    return RoiFileStatus::Ok;
}

RoiFileStatus decodeRoiFile(std::span<const uint8_t> data, int32_t mapWidth, int32_t mapHeight,
                            RoiFileContent& out) {
    return decodeRoi(SpanSource(data), mapWidth, mapHeight, out);
}

RoiFileStatus readRoiFile(const std::string& path, int32_t mapWidth, int32_t mapHeight,
                          RoiFileContent& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return RoiFileStatus::CannotOpen;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return RoiFileStatus::CannotOpen;
    return decodeRoi(FileSource(fd, static_cast<uint64_t>(info.st_size)), mapWidth, mapHeight, out);
}

void importRoiPicture(const RgbImage& picture, ImagePlane& roiMap) {
    importPicture(picture, roiMap, roiMap.width, roiMap.height);
}

RoiFileStatus decodeRoiPicture(std::span<const uint8_t> data, ImagePlane& roiMap,
                               size_t maxPixels) {
    RgbImage picture;
    if (decodeBmp(data, picture, maxPixels) != BmpStatus::Ok) return RoiFileStatus::NotPicture;
    importRoiPicture(picture, roiMap);
    return RoiFileStatus::Ok;
}

RoiFileStatus LoadRoiFile(WorkspaceState& state, const std::string& path, int loadType) {
    if (!state.GreyImage || !state.RoiMap) return RoiFileStatus::NoImage;
    const RoiFileStatus status = loadType == kLoadRoiTypePicture ? loadRoiPicture(state, path)
                                                                 : loadRoiFileType1(state, path);
    if (status == RoiFileStatus::Ok) noteRoiSource(state, path);
    return status;
}

int32_t exportedActiveRoi(int32_t activeRoi) {
    return activeRoi >= 1 && activeRoi <= kRoiCount ? activeRoi : 1;
}

RoiFileStatus encodeActiveRoiBitmap(const ImagePlane& roiMap, int32_t activeRoi, std::string& out) {
    const int32_t roi = exportedActiveRoi(activeRoi);
    const uint16_t m = static_cast<uint16_t>(1u << (roi - 1));
    const int32_t width = roiMap.width;
    const int32_t height = roiMap.height;
    const size_t stride = (static_cast<size_t>(width) + 31) / 32 * 4;
    constexpr uint32_t kPaletteEntries = 2;
    const size_t headers = kBitmapFileHeaderSize + kBitmapInfoHeaderSize + 4 * kPaletteEntries;
    if (!bitmapFits(headers, height, stride)) return RoiFileStatus::TooLarge;
    const size_t imageSize = static_cast<size_t>(height) * stride;

    std::string bytes;
    bytes.reserve(headers + imageSize);
    ByteWriter w(bytes);
    writeBitmapHeaders(w, width, height, 1, kPaletteEntries, static_cast<uint32_t>(imageSize));
    writePaletteColour(w, 0);
    writePaletteColour(w, kRoiColours[static_cast<size_t>(roi - 1)]);
    std::vector<uint8_t> row(stride);
    for (int32_t y = height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), uint8_t{0});
        for (int32_t x = 0; x < width; ++x)
            if (roiMap.at(x, y) & m) row[static_cast<size_t>(x) / 8] |= 0x80u >> (x % 8);
        bytes.append(reinterpret_cast<const char*>(row.data()), row.size());
    }
    out = std::move(bytes);
    return RoiFileStatus::Ok;
}

RoiFileStatus encodeRoiBitmap(const ImagePlane& roiMap, std::string& out, bool& overlapping) {
    const int32_t width = roiMap.width;
    const int32_t height = roiMap.height;
    const size_t stride = (static_cast<size_t>(width) + 3) & ~size_t{3};
    constexpr uint32_t kPaletteEntries = 256;
    const size_t headers = kBitmapFileHeaderSize + kBitmapInfoHeaderSize + 4 * kPaletteEntries;
    if (!bitmapFits(headers, height, stride)) return RoiFileStatus::TooLarge;
    const size_t imageSize = static_cast<size_t>(height) * stride;

    // Index of every map word: its ROI for one bit, 16 (black) for none, 255 for several.
    constexpr uint8_t kNoRoi = 16;
    constexpr uint8_t kSeveralRois = 255;
    std::string bytes;
    bytes.reserve(headers + imageSize);
    ByteWriter w(bytes);
    writeBitmapHeaders(w, width, height, 8, kPaletteEntries, static_cast<uint32_t>(imageSize));
    for (uint32_t colour : kRoiColours) writePaletteColour(w, colour);
    for (uint32_t i = kRoiCount; i < kPaletteEntries; ++i) {
        const uint32_t grey = i - kRoiCount;
        writePaletteColour(w, grey << 16 | grey << 8 | grey);
    }
    bool several = false;
    std::vector<uint8_t> row(stride);
    for (int32_t y = height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), uint8_t{0});
        for (int32_t x = 0; x < width; ++x) {
            const uint16_t word = roiMap.at(x, y);
            uint8_t index = kNoRoi;
            if (word != 0 && (word & (word - 1)) == 0) {
                index = static_cast<uint8_t>(std::countr_zero(word));
            } else if (word != 0) {
                index = kSeveralRois;
                several = true;
            }
            row[static_cast<size_t>(x)] = index;
        }
        bytes.append(reinterpret_cast<const char*>(row.data()), row.size());
    }
    out = std::move(bytes);
    overlapping = several;
    return RoiFileStatus::Ok;
}

std::string encodeRoiTextList(const ImagePlane& roiMap, const ImagePlane* grey) {
    const int32_t width = roiMap.width;
    const int32_t height = roiMap.height;
    const auto sample = [&](int32_t x, int32_t y) -> int {
        if (!grey || x >= grey->width || y >= grey->height) return 0;
        return grey->at(x, y);
    };
    std::string text;
    for (int k = 1; k <= kRoiCount; ++k) {
        const uint16_t m = static_cast<uint16_t>(1u << (k - 1));
        text += "\r\nRoi #" + std::to_string(k) +
                "\r\n x \t y \t lum\r\n------------------------------------------------\r\n";
        // y is counted from the bottom row, the way the list has always been read.
        for (int32_t y = 0; y < height; ++y) {
            const int32_t row = height - 1 - y;
            for (int32_t x = 0; x < width; ++x) {
                if (!(roiMap.at(x, row) & m)) continue;
                text += std::to_string(x) + '\t' + std::to_string(y) + '\t' +
                        std::to_string(sample(x, row)) + "\r\n";
            }
        }
    }
    return text;
}

RoiFileStatus saveRoiFile(const WorkspaceState& state, const std::string& path) {
    if (!state.RoiMap) return RoiFileStatus::NothingToSave;
    std::string bytes;
    const RoiFileStatus status = encodeRoiFile(*state.RoiMap, state.RoiNames, bytes);
    return status == RoiFileStatus::Ok ? writeFile(path, bytes) : status;
}

RoiFileStatus saveActiveRoiBitmap(const WorkspaceState& state, const std::string& path) {
    if (!state.RoiMap) return RoiFileStatus::NothingToSave;
    std::string bytes;
    const RoiFileStatus status = encodeActiveRoiBitmap(*state.RoiMap, state.ActiveRoi, bytes);
    return status == RoiFileStatus::Ok ? writeFile(path, bytes) : status;
}

RoiSaveResult saveRoiBitmap(const WorkspaceState& state, const std::string& path) {
    if (!state.RoiMap) return {RoiFileStatus::NothingToSave, false};
    std::string bytes;
    bool overlapping = false;
    RoiFileStatus status = encodeRoiBitmap(*state.RoiMap, bytes, overlapping);
    if (status == RoiFileStatus::Ok) status = writeFile(path, bytes);
    // The warning is about what the file holds, so only for a written file.
    return {status, status == RoiFileStatus::Ok && overlapping};
}

RoiFileStatus saveRoiTextList(const WorkspaceState& state, const std::string& path) {
    if (!state.RoiMap) return RoiFileStatus::NothingToSave;
    return writeFile(path, encodeRoiTextList(*state.RoiMap, state.GreyImage.get()));
}

RoiSaveResult saveRoiByFilterIndex(const WorkspaceState& state, const std::string& path,
                                   int filterIndex) {
    switch (filterIndex) {
        case kSaveRoiFilterActiveBitmap:
            return {saveActiveRoiBitmap(state, path), false};
        case kSaveRoiFilterRoiBitmap:
            return saveRoiBitmap(state, path);
        case kSaveRoiFilterTextList:
            return {saveRoiTextList(state, path), false};
        default:
            return {saveRoiFile(state, path), false};
    }
}
