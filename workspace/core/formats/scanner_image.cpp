#include "workspace/core/formats/scanner_image.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <new>

#include "platform/files.h"
#include "platform/textformat.h"
#include "workspace/core/formats/byte_codec.h"
#include "workspace/core/formats/scanner_acr_nema.h"
#include "workspace/core/formats/scanner_bruker.h"
#include "workspace/core/formats/scanner_ge.h"
#include "workspace/core/formats/scanner_ge_idbm.h"
#include "workspace/core/formats/scanner_picker.h"
#include "workspace/core/formats/scanner_siemens.h"

namespace {

struct FormatRow {
    int id;
    std::string_view name;
    std::string_view magic;
};

constexpr FormatRow kFormats[] = {
    {kScannerNumaris2, "Siemens NUMARIS 2", "ACR-NEMA"},
    {kScannerNumaris3, "Siemens NUMARIS 3", "ACR-NEMA"},
    {kScannerVision, "Siemens Vision", "MAGNETOM"},
    {kScannerAcrNema, "ACR NEMA", "ACR-NEMA"},
    {kScannerGeAdvantage, "GE Advantage", "IMGF"},
    {kScannerGeIdbm, "GE IDBM", "0LD"},
    {kScannerIgeYms, "IGE Yokogawa", "!STD"},
    {kScannerBruker, "Bruker Aspect 3000", "MVAR"},
    {kScannerPicker, "Picker", "F*NAME"},
};

constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The three steps every format goes through.
struct Vendor {
    int (*readHeader)(ScannerSource&, ScannerHeader&);
    bool (*decode)(std::span<const uint8_t>, int, ScannerInfo&);
    int (*readPixels)(ScannerSource&, const ScannerHeader&, const ScannerInfo&,
                      std::vector<uint32_t>&);
};

bool vendorFor(int id, Vendor& vendor) {
    switch (id) {
        case kScannerNumaris2:
        case kScannerNumaris3:
        case kScannerAcrNema:
            vendor = {readAcrNemaHeader, decodeAcrNemaHeader, readAcrNemaPixels};
            return true;
        case kScannerVision:
            vendor = {readVisionHeader, decodeVisionHeader, readVisionPixels};
            return true;
        case kScannerGeAdvantage:
            vendor = {readGeAdvantageHeader, decodeGeAdvantageHeader, readGeAdvantagePixels};
            return true;
        case kScannerGeIdbm:
            vendor = {readGeIdbmHeader, decodeGeIdbmHeader, readBigEndianPixels};
            return true;
        case kScannerIgeYms:
            vendor = {readIgeYmsHeader, decodeIgeYmsHeader, readBigEndianPixels};
            return true;
        case kScannerBruker:
            vendor = {readBrukerHeader, decodeBrukerHeader, readBrukerPixels};
            return true;
        case kScannerPicker:
            vendor = {readPickerHeader, decodePickerHeader, readBigEndianPixels};
            return true;
        default:
            return false;
    }
}

void fillPath(ScannerInfo& info, const std::string& path) {
    info.fullPath = path;
    info.fileName = platform::fileNamePart(path);
    info.directory = path.substr(0, path.size() - info.fileName.size());
}

// The rules every header shares: a believable size, no field of view or
// thickness below 0.1 mm, and the pixel size from the field of view.
bool finishHeader(ScannerInfo& info) {
    if (info.width < 16 || info.width > 1024 || info.height < 16 || info.height > 1024)
        return false;
    if (!(info.fieldOfViewX >= 0.1)) info.fieldOfViewX = 0.1;
    if (!(info.fieldOfViewY >= 0.1)) info.fieldOfViewY = 0.1;
    if (!(info.sliceThickness >= 0.1)) info.sliceThickness = 0.1;
    info.pixelWidth = info.fieldOfViewX / info.width;
    info.pixelHeight = info.fieldOfViewY / info.height;
    return true;
}

bool decodeUnformatted(const ScannerRawParameters& raw, ScannerInfo& info) {
    info.formatName = std::string(kUnknownFormatName);
    info.compression = "none";
    info.width = raw.width;
    info.height = raw.height;
    info.bitsAllocated = info.bitsStored = raw.bits > 8 ? 16 : 8;
    info.highBit = info.bitsStored - 1;
    info.valueRange = 1u << info.bitsStored;
    return raw.width >= 1 && raw.height >= 1 && raw.width <= kMaxScannerSide &&
           raw.height <= kMaxScannerSide;
}

int readUnformatted(ScannerSource& file, const ScannerRawParameters& raw, ScannerInfo& info,
                    std::vector<uint32_t>& samples) {
    if (raw.width < 1 || raw.height < 1) return kScannerBadHeader;
    if (raw.width > kMaxScannerSide || raw.height > kMaxScannerSide) return kScannerTooLarge;
    const int bytesPer = raw.bits > 8 ? 2 : 1;
    const uint64_t count = static_cast<uint64_t>(raw.width) * static_cast<uint64_t>(raw.height);
    if (file.size() != count * static_cast<uint64_t>(bytesPer)) return kScannerBadHeader;
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * bytesPer);
    if (!file.read(0, bytes.data(), bytes.size())) return kScannerShortFile;
    samples.resize(static_cast<size_t>(count));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = bytesPer == 1  ? bytes[i]
                     : raw.byteSwap ? readBigEndian16(&bytes[2 * i])
                                    : readLittleEndian16(&bytes[2 * i]);
    decodeUnformatted(raw, info);
    return kScannerOk;
}

int decodeImage(ScannerSource& file, int formatId, ScannerImage* pixels,
                std::vector<uint8_t>* headerOut, ScannerInfo* infoOut,
                const ScannerRawParameters& raw, const std::string& path) {
    ScannerInfo info;
    info.formatId = formatId;
    fillPath(info, path);
    ScannerHeader header;
    std::vector<uint32_t> wide;
    int32_t width = 0;
    int32_t height = 0;
    if (formatId == kScannerUnformatted) {
        const int code = readUnformatted(file, raw, info, wide);
        if (code != kScannerOk) return code;
        width = raw.width;
        height = raw.height;
    } else {
        Vendor vendor;
        if (!vendorFor(formatId, vendor)) return kScannerCannotOpen;
        int code = vendor.readHeader(file, header);
        if (code != kScannerOk) return code;
        if (!DecodeScannerHeader(info, formatId, header.bytes, raw, path, width, height))
            return kScannerBadHeader;
        if (width > kMaxScannerSide || height > kMaxScannerSide) return kScannerTooLarge;
        code = vendor.readPixels(file, header, info, wide);
        if (code != kScannerOk) return code;
    }
    if (wide.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        return kScannerShortFile;

    ScannerImage image;
    image.width = width;
    image.height = height;
    normaliseScannerSamples(wide, image.samples, info.smallestSample, info.largestSample);
    info.finalWidth = width;
    info.finalHeight = height;
    if (pixels) *pixels = std::move(image);
    if (headerOut) *headerOut = std::move(header.bytes);
    if (infoOut) *infoOut = std::move(info);
    return kScannerOk;
}

void clearOutputs(ScannerImage* pixels, std::vector<uint8_t>* header, ScannerInfo* info) {
    if (pixels) *pixels = ScannerImage{};
    if (header) header->clear();
    if (info) *info = ScannerInfo{};
}

// Bitmap headers for the information window: 14 + 40 bytes.
int decodeBitmapInfo(ScannerSource& file, ScannerInfo& info) {
    uint8_t head[54];
    if (file.size() < 18) return kScannerShortFile;
    if (!file.read(0, head, 18)) return kScannerShortFile;
    if (head[0] != 'B' || head[1] != 'M') return kScannerBadHeader;
    const uint32_t infoSize = readLittleEndian32(head + 14);
    if (infoSize == 40) {
        if (!file.read(0, head, 54)) return kScannerShortFile;
        info.formatName = "Windows 3 DIB";
        info.width = static_cast<int32_t>(readLittleEndian32(head + 18));
        const int32_t h = static_cast<int32_t>(readLittleEndian32(head + 22));
        info.height = h == INT32_MIN ? INT32_MAX : (h < 0 ? -h : h);
        info.bitsAllocated = info.bitsStored = readLittleEndian16(head + 28);
        info.compression = readLittleEndian32(head + 30) == 0 ? "none" : "compressed";
    } else {
        if (!file.read(0, head, 26)) return kScannerShortFile;
        info.formatName = "OS/2 PM";
        info.width = readLittleEndian16(head + 18);
        info.height = readLittleEndian16(head + 20);
        info.bitsAllocated = info.bitsStored = readLittleEndian16(head + 24);
    }
    info.highBit = info.bitsStored - 1;
    info.finalWidth = info.width;
    info.finalHeight = info.height;
    return kScannerOk;
}

int decodeInfo(ScannerSource& file, int formatId, ScannerInfo& out, const std::string& path) {
    ScannerInfo info;
    info.formatId = formatId;
    fillPath(info, path);
    if (formatId == kScannerBitmap || formatId == kScannerDib) {
        const int code = decodeBitmapInfo(file, info);
        if (code == kScannerOk) out = std::move(info);
        return code;
    }
    Vendor vendor;
    if (!vendorFor(formatId, vendor)) return kScannerCannotOpen;
    ScannerHeader header;
    const int code = vendor.readHeader(file, header);
    if (code != kScannerOk) return code;
    int32_t width = 0;
    int32_t height = 0;
    if (!DecodeScannerHeader(info, formatId, header.bytes, {}, path, width, height))
        return kScannerBadHeader;
    info.finalWidth = width;
    info.finalHeight = height;
    out = std::move(info);
    return kScannerOk;
}

}  // namespace

std::string_view scannerMagic(int formatId) {
    for (const FormatRow& row : kFormats)
        if (row.id == formatId) return row.magic;
    return {};
}

bool matchesScannerMagic(int formatId, std::string_view identification) {
    const std::string_view magic = scannerMagic(formatId);
    if (identification.size() < magic.size()) return false;
    for (size_t i = 0; i < magic.size(); ++i)
        if (platform::upperAscii(identification[i]) != platform::upperAscii(magic[i])) return false;
    return true;
}

std::string_view scannerFormatName(int formatId) {
    for (const FormatRow& row : kFormats)
        if (row.id == formatId) return row.name;
    return kUnknownFormatName;
}

std::string_view monthName(int month) {
    return month >= 1 && month <= 12 ? kMonths[month - 1] : std::string_view{};
}

std::string formatScannerDate(int day, int month, int year) {
    if (day < 1 || day > 31 || month < 1 || month > 12) return {};
    char text[48];
    std::snprintf(text, sizeof text, "%02d-%s-%02d", day, monthName(month).data(), year);
    return text;
}

std::string formatScannerTime(int hours, int minutes, int seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds);
    return text;
}

std::string scannerOrientationName(char code) {
    switch (code) {
        case 'A':
        case 'T':
            return "Transversal";
        case 'C':
            return "Coronal";
        case 'S':
            return "Sagittal";
        case 'O':
            return "Oblique";
        default:
            return {};
    }
}

ScannerSource::ScannerSource(std::span<const uint8_t> bytes)
    : memory_(bytes), size_(bytes.size()) {}

ScannerSource::ScannerSource(std::FILE* file, uint64_t size) : file_(file), size_(size) {}

ScannerSource::~ScannerSource() {
    if (file_) std::fclose(file_);
}

std::unique_ptr<ScannerSource> ScannerSource::openFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return std::unique_ptr<ScannerSource>(
        new ScannerSource(file, static_cast<uint64_t>(info.st_size)));
}

bool readChunked(std::FILE* file, uint8_t* out, size_t n) {
    while (n > 0) {
        const size_t piece = std::min(n, kScannerChunkBytes);
        if (std::fread(out, 1, piece, file) != piece) return false;
        out += piece;
        n -= piece;
    }
    return true;
}

bool ScannerSource::read(uint64_t offset, uint8_t* out, size_t n) {
    if (offset > size_ || n > size_ - offset) return false;
    if (!file_) {
        std::copy_n(memory_.data() + offset, n, out);
        return true;
    }
    if (::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return readChunked(file_, out, n);
}

bool ScannerSource::readAvailable(uint64_t offset, std::vector<uint8_t>& out, size_t n) {
    const uint64_t avail = offset < size_ ? size_ - offset : 0;
    out.resize(static_cast<size_t>(std::min<uint64_t>(avail, n)));
    return read(offset, out.data(), out.size());
}

int readBigEndianPixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                        std::vector<uint32_t>& samples) {
    const uint64_t count = static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height);
    std::vector<uint8_t> bytes(static_cast<size_t>(count * 2));
    if (!file.read(header.pixelOffset, bytes.data(), bytes.size())) return kScannerShortFile;
    samples.resize(static_cast<size_t>(count));
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = readBigEndian16(&bytes[2 * i]);
    return kScannerOk;
}

int DecodeScannerHeader(ScannerInfo& info, int formatId, std::span<const uint8_t> header,
                        const ScannerRawParameters& raw, const std::string& path, int32_t& width,
                        int32_t& height) {
    info.formatId = formatId;
    if (info.fullPath.empty()) fillPath(info, path);
    bool accepted = false;
    if (formatId == kScannerUnformatted) {
        accepted = decodeUnformatted(raw, info);
    } else {
        Vendor vendor;
        if (vendorFor(formatId, vendor)) {
            info.formatName = std::string(scannerFormatName(formatId));
            accepted = vendor.decode(header, formatId, info) && finishHeader(info);
        }
    }
    if (!accepted) return 0;
    width = info.width;
    height = info.height;
    return 1;
}

void normaliseScannerSamples(std::span<const uint32_t> in, std::vector<uint16_t>& out,
                             int32_t& smallest, int32_t& largest) {
    out.resize(in.size());
    uint32_t lo = UINT32_MAX;
    uint32_t hi = 0;
    for (uint32_t s : in) {
        lo = std::min(lo, s);
        hi = std::max(hi, s);
    }
    if (in.empty()) lo = 0;
    if (hi > 4095) {
        // s' = s x 4095 / max in integers: the largest lands exactly on 4095.
        for (size_t i = 0; i < in.size(); ++i)
            out[i] = static_cast<uint16_t>(uint64_t{in[i]} * 4095 / hi);
        lo = static_cast<uint32_t>(uint64_t{lo} * 4095 / hi);
        hi = 4095;
    } else {
        for (size_t i = 0; i < in.size(); ++i) out[i] = static_cast<uint16_t>(in[i]);
    }
    smallest = static_cast<int32_t>(lo);
    largest = static_cast<int32_t>(hi);
}

int decodeScannerImage(std::span<const uint8_t> file, int formatId, ScannerImage* pixels,
                       std::vector<uint8_t>* header, ScannerInfo* info,
                       const ScannerRawParameters& raw, const std::string& path) {
    int code = kScannerOk;
    try {
        ScannerSource source(file);
        code = decodeImage(source, formatId, pixels, header, info, raw, path);
    } catch (const std::bad_alloc&) {
        code = kScannerOutOfMemory;
    }
    if (code != kScannerOk) clearOutputs(pixels, header, info);
    return code;
}

int ReadScannerImage(const std::string& path, int formatId, ScannerImage* pixels,
                     std::vector<uint8_t>* header, ScannerInfo* info,
                     const ScannerRawParameters& raw) {
    int code = kScannerCannotOpen;
    try {
        if (auto source = ScannerSource::openFile(path))
            code = decodeImage(*source, formatId, pixels, header, info, raw, path);
    } catch (const std::bad_alloc&) {
        code = kScannerOutOfMemory;
    }
    if (code != kScannerOk) clearOutputs(pixels, header, info);
    return code;
}

int decodeScannerInfo(std::span<const uint8_t> file, int formatId, ScannerInfo& info,
                      const std::string& path) {
    try {
        ScannerSource source(file);
        return decodeInfo(source, formatId, info, path);
    } catch (const std::bad_alloc&) {
        return kScannerOutOfMemory;
    }
}

int ReadScannerInfo(const std::string& path, int formatId, ScannerInfo& info) {
    try {
        auto source = ScannerSource::openFile(path);
        if (!source) return kScannerCannotOpen;
        return decodeInfo(*source, formatId, info, path);
    } catch (const std::bad_alloc&) {
        return kScannerOutOfMemory;
    }
}
