#include "workspace/core/formats/dicom_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include "platform/files.h"
#include "platform/textformat.h"
#include "workspace/core/formats/byte_codec.h"
#include "workspace/core/image/image_plane.h"

namespace {

constexpr size_t kWindowBytes = size_t{1} << 16;
constexpr uint64_t kMagicOffset = 128;  // after the preamble
constexpr int kMaxElements = 2048;
constexpr uint32_t kUndefinedLength = 0xFFFFFFFF;
constexpr uint32_t kMaxTextValue = 4094;  // longer values are left out of the header text
constexpr uint32_t kMaxUidLength = 64;

constexpr std::string_view kImplicitLittleEndian = "1.2.840.10008.1.2";
constexpr std::string_view kExplicitLittleEndian = "1.2.840.10008.1.2.1";
constexpr std::string_view kExplicitBigEndian = "1.2.840.10008.1.2.2";
// Every other standard transfer syntax under this root compresses, deflates
// or encapsulates the data set or its pixels.
constexpr std::string_view kStandardSyntaxRoot = "1.2.840.10008.1.2.";

constexpr uint16_t kItemGroup = 0xFFFE;
constexpr uint16_t kSequenceDelimiter = 0xE0DD;

// Fails on a read error, or where the file shrank since it was measured.
bool preadAll(int fd, uint8_t* out, size_t n, uint64_t offset) {
    return platform::readAt(fd, offset, out, n) == static_cast<int64_t>(n);
}

// Sequential reads in the current byte order; a read past the end fails and
// leaves the position where it was.
class Cursor {
  public:
    Cursor(DicomSource& file, uint64_t pos, bool little)
        : file_(file), pos_(pos), little_(little) {}

    uint64_t pos() const { return pos_; }
    bool little() const { return little_; }
    void setLittle(bool little) { little_ = little; }

    bool bytes(void* out, size_t n) {
        if (!file_.read(pos_, out, n)) return false;
        pos_ += n;
        return true;
    }
    bool u16(uint16_t& value) {
        uint8_t b[2];
        if (!bytes(b, 2)) return false;
        value = readEndian16(b, little_);
        return true;
    }
    bool u32(uint32_t& value) {
        uint8_t b[4];
        if (!bytes(b, 4)) return false;
        value = readEndian32(b, little_);
        return true;
    }
    // Little-endian group number at the position, without moving.
    bool peekGroupLittle(uint16_t& group) {
        uint8_t b[2];
        if (!file_.read(pos_, b, 2)) return false;
        group = readLittleEndian16(b);
        return true;
    }
    bool seek(uint64_t to) {
        if (to > file_.size()) return false;
        pos_ = to;
        return true;
    }
    bool back(uint64_t n) {
        if (n > pos_) return false;
        pos_ -= n;
        return true;
    }

  private:
    DicomSource& file_;
    uint64_t pos_;
    bool little_;
};

struct Element {
    uint16_t group = 0;
    uint16_t element = 0;
    char vr[2] = {0, 0};
    bool explicitVr = false;
    bool undefinedLength = false;
    uint32_t length = 0;  // 0 for an undefined length
    uint64_t valueStart = 0;

    bool is(uint16_t g, uint16_t e) const { return group == g && element == e; }
    bool isPixelData() const { return is(0x7FE0, 0x0010); }
    bool vrIs(std::string_view name) const {
        return explicitVr && platform::upperAscii(vr[0]) == name[0] &&
               platform::upperAscii(vr[1]) == name[1];
    }
};

bool isVrLetter(uint8_t c) {
    return c >= 'A' && c <= 'Z';
}

// VRs whose explicit form is the VR, two reserved bytes and a 32-bit length.
bool hasLongLength(const char vr[2]) {
    static constexpr std::string_view kLong[] = {"OB", "OD", "OF", "OL", "OV", "OW", "SQ",
                                                 "SV", "UC", "UN", "UR", "UT", "UV"};
    return std::any_of(std::begin(kLong), std::end(kLong),
                       [&](std::string_view v) { return v[0] == vr[0] && v[1] == vr[1]; });
}

// Reads tag, VR and length; the cursor ends at the first byte of the value.
// The VR is taken from the data when its two bytes are upper-case letters,
// unless the transfer syntax says implicit VR; item and delimiter tags never
// carry one.
bool readElementHeader(Cursor& c, bool implicitOnly, Element& e) {
    e = Element{};
    uint8_t w[4];
    if (!c.u16(e.group) || !c.u16(e.element) || !c.bytes(w, 4)) return false;
    if (!implicitOnly && e.group != kItemGroup && isVrLetter(w[0]) && isVrLetter(w[1])) {
        e.explicitVr = true;
        e.vr[0] = static_cast<char>(w[0]);
        e.vr[1] = static_cast<char>(w[1]);
        if (hasLongLength(e.vr)) {
            if (!c.u32(e.length)) return false;
        } else {
            e.length = readEndian16(w + 2, c.little());
        }
    } else {
        e.length = readEndian32(w, c.little());
    }
    if (e.length == kUndefinedLength) {
        e.undefinedLength = true;
        e.length = 0;
    }
    e.valueStart = c.pos();
    return true;
}

// Decimal integer at the start of the text, after white space; 0 without
// digits; saturated to the int32 range.
int32_t parseDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(kLimit, value * 10 + (text[i] - '0'));
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// A geometry value of group 0028: text VRs are parsed as decimal numbers,
// otherwise a 4-byte value is a u32 and any other a u16. A value too short for
// a u16 holds no number and leaves the field as it was. False when the value
// runs past the end of the file.
bool readGeometryValue(DicomSource& file, const Element& e, bool little, int32_t& field) {
    if (e.vrIs("IS") || e.vrIs("CS") || e.vrIs("DS")) {
        std::string text(e.length, '\0');  // short VR: below 64 KiB
        if (!file.read(e.valueStart, text.data(), text.size())) return false;
        field = parseDecimal(text);
        return true;
    }
    Cursor value(file, e.valueStart, little);
    if (e.length == 4) {
        uint32_t v;
        if (!value.u32(v)) return false;
        field = static_cast<int32_t>(v);  // values above INT32_MAX turn negative and are refused
    } else if (e.length >= 2) {
        uint16_t v;
        if (!value.u16(v)) return false;
        field = v;
    }
    return true;
}

int32_t* geometryField(DicomState& state, uint16_t element) {
    switch (element) {
        case 0x0008:
            return &state.numberOfFrames;
        case 0x0010:
            return &state.rows;
        case 0x0011:
            return &state.columns;
        case 0x0100:
            return &state.bitsAllocated;
        case 0x0101:
            return &state.bitsStored;
        case 0x0102:
            return &state.highBit;
        case 0x0103:
            return &state.pixelRepresentation;
        default:
            return nullptr;
    }
}

struct TextField {
    uint16_t group;
    uint16_t element;
    const char* label;
    const char* unit;
    bool withValue;
};

constexpr TextField kTextFields[] = {
    {0x0008, 0x0008, "\r\nImage Type:\t", "", true},
    {0x0008, 0x0020, "\r\nStudy Date:\t", "", true},
    {0x0008, 0x0060, "\r\nImage Modality:\t", "", true},
    {0x0008, 0x0070, "\r\nManufacturer:\t", "", true},
    {0x0008, 0x0080, "\r\nInstitution:\t", "", true},
    {0x0008, 0x1010, "\r\nStation:\t", "", true},
    {0x0008, 0x1030, "\r\nStudy:\t", "", true},
    {0x0008, 0x103E, "\r\nSeries:\t", "", true},
    {0x0008, 0x1040, "\r\nInstitution Dept.:\t", "", true},
    {0x0008, 0x1090, "\r\nModel:\t", "", true},
    {0x0010, 0x0000, "\r\n", "", false},
    {0x0010, 0x0010, "\r\n\r\nPatient Name:\t", "", true},
    {0x0010, 0x0020, "\r\nPatient ID:\t", "", true},
    {0x0010, 0x0030, "\r\nBirthday:\t", "", true},
    {0x0010, 0x0040, "\r\nSex:\t", "", true},
    {0x0010, 0x1010, "\r\nAge:\t", "", true},
    {0x0010, 0x1030, "\r\nWeight:\t", " kg", true},
    {0x0018, 0x0000, "\r\n", "", false},
    {0x0018, 0x0020, "\r\nSequence:\t", "", true},
    {0x0018, 0x0021, "\r\nSequence Variant:\t", "", true},
    {0x0018, 0x0022, "\r\nScan Options:\t", "", true},
    {0x0018, 0x0023, "\r\nAcquisition Type:\t", "", true},
    {0x0018, 0x0050, "\r\nSlice Thickness:\t", " mm", true},
    {0x0018, 0x0080, "\r\nRepetition Time:\t", " ms", true},
    {0x0018, 0x0081, "\r\nEcho Time:\t", " ms", true},
    {0x0018, 0x0082, "\r\nInversion Time:\t", " ms", true},
    {0x0018, 0x0083, "\r\nAverages:\t", "", true},
    {0x0018, 0x0085, "\r\nNucleus:\t", "", true},
    {0x0018, 0x0087, "\r\nMagnetic Field:\t", " T", true},
    {0x0018, 0x0088, "\r\nSlice Spacing:\t", " mm", true},
    {0x0018, 0x1250, "\r\nReceiving Coil:\t", "", true},
    {0x0018, 0x1251, "\r\nTransmitting Coil:\t", "", true},
};

// Label, value and unit of a header text element. The value is cut at its
// first NUL byte, which pads some text values and would end the text early in
// the window.
void appendHeaderText(DicomSource& file, const Element& e, std::string& text) {
    for (const TextField& field : kTextFields) {
        if (!e.is(field.group, field.element)) continue;
        text += field.label;
        if (field.withValue && e.length < kMaxTextValue) {
            std::string value(e.length, '\0');
            if (file.read(e.valueStart, value.data(), value.size()))
                text.append(value.begin(), std::find(value.begin(), value.end(), '\0'));
        }
        text += field.unit;
        return;
    }
}

// The transfer syntax UID without the NULs and spaces that pad it.
void readTransferSyntax(DicomSource& file, const Element& e, DicomState& state) {
    if (e.length > kMaxUidLength) return;
    std::string uid(e.length, '\0');
    if (!file.read(e.valueStart, uid.data(), uid.size())) return;
    while (!uid.empty() && (uid.back() == '\0' || uid.back() == ' ')) uid.pop_back();
    state.transferSyntax = uid.substr(std::min(uid.find_first_not_of(' '), uid.size()));
}

// Finds the transfer syntax inside a meta group that is skipped whole by its
// group length.
void scanMetaGroup(DicomSource& file, uint64_t start, uint64_t end, bool little,
                   DicomState& state) {
    Cursor c(file, start, little);
    for (int n = 0; n < kMaxElements && c.pos() < end; ++n) {
        Element e;
        if (!readElementHeader(c, false, e) || e.undefinedLength) return;
        if (e.is(0x0002, 0x0010)) {
            readTransferSyntax(file, e, state);
            return;
        }
        if (!c.seek(e.valueStart + e.length)) return;
    }
}

bool isCompressedSyntax(std::string_view uid) {
    return uid.starts_with(kStandardSyntaxRoot) && uid != kExplicitLittleEndian &&
           uid != kExplicitBigEndian;
}

enum class WalkEnd {
    PixelData,  // state.pixelOffset and pixelLength are set
    Refused,    // a compressed transfer syntax or encapsulated pixel data
    Lost,       // the walk ended without finding the pixel data
};

class HeaderWalk {
  public:
    HeaderWalk(DicomSource& file, DicomState& state, uint64_t start)
        : file_(file), state_(state), c_(file, start, true) {}

    WalkEnd run() {
        for (int n = 0; n < kMaxElements; ++n) {
            if (n == 0) {
                // A meta group written big-endian: the whole file is.
                uint16_t group;
                if (c_.peekGroupLittle(group) && group == 0x0200) {
                    setLittle(false);
                    inMeta_ = false;
                }
            }
            if (inMeta_) {
                uint16_t group;
                if (!c_.peekGroupLittle(group)) return WalkEnd::Lost;
                if (group != 0x0002) {
                    inMeta_ = false;
                    if (!applyTransferSyntax()) return WalkEnd::Refused;
                }
            }
            Element e;
            if (!readElementHeader(c_, implicitOnly_, e)) return WalkEnd::Lost;
            if ((e.group == 0x0002 || e.group == 0x0043) && e.element == 0 && e.length == 4) {
                // A group length: skip the whole group.
                uint32_t groupLength;
                if (!c_.u32(groupLength)) return WalkEnd::Lost;
                if (e.group == 0x0002)
                    scanMetaGroup(file_, c_.pos(), c_.pos() + groupLength, c_.little(), state_);
                if (!c_.seek(c_.pos() + groupLength)) return WalkEnd::Lost;
                continue;
            }
            if (e.undefinedLength && e.group != kItemGroup) {
                if (depth_ == 0 && e.isPixelData()) return WalkEnd::Refused;  // encapsulated
                // A sequence (or nested encapsulated pixels): its items follow and
                // end at a sequence delimiter. What lies inside describes other
                // objects (icons, references), not this image.
                ++depth_;
                continue;
            }
            if (e.is(kItemGroup, kSequenceDelimiter)) {
                if (depth_ > 0) --depth_;
                continue;
            }
            if (depth_ == 0) {
                if (e.is(0x0002, 0x0010)) {
                    readTransferSyntax(file_, e, state_);
                } else if (e.group == 0x0028) {
                    if (int32_t* field = geometryField(state_, e.element))
                        if (!readGeometryValue(file_, e, c_.little(), *field)) return WalkEnd::Lost;
                } else if (e.group == 0x0008 || e.group == 0x0010 || e.group == 0x0018) {
                    appendHeaderText(file_, e, state_.headerText);
                } else if (e.isPixelData()) {
                    state_.pixelOffset = e.valueStart;
                    state_.pixelLength = e.length;
                    return WalkEnd::PixelData;
                }
            }
            if (!c_.seek(e.valueStart + e.length)) return WalkEnd::Lost;
        }
        return WalkEnd::Lost;
    }

    bool implicitOnly() const { return implicitOnly_; }

  private:
    void setLittle(bool little) {
        c_.setLittle(little);
        state_.littleEndian = little ? 1 : 0;
    }

    // The meta group is always little-endian explicit VR; the transfer
    // syntax tells how the rest is written.
    bool applyTransferSyntax() {
        const std::string& uid = state_.transferSyntax;
        if (uid == kExplicitBigEndian) setLittle(false);
        if (uid == kImplicitLittleEndian) implicitOnly_ = true;
        return !isCompressedSyntax(uid);
    }

    DicomSource& file_;
    DicomState& state_;
    Cursor c_;
    bool inMeta_ = true;
    bool implicitOnly_ = false;
    int depth_ = 0;
};

// When the walk went astray: look for the geometry and pixel-data tags word by
// word, assuming 16 bits allocated and 12 stored unless the scan finds others.
WalkEnd scanForPixelData(DicomSource& file, DicomState& state, uint64_t start, bool implicitOnly) {
    state.bitsAllocated = 16;
    state.bitsStored = 12;
    Cursor c(file, start, state.littleEndian != 0);
    uint16_t word;
    while (c.u16(word)) {
        if (word == 0x0028) {
            uint16_t element;
            if (!c.u16(element)) return WalkEnd::Lost;
            int32_t* field = nullptr;
            if (element == 0x0010) field = &state.rows;
            if (element == 0x0011) field = &state.columns;
            if (element == 0x0100) field = &state.bitsAllocated;
            if (element == 0x0101) field = &state.bitsStored;
            if (field) {
                uint32_t vrOrLength;
                uint16_t value;
                if (!c.u32(vrOrLength) || !c.u16(value)) return WalkEnd::Lost;
                *field = value;
            }
        } else if (word == 0x7FE0) {
            uint16_t element;
            if (!c.u16(element)) return WalkEnd::Lost;
            if (element != 0x0010) continue;
            Element e;
            if (!c.back(4) || !readElementHeader(c, implicitOnly, e)) return WalkEnd::Lost;
            if (e.undefinedLength) return WalkEnd::Refused;
            state.pixelOffset = e.valueStart;
            state.pixelLength = e.length;
            return WalkEnd::PixelData;
        }
    }
    return WalkEnd::Lost;
}

}  // namespace

DicomSource::DicomSource(std::span<const uint8_t> bytes) : memory_(bytes), size_(bytes.size()) {}

DicomSource::DicomSource(int fd, uint64_t size) : fd_(fd), size_(size) {}

DicomSource::~DicomSource() {
    if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<DicomSource> DicomSource::openFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<DicomSource>(new DicomSource(fd, static_cast<uint64_t>(info.st_size)));
}

bool DicomSource::read(uint64_t offset, void* out, size_t n) {
    if (offset > size_ || size_ - offset < n) return false;
    if (n == 0) return true;
    if (fd_ < 0) {
        std::memcpy(out, memory_.data() + offset, n);
        return true;
    }
    if (n > kWindowBytes / 2) return preadAll(fd_, static_cast<uint8_t*>(out), n, offset);
    if (window_.empty() || offset < windowStart_ || offset - windowStart_ + n > window_.size()) {
        window_.resize(static_cast<size_t>(std::min<uint64_t>(kWindowBytes, size_ - offset)));
        if (!preadAll(fd_, window_.data(), window_.size(), offset)) {
            window_.clear();
            return false;
        }
        windowStart_ = offset;
    }
    std::memcpy(out, window_.data() + (offset - windowStart_), n);
    return true;
}

uint64_t dicomPixelBytes(const DicomState& state) {
    if (state.rows < 1 || state.columns < 1 || state.bitsAllocated < 1 || state.bitsAllocated > 16)
        return 0;
    const uint64_t count = static_cast<uint64_t>(state.rows) * static_cast<uint64_t>(state.columns);
    if (count > kMaxPlaneWords) return 0;
    const uint64_t bits = static_cast<uint64_t>(state.bitsAllocated);
    if (bits == 16) return 2 * count;
    if (bits == 8) return count;
    return (count * bits + 7) / 8;
}

namespace {

bool pixelDataFits(const DicomSource& file, const DicomState& state) {
    const uint64_t bytes = dicomPixelBytes(state);
    return bytes != 0 && bytes <= state.pixelLength && state.pixelOffset <= file.size() &&
           file.size() - state.pixelOffset >= bytes;
}

}  // namespace

int ReadDicomHeader(DicomSource& file, DicomState& state) {
    state = DicomState{};
    char magic[4];
    const bool preamble = file.read(kMagicOffset, magic, 4) && std::memcmp(magic, "DICM", 4) == 0;
    HeaderWalk walk(file, state, preamble ? kMagicOffset + 4 : 0);
    WalkEnd end = walk.run();
    if (end == WalkEnd::Lost) {
        // The scan must read words in the data set's order even when the walk
        // was lost before it left the meta group.
        if (state.transferSyntax == kExplicitBigEndian) state.littleEndian = 0;
        end =
            scanForPixelData(file, state, preamble ? kMagicOffset : 0,
                             walk.implicitOnly() || state.transferSyntax == kImplicitLittleEndian);
    }
    if (end != WalkEnd::PixelData || isCompressedSyntax(state.transferSyntax)) return 1;
    return pixelDataFits(file, state) ? 0 : 1;
}

bool ReadDicomPixels(DicomSource& file, const DicomState& state, std::span<uint16_t> samples) {
    if (!pixelDataFits(file, state)) return false;
    const size_t count = static_cast<size_t>(state.rows) * static_cast<size_t>(state.columns);
    if (samples.size() != count) return false;
    std::vector<uint8_t> raw(static_cast<size_t>(dicomPixelBytes(state)));
    if (!file.read(state.pixelOffset, raw.data(), raw.size())) return false;

    const bool little = state.littleEndian != 0;
    const bool isSigned = state.pixelRepresentation != 0;
    const auto bits = static_cast<uint32_t>(state.bitsAllocated);
    if (bits == 16) {
        for (size_t i = 0; i < count; ++i) {
            const uint16_t v = readEndian16(&raw[2 * i], little);
            // Signed samples become offset binary: -32768 -> 0, -1 -> 32767.
            samples[i] = isSigned ? static_cast<uint16_t>(v + 0x8000) : v;
        }
    } else if (bits == 8) {
        for (size_t i = 0; i < count; ++i)
            samples[i] = isSigned ? static_cast<uint16_t>(static_cast<int8_t>(raw[i]) + 128)
                                  : uint16_t{raw[i]};
    } else {
        // Packed samples, bit after bit; the bytes after the last one count as 0.
        const uint32_t mask = (uint32_t{1} << bits) - 1;
        raw.resize(raw.size() + 2, 0);
        for (size_t i = 0; i < count; ++i) {
            const uint64_t first = static_cast<uint64_t>(i) * static_cast<uint64_t>(bits);
            const uint8_t* p = &raw[static_cast<size_t>(first / 8)];
            const uint32_t shift = static_cast<uint32_t>(first % 8);
            const uint32_t v =
                little ? readLittleEndian24(p) >> shift : readBigEndian24(p) >> (24 - shift - bits);
            samples[i] = static_cast<uint16_t>(v & mask);
        }
    }
    return true;
}

void ShiftDicomSamples(const DicomState& state, std::span<uint16_t> samples) {
    if (state.bitsAllocated < 1 || state.bitsAllocated > 15) return;
    const int shift = 16 - state.bitsAllocated;
    for (uint16_t& s : samples) s = static_cast<uint16_t>(s << shift);
}

const std::string& DicomHeaderText(const DicomState& state) {
    return state.headerText;
}

namespace {

DicomStatus decode(DicomSource& file, DicomState& state, std::vector<uint16_t>& samples) {
    if (ReadDicomHeader(file, state) != 0) return DicomStatus::Rejected;
    std::vector<uint16_t> read(static_cast<size_t>(state.rows) *
                               static_cast<size_t>(state.columns));
    if (!ReadDicomPixels(file, state, read)) return DicomStatus::Rejected;
    samples = std::move(read);
    return DicomStatus::Ok;
}

}  // namespace

DicomStatus readDicomFile(const std::string& path, DicomState& state,
                          std::vector<uint16_t>& samples) {
    std::unique_ptr<DicomSource> file = DicomSource::openFile(path);
    if (!file) return DicomStatus::CannotOpen;
    return decode(*file, state, samples);
}

DicomStatus decodeDicom(std::span<const uint8_t> bytes, DicomState& state,
                        std::vector<uint16_t>& samples) {
    DicomSource file(bytes);
    return decode(file, state, samples);
}
