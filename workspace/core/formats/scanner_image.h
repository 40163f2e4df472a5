// Images of MR and CT scanners in their vendors' own formats, behind one
// entry: ReadScannerImage. Each vendor module recognises its files by a
// magic, decodes its header into one common information record and reads
// the samples; here they are normalised to at most 12 significant bits.
//
// Files come from anywhere: every offset, size and count read from a header
// is checked against the header and the file before it is used, and nothing
// is allocated beyond what a 512 x 512 image and a bounded header need.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Codes of ReadScannerImage and ReadScannerInfo.
inline constexpr int kScannerOk = 0;
inline constexpr int kScannerOutOfMemory = 11;
inline constexpr int kScannerUnsupportedCompression = 13;
inline constexpr int kScannerCannotOpen = 42;  // also: a format id without a reader
inline constexpr int kScannerShortFile = 43;
inline constexpr int kScannerBadHeader = 46;
inline constexpr int kScannerTooLarge = 51;  // width or height above 512

// Format ids.
inline constexpr int kScannerBitmap = 1;
inline constexpr int kScannerDib = 2;
inline constexpr int kScannerUnformatted = 9;
inline constexpr int kScannerNumaris2 = 10;
inline constexpr int kScannerNumaris3 = 11;
inline constexpr int kScannerVision = 12;
inline constexpr int kScannerAcrNema = 13;
inline constexpr int kScannerGeAdvantage = 14;
inline constexpr int kScannerGeIdbm = 15;
inline constexpr int kScannerIgeYms = 16;
inline constexpr int kScannerBruker = 17;
inline constexpr int kScannerPicker = 18;

inline constexpr int32_t kMaxScannerSide = 512;
// Headers say how long they are; a longer one than this is not believed.
inline constexpr uint64_t kMaxScannerHeaderBytes = uint64_t{16} << 20;
// Reads go through pieces of this size.
inline constexpr size_t kScannerChunkBytes = 32768;

// The magic of a format id ("" for ids without one or without a row).
std::string_view scannerMagic(int formatId);
// True when `identification` begins with the magic of `formatId`, compared
// over the magic's length without regard to letter case; an empty magic
// accepts anything.
bool matchesScannerMagic(int formatId, std::string_view identification);

// What a header tells about its image, in one record for every format.
struct ScannerInfo {
    double pixelWidth = 1.0;  // mm: field of view / width
    double pixelHeight = 1.0;
    double sliceThickness = 1.0;
    double sliceGap = 1.0;
    double slicePosition = 0.0;
    double fieldOfViewX = 256.0;  // mm
    double fieldOfViewY = 256.0;
    uint32_t valueRange = 65536;
    int32_t lowestValue = 0;
    int32_t highestValue = 4095;
    int32_t thirdValue = 0;
    int32_t smallestSample = 0;  // after normalisation
    int32_t largestSample = 0;
    int32_t width = 256;  // as the header says
    int32_t height = 256;
    int32_t finalWidth = 0;  // of the samples handed back
    int32_t finalHeight = 0;
    int32_t formatId = 0;
    int32_t invert = 0;
    int32_t bitsAllocated = 16;
    int32_t bitsStored = 16;
    int32_t highBit = 15;
    int32_t pixelRepresentation = 0;  // 1: two's-complement samples
    std::string directory;
    std::string fileName;
    std::string fullPath;
    std::string compression = "none";
    std::string modality;
    std::string formatName;
    std::string identification;
    std::string manufacturer;
    std::string model;
    std::string institution;
    std::string station;
    std::string patientName;
    std::string patientId;
    std::string birthday;
    std::string sex;
    double weight = 0.0;  // kg
    std::string date;
    std::string time;
    std::string study;
    std::string series;
    std::string diagnosis;
    std::string sequenceType;
    std::string nucleus;
    std::string receivingCoil;
    std::string orientation;
    double fieldStrength = 0.0;   // T
    double repetitionTime = 0.0;  // ms
    double echoTime = 0.0;
    double inversionTime = 0.0;
    std::string comments;
};

// Texts of the record.
inline constexpr std::string_view kUnknownFormatName = "Unknown image file format";
// "Siemens NUMARIS 2" ... for the ids 10..18, kUnknownFormatName otherwise.
std::string_view scannerFormatName(int formatId);
// "Jan" ... "Dec" for 1..12, "" otherwise.
std::string_view monthName(int month);
// "%02d-%s-%02d" with the month's name; "" when day or month is out of range.
std::string formatScannerDate(int day, int month, int year);
std::string formatScannerTime(int hours, int minutes, int seconds);

// "Transversal" for 'A' or 'T', "Coronal" 'C', "Sagittal" 'S', "Oblique" 'O',
// "" for anything else.
std::string scannerOrientationName(char code);

// Parameters of unformatted data (id 9).
struct ScannerRawParameters {
    int32_t width = 256;
    int32_t height = 256;
    int32_t bits = 16;      // 8 or 16
    bool byteSwap = false;  // 16-bit samples stored big-endian
};

// Bytes of a file, from disk or memory; every read is checked and done in
// pieces of at most kScannerChunkBytes.
class ScannerSource {
  public:
    explicit ScannerSource(std::span<const uint8_t> bytes);
    // nullptr when the path cannot be opened as a regular file.
    static std::unique_ptr<ScannerSource> openFile(const std::string& path);
    ~ScannerSource();
    ScannerSource(const ScannerSource&) = delete;
    ScannerSource& operator=(const ScannerSource&) = delete;

    uint64_t size() const { return size_; }
    // False when the n bytes at offset are not all inside the file or a
    // piece comes back short.
    bool read(uint64_t offset, uint8_t* out, size_t n);
    // Reads up to n bytes at offset (fewer at the end of the file).
    bool readAvailable(uint64_t offset, std::vector<uint8_t>& out, size_t n);

  private:
    ScannerSource(std::FILE* file, uint64_t size);
    std::span<const uint8_t> memory_;
    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
};

// Reads n bytes in pieces of at most kScannerChunkBytes; false when any
// piece comes back short.
bool readChunked(std::FILE* file, uint8_t* out, size_t n);

// A header as read from its file, with where its pixels start.
struct ScannerHeader {
    std::vector<uint8_t> bytes;
    uint64_t pixelOffset = 0;
    uint64_t pixelLength = 0;  // bytes the header gives the pixels (0: up to the end)
    bool littleEndian = false;
};

// Width x height big-endian 16-bit samples at the header's pixel offset.
int readBigEndianPixels(ScannerSource& file, const ScannerHeader& header, const ScannerInfo& info,
                        std::vector<uint32_t>& samples);

// Fills `info` from the header of format `formatId` (the raw parameters
// serve unformatted data only, the path gives the file-name fields) and
// hands back the image's width and height. Returns 0 when the header is not
// accepted: a wrong magic, a width or height outside 16..1024 or an offset
// outside the header.
int DecodeScannerHeader(ScannerInfo& info, int formatId, std::span<const uint8_t> header,
                        const ScannerRawParameters& raw, const std::string& path, int32_t& width,
                        int32_t& height);

// Samples read from a file, at most 12 significant bits each.
struct ScannerImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint16_t> samples;  // width x height, row by row
};

// Reads the file of format `formatId`. Returns kScannerOk and fills each
// out-parameter that is given; on any other code the given ones are cleared.
int ReadScannerImage(const std::string& path, int formatId, ScannerImage* pixels,
                     std::vector<uint8_t>* header, ScannerInfo* info,
                     const ScannerRawParameters& raw = {});
// The same for a file held in memory.
int decodeScannerImage(std::span<const uint8_t> file, int formatId, ScannerImage* pixels,
                       std::vector<uint8_t>* header, ScannerInfo* info,
                       const ScannerRawParameters& raw = {}, const std::string& path = {});

// Reads only the header of the file, as the reader would, into a new
// record; ids 1 and 2 read a bitmap's file and info headers instead.
int ReadScannerInfo(const std::string& path, int formatId, ScannerInfo& info);
int decodeScannerInfo(std::span<const uint8_t> file, int formatId, ScannerInfo& info,
                      const std::string& path = {});

// Turns samples of any width into 16-bit ones of at most 12 bits: when the
// largest exceeds 4095 every sample becomes sample x 4095 / largest (integer
// arithmetic, so the largest becomes exactly 4095). Also gives the smallest
// and largest sample after the change.
void normaliseScannerSamples(std::span<const uint32_t> in, std::vector<uint16_t>& out,
                             int32_t& smallest, int32_t& largest);
