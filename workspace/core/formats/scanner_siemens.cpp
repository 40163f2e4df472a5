#include "workspace/core/formats/scanner_siemens.h"

#include <algorithm>

#include "workspace/core/formats/byte_codec.h"

namespace {

std::string sexText(uint32_t code) {
    // Siemens number the sexes female 1, male 2.
    return code == 1 ? "F" : code == 2 ? "M" : "O";
}

}  // namespace

int readVisionHeader(ScannerSource& file, ScannerHeader& header) {
    header.bytes.resize(kVisionHeaderBytes);
    if (!file.read(0, header.bytes.data(), kVisionHeaderBytes)) return kScannerShortFile;
    header.pixelOffset = kVisionHeaderBytes;
    return kScannerOk;
}

bool decodeVisionHeader(std::span<const uint8_t> bytes, int formatId, ScannerInfo& info) {
    const ByteView h(bytes);
    if (h.size() < kVisionHeaderBytes) return false;
    info.identification = h.text(281, 27);
    if (!matchesScannerMagic(formatId, info.identification)) return false;
    const uint32_t modality = h.be32(92);
    info.modality = modality == 1 ? "CT" : modality == 2 ? "MR" : "Unknown";
    info.manufacturer = h.text(96, 9);
    info.model = info.identification;
    info.institution = h.text(105, 27);
    info.width = h.be16(4994);
    info.height = h.be16(4996);
    // range = 2^(n + 1), at most the 16 bits a sample can hold
    const int bits = std::min<int>(h.be16(5028) + 1, 16);
    info.valueRange = 1u << bits;
    info.bitsStored = bits;
    info.highBit = bits - 1;
    info.compression = h.be16(5018) == 2 ? "compressed" : "none";
    info.lowestValue = static_cast<int32_t>(h.be32(5264));
    info.highestValue = static_cast<int32_t>(h.be32(5272));
    info.thirdValue = static_cast<int32_t>(h.be32(5268));
    info.fieldOfViewX = h.beDouble(3746);
    info.fieldOfViewY = h.beDouble(3738);
    info.sliceThickness = h.beDouble(1538);
    info.slicePosition = h.beDouble(3810);
    if (info.modality == "MR") {
        info.repetitionTime = h.beDouble(1554);
        info.echoTime = h.beDouble(1562);
        info.inversionTime = h.beDouble(1570);
        info.fieldStrength = h.beDouble(2560);
        info.sequenceType = h.text(3083, 8);
        info.nucleus = h.text(1828, 8);
        info.receivingCoil = h.text(1767, 16);
    }
    info.patientName = h.text(768, 27);
    info.patientId = h.text(795, 12);
    info.sex = sexText(h.be32(820));
    info.weight = h.be32(864);
    const uint32_t day = h.be32(816);
    const uint32_t month = h.be32(812);
    const uint32_t year = h.be32(808);
    if (day >= 1 && day <= 31 && month >= 1 && month <= 12)
        info.birthday = formatScannerDate(static_cast<int>(day), static_cast<int>(month),
                                          static_cast<int>(std::min<uint32_t>(year, 9999)));
    info.date = h.text(5559, 12);
    info.time = h.text(5571, 12);
    info.study = h.text(5601, 27);
    info.orientation = scannerOrientationName(static_cast<char>(h.byte(5814)));
    return true;
}

int readVisionPixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                     std::vector<uint32_t>& samples) {
    if (info.compression != "none") return kScannerBadHeader;
    const int code = readBigEndianPixels(file, header, info, samples);
    if (code != kScannerOk) return code;
    // Bits above the value range mark samples out of range: they show as the brightest.
    const uint32_t outside = ~(info.valueRange - 1);
    for (uint32_t& s : samples)
        if (s & outside) s = 4095;
    return kScannerOk;
}
