// The raw-series counter takes a file length and options typed by the user:
// any values must give a count without dividing by zero or overflowing, and
// every counted image must start inside the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "volume/core/files/series_loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t fields[7] = {};
    uint64_t length = 0;
    if (size < sizeof fields + sizeof length) return 0;
    std::memcpy(fields, data, sizeof fields);
    std::memcpy(&length, data + sizeof fields, sizeof length);
    RawOptions o;
    o.RawX = fields[0];
    o.RawY = fields[1];
    o.RawHeader = fields[2];
    o.RawSubheader = fields[3];
    o.RawFirstImage = fields[4];
    o.RawEndian = fields[5];
    o.RawBits = fields[6];
    length >>= 2;  // file lengths below 2^62
    const uint64_t count = countRawImages(length, o);
    if (count == 0) return 0;
    const RawOptions s = o.sanitized();
    const uint64_t image = uint64_t(s.RawX) * uint64_t(s.RawY) * uint64_t((s.RawBits + 7) / 8) +
                           uint64_t(s.RawSubheader);
    const uint64_t lastStart =
        uint64_t(s.RawHeader) + (count - 1) * image + uint64_t(s.RawSubheader);
    if (image == 0 || lastStart >= length) std::abort();
    return 0;
}
