#include "workspace/core/formats/scanner_picker.h"

#include <cstdlib>
#include <cstring>

#include "workspace/core/formats/byte_codec.h"

namespace {

constexpr uint64_t kHeaderLength = 4;
constexpr uint64_t kSectionTable = 8;
constexpr uint64_t kEntryBytes = 16;

int sectionOf(char letter) {
    switch (letter) {
        case 'F':
            return 0;
        case 'P':
            return 1;
        case 'S':
            return 2;
        case 'A':
            return 3;
        case 'I':
            return 4;
        default:
            return -1;
    }
}

// Reads the values of one header, remembering whether any lookup found the
// directory broken.
class Directory {
  public:
    explicit Directory(std::span<const uint8_t> header) : header_(header), view_(header) {}
    bool bad() const { return bad_; }

    bool find(std::string_view key, PickerValue& value) {
        const PickerLookup result = findPickerKey(header_, key, value);
        if (result == PickerLookup::Bad) bad_ = true;
        return result == PickerLookup::Found;
    }
    std::string text(std::string_view key) {
        PickerValue v;
        if (!find(key, v)) return {};
        if (v.type == 1 || v.type == 2) {
            char out[32];
            std::snprintf(out, sizeof out, "%g", number(v));
            return out;
        }
        return view_.text(v.offset, v.size);
    }
    std::optional<double> number(std::string_view key) {
        PickerValue v;
        if (!find(key, v)) return std::nullopt;
        return number(v);
    }
    double numberOr(std::string_view key, double fallback) {
        return number(key).value_or(fallback);
    }

  private:
    double number(const PickerValue& v) const {
        switch (v.type) {
            case 1:
                // Integers of 2 and 4 bytes are both kept in a 32-bit word.
                return static_cast<int32_t>(view_.be32(v.offset));
            case 2:
                return view_.beFloat(v.offset);
            default:
                return std::strtod(view_.text(v.offset, v.size).c_str(), nullptr);
        }
    }

    std::span<const uint8_t> header_;
    ByteView view_;
    bool bad_ = false;
};

}  // namespace

PickerLookup findPickerKey(std::span<const uint8_t> header, std::string_view key,
                           PickerValue& value) {
    const ByteView h(header);
    if (key.empty() || key.size() > 8) return PickerLookup::Missing;
    const int section = sectionOf(key[0]);
    if (section < 0) return PickerLookup::Missing;
    const uint64_t tableAt = kSectionTable + 4 * static_cast<uint64_t>(section);
    if (!h.has(tableAt, 4)) return PickerLookup::Bad;
    const uint64_t length = h.size();
    const uint64_t start = h.be32(tableAt);
    if (start < kPickerFixedHeaderBytes || start > length) return PickerLookup::Bad;
    for (uint64_t at = start; at + kEntryBytes <= length; at += kEntryBytes) {
        if (std::memcmp(header.data() + at, key.data(), key.size()) != 0) continue;
        value.size = h.be16(at + 8);
        value.type = h.be16(at + 10);
        value.offset = h.be32(at + 12);
        // Numbers take a whole 32-bit word whatever their stated size.
        const uint64_t span = (value.type == 1 || value.type == 2) ? 4 : value.size;
        if (!h.has(value.offset, span)) return PickerLookup::Bad;
        return PickerLookup::Found;
    }
    return PickerLookup::Missing;
}

int readPickerHeader(ScannerSource& file, ScannerHeader& header) {
    uint8_t fixed[kPickerFixedHeaderBytes];
    if (!file.read(0, fixed, sizeof fixed)) return kScannerShortFile;
    const uint32_t length = readBigEndian32(fixed + kHeaderLength);
    if (length < kPickerFixedHeaderBytes || length > file.size() || length > kMaxScannerHeaderBytes)
        return kScannerBadHeader;
    header.bytes.resize(length);
    if (!file.read(0, header.bytes.data(), length)) return kScannerShortFile;
    PickerValue name;
    if (findPickerKey(header.bytes, scannerMagic(kScannerPicker), name) != PickerLookup::Found)
        return kScannerBadHeader;
    header.pixelOffset = length;
    return kScannerOk;
}

bool decodePickerHeader(std::span<const uint8_t> bytes, int formatId, ScannerInfo& info) {
    Directory d(bytes);
    PickerValue name;
    if (!d.find(scannerMagic(formatId), name)) return false;
    info.identification = std::string(scannerMagic(formatId));
    const std::string modality = d.text("S*MODAL");
    info.modality = modality.rfind("CT", 0) == 0   ? "CT"
                    : modality.rfind("MR", 0) == 0 ? "MR"
                                                   : "Unknown";
    info.manufacturer = "Picker";
    info.compression = "none";
    info.bitsAllocated = info.bitsStored = 16;
    info.highBit = 15;
    const std::optional<double> width = d.number("A*NCOLS");
    const std::optional<double> height = d.number("A*NROWS");
    if (!width || !height || !(*width >= 0 && *width <= 1024) || !(*height >= 0 && *height <= 1024))
        return false;
    info.width = static_cast<int32_t>(*width);
    info.height = static_cast<int32_t>(*height);
    info.fieldOfViewX = info.fieldOfViewY = d.numberOr("A*FIELD", info.fieldOfViewX);
    info.sliceThickness = d.numberOr("AM*SLTHK", info.sliceThickness);
    info.sliceGap = d.numberOr("AM*SGAP", info.sliceGap);
    info.slicePosition = d.numberOr("AM*SLPAG", info.slicePosition);
    const std::string plane = d.text("AM*IMGPL");
    info.orientation = scannerOrientationName(plane.empty() ? 0 : plane[0]);
    if (info.modality == "MR") {
        info.sequenceType = d.text("SM*PPROT");
        info.nucleus = d.text("AM*IMNUC");
        info.receivingCoil = d.text("AM*TCOIL");
        info.fieldStrength = d.numberOr("AM*GAUSS", 0.0) * 0.0001;
        info.repetitionTime = d.numberOr("AM*RTIME", 0.0);
        info.echoTime = d.numberOr("AM*SEQTE", 0.0);
        info.inversionTime = d.numberOr("AM*SEQTI", 0.0);
    }
    info.institution = d.text("S*HOSPTL");
    info.patientName = d.text("P*NAME");
    info.patientId = d.text("P*IDENT");
    info.birthday = d.text("P*BIRTH");
    info.sex = d.text("S*SEX");
    info.weight = d.numberOr("S*WEIGHT", 0.0);
    const std::string scan = d.text("P*SCANDT");
    const size_t space = scan.find(' ');
    info.date = scan.substr(0, space);
    if (space != std::string::npos) info.time = stripTrailing(scan.substr(space + 1));
    while (!info.time.empty() && info.time.front() == ' ') info.time.erase(0, 1);
    // The protocol description names the study; the series and patient
    // comments go to series and diagnosis.
    info.comments = d.text("S*COMNT");
    info.study = d.text("A*PRDESC");
    info.series = info.comments;
    info.diagnosis = d.text("P*COMNT");
    return !d.bad();
}
