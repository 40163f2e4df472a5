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
#include "workspace/core/image/colour_modes.h"
#include "workspace/core/formats/raw_reader.h"

namespace {

// A run-length encoded bitmap of a few bytes may describe a picture as large
// as the plane limit; keep the fuzzer's memory small.
constexpr size_t kMaxPixels = size_t{1} << 20;

void checkBitmap(std::span<const uint8_t> bytes) {
    RgbImage image;
    image.width = -1;
    const BmpStatus status = DecodeBmp(bytes, image, kMaxPixels);
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
    ConvertToGrey(image, static_cast<uint32_t>(bytes.size() % (kColourModeCount + 1)),
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
    const RawStatus status = DecodeRaw(bytes.subspan(8), o, samples);
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
