#include "volume/core/files/bmf_volume.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/files.h"
#include "volume/core/files/byte_source.h"
#include "workspace/core/formats/bitmap_header.h"

uint64_t bmfRowBytes(uint32_t bitCount, uint64_t width) {
    return ((uint64_t{bitCount} * width + 31) / 32) * 4;
}

int bmfLoadShift(uint32_t maximum) {
    int shift = 8;
    for (uint32_t limit = 256; shift > 0 && maximum >= limit; limit <<= 1) --shift;
    return shift;
}

namespace {

struct BmfHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t slices = 0;
    uint32_t bitCount = 0;
    VoxelSizes sizes;
};

double loadSample(const uint8_t* p, uint32_t bitCount) {
    if (bitCount == 32) {
        float f;
        uint32_t bits = readLittleEndian32(p);
        std::memcpy(&f, &bits, 4);
        return f;
    }
    uint64_t bits = readLittleEndian32(p) | (uint64_t{readLittleEndian32(p + 4)} << 32);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

// trunc((v - min) * 65535 / (max - min)) inside 0..65535; 0 for a
// non-finite sample or an empty range.
uint16_t floatToSample(double v, double lo, double hi) {
    if (!std::isfinite(v) || !(hi > lo)) return 0;
    const double q = std::trunc((v - lo) * 65535.0 / (hi - lo));
    if (!(q > 0)) return 0;  // also NaN, from an infinite range
    return q >= 65535.0 ? 65535 : static_cast<uint16_t>(q);
}

// Reads the samples of the file in order, row by row, without their padding;
// bytes missing at the end of the file read as 0.
class RowReader {
  public:
    RowReader(ByteSource& source, const BmfHeader& h)
        : reader_(source, kBmfDataOffset),
          sampleBytes_(h.bitCount / 8),
          width_(h.width),
          padding_(bmfRowBytes(h.bitCount, h.width) - uint64_t{h.width} * (h.bitCount / 8)) {}

    // Calls take(bytes, first, n) for consecutive pieces of the next row.
    template <typename F>
    void row(F&& take) {
        constexpr size_t kPiece = 4096;
        for (size_t first = 0; first < width_; first += kPiece) {
            const size_t n = std::min(kPiece, width_ - first);
            const size_t want = n * sampleBytes_;
            const size_t got = reader_.readUpTo(piece_, want);
            std::memset(piece_ + got, 0, want - got);
            take(piece_, first, n);
        }
        reader_.skip(padding_);
    }
    void restart() { reader_.seek(kBmfDataOffset); }

  private:
    ByteReader reader_;
    size_t sampleBytes_;
    size_t width_;
    uint64_t padding_;
    uint8_t piece_[4096 * 8];
};

VolumeLoad decodeSource(ByteSource& source, uint64_t maxVoxels) {
    uint8_t head[kBmfDataOffset];
    if (source.readAt(0, head, sizeof head) != sizeof head) return failedLoad(kBmfCannotLoadHeader);
    const int32_t width = static_cast<int32_t>(readLittleEndian32(head + 18));
    const int32_t height = static_cast<int32_t>(readLittleEndian32(head + 22));
    if (head[0] != 'B' || head[1] != 'M' || width <= 0 || height <= 0)
        return failedLoad(kBmfWrongHeader);
    if (readLittleEndian32(head + 10) != kBmfDataOffset) return failedLoad(kBmfWrongInfoHeader);
    BmfHeader h;
    h.width = static_cast<uint32_t>(width);
    h.height = static_cast<uint32_t>(height);
    h.bitCount = readLittleEndian16(head + 28);
    if (h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 32 && h.bitCount != 64)
        return failedLoad(kBmfWrongBitCount);
    h.slices = std::max<uint32_t>(readLittleEndian16(head + 26), 1);
    const uint64_t sliceWords = uint64_t{h.width} * h.height;
    if (sliceWords > kMaxSliceWords || sliceWords * h.slices > maxVoxels)
        return failedLoad(kVolumeTooLargeMessage);
    h.sizes.VoxelXSize = static_cast<int32_t>(readLittleEndian32(head + 38)) / 1000.0;
    h.sizes.VoxelYSize = static_cast<int32_t>(readLittleEndian32(head + 42)) / 1000.0;
    h.sizes.VoxelZSize = static_cast<int32_t>(readLittleEndian32(head + 46)) / 1000.0;

    VolumeLoad load = startVolumeLoad(static_cast<int32_t>(h.slices));
    load.hasVoxelSizes = true;
    load.voxelSizes = h.sizes;
    auto rows = std::make_unique<RowReader>(source, h);
    std::vector<uint16_t> samples;
    const size_t w = h.width;
    const bool isFloat = h.bitCount >= 32;
    const size_t bytesPerSample = h.bitCount / 8;

    // Floats need the range of the whole file first.
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    if (isFloat) {
        for (uint64_t r = 0; r < uint64_t{h.slices} * h.height; ++r)
            rows->row([&](const uint8_t* piece, size_t, size_t n) {
                for (size_t i = 0; i < n; ++i) {
                    const double v = loadSample(piece + i * bytesPerSample, h.bitCount);
                    if (!std::isfinite(v)) continue;
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
            });
        rows->restart();
    }
    uint32_t largest = 0;
    for (uint32_t z = 0; z < h.slices; ++z) {
        samples.resize(static_cast<size_t>(sliceWords));
        for (uint32_t y = 0; y < h.height; ++y) {
            uint16_t* out = samples.data() + y * w;
            rows->row([&](const uint8_t* piece, size_t first, size_t n) {
                uint16_t* o = out + first;
                switch (h.bitCount) {
                    case 8:
                        for (size_t i = 0; i < n; ++i) o[i] = static_cast<uint16_t>(piece[i] * 257);
                        break;
                    case 16:
                        for (size_t i = 0; i < n; ++i) {
                            o[i] = readLittleEndian16(piece + 2 * i);
                            largest = std::max<uint32_t>(largest, o[i]);
                        }
                        break;
                    default:
                        for (size_t i = 0; i < n; ++i)
                            o[i] = floatToSample(loadSample(piece + i * bytesPerSample, h.bitCount),
                                                 lo, hi);
                        break;
                }
            });
        }
        if (!setLoadedSlice(load, std::move(samples), width, height, static_cast<int32_t>(z)))
            return failedLoad(kVolumeTooLargeMessage);
        samples = {};
    }
    if (h.bitCount == 16) {
        const int shift = bmfLoadShift(largest);
        for (VolumeSlice& slice : load.image->slices)
            for (uint16_t& v : slice.samples) v = static_cast<uint16_t>(v << shift);
    }
    return finishVolumeLoad(std::move(load));
}

}  // namespace

VolumeLoad decodeBmfVolume(std::span<const uint8_t> bytes, uint64_t maxVoxels) {
    ByteSource source(bytes);
    return decodeSource(source, maxVoxels);
}

VolumeLoad loadBmfVolume(const std::string& path, uint64_t maxVoxels) {
    std::unique_ptr<ByteSource> source = ByteSource::openFile(path);
    if (!source) return failedLoad(kBmfCannotLoadHeader);
    return decodeSource(*source, maxVoxels);
}

std::string encodeBmfVolume(int32_t width, int32_t height, int32_t count, const VoxelSizes& sizes,
                            const std::function<uint16_t(int32_t, int32_t, int32_t)>& sampleAt) {
    if (width < 0 || height < 0 || count < 0 || count > 0xFFFF) return {};
    const uint64_t declared = uint64_t(width) * uint64_t(height) * 8;
    if (declared + kBmfDataOffset > 0xFFFFFFFFu) return {};
    const uint64_t rowBytes = bmfRowBytes(16, static_cast<uint64_t>(width));
    // trunc(size * 1000) into an i32 field; sizes beyond it are stored at its limit.
    auto perMetre = [](double size) {
        double v = std::trunc(size * 1000.0);
        if (!(v == v)) v = 0;
        return static_cast<uint32_t>(
            static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0)));
    };
    std::string out;
    out.reserve(kBmfDataOffset + static_cast<size_t>(rowBytes * height * count));
    // The planes field holds the slice count and the colour count the z size.
    appendBitmapHeader(out, {.fileSize = static_cast<uint32_t>(declared + kBmfDataOffset),
                             .dataOffset = kBmfDataOffset,
                             .width = static_cast<uint32_t>(width),
                             .height = static_cast<uint32_t>(height),
                             .planes = static_cast<uint16_t>(count),
                             .bitCount = 16,
                             .imageSize = static_cast<uint32_t>(declared),
                             .xPelsPerMeter = perMetre(sizes.VoxelXSize),
                             .yPelsPerMeter = perMetre(sizes.VoxelYSize),
                             .coloursUsed = perMetre(sizes.VoxelZSize)});
    const size_t padding = static_cast<size_t>(rowBytes) - 2 * static_cast<size_t>(width);
    for (int32_t z = 0; z < count; ++z)
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) appendLittleEndian16(out, sampleAt(x, y, z));
            out.append(padding, '\0');
        }
    return out;
}

std::string encodeBmfVolume(const Volume3D& volume, const VoxelSizes& sizes) {
    return encodeBmfVolume(
        volume.maxWidth, volume.maxHeight, volume.sliceCount, sizes,
        [&](int32_t x, int32_t y, int32_t z) { return Volume3DGetVoxelChecked(volume, x, y, z); });
}

VolumeSaveStatus saveBmfVolume(const Volume3D& volume, const VoxelSizes& sizes,
                               const std::string& path) {
    std::string bytes = encodeBmfVolume(volume, sizes);
    if (bytes.empty()) return VolumeSaveStatus::TooLarge;
    return platform::writeWholeFileAtomically(path, bytes) ? VolumeSaveStatus::Ok
                                                           : VolumeSaveStatus::CannotWrite;
}
