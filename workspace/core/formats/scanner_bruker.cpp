#include "workspace/core/formats/scanner_bruker.h"

#include "workspace/core/formats/byte_codec.h"

namespace {

// Texts of the patient block keep every byte with 128 added.
std::string shiftedText(const ByteView& h, uint64_t offset, size_t n) {
    std::string out;
    for (size_t i = 0; i < n && h.has(offset + i, 1); ++i) {
        // A byte below 128 carries no character: the text ends there.
        const uint8_t stored = h.byte(offset + i);
        if (stored <= 128) break;
        out.push_back(static_cast<char>(stored - 128));
    }
    return stripTrailing(std::move(out));
}

std::string sixBit(const ByteView& h, uint64_t offset, size_t triplets) {
    if (!h.has(offset, 3 * triplets)) return {};
    return stripTrailing(decodeSixBitText(h.data() + offset, triplets));
}

}  // namespace

int readBrukerHeader(ScannerSource& file, ScannerHeader& header) {
    header.bytes.resize(kBrukerHeaderBytes);
    if (!file.read(0, header.bytes.data(), kBrukerHeaderBytes)) return kScannerShortFile;
    header.pixelOffset = kBrukerHeaderBytes;
    return kScannerOk;
}

bool decodeBrukerHeader(std::span<const uint8_t> bytes, int formatId, ScannerInfo& info) {
    const ByteView h(bytes);
    if (h.size() < kBrukerHeaderBytes) return false;
    info.identification = sixBit(h, 768, 1);
    if (!matchesScannerMagic(formatId, info.identification)) return false;
    info.modality = "MR";
    info.manufacturer = "Bruker";
    info.model = "Aspect 3000";
    info.compression = "none";
    info.bitsAllocated = info.bitsStored = 24;
    info.valueRange = 1u << 24;
    info.highBit = 23;
    const uint32_t width = h.be24(786);
    const uint32_t height = h.be24(783);
    if (width > 1024 || height > 1024) return false;
    info.width = static_cast<int32_t>(width);
    info.height = static_cast<int32_t>(height);
    info.lowestValue = static_cast<int32_t>(h.be24(792));
    info.highestValue = static_cast<int32_t>(h.be24(789));
    info.repetitionTime = h.sixByteFloat(837);
    info.echoTime = h.sixByteFloat(843);
    info.inversionTime = h.sixByteFloat(849);
    info.fieldOfViewX = info.fieldOfViewY = h.sixByteFloat(891) * 10.0;
    info.slicePosition = h.sixByteFloat(813);
    info.sliceThickness = h.sixByteFloat(897);
    info.sliceGap = (h.sixByteFloat(930) - 1.0) * info.sliceThickness;
    const std::string plane = sixBit(h, 810, 1);
    info.orientation = scannerOrientationName(plane.empty() ? 0 : plane[0]);
    info.sequenceType = sixBit(h, 834, 1);
    info.patientName = shiftedText(h, 2310, 30);
    info.birthday = shiftedText(h, 2340, 9);
    const uint8_t sex = static_cast<uint8_t>(h.byte(2349) - 128);
    info.sex = sex == 'F' || sex == 'M' ? std::string(1, static_cast<char>(sex)) : "O";
    info.patientId = shiftedText(h, 2352, 15);
    info.date = shiftedText(h, 2400, 9);
    info.time = shiftedText(h, 2409, 9);
    return true;
}

int readBrukerPixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                     std::vector<uint32_t>& samples) {
    const size_t count = static_cast<size_t>(info.width) * static_cast<size_t>(info.height);
    std::vector<uint8_t> bytes(count * 3);
    if (!file.read(header.pixelOffset, bytes.data(), bytes.size())) return kScannerShortFile;
    samples.resize(count);
    // Unsigned 24-bit words over the whole range 0..2^24-1; the common
    // rescale brings the largest to 4095.
    for (size_t i = 0; i < count; ++i) samples[i] = readBigEndian24(&bytes[3 * i]);
    return kScannerOk;
}
