#include "workspace/core/formats/raw_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <utility>

#include "platform/files.h"
#include "workspace/core/formats/byte_codec.h"
#include "workspace/core/image/image_plane.h"

namespace {

// The image's bytes in file order become samples.
void toSamples(const uint8_t* bytes, const RawOptions& options, std::vector<uint16_t>& samples) {
    const size_t count = static_cast<size_t>(options.RawX) * static_cast<size_t>(options.RawY);
    std::vector<uint16_t> result(count);
    if (options.RawBits <= 8) {
        for (size_t i = 0; i < count; ++i) result[i] = bytes[i];
    } else {
        const bool little = options.RawEndian != 0;
        for (size_t i = 0; i < count; ++i, bytes += 2) result[i] = readEndian16(bytes, little);
    }
    samples = std::move(result);
}

}  // namespace

bool rawImageExtent(const RawOptions& options, RawImageExtent& extent) {
    if (options.RawX < 1 || options.RawX > kMaxRawSide || options.RawY < 1 ||
        options.RawY > kMaxRawSide || options.RawFirstImage < 1 || options.RawHeader < 0 ||
        options.RawSubheader < 0)
        return false;
    const uint64_t count =
        static_cast<uint64_t>(options.RawX) * static_cast<uint64_t>(options.RawY);
    if (count > kMaxPlaneWords) return false;
    // bytes < 2^31, sub-header < 2^31 and image number < 2^31 keep the sum
    // below 2^63: no overflow whatever the user typed.
    const uint64_t bytes = options.RawBits > 8 ? 2 * count : count;
    const uint64_t subheader = static_cast<uint64_t>(options.RawSubheader);
    extent.offset = static_cast<uint64_t>(options.RawHeader) + subheader +
                    (bytes + subheader) * static_cast<uint64_t>(options.RawFirstImage - 1);
    extent.bytes = bytes;
    return true;
}

RawStatus decodeRaw(std::span<const uint8_t> file, const RawOptions& options,
                    std::vector<uint16_t>& samples) {
    RawImageExtent extent;
    if (!rawImageExtent(options, extent)) return RawStatus::BadOptions;
    if (file.size() < extent.offset || file.size() - extent.offset < extent.bytes)
        return RawStatus::ShortFile;
    toSamples(file.data() + extent.offset, options, samples);
    return RawStatus::Ok;
}

RawStatus readRawFile(const std::string& path, const RawOptions& options,
                      std::vector<uint16_t>& samples) {
    RawImageExtent extent;
    if (!rawImageExtent(options, extent)) return RawStatus::BadOptions;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return RawStatus::CannotOpen;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return RawStatus::CannotOpen;
    const uint64_t fileSize = static_cast<uint64_t>(info.st_size);
    if (fileSize < extent.offset || fileSize - extent.offset < extent.bytes)
        return RawStatus::ShortFile;

    // Only the chosen image is read: a series file may be far larger.
    std::vector<uint8_t> bytes(static_cast<size_t>(extent.bytes));
    const int64_t got = platform::readAt(fd, extent.offset, bytes.data(), bytes.size());
    if (got < 0) return RawStatus::CannotOpen;
    // The file shrank since it was measured.
    if (static_cast<uint64_t>(got) < extent.bytes) return RawStatus::ShortFile;
    toSamples(bytes.data(), options, samples);
    return RawStatus::Ok;
}
