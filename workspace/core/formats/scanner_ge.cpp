#include "workspace/core/formats/scanner_ge.h"

#include <algorithm>
#include <cctype>

#include "platform/textformat.h"
#include "workspace/core/formats/byte_codec.h"

namespace {

// Offsets of the file header.
constexpr uint64_t kHeaderLength = 4;
constexpr uint64_t kWidth = 8;
constexpr uint64_t kHeight = 12;
constexpr uint64_t kDepth = 16;
constexpr uint64_t kCompression = 20;
constexpr uint64_t kBackground = 32;
constexpr uint64_t kRowTable = 64;  // offset and length of the packed rows' table
constexpr uint64_t kRowTableLength = 68;
constexpr uint64_t kValueBlock = 80;
constexpr uint64_t kValueFlag = 84;
constexpr uint64_t kModelBlock = 124;
constexpr uint64_t kExamBlock = 132;
constexpr uint64_t kImageBlock = 148;

constexpr uint32_t kPlain = 1;
constexpr uint32_t kPacked = 2;
constexpr uint32_t kCompressed = 3;
constexpr uint32_t kCompressedPacked = 4;

const char* compressionText(uint32_t code) {
    switch (code) {
        case kPacked:
            return "packed";
        case kCompressed:
            return "compressed";
        case kCompressedPacked:
            return "packed/compressed";
        default:
            return "none";
    }
}

// The block that starts at the offset stored at `at`: from there to the end
// of the header. An offset of 0 means the file has no such block; one that
// points outside the header makes the header unbelievable.
bool block(const ByteView& h, uint64_t at, ByteView& out, bool& present) {
    const uint32_t offset = h.be32(at);
    present = offset != 0;
    if (!present) return true;
    if (offset >= h.size()) return false;
    out = ByteView(std::span<const uint8_t>(h.data() + offset, h.size() - offset));
    return true;
}

std::string dateText(uint32_t seconds) {
    int day = 0;
    int month = 0;
    int year = 0;
    geCalendarDate(seconds, day, month, year);
    return formatScannerDate(day, month, year - 1900);
}

}  // namespace

void geCalendarDate(uint32_t seconds, int& day, int& month, int& year) {
    // Civil date from a day count (days since 1970-01-01), proleptic Gregorian.
    const int64_t z = static_cast<int64_t>(seconds / 86400) + 719468;
    const int64_t era = z / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool decodeGeCompressed(std::span<const uint8_t> data, size_t& pos, uint16_t& value, size_t count,
                        uint32_t* out) {
    for (size_t i = 0; i < count; ++i) {
        if (pos >= data.size()) return false;
        const uint8_t c = data[pos++];
        if (c < 64) {
            value = static_cast<uint16_t>(value + c);
        } else if (c < 128) {
            value = static_cast<uint16_t>(value + c - 128);
        } else if (c < 192) {
            if (pos >= data.size()) return false;
            const uint8_t next = data[pos++];
            if (c < 160)
                value = static_cast<uint16_t>(value + (((c & 0x1F) << 8) | next));
            else
                value = static_cast<uint16_t>(
                    value + static_cast<int16_t>(static_cast<uint16_t>(((c | 0xC0) << 8) + next)));
        } else {
            if (data.size() - pos < 2) return false;
            value = readBigEndian16(&data[pos]);
            pos += 2;
        }
        out[i] = value;
    }
    return true;
}

int readGeAdvantageHeader(ScannerSource& file, ScannerHeader& header) {
    uint8_t fixed[kGeFixedHeaderBytes];
    if (!file.read(0, fixed, sizeof fixed)) return kScannerShortFile;
    const std::string_view magic(reinterpret_cast<const char*>(fixed), 4);
    if (!matchesScannerMagic(kScannerGeAdvantage, magic)) return kScannerBadHeader;
    const uint32_t length = readBigEndian32(fixed + kHeaderLength);
    if (length < kGeFixedHeaderBytes || length > file.size() || length > kMaxScannerHeaderBytes)
        return kScannerBadHeader;
    header.bytes.resize(length);
    if (!file.read(0, header.bytes.data(), length)) return kScannerShortFile;
    header.pixelOffset = length;
    header.pixelLength = file.size() - length;
    return kScannerOk;
}

bool decodeGeAdvantageHeader(std::span<const uint8_t> bytes, int formatId, ScannerInfo& info) {
    const ByteView h(bytes);
    if (h.size() < kGeFixedHeaderBytes) return false;
    info.identification = h.text(0, 4);
    if (!matchesScannerMagic(formatId, info.identification)) return false;
    const uint32_t width = h.be32(kWidth);
    const uint32_t height = h.be32(kHeight);
    if (width > 1024 || height > 1024) return false;
    info.width = static_cast<int32_t>(width);
    info.height = static_cast<int32_t>(height);
    const uint32_t depth = h.be32(kDepth);
    if (depth != 8 && depth != 16) return false;
    info.valueRange = 1u << depth;
    info.bitsAllocated = info.bitsStored = static_cast<int32_t>(depth);
    info.highBit = static_cast<int32_t>(depth) - 1;
    info.compression = compressionText(h.be32(kCompression));
    info.manufacturer = "General Electric";

    ByteView values(bytes);
    bool present = false;
    if (h.be32(kValueFlag) != 0) {
        if (!block(h, kValueBlock, values, present)) return false;
        if (present) {
            if (!values.has(0, 10)) return false;
            info.lowestValue = values.be16(6);
            info.highestValue = values.be16(8);
            info.thirdValue = values.be16(4);
        }
    }
    ByteView model(bytes);
    if (!block(h, kModelBlock, model, present)) return false;
    if (present) info.model = model.text(7, 13);

    ByteView exam(bytes);
    if (!block(h, kExamBlock, exam, present)) return false;
    if (present) {
        info.station = exam.text(0, 4);
        info.institution = exam.text(10, 33);
        info.patientId = exam.text(84, 13);
        info.patientName = exam.text(97, 25);
        // GE number the sexes male 1, female 2.
        const uint16_t sex = exam.be16(126);
        info.sex = sex == 1 ? "M" : sex == 2 ? "F" : "O";
        const uint32_t birth = exam.be32(122);
        if (birth != 0) info.birthday = dateText(birth);
        const uint32_t scan = exam.be32(208);
        if (scan != 0) {
            info.date = dateText(scan);
            info.time =
                formatScannerTime(static_cast<int>(scan / 3600 % 24),
                                  static_cast<int>(scan / 60 % 60), static_cast<int>(scan % 60));
        }
        info.weight = exam.be32(128) / 1000.0;
        std::string modality = platform::upperAscii(exam.text(305, 2));
        info.modality = modality == "MR" || modality == "CT" ? modality : "Unknown";
        if (info.modality == "MR") info.fieldStrength = exam.be32(80) * 0.0001;
    }

    ByteView image(bytes);
    if (!block(h, kImageBlock, image, present)) return false;
    if (present) {
        info.sliceThickness = image.beFloat(26);
        info.fieldOfViewX = image.beFloat(34);
        info.fieldOfViewY = image.beFloat(38);
        if (info.fieldOfViewY == 0.0) info.fieldOfViewY = info.fieldOfViewX;
        info.sliceGap = image.beFloat(116);
        info.slicePosition = image.beFloat(126);
        if (info.modality == "MR") {
            info.repetitionTime = image.be32(194) * 0.001;
            info.inversionTime = image.be32(198) * 0.001;
            info.echoTime = image.be32(202) * 0.001;
            info.sequenceType = image.text(308, 33);
            info.receivingCoil = image.text(362, 17);
        }
    }
    return true;
}

int readGeAdvantagePixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                          std::vector<uint32_t>& samples) {
    const ByteView h(header.bytes);
    const uint32_t mode = h.be32(kCompression);
    if (mode < kPlain || mode > kCompressedPacked) return kScannerUnsupportedCompression;
    const size_t width = static_cast<size_t>(info.width);
    const size_t height = static_cast<size_t>(info.height);
    const size_t count = width * height;
    const size_t bytesPer = info.bitsAllocated == 8 ? 1 : 2;
    samples.assign(count, 0);

    // Packed rows: a table of (left fill count, stored count) pairs, one per
    // row, that the header points to at offset 64 (with its length at 68);
    // the rest of a row is the background shade of offset 32.
    std::vector<std::pair<size_t, size_t>> rows;
    const bool packed = mode == kPacked || mode == kCompressedPacked;
    size_t stored = count;
    if (packed) {
        const uint32_t table = h.be32(kRowTable);
        const uint32_t tableLength = h.be32(kRowTableLength);
        if (!h.has(table, 4 * uint64_t{height}) || (tableLength != 0 && tableLength < 4 * height))
            return kScannerBadHeader;
        rows.resize(height);
        stored = 0;
        for (size_t y = 0; y < height; ++y) {
            const size_t left = std::min<size_t>(h.be16(table + 4 * y), width);
            const size_t kept = std::min<size_t>(h.be16(table + 4 * y + 2), width - left);
            rows[y] = {left, kept};
            stored += kept;
        }
    }
    const uint32_t fill = std::min<uint32_t>(h.be32(kBackground), bytesPer == 1 ? 255 : 65535);

    // What the data holds, in file order: `stored` samples.
    std::vector<uint32_t> values(stored);
    const uint64_t available = header.pixelLength;
    if (mode == kPlain || mode == kPacked) {
        const uint64_t need = uint64_t{stored} * bytesPer;
        if (available < need) return kScannerShortFile;
        std::vector<uint8_t> bytes(static_cast<size_t>(need));
        if (!file.read(header.pixelOffset, bytes.data(), bytes.size())) return kScannerShortFile;
        for (size_t i = 0; i < stored; ++i)
            values[i] = bytesPer == 1 ? bytes[i] : readBigEndian16(&bytes[2 * i]);
    } else {
        // At most three bytes a sample; the stream stops at the end of the data.
        const uint64_t take = std::min<uint64_t>(available, uint64_t{stored} * 3);
        std::vector<uint8_t> bytes(static_cast<size_t>(take));
        if (!file.read(header.pixelOffset, bytes.data(), bytes.size())) return kScannerShortFile;
        size_t pos = 0;
        uint16_t value = 0;
        if (!decodeGeCompressed(bytes, pos, value, stored, values.data())) return kScannerShortFile;
    }

    if (!packed) {
        samples = std::move(values);
        return kScannerOk;
    }
    size_t next = 0;
    for (size_t y = 0; y < height; ++y) {
        uint32_t* row = samples.data() + y * width;
        const auto [left, kept] = rows[y];
        std::fill(row, row + left, fill);
        std::copy_n(values.data() + next, kept, row + left);
        std::fill(row + left + kept, row + width, fill);
        next += kept;
    }
    return kScannerOk;
}
