// Bitmaps and raw images come from anywhere. Decoding any bytes must end,
// and either give a complete picture or leave the caller's data untouched.
// The input is decoded twice: whole as a bitmap, and as a raw file whose
// options come from its first eight bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "workspace/core/formats/bmp_reader.h"
#include "workspace/core/formats/raw_reader.h"
#include "workspace/core/image/colour_modes.h"
#include "workspace/core/image/image_plane.h"

namespace {

// A run-length encoded bitmap of a few bytes may describe a picture as large
// as the program's limit; pictures below it are decoded up to this smaller
// size to keep the fuzzer fast, those above it are checked at the program's
// own limit (checkProgramLimit).
constexpr size_t kMaxPixels = size_t{1} << 20;

uint64_t le(std::span<const uint8_t> b, size_t at, size_t n) {
    uint64_t v = 0;
    for (size_t i = n; i-- > 0;) v = v << 8 | b[at + i];
    return v;
}

// A picture above the program's own limit (kMaxImagePixels) is refused from
// its header at that limit, before anything is allocated: the path a
// decompression bomb takes.
void checkProgramLimit(std::span<const uint8_t> bytes) {
    if (bytes.size() < 26) return;
    const bool core = le(bytes, 14, 4) == 12;
    const uint64_t w = core ? le(bytes, 18, 2) : le(bytes, 18, 4);
    int64_t h = core ? static_cast<int64_t>(le(bytes, 20, 2))
                     : static_cast<int32_t>(static_cast<uint32_t>(le(bytes, 22, 4)));
    if (h < 0) h = -h;
    if (w > 0x7FFFFFFF || w * static_cast<uint64_t>(h) <= kMaxImagePixels) return;
    RgbImage big;
    if (decodeBmp(bytes, big) == BmpStatus::Ok || !big.bgr.empty()) std::abort();
}

void checkBitmap(std::span<const uint8_t> bytes) {
    checkProgramLimit(bytes);
    RgbImage image;
    image.width = -1;
    const BmpStatus status = decodeBmp(bytes, image, kMaxPixels);
    const bool signature = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
    if ((status == BmpStatus::NotBitmap) == signature) std::abort();
    if (status != BmpStatus::Ok) {
        if (image.width != -1 || image.height != 0 || !image.bgr.empty()) std::abort();
        return;
    }
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (image.width <= 0 || image.height <= 0 || pixels > kMaxPixels ||
        image.bgr.size() != pixels * 3)
        std::abort();
    std::vector<uint16_t> samples(pixels);
    convertToGrey(image, static_cast<uint32_t>(bytes.size() % (kColourModeCount + 1)),
                  samples.data());
    for (uint16_t s : samples)
        if (s > 255) std::abort();
}

void checkRaw(std::span<const uint8_t> bytes) {
    if (bytes.size() < 8) return;
    const auto signedByte = [&](size_t i) {
        return static_cast<int32_t>(static_cast<int8_t>(bytes[i]));
    };
    RawOptions o;
    // Small signed values reach every refusal; the shifts reach the side limit.
    o.RawX = signedByte(0) * (1 << (bytes[6] & 0x0F));
    o.RawY = signedByte(1) * (1 << (bytes[6] >> 4));
    o.RawHeader = signedByte(2);
    o.RawSubheader = signedByte(3);
    o.RawFirstImage = signedByte(4);
    o.RawEndian = bytes[5] & 1;
    o.RawBits = signedByte(5) >> 1;
    if (bytes[7] & 1) o.RawHeader = INT32_MAX;
    if (bytes[7] & 2) o.RawSubheader = INT32_MAX;
    if (bytes[7] & 4) o.RawFirstImage = INT32_MAX;
    const std::vector<uint16_t> before = {1, 2, 3};
    std::vector<uint16_t> samples = before;
    const RawStatus status = decodeRaw(bytes.subspan(8), o, samples);
    if (status != RawStatus::Ok) {
        if (samples != before) std::abort();
        return;
    }
    if (samples.size() != static_cast<size_t>(o.RawX) * static_cast<size_t>(o.RawY)) std::abort();
    if (o.RawBits <= 8)
        for (uint16_t s : samples)
            if (s > 255) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    checkBitmap(bytes);
    checkRaw(bytes);
    return 0;
}
