#include "workspace/core/formats/bmp_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/files.h"
#include "platform/parallel.h"
#include "workspace/core/formats/byte_codec.h"
#include "workspace/core/image/image_plane.h"

namespace {

constexpr uint64_t kFileHeaderBytes = 14;
constexpr uint64_t kCoreHeaderBytes = 12;

// Compression field of the info header.
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitfields = 3;
constexpr uint32_t kAlphaBitfields = 6;

// A picture within the plane limit at 32 bits per pixel, with room to spare
// for headers, palette and gaps; nothing larger can be a bitmap we accept.
constexpr uint64_t kMaxFileBytes = uint64_t{kMaxPlaneWords} * 4 + (uint64_t{1} << 20);

uint32_t readU16(std::span<const uint8_t> d, uint64_t at) {
    return readLittleEndian16(d.data() + at);
}

uint32_t readU32(std::span<const uint8_t> d, uint64_t at) {
    return readLittleEndian32(d.data() + at);
}

// One colour channel of a 16 or 32-bit pixel: where its bits sit and how they
// scale to 0..255 (rounded, so 5 bits of 31 give 255 and 6 bits of 63 too).
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    std::array<uint8_t, 256> table{};  // for max <= 255, saves a division per pixel

    uint8_t scale(uint32_t pixel) const {
        uint32_t value = (pixel & mask) >> shift;
        if (max <= 255) return table[value];
        return static_cast<uint8_t>((uint64_t{value} * 255 + max / 2) / max);
    }
};

// False for a mask whose bits are not contiguous: no writer produces one and
// its meaning would be a guess.
bool makeChannel(uint32_t mask, Channel& channel) {
    channel = Channel{};
    if (mask == 0) return true;  // absent channel: always 0
    channel.mask = mask;
    channel.shift = std::countr_zero(mask);
    uint32_t bits = mask >> channel.shift;
    if ((bits & (bits + 1)) != 0) return false;
    channel.max = bits;
    if (bits <= 255) {
        for (uint32_t v = 0; v <= bits; ++v)
            channel.table[v] = static_cast<uint8_t>((v * 255 + bits / 2) / bits);
    }
    return true;
}

// Everything the pixel decoding needs, taken from the headers and checked
// against the data.
struct Layout {
    int32_t width = 0;
    int32_t height = 0;
    bool topDown = false;
    uint32_t bpp = 0;
    uint32_t compression = kRgb;
    uint64_t pixelOffset = 0;
    uint64_t pixelEnd = 0;                   // end of the pixel data (RLE stream end)
    uint64_t stride = 0;                     // bytes per stored row, padded to 4
    std::array<uint8_t, 256 * 3> palette{};  // B, G, R; entries not in the file stay black
    Channel red, green, blue;
};

// The headers and tables lie within the first kLayoutBytes of a file.
constexpr size_t kLayoutBytes = 4096;

// d holds the file's first bytes: all of a file of `size` bytes, or at least
// its first kLayoutBytes.
BmpStatus readLayout(std::span<const uint8_t> d, uint64_t size, size_t maxPixels, Layout& L) {
    if (d.size() < 2 || d[0] != 'B' || d[1] != 'M') return BmpStatus::NotBitmap;
    if (size < kFileHeaderBytes + 4) return BmpStatus::Corrupt;
    const uint64_t pixelOffset = readU32(d, 10);
    const uint64_t headerSize = readU32(d, 14);
    if (headerSize < kCoreHeaderBytes || kFileHeaderBytes + headerSize > size)
        return BmpStatus::Corrupt;

    int64_t width = 0;
    int64_t height = 0;
    uint32_t bpp = 0;
    uint32_t compression = kRgb;
    uint64_t coloursUsed = 0;
    uint64_t sizeImage = 0;
    uint64_t paletteEntryBytes = 4;
    if (headerSize == kCoreHeaderBytes) {
        width = readU16(d, 18);
        height = readU16(d, 20);
        bpp = readU16(d, 24);
        paletteEntryBytes = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        width = static_cast<int32_t>(readU32(d, 18));
        height = static_cast<int32_t>(readU32(d, 22));
        bpp = readU16(d, 28);
        compression = readU32(d, 30);
        sizeImage = readU32(d, 34);
        coloursUsed = readU32(d, 46);
    } else {
        // The 64-byte OS/2 header gives the compression field other meanings.
        return BmpStatus::Unsupported;
    }

    switch (compression) {
        case kRgb:
            break;
        case kRle8:
            if (bpp != 8) return BmpStatus::Corrupt;
            break;
        case kRle4:
            if (bpp != 4) return BmpStatus::Corrupt;
            break;
        case kBitfields:
        case kAlphaBitfields:
            if (bpp != 16 && bpp != 32) return BmpStatus::Corrupt;
            break;
        default:  // embedded JPEG or PNG, CMYK and other rarities
            return BmpStatus::Unsupported;
    }
    switch (bpp) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        case 2:
        case 64:
            return BmpStatus::Unsupported;
        default:
            return BmpStatus::Corrupt;
    }

    const bool topDown = height < 0;
    if (topDown) height = -height;
    const uint64_t pixelLimit = std::min<uint64_t>(maxPixels, kMaxPlaneWords);
    if (width <= 0 || height <= 0 ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > pixelLimit)
        return BmpStatus::Corrupt;
    // Compressed bitmaps are always stored bottom-up.
    if (topDown && (compression == kRle8 || compression == kRle4)) return BmpStatus::Corrupt;

    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // red, green, blue of 5-5-5
    if (bpp == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
    uint64_t tableOffset = kFileHeaderBytes + headerSize;  // masks or palette follow the header
    if (compression == kBitfields || compression == kAlphaBitfields) {
        uint64_t maskAt = kFileHeaderBytes + 40;
        if (headerSize == 40) {
            // The plain info header has the masks after it (alpha too, when named).
            uint64_t maskBytes = compression == kAlphaBitfields ? 16 : 12;
            if (tableOffset + maskBytes > size) return BmpStatus::Corrupt;
            tableOffset += maskBytes;
        }
        for (int i = 0; i < 3; ++i) masks[i] = readU32(d, maskAt + 4 * static_cast<uint64_t>(i));
    }
    Channel* channels[3] = {&L.red, &L.green, &L.blue};
    for (int i = 0; i < 3; ++i)
        if (!makeChannel(masks[i], *channels[i])) return BmpStatus::Corrupt;

    if (pixelOffset < tableOffset || pixelOffset > size) return BmpStatus::Corrupt;
    if (bpp <= 8) {
        const uint64_t fullPalette = uint64_t{1} << bpp;
        uint64_t count = fullPalette;
        if (headerSize == kCoreHeaderBytes) {
            // Old writers store only the entries they use; the pixel offset tells.
            count = std::min(fullPalette, (pixelOffset - tableOffset) / paletteEntryBytes);
        } else if (coloursUsed != 0) {
            if (coloursUsed > fullPalette) return BmpStatus::Corrupt;
            count = coloursUsed;
        }
        if (tableOffset + count * paletteEntryBytes > pixelOffset) return BmpStatus::Corrupt;
        for (uint64_t i = 0; i < count; ++i) {
            uint64_t at = tableOffset + i * paletteEntryBytes;
            L.palette[i * 3] = d[at];
            L.palette[i * 3 + 1] = d[at + 1];
            L.palette[i * 3 + 2] = d[at + 2];
        }
    }

    const uint64_t bitsPerRow = static_cast<uint64_t>(width) * bpp;
    L.stride = (bitsPerRow + 31) / 32 * 4;
    if (compression == kRle8 || compression == kRle4) {
        L.pixelEnd = sizeImage != 0 ? pixelOffset + sizeImage : size;
        if (L.pixelEnd > size) return BmpStatus::Corrupt;
    } else {
        // The padding of the last row may be missing; its pixels may not.
        L.pixelEnd =
            pixelOffset + L.stride * static_cast<uint64_t>(height - 1) + (bitsPerRow + 7) / 8;
        if (L.pixelEnd > size) return BmpStatus::Corrupt;
    }

    L.width = static_cast<int32_t>(width);
    L.height = static_cast<int32_t>(height);
    L.topDown = topDown;
    L.bpp = bpp;
    L.compression = compression;
    L.pixelOffset = pixelOffset;
    return BmpStatus::Ok;
}

void putIndex(const Layout& L, uint8_t index, uint8_t* out) {
    std::memcpy(out, &L.palette[static_cast<size_t>(index) * 3], 3);
}

void putMasked(const Layout& L, uint32_t pixel, uint8_t* out) {
    out[0] = L.blue.scale(pixel);
    out[1] = L.green.scale(pixel);
    out[2] = L.red.scale(pixel);
}

// The palette index of pixel x of a row of kBits-bit indexes (1, 4 or 8),
// the leftmost pixel in the high bits of a byte.
template <int kBits, class Index>
uint8_t paletteIndex(const uint8_t* row, Index x) {
    static_assert(kBits == 1 || kBits == 4 || kBits == 8);
    if constexpr (kBits == 8)
        return row[x];
    else if constexpr (kBits == 4)
        return static_cast<uint8_t>((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
    else
        return static_cast<uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
}

void decodeRow(const Layout& L, const uint8_t* s, uint8_t* out) {
    const int32_t w = L.width;
    switch (L.bpp) {
        case 1:
            for (int32_t x = 0; x < w; ++x, out += 3) putIndex(L, paletteIndex<1>(s, x), out);
            break;
        case 4:
            for (int32_t x = 0; x < w; ++x, out += 3) putIndex(L, paletteIndex<4>(s, x), out);
            break;
        case 8:
            for (int32_t x = 0; x < w; ++x, out += 3) putIndex(L, paletteIndex<8>(s, x), out);
            break;
        case 16:
            for (int32_t x = 0; x < w; ++x, out += 3, s += 2)
                putMasked(L, readLittleEndian16(s), out);
            break;
        case 24:
            std::memcpy(out, s, static_cast<size_t>(w) * 3);
            break;
        case 32:
            for (int32_t x = 0; x < w; ++x, out += 3, s += 4)
                putMasked(L, readLittleEndian32(s), out);
            break;
        default:
            break;
    }
}

void decodeUncompressed(std::span<const uint8_t> d, const Layout& L, std::vector<uint8_t>& bgr) {
    const size_t outStride = static_cast<size_t>(L.width) * 3;
    for (int32_t y = 0; y < L.height; ++y) {
        const uint64_t stored = L.topDown ? y : L.height - 1 - y;
        decodeRow(L, d.data() + L.pixelOffset + stored * L.stride,
                  bgr.data() + static_cast<size_t>(y) * outStride);
    }
}

// Run-length encoded 8 or 4-bit indexes. Pixels that the stream skips (end
// of line, delta, early end of bitmap) keep index 0. Writers that encode
// whole padded rows (ImageMagick codes a row of 37 as 40) put pixels past
// the width: those are dropped, as other readers do. A pixel above the top
// row, a delta that leaves the picture, or a stream that stops before the
// picture is complete makes the file Corrupt.
BmpStatus decodeRle(std::span<const uint8_t> d, const Layout& L, std::vector<uint8_t>& bgr) {
    const int64_t w = L.width;
    const int64_t h = L.height;
    const bool four = L.compression == kRle4;
    std::vector<uint8_t> index(static_cast<size_t>(w * h), 0);  // stored order: bottom row first
    uint64_t p = L.pixelOffset;
    const uint64_t end = L.pixelEnd;
    int64_t x = 0;
    int64_t y = 0;
    auto put = [&](uint8_t value) {
        if (y >= h) return false;
        if (x < w) index[static_cast<size_t>(y * w + x++)] = value;
        return true;
    };
    for (;;) {
        if (end - p < 2) {
            bool complete = y >= h || (y == h - 1 && x == w);
            if (!complete) return BmpStatus::Corrupt;
            break;
        }
        const uint8_t count = d[p];
        const uint8_t value = d[p + 1];
        p += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i) {
                uint8_t v =
                    four ? static_cast<uint8_t>((i & 1) ? value & 0x0F : value >> 4) : value;
                if (!put(v)) return BmpStatus::Corrupt;
            }
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            if (++y > h) return BmpStatus::Corrupt;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta: move right and up
            if (end - p < 2) return BmpStatus::Corrupt;
            x += d[p];
            y += d[p + 1];
            p += 2;
            if (x > w || y > h) return BmpStatus::Corrupt;
        } else {  // literal pixels, padded to an even number of bytes
            const uint64_t bytes = four ? (value + 1u) / 2 : value;
            if (end - p < bytes) return BmpStatus::Corrupt;
            for (unsigned i = 0; i < value; ++i) {
                uint8_t v = four ? static_cast<uint8_t>((d[p + i / 2] >> ((i & 1) ? 0 : 4)) & 0x0F)
                                 : d[p + i];
                if (!put(v)) return BmpStatus::Corrupt;
            }
            p += std::min(bytes + (bytes & 1), end - p);
        }
    }
    const size_t outStride = static_cast<size_t>(w) * 3;
    for (int64_t row = 0; row < h; ++row) {
        const uint8_t* s = index.data() + static_cast<size_t>((h - 1 - row) * w);
        uint8_t* o = bgr.data() + static_cast<size_t>(row) * outStride;
        for (int64_t i = 0; i < w; ++i, o += 3) putIndex(L, s[i], o);
    }
    return BmpStatus::Ok;
}

using FileBytes = VectorForOverwrite<uint8_t>;

// Reads until the end of the file, straight into data after what it holds;
// false on a read error or when the file grew beyond `limit` while being read.
bool readRest(int fd, uint64_t limit, FileBytes& data) {
    size_t used = data.size();
    for (;;) {
        // All the room reserved, then more for a file that grows.
        if (data.size() - used < 65536) data.resize(std::max(used + 65536, data.capacity()));
        ssize_t n = ::read(fd, data.data() + used, data.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        used += static_cast<size_t>(n);
        if (used > limit) return false;
    }
    data.resize(used);
    return true;
}

// Fills data[from, data.size()) from the file at the same offsets, pieces of
// it on all cores: the copies from the page cache, and the first touches of
// fresh pages, are the bulk of opening a large picture. Keeps the bytes up
// to the first piece that the file ended in (a file that shrank while being
// read); false on a read error.
bool readAtOffsets(int fd, size_t from, FileBytes& data) {
    constexpr size_t kPiece = size_t{8} << 20;
    const size_t count = data.size() - from;
    std::vector<size_t> got(parallelChunkCount(count, kPiece), 0);
    std::atomic<bool> failed{false};
    parallelFor(count, kPiece, [&](size_t begin, size_t end) {
        const int64_t n =
            platform::readAt(fd, from + begin, data.data() + from + begin, end - begin);
        if (n < 0)
            failed = true;
        else
            got[begin / kPiece] = static_cast<size_t>(n);
    });
    if (failed) return false;
    size_t kept = from;
    for (size_t piece = 0; piece < got.size(); ++piece) {
        kept += got[piece];
        if (got[piece] < std::min(kPiece, count - piece * kPiece)) break;
    }
    data.resize(kept);
    return true;
}

// A bitmap file opened for reading: its descriptor (closed with it), its
// first bytes (up to kLayoutBytes) and its size.
struct BitmapFile {
    int fd = -1;
    std::vector<uint8_t> head;
    uint64_t size = 0;

    BitmapFile() = default;
    BitmapFile(const BitmapFile&) = delete;
    BitmapFile& operator=(const BitmapFile&) = delete;
    ~BitmapFile() {
        if (fd >= 0) ::close(fd);
    }
};

// CannotOpen for a missing file, a folder or a read error, NotBitmap for a
// file shorter than two bytes or not starting with "BM", Unsupported for a
// file too large to hold any picture we accept, else Ok. The signature is
// looked at before a large file is read through.
BmpStatus openBitmapFile(const std::string& path, BitmapFile& file) {
    file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) return BmpStatus::CannotOpen;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return BmpStatus::CannotOpen;
    file.head.resize(kLayoutBytes);
    const int64_t read = platform::readAt(file.fd, 0, file.head.data(), file.head.size());
    if (read < 0) return BmpStatus::CannotOpen;
    const size_t got = static_cast<size_t>(read);
    file.head.resize(got);
    if (got < 2 || file.head[0] != 'B' || file.head[1] != 'M') return BmpStatus::NotBitmap;
    if (static_cast<uint64_t>(info.st_size) > kMaxFileBytes) return BmpStatus::Unsupported;
    // A file that ended within its first bytes is as long as they are.
    file.size = got < kLayoutBytes ? got : std::max<uint64_t>(got, info.st_size);
    return BmpStatus::Ok;
}

// The whole file: the size it had is read on all cores, then on to its end,
// in case it grew meanwhile.
bool readWholeFile(const BitmapFile& file, FileBytes& data) {
    data.reserve(file.size + 65536);
    data.resize(file.size);
    std::memcpy(data.data(), file.head.data(), file.head.size());
    if (!readAtOffsets(file.fd, file.head.size(), data)) return false;
    if (data.size() < file.size) return true;
    if (::lseek(file.fd, static_cast<off_t>(data.size()), SEEK_SET) < 0) return false;
    return readRest(file.fd, kMaxFileBytes, data);
}

// Reads the whole file and decodes what it holds then.
BmpStatus decodeWholeFile(const BitmapFile& file, RgbImage& out) {
    FileBytes data;
    if (!readWholeFile(file, data)) return BmpStatus::CannotOpen;
    return decodeBmp(data, out);
}

// The rows of an uncompressed bitmap read from the file and decoded into grey
// samples in bands of rows on all cores, each band reading only its own rows:
// no copy of the whole file is made. Corrupt when the file has become
// shorter than its layout, CannotOpen on a read error.
BmpStatus decodeUncompressedGrey(int fd, const Layout& L, const GreyConversion& convert,
                                 uint16_t* samples) {
    const size_t width = static_cast<size_t>(L.width);
    const size_t rows = static_cast<size_t>(L.height);
    const size_t rowBytes = (width * L.bpp + 7) / 8;
    // Every pixel of a palette picture is one of the palette's colours:
    // convert those once.
    std::array<uint16_t, 256> grey{};
    if (L.bpp <= 8) convert(L.palette.data(), grey.size(), grey.data());
    std::atomic<int> failure{0};  // 1: read error, 2: the file ended early
    parallelFor(rows, parallelRowGrain(width), [&](size_t begin, size_t end) {
        // Rows begin..end-1 from the top are one run of stored rows.
        const uint64_t first = L.topDown ? begin : rows - end;
        const uint64_t last = L.topDown ? end - 1 : rows - 1 - begin;
        const uint64_t from = L.pixelOffset + first * L.stride;
        const size_t count = static_cast<size_t>((last - first) * L.stride + rowBytes);
        std::vector<uint8_t> band(count);
        const int64_t got = platform::readAt(fd, from, band.data(), count);
        if (got < 0) failure = 1;
        if (got >= 0 && static_cast<size_t>(got) < count && failure == 0) failure = 2;
        if (failure != 0) return;
        std::vector<uint8_t> bgr(L.bpp <= 8 ? 0 : width * 3);
        for (size_t y = begin; y < end; ++y) {
            const uint64_t stored = L.topDown ? y : rows - 1 - y;
            const uint8_t* s = band.data() + (stored - first) * L.stride;
            uint16_t* out = samples + y * width;
            if (L.bpp == 8) {
                for (size_t x = 0; x < width; ++x) out[x] = grey[paletteIndex<8>(s, x)];
            } else if (L.bpp == 4) {
                for (size_t x = 0; x < width; ++x) out[x] = grey[paletteIndex<4>(s, x)];
            } else if (L.bpp == 1) {
                for (size_t x = 0; x < width; ++x) out[x] = grey[paletteIndex<1>(s, x)];
            } else {
                decodeRow(L, s, bgr.data());
                convert(bgr.data(), width, out);
            }
        }
    });
    if (failure == 1) return BmpStatus::CannotOpen;
    if (failure == 2) return BmpStatus::Corrupt;
    return BmpStatus::Ok;
}

}  // namespace

BmpStatus decodeBmp(std::span<const uint8_t> data, RgbImage& out, size_t maxPixels) {
    Layout layout;
    BmpStatus status = readLayout(data, data.size(), maxPixels, layout);
    if (status != BmpStatus::Ok) return status;
    RgbImage image;
    image.width = layout.width;
    image.height = layout.height;
    image.bgr.resize(static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) * 3);
    if (layout.compression == kRle8 || layout.compression == kRle4) {
        status = decodeRle(data, layout, image.bgr);
        if (status != BmpStatus::Ok) return status;
    } else {
        decodeUncompressed(data, layout, image.bgr);
    }
    out = std::move(image);
    return BmpStatus::Ok;
}

BmpStatus decodeBmp(std::span<const uint8_t> data, RgbImage& out) {
    return decodeBmp(data, out, kMaxPlaneWords);
}

BmpStatus readBmpFile(const std::string& path, RgbImage& out) {
    BitmapFile file;
    const BmpStatus status = openBitmapFile(path, file);
    if (status != BmpStatus::Ok) return status;
    return decodeWholeFile(file, out);
}

BmpStatus readBmpFileGrey(const std::string& path, const GreyConversion& convert,
                          GreyPicture& out) {
    BitmapFile file;
    BmpStatus status = openBitmapFile(path, file);
    if (status != BmpStatus::Ok) return status;
    Layout layout;
    status = readLayout(file.head, file.size, kMaxPlaneWords, layout);
    if (status != BmpStatus::Ok) return status;
    GreyPicture picture;
    if (layout.compression == kRle8 || layout.compression == kRle4) {
        // Everything from the whole file as read: a file rewritten since its
        // first bytes were looked at may describe another picture now.
        RgbImage decoded;
        status = decodeWholeFile(file, decoded);
        if (status != BmpStatus::Ok) return status;
        const size_t pixels = decoded.bgr.size() / 3;
        picture.width = decoded.width;
        picture.height = decoded.height;
        picture.samples.resize(pixels);
        convert(decoded.bgr.data(), pixels, picture.samples.data());
    } else {
        picture.width = layout.width;
        picture.height = layout.height;
        const size_t pixels =
            static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height);
        picture.samples.resize(pixels);
        status = decodeUncompressedGrey(file.fd, layout, convert, picture.samples.data());
        if (status != BmpStatus::Ok) return status;
    }
    out = std::move(picture);
    return BmpStatus::Ok;
}
