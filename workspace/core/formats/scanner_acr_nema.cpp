#include "workspace/core/formats/scanner_acr_nema.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/textformat.h"
#include "workspace/core/formats/byte_codec.h"

namespace {

constexpr uint16_t kPixelGroup = 0x7FE0;
constexpr uint16_t kPixelElement = 0x0010;
constexpr uint32_t kUndefinedLength = 0xFFFFFFFF;

struct Element {
    uint16_t group = 0;
    uint16_t element = 0;
    uint32_t length = 0;
    uint64_t valueOffset = 0;
};

class Walker {
  public:
    Walker(std::span<const uint8_t> bytes, bool little) : bytes_(bytes), little_(little) {}

    // The next element whose tag and length lie inside the bytes (its value
    // may not); false at the end.
    bool next(Element& e) {
        if (pos_ > bytes_.size() || bytes_.size() - pos_ < 8) return false;
        const uint8_t* p = bytes_.data() + pos_;
        e.group = u16(p);
        e.element = u16(p + 2);
        e.length = u32(p + 4);
        e.valueOffset = pos_ + 8;
        pos_ = e.length == kUndefinedLength ? UINT64_MAX : e.valueOffset + e.length;
        return true;
    }
    uint16_t u16(const uint8_t* p) const {
        return little_ ? readLittleEndian16(p) : readBigEndian16(p);
    }
    uint32_t u32(const uint8_t* p) const {
        return little_ ? readLittleEndian32(p) : readBigEndian32(p);
    }
    bool valueInside(const Element& e) const {
        return e.length != kUndefinedLength && e.valueOffset <= bytes_.size() &&
               e.length <= bytes_.size() - e.valueOffset;
    }
    std::string text(const Element& e) const {
        if (!valueInside(e)) return {};
        const char* start = reinterpret_cast<const char*>(bytes_.data() + e.valueOffset);
        std::string value(start, ::strnlen(start, e.length));
        return stripTrailing(std::move(value));
    }
    // A binary 16- or 32-bit number, or a number written as text.
    int64_t integer(const Element& e) const {
        if (!valueInside(e)) return 0;
        const uint8_t* p = bytes_.data() + e.valueOffset;
        if (e.length == 2) return u16(p);
        if (e.length == 4 && !std::isdigit(p[0]) && p[0] != ' ') return u32(p);
        return std::strtol(text(e).c_str(), nullptr, 10);
    }

  private:
    std::span<const uint8_t> bytes_;
    bool little_;
    uint64_t pos_ = 0;
};

// Up to `count` numbers of a text value separated by backslashes.
std::vector<double> numbers(const std::string& text, size_t count) {
    std::vector<double> out;
    const char* p = text.c_str();
    while (out.size() < count && *p) {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end == p) break;
        out.push_back(v);
        p = end;
        while (*p == '\\' || *p == ' ') ++p;
    }
    return out;
}

double number(const std::string& text) {
    const std::vector<double> v = numbers(text, 1);
    return v.empty() ? 0.0 : v[0];
}

// Digits of a date or time: "19950312", "1995.03.12", "18.50.59.0000",
// "185059", "18:50:59".
std::vector<int> fields(const std::string& text, size_t compactWidth) {
    std::vector<int> out;
    const bool compact = text.find_first_of(".:-/") == std::string::npos;
    if (compact) {
        // yyyymmdd, or hhmmss
        std::string digits;
        for (char c : text)
            if (std::isdigit(static_cast<unsigned char>(c))) digits.push_back(c);
        size_t pos = 0;
        size_t width = compactWidth;
        while (pos + width <= digits.size() && out.size() < 3) {
            out.push_back(std::atoi(digits.substr(pos, width).c_str()));
            pos += width;
            width = 2;
        }
        return out;
    }
    const char* p = text.c_str();
    while (*p && out.size() < 3) {
        if (std::isdigit(static_cast<unsigned char>(*p))) {
            char* end = nullptr;
            const long v = std::strtol(p, &end, 10);
            out.push_back(static_cast<int>(std::clamp<long>(v, -99999, 99999)));
            p = end;
        } else {
            ++p;
        }
    }
    return out;
}

std::string acrDate(const std::string& text) {
    const std::vector<int> f = fields(text, 4);  // year, month, day
    return f.size() == 3 ? formatScannerDate(f[2], f[1], f[0]) : text;
}

std::string acrTime(const std::string& text) {
    const std::vector<int> f = fields(text, 2);
    return f.size() == 3 ? formatScannerTime(f[0], f[1], f[2]) : text;
}

std::string modalityText(const std::string& value) {
    if (value == "CT" || value == "MR" || value == "US") return value;
    if (value == "DR") return "XRAY";
    return "Unknown";
}

// The slice orientation follows from the normal of the row and column
// directions: its largest component names the plane.
char orientationOf(const std::vector<double>& cosines, int& axis) {
    axis = 2;
    if (cosines.size() < 6) return 0;
    const double n[3] = {cosines[1] * cosines[5] - cosines[2] * cosines[4],
                         cosines[2] * cosines[3] - cosines[0] * cosines[5],
                         cosines[0] * cosines[4] - cosines[1] * cosines[3]};
    axis = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(n[k]) > std::fabs(n[axis])) axis = k;
    return "SCT"[axis];
}

}  // namespace

bool acrNemaByteOrder(std::span<const uint8_t> bytes, uint64_t fileSize, bool& littleEndian) {
    if (bytes.size() < 8) return false;
    const uint16_t littleGroup = readLittleEndian16(bytes.data());
    const uint16_t bigGroup = readBigEndian16(bytes.data());
    const bool littleOk = (littleGroup == 0x0000 || littleGroup == 0x0008) &&
                          readLittleEndian32(bytes.data() + 4) <= fileSize;
    const bool bigOk =
        (bigGroup == 0x0000 || bigGroup == 0x0008) && readBigEndian32(bytes.data() + 4) <= fileSize;
    if (!littleOk && !bigOk) return false;
    littleEndian = littleOk;
    return true;
}

int readAcrNemaHeader(ScannerSource& file, ScannerHeader& header) {
    if (file.size() < 8) return kScannerShortFile;
    std::vector<uint8_t> window;
    if (!file.readAvailable(0, window, kAcrNemaHeaderWindow)) return kScannerShortFile;
    bool little = true;
    if (!acrNemaByteOrder(window, file.size(), little)) return kScannerBadHeader;
    Walker walker(window, little);
    Element e;
    while (walker.next(e)) {
        if (e.group == kPixelGroup && e.element == kPixelElement) {
            if (e.length == kUndefinedLength) return kScannerBadHeader;
            header.pixelOffset = e.valueOffset;
            header.pixelLength = e.length;
            header.littleEndian = little;
            window.resize(static_cast<size_t>(e.valueOffset - 8));
            header.bytes = std::move(window);
            return kScannerOk;
        }
        if (e.length == kUndefinedLength) return kScannerBadHeader;
        // A group length must end inside the file.
        if (e.element == 0x0000 && e.length == 4 && walker.valueInside(e)) {
            const uint32_t groupLength = walker.u32(window.data() + e.valueOffset);
            if (e.valueOffset + 4 + uint64_t{groupLength} > file.size()) return kScannerBadHeader;
        }
        if (e.valueOffset + e.length > file.size()) return kScannerShortFile;
    }
    // The walk left the window: the file ended, or its header is not believed.
    return file.size() <= window.size() ? kScannerShortFile : kScannerBadHeader;
}

bool decodeAcrNemaHeader(std::span<const uint8_t> header, int formatId, ScannerInfo& info) {
    bool little = true;
    if (!acrNemaByteOrder(header, UINT32_MAX, little)) return false;
    Walker walker(header, little);
    Element e;
    std::string identification;
    std::vector<double> spacing;
    std::vector<double> position;
    std::vector<double> cosines;
    bool compressed = false;
    info.modality = "Unknown";
    while (walker.next(e)) {
        const uint32_t tag = uint32_t{e.group} << 16 | e.element;
        switch (tag) {
            case 0x00080010:
                identification = walker.text(e);
                break;
            case 0x00080020:
                info.date = acrDate(walker.text(e));
                break;
            case 0x00080030:
                info.time = acrTime(walker.text(e));
                break;
            case 0x00080060:
                info.modality = modalityText(walker.text(e));
                break;
            case 0x00080070:
                info.manufacturer = walker.text(e);
                break;
            case 0x00080080:
                info.institution = walker.text(e);
                break;
            case 0x00081010:
                info.station = walker.text(e);
                break;
            case 0x00081030:
                info.study = walker.text(e);
                break;
            case 0x00081080:
                info.diagnosis = walker.text(e);
                break;
            case 0x00081090:
                info.model = walker.text(e);
                break;
            case 0x00100010:
                info.patientName = walker.text(e);
                break;
            case 0x00100020:
                info.patientId = walker.text(e);
                break;
            case 0x00100030:
                info.birthday = acrDate(walker.text(e));
                break;
            case 0x00100040:
                info.sex = walker.text(e);
                break;
            case 0x00101030:
                info.weight = number(walker.text(e));
                break;
            case 0x00180020:
                info.sequenceType = walker.text(e);
                break;
            case 0x00180050:
                info.sliceThickness = number(walker.text(e));
                break;
            case 0x00180080:
                info.repetitionTime = number(walker.text(e));
                break;
            case 0x00180081:
                info.echoTime = number(walker.text(e));
                break;
            case 0x00180082:
                info.inversionTime = number(walker.text(e));
                break;
            case 0x00180085:
                info.nucleus = walker.text(e);
                break;
            case 0x00181250:
                info.receivingCoil = walker.text(e);
                break;
            // Siemens keep the field strength in tesla and a comment in their own groups.
            case 0x00191412:
                info.fieldStrength = number(walker.text(e));
                break;
            case 0x00211330:
                info.comments = walker.text(e);
                break;
            case 0x00200030:
                position = numbers(walker.text(e), 3);
                break;
            case 0x00200035:
                cosines = numbers(walker.text(e), 6);
                break;
            case 0x00280004:
                // MONOCHROME1 shows the lowest value as white: the samples are inverted.
                info.invert = walker.text(e) == "MONOCHROME1" ? 1 : 0;
                break;
            case 0x00280010:
                info.height = static_cast<int32_t>(walker.integer(e));
                break;
            case 0x00280011:
                info.width = static_cast<int32_t>(walker.integer(e));
                break;
            case 0x00280030:
                spacing = numbers(walker.text(e), 2);
                break;
            case 0x00280060: {
                std::string value = platform::upperAscii(walker.text(e));
                compressed = !value.empty() && value != "NONE";
                break;
            }
            case 0x00280100:
                info.bitsAllocated = static_cast<int32_t>(walker.integer(e));
                break;
            case 0x00280101:
                info.bitsStored = static_cast<int32_t>(walker.integer(e));
                break;
            case 0x00280102:
                info.highBit = static_cast<int32_t>(walker.integer(e));
                break;
            case 0x00280103:
                info.pixelRepresentation = walker.integer(e) != 0 ? 1 : 0;
                break;
            default:
                break;
        }
    }
    info.identification = identification;
    if (!matchesScannerMagic(formatId, identification)) return false;
    info.compression = compressed ? "compressed" : "none";
    if (info.bitsAllocated < 1 || info.bitsAllocated > 16 || info.bitsStored < 1 ||
        info.bitsStored > 16 || info.highBit < 0 || info.highBit > 31)
        return false;
    // The stored bits end at the high bit; a high bit below them has no meaning.
    if (info.highBit + 1 - info.bitsStored < 0) return false;
    info.valueRange = 1u << info.bitsStored;
    info.lowestValue = 0;
    info.highestValue = static_cast<int32_t>(info.valueRange - 1);
    if (spacing.size() == 2 && spacing[0] > 0 && spacing[1] > 0) {
        info.fieldOfViewY = spacing[0] * info.height;
        info.fieldOfViewX = spacing[1] * info.width;
    }
    int axis = 2;
    info.orientation = scannerOrientationName(orientationOf(cosines, axis));
    if (position.size() == 3) info.slicePosition = position[static_cast<size_t>(axis)];
    return true;
}

int readAcrNemaPixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                      std::vector<uint32_t>& samples) {
    if (info.compression != "none") return kScannerUnsupportedCompression;
    const uint64_t count = static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height);
    const int allocated = info.bitsAllocated;
    const uint64_t needed = (count * static_cast<uint64_t>(allocated) + 7) / 8;
    if (header.pixelLength < needed) return kScannerBadHeader;
    std::vector<uint8_t> bytes(static_cast<size_t>(needed) + 4, 0);
    if (!file.read(header.pixelOffset, bytes.data(), static_cast<size_t>(needed)))
        return kScannerShortFile;
    // Samples wider than a byte sit in 16-bit words of the file's byte order.
    if (!header.littleEndian && allocated > 8)
        for (size_t i = 0; i + 1 < needed; i += 2) std::swap(bytes[i], bytes[i + 1]);
    const int shift = info.highBit + 1 - info.bitsStored;
    const uint32_t allocatedMask = (1u << allocated) - 1;
    const uint32_t storedMask = (1u << info.bitsStored) - 1;
    const uint32_t keep = allocatedMask & storedMask;
    // Signed samples read as their values while none is negative, as a slice
    // converted from DICOM usually has them; one negative sample turns the
    // whole image into offset binary (add half the stored range), which keeps
    // the order of negative and positive values.
    const uint32_t signBit =
        info.pixelRepresentation != 0 ? 1u << (std::min(allocated, info.bitsStored) - 1) : 0u;
    bool negative = false;
    samples.resize(static_cast<size_t>(count));
    for (uint64_t i = 0; i < count; ++i) {
        // A sample may straddle two words: take it from a 32-bit window.
        const uint64_t bit = i * static_cast<uint64_t>(allocated);
        uint32_t v = readLittleEndian32(&bytes[static_cast<size_t>(bit >> 3)]) >> (bit & 7);
        v &= allocatedMask;
        v = shift >= 32 ? 0 : (v >> shift) & keep;
        negative = negative || (v & signBit) != 0;
        samples[static_cast<size_t>(i)] = v;
    }
    const uint32_t offset = negative ? signBit : 0u;
    for (uint32_t& v : samples) v = (info.invert ? ~(v ^ offset) : v ^ offset) & keep;
    return kScannerOk;
}
