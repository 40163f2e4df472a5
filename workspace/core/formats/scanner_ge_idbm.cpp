#include "workspace/core/formats/scanner_ge_idbm.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "workspace/core/formats/byte_codec.h"

namespace {

int readFixed(ScannerSource& file, ScannerHeader& header, size_t bytes) {
    header.bytes.resize(bytes);
    if (!file.read(0, header.bytes.data(), bytes)) return kScannerShortFile;
    header.pixelOffset = bytes;
    return kScannerOk;
}

std::string sexLetter(uint8_t c) {
    return c == 'F' || c == 'f' ? "F" : c == 'M' || c == 'm' ? "M" : "O";
}

double textNumber(const ByteView& h, uint64_t offset, size_t n) {
    return std::strtod(h.text(offset, n).c_str(), nullptr);
}

// "year/month/day" as "%02d-%s-%02d"; "" when it does not read so.
std::string ymsDate(const std::string& text) {
    int year = 0;
    int month = 0;
    int day = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d", &year, &month, &day) != 3) return {};
    return formatScannerDate(day, month, year);
}

std::string ymsTime(const std::string& text) {
    int h = 0;
    int m = 0;
    int s = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d", &h, &m, &s) != 3) return {};
    return formatScannerTime(h, m, s);
}

}  // namespace

int readGeIdbmHeader(ScannerSource& file, ScannerHeader& header) {
    return readFixed(file, header, kGeIdbmHeaderBytes);
}

int readIgeYmsHeader(ScannerSource& file, ScannerHeader& header) {
    return readFixed(file, header, kIgeYmsHeaderBytes);
}

// The IDBM floats keep the IEEE layout with the exponent biased by 129 (the
// VAX single precision), big-endian like every other number of the header.
bool decodeGeIdbmHeader(std::span<const uint8_t> bytes, int formatId, ScannerInfo& info) {
    const ByteView h(bytes);
    if (h.size() < kGeIdbmHeaderBytes) return false;
    info.identification = h.text(12, 4);
    if (!matchesScannerMagic(formatId, info.identification)) return false;
    info.modality = "MR";
    info.manufacturer = "General Electric";
    info.model = h.text(3146, 4);
    info.institution = h.text(32, 32);
    info.station = h.text(12, 4);
    info.width = h.be16(5394);
    info.height = h.be16(5396);
    int bits = h.be16(5404);
    if (bits == 0 || bits > 16) bits = 16;
    info.valueRange = 1u << bits;
    info.bitsStored = bits;
    info.highBit = bits - 1;
    info.compression = h.be16(5402) != 0 ? "compressed" : "none";
    info.fieldOfViewX = info.fieldOfViewY = h.offsetFloat(4398);
    info.sliceThickness = h.offsetFloat(5274);
    info.sliceGap = h.offsetFloat(5278);
    info.slicePosition = h.offsetFloat(5266);
    info.repetitionTime = h.offsetFloat(5284);
    info.echoTime = h.offsetFloat(5292);
    info.inversionTime = h.offsetFloat(5296);
    info.fieldStrength = h.be16(4392) * 0.0001;
    info.receivingCoil = h.text(4324, 16);
    info.patientName = h.text(3180, 32);
    info.patientId = h.text(3212, 12);
    info.sex = sexLetter(h.byte(3232));
    info.weight = h.be32(3234) / 1000.0;
    const int age = h.be16(3228);
    if (age >= 1 && age <= 128) {
        char text[16];
        std::snprintf(text, sizeof text, "%d yrs", age);
        info.birthday = text;
    }
    info.date = h.text(4170, 10);
    info.time = h.text(4186, 8);
    info.study = h.text(3334, 60);
    info.series = h.text(4200, 120);
    info.diagnosis = h.text(3394, 120);
    info.orientation = scannerOrientationName(static_cast<char>(h.byte(4374)));
    return true;
}

bool decodeIgeYmsHeader(std::span<const uint8_t> bytes, int formatId, ScannerInfo& info) {
    const ByteView h(bytes);
    if (h.size() < kIgeYmsHeaderBytes) return false;
    info.identification = h.text(256, 4);
    if (!matchesScannerMagic(formatId, info.identification)) return false;
    info.modality = "MR";
    info.manufacturer = h.text(352, 24);
    info.model = h.text(376, 14);
    info.institution = h.text(400, 32);
    info.width = h.be16(1184);
    info.height = h.be16(1186);
    info.valueRange = 65536;
    info.bitsAllocated = 16;
    info.compression = "compressed";
    info.fieldOfViewX = info.fieldOfViewY = textNumber(h, 876, 4) * 10.0;
    info.sliceThickness = textNumber(h, 880, 4);
    // TR, TI and TE, in this order, as one text.
    double times[3] = {0.0, 0.0, 0.0};
    const std::string timeText = h.text(1035, 37);
    const char* p = timeText.c_str();
    for (double& t : times) {
        char* end = nullptr;
        t = std::strtod(p, &end);
        if (end == p) break;
        p = end;
        while (*p == ',' || *p == ';' || *p == '/') ++p;
    }
    info.repetitionTime = times[0];
    info.inversionTime = times[1];
    info.echoTime = times[2];
    info.fieldStrength = textNumber(h, 1072, 8);
    info.patientName = h.text(310, 27);
    info.patientId = h.text(266, 6);
    info.sex = sexLetter(h.byte(348));
    info.birthday = ymsDate(h.text(390, 10));
    info.date = ymsDate(h.text(272, 10));
    info.time = ymsTime(h.text(282, 12));
    info.study = h.text(294, 16);
    info.orientation = scannerOrientationName(static_cast<char>(h.byte(848)));
    return true;
}
