#include "volume/core/files/series_loaders.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "volume/core/files/byte_source.h"
#include "volume/core/files/series_order.h"
#include "workspace/core/formats/byte_codec.h"

namespace {

struct RawLayout {
    uint64_t sampleBytes = 1;
    uint64_t pixelBytes = 0;  // RawX * RawY * sampleBytes
    uint64_t imageBytes = 0;  // pixelBytes + RawSubheader
};

RawLayout rawLayout(const RawOptions& o) {
    RawLayout l;
    l.sampleBytes = static_cast<uint64_t>((o.RawBits + 7) / 8);
    l.pixelBytes = uint64_t(o.RawX) * uint64_t(o.RawY) * l.sampleBytes;
    l.imageBytes = l.pixelBytes + uint64_t(o.RawSubheader);
    return l;
}

}  // namespace

uint64_t countRawImages(uint64_t fileLength, const RawOptions& options) {
    const RawOptions o = options.sanitized();
    const RawLayout l = rawLayout(o);
    const uint64_t header = static_cast<uint64_t>(o.RawHeader);
    if (l.imageBytes == 0 || fileLength + 16 <= header) return 0;
    uint64_t count = (fileLength + 16 - header) / l.imageBytes;
    // Only images whose first sample lies inside the file.
    const uint64_t firstPixel = header + uint64_t(o.RawSubheader);
    const uint64_t starting =
        fileLength > firstPixel ? (fileLength - firstPixel - 1) / l.imageBytes + 1 : 0;
    return std::min(count, starting);
}

VolumeLoad loadRawSeries(const std::vector<std::string>& paths, const RawOptions& options,
                         uint64_t maxVoxels) {
    const RawOptions o = options.sanitized();
    const RawLayout l = rawLayout(o);
    const std::vector<std::string> order = sortSeriesPaths(paths);
    std::vector<uint64_t> counts(order.size(), 0);
    uint64_t total = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        std::unique_ptr<ByteSource> file = ByteSource::openFile(order[i]);
        if (!file) continue;
        counts[i] = countRawImages(file->size(), o);
        total += counts[i];
        if (total > static_cast<uint64_t>(kMaxVolumeSlices))
            return failedLoad(kVolumeTooLargeMessage);
    }
    const uint64_t sliceWords = uint64_t(o.RawX) * uint64_t(o.RawY);
    if (total * sliceWords > maxVoxels) return failedLoad(kVolumeTooLargeMessage);
    VolumeLoad load = startVolumeLoad(static_cast<int32_t>(total));
    std::vector<uint8_t> bytes(static_cast<size_t>(l.pixelBytes));
    std::vector<uint16_t> samples(static_cast<size_t>(sliceWords));
    int32_t z = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (counts[i] == 0) continue;
        std::unique_ptr<ByteSource> file = ByteSource::openFile(order[i]);
        for (uint64_t image = 0; image < counts[i]; ++image, ++z) {
            if (!file) continue;  // vanished since it was counted: left for the zero fill
            const uint64_t offset =
                uint64_t(o.RawHeader) + image * l.imageBytes + uint64_t(o.RawSubheader);
            const size_t got = file->readAt(offset, bytes.data(), bytes.size());
            std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(got), bytes.end(), 0);
            if (l.sampleBytes == 1) {
                for (size_t k = 0; k < samples.size(); ++k)
                    samples[k] = static_cast<uint16_t>(bytes[k] << 8);
            } else {
                const bool little = o.RawEndian != 0;
                for (size_t k = 0; k < samples.size(); ++k)
                    samples[k] = readEndian16(&bytes[2 * k], little);
            }
            if (!setLoadedSlice(load, samples.data(), o.RawX, o.RawY, z))
                return failedLoad(kVolumeTooLargeMessage);
        }
    }
    return finishVolumeLoad(std::move(load));
}
