// Scanner files come from anywhere. Every reader gets the same bytes; each
// must end, and either hand back at most 512 x 512 samples of at most 12 bits
// or a code with every output cleared. The header-only read must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "workspace/core/formats/scanner_image.h"

namespace {

constexpr int kIds[] = {kScannerUnformatted, kScannerNumaris2,    kScannerNumaris3, kScannerVision,
                        kScannerAcrNema,     kScannerGeAdvantage, kScannerGeIdbm,   kScannerIgeYms,
                        kScannerBruker,      kScannerPicker};

bool knownCode(int code) {
    return code == kScannerOk || code == kScannerOutOfMemory ||
           code == kScannerUnsupportedCompression || code == kScannerShortFile ||
           code == kScannerBadHeader || code == kScannerTooLarge;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    ScannerRawParameters raw;
    if (size >= 3) {
        raw.width = data[0] + 1;
        raw.height = data[1] + 1;
        raw.bits = (data[2] & 1) ? 16 : 8;
        raw.byteSwap = (data[2] & 2) != 0;
    }
    for (int id : kIds) {
        ScannerImage image;
        std::vector<uint8_t> header = {1};
        ScannerInfo info;
        const int code = decodeScannerImage(bytes, id, &image, &header, &info, raw);
        if (!knownCode(code)) std::abort();
        if (code != kScannerOk) {
            if (!image.samples.empty() || image.width != 0 || !header.empty()) std::abort();
            continue;
        }
        if (image.width < 1 || image.height < 1 || image.width > kMaxScannerSide ||
            image.height > kMaxScannerSide)
            std::abort();
        if (image.samples.size() != static_cast<size_t>(image.width) * image.height) std::abort();
        for (uint16_t s : image.samples)
            if (s > 4095) std::abort();
        if (info.largestSample > 4095 || info.smallestSample > info.largestSample) std::abort();
        ScannerInfo headerOnly;
        if (id != kScannerUnformatted && decodeScannerInfo(bytes, id, headerOnly) != kScannerOk)
            std::abort();
    }
    ScannerInfo bitmap;
    decodeScannerInfo(bytes, kScannerBitmap, bitmap);
    return 0;
}
