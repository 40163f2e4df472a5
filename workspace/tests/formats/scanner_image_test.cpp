#include "workspace/core/formats/scanner_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/testing/temp_dir.h"
#include "scanner_test_files.h"
#include "workspace/core/formats/byte_codec.h"
#include "workspace/core/formats/dicom_reader.h"
#include "workspace/core/formats/image_load.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/formats/scanner_ge.h"
#include "workspace/core/formats/scanner_picker.h"

using platform::testing::TempDir;
using namespace scanner_test;

namespace {

const std::string kVendorDir = std::string(VANTU_TEST_DATA) + "/vendor/";
const std::string kDicomDir = std::string(VANTU_TEST_DATA) + "/dicom/";

struct Read {
    int code = -1;
    ScannerImage image;
    ScannerInfo info;
    std::vector<uint8_t> header;
};

Read decode(const std::vector<uint8_t>& file, int id, const ScannerRawParameters& raw = {}) {
    Read r;
    r.code = decodeScannerImage(file, id, &r.image, &r.header, &r.info, raw, "/scans/a/b.img");
    return r;
}

// ---------------------------------------------------------------- real files

TEST(ScannerRealFiles, AcrNemaFileHasTheSamplesOfItsDicomSource) {
    Read r;
    r.code = ReadScannerImage(kVendorDir + "mr64_acr.img", kScannerAcrNema, &r.image, &r.header,
                              &r.info);
    ASSERT_EQ(r.code, kScannerOk);
    DicomState state;
    std::vector<uint16_t> dicom;
    ASSERT_EQ(readDicomFile(kDicomDir + "MR_small.dcm", state, dicom), DicomStatus::Ok);
    EXPECT_EQ(r.image.width, 64);
    EXPECT_EQ(r.image.height, 64);
    // MR_small.dcm keeps signed samples, which the DICOM reader moves up by 0x8000.
    ASSERT_EQ(dicom.size(), r.image.samples.size());
    for (size_t i = 0; i < dicom.size(); ++i) ASSERT_EQ(r.image.samples[i] + 0x8000, dicom[i]);
    EXPECT_EQ(r.info.smallestSample, 127);
    EXPECT_EQ(r.info.largestSample, 2145);
    EXPECT_EQ(r.info.pixelRepresentation, 1);
    EXPECT_EQ(r.info.formatName, "ACR NEMA");
    EXPECT_EQ(r.info.identification, "ACR-NEMA 2.0");
    EXPECT_EQ(r.info.modality, "MR");
    EXPECT_EQ(r.info.institution, "TOSHIBA");
    EXPECT_EQ(r.info.date, "26-Aug-2004");
    EXPECT_EQ(r.info.time, "18:50:59");
    EXPECT_EQ(r.info.fileName, "mr64_acr.img");
    EXPECT_EQ(r.info.finalWidth, 64);
    EXPECT_FALSE(r.header.empty());
    // The Siemens ids read the same family.
    EXPECT_EQ(
        ReadScannerImage(kVendorDir + "mr64_acr.img", kScannerNumaris2, nullptr, nullptr, nullptr),
        kScannerOk);
}

TEST(ScannerRealFiles, GenesisFileReadsItsBigEndianRows) {
    Read r;
    r.code = ReadScannerImage(kVendorDir + "ge_genesis_plain.xim", kScannerGeAdvantage, &r.image,
                              &r.header, &r.info);
    ASSERT_EQ(r.code, kScannerOk);
    ASSERT_EQ(r.image.samples.size(), 256u * 256u);
    // Sums of the samples after the 7904-byte header, taken with numpy.
    int64_t sum = 0;
    int64_t weighted = 0;
    for (size_t i = 0; i < r.image.samples.size(); ++i) {
        sum += r.image.samples[i];
        weighted += static_cast<int64_t>(i) * r.image.samples[i];
    }
    EXPECT_EQ(sum, 1488144);
    EXPECT_EQ(weighted, 59563277532);
    EXPECT_EQ(r.info.largestSample, 211);
    EXPECT_EQ(r.header.size(), 7904u);
    EXPECT_EQ(r.info.model, "SIGNA");
    EXPECT_EQ(r.info.modality, "MR");
    EXPECT_EQ(r.info.manufacturer, "General Electric");
    EXPECT_DOUBLE_EQ(r.info.fieldOfViewX, 300.0);
    EXPECT_DOUBLE_EQ(r.info.sliceThickness, 5.0);
    EXPECT_NEAR(r.info.repetitionTime, 24.2, 1e-9);
    EXPECT_EQ(r.info.receivingCoil, "FLEX6");
    EXPECT_NEAR(r.info.pixelWidth, 300.0 / 256, 1e-12);
}

TEST(ScannerRealFiles, LoaderOpensThemByTheirExtensions) {
    LoadedImage image;
    EXPECT_EQ(readImageSamples(6, kVendorDir + "mr64_acr.img", RawOptions{}, 0, image), 0);
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.scannerFormatId, kScannerAcrNema);
    EXPECT_EQ(readImageSamples(7, kVendorDir + "ge_genesis_plain.xim", RawOptions{}, 0, image), 0);
    EXPECT_EQ(image.width, 256);
    // GE IDBM refuses the Genesis file, so the dispatcher's second try fails cleanly.
    EXPECT_EQ(readImageSamples(8, kVendorDir + "ge_genesis_plain.xim", RawOptions{}, 0, image),
              kLoadScannerFailed);
    EXPECT_EQ(formatIndexesFor("x.XIM"), (std::vector<int>{7, 8}));
}

// ------------------------------------------------------------- common rules

TEST(ScannerCommon, MagicsCompareOverTheirLengthIgnoringCase) {
    EXPECT_TRUE(matchesScannerMagic(kScannerAcrNema, "acr-nema 1.0"));
    EXPECT_TRUE(matchesScannerMagic(kScannerGeAdvantage, "IMGF"));
    EXPECT_FALSE(matchesScannerMagic(kScannerGeAdvantage, "IMG"));
    EXPECT_FALSE(matchesScannerMagic(kScannerVision, "MAGNETOX"));
    EXPECT_TRUE(matchesScannerMagic(kScannerUnformatted, "anything"));
}

TEST(ScannerCommon, SamplesAboveTwelveBitsAreRescaledSoTheLargestIsExactly4095) {
    std::vector<uint16_t> out;
    int32_t lo = 0;
    int32_t hi = 0;
    normaliseScannerSamples(std::vector<uint32_t>{0, 4095, 8190}, out, lo, hi);
    EXPECT_EQ(out, (std::vector<uint16_t>{0, 2047, 4095}));
    EXPECT_EQ(hi, 4095);
    // Every maximum lands on 4095 (a floating-point quotient misses it for thousands).
    for (uint32_t max = 4096; max <= 70000; ++max) {
        normaliseScannerSamples(std::vector<uint32_t>{max / 3, max}, out, lo, hi);
        ASSERT_EQ(out[1], 4095) << max;
        ASSERT_EQ(out[0], uint64_t{max / 3} * 4095 / max);
    }
    // 24-bit samples too.
    normaliseScannerSamples(std::vector<uint32_t>{16777215, 1}, out, lo, hi);
    EXPECT_EQ(out, (std::vector<uint16_t>{4095, 0}));
    // At most 4095 nothing changes.
    normaliseScannerSamples(std::vector<uint32_t>{7, 4095}, out, lo, hi);
    EXPECT_EQ(out, (std::vector<uint16_t>{7, 4095}));
    EXPECT_EQ(lo, 7);
}

TEST(ScannerCommon, UnknownIdsAndMissingFilesGive42) {
    ScannerImage image;
    image.width = 5;
    EXPECT_EQ(ReadScannerImage("/no/such/file.ima", kScannerVision, &image, nullptr, nullptr),
              kScannerCannotOpen);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(decode(std::vector<uint8_t>(100000, 0), 3).code, kScannerCannotOpen);
    EXPECT_EQ(decode(std::vector<uint8_t>(100000, 0), 19).code, kScannerCannotOpen);
    TempDir dir;
    EXPECT_EQ(ReadScannerImage(dir.path(), kScannerVision, nullptr, nullptr, nullptr),
              kScannerCannotOpen);
}

TEST(ScannerCommon, DatesNeverIndexMonthNamesOutOfRange) {
    EXPECT_EQ(formatScannerDate(7, 5, 102), "07-May-102");
    EXPECT_EQ(formatScannerDate(1, 13, 95), "");
    EXPECT_EQ(formatScannerDate(1, 0, 95), "");
    EXPECT_EQ(formatScannerDate(32, 1, 95), "");
    int d = 0, m = 0, y = 0;
    geCalendarDate(1020764276, d, m, y);
    EXPECT_EQ((std::vector<int>{d, m, y}), (std::vector<int>{7, 5, 2002}));
    geCalendarDate(951782400, d, m, y);  // a leap day
    EXPECT_EQ((std::vector<int>{d, m, y}), (std::vector<int>{29, 2, 2000}));
    geCalendarDate(4102444799u, d, m, y);
    EXPECT_EQ((std::vector<int>{d, m, y}), (std::vector<int>{31, 12, 2099}));
}

TEST(ScannerCommon, ChunkedReadFailsOnAShortPiece) {
    TempDir dir;
    const std::string path = dir.path() + "/f";
    ASSERT_TRUE(platform::writeWholeFileAtomically(path, std::string(70000, 'x')));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> out(70001);
    EXPECT_TRUE(readChunked(f, out.data(), 70000));
    std::rewind(f);
    EXPECT_FALSE(readChunked(f, out.data(), 70001));
    std::fclose(f);
}

// ------------------------------------------------------------- number helpers

TEST(ScannerNumbers, IntegersFloatsAndTexts) {
    const uint8_t b[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    EXPECT_EQ(readBigEndian16(b), 0x1234);
    EXPECT_EQ(readBigEndian24(b), 0x123456u);
    EXPECT_EQ(readBigEndian32(b), 0x12345678u);
    EXPECT_EQ(readWordSwapped32(b), 0x56781234u);
    const uint8_t one[] = {0x3F, 0x80, 0, 0};
    EXPECT_EQ(readBigEndianFloat(one), 1.0f);
    const uint8_t d[] = {0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18};
    EXPECT_DOUBLE_EQ(readBigEndianDouble(d), 3.141592653589793);
    // The exponent sits 2 above IEEE's: 0x40800000 is 1.0; the VAX order
    // keeps the two 16-bit words little-endian.
    const uint8_t vax[] = {0x40, 0x80, 0, 0};
    EXPECT_EQ(readOffsetExponentFloat(vax, false), 1.0f);
    const uint8_t vaxSwapped[] = {0x80, 0x40, 0, 0};
    EXPECT_EQ(readOffsetExponentFloat(vaxSwapped, true), 1.0f);
    const uint8_t minusThree[] = {0xC1, 0x40, 0, 0};  // -1.5 x 2^(130 - 129)
    EXPECT_EQ(readOffsetExponentFloat(minusThree, false), -3.0f);
    const uint8_t zero[] = {0x00, 0x40, 0, 0};
    EXPECT_EQ(readOffsetExponentFloat(zero, false), 0.0f);
    // Three bytes, four 6-bit characters: M=13 V=22 A=1 R=18.
    const uint8_t mvar[] = {0x35, 0x60, 0x52};
    EXPECT_EQ(decodeSixBitText(mvar, 1), "MVAR");
    EXPECT_EQ(stripTrailing(std::string("ab \t\n\x01 ")), "ab");
}

TEST(ScannerNumbers, SixByteFloatsRoundTrip) {
    uint8_t b[6];
    for (double v : {0.0, 1.0, -1.0, 0.5, 1500.0, -0.003, 25.6, 1e-9, 123456.75}) {
        writeSixByteFloat(v, b);
        EXPECT_NEAR(readSixByteFloat(b), v, std::fabs(v) * 1.2e-7) << v;
    }
    // 1.0 is the fraction 0.5 (0x400000) times 2^1.
    writeSixByteFloat(1.0, b);
    EXPECT_EQ(readBigEndian24(b), 0x400000u);
    EXPECT_EQ(readBigEndian24(b + 3), 1u);
    writeSixByteFloat(-1.0, b);
    EXPECT_EQ(readBigEndian24(b), 0xC00000u);
    // Huge stored exponents give infinity or 0, not undefined behaviour.
    const uint8_t huge[] = {0x40, 0, 0, 0x7F, 0xFF, 0xFF};
    EXPECT_TRUE(std::isinf(readSixByteFloat(huge)));
    const uint8_t tiny[] = {0x40, 0, 0, 0x80, 0, 0};
    EXPECT_EQ(readSixByteFloat(tiny), 0.0);
}

TEST(ScannerNumbers, ByteViewNeverReadsOutside) {
    const std::vector<uint8_t> b = {'A', 'B', ' ', 0, 'C', 1, 2, 3};
    const ByteView v(b);
    EXPECT_EQ(v.text(0, 8), "AB");
    EXPECT_EQ(v.text(4, 100), "C");
    EXPECT_EQ(v.text(9, 2), "");
    EXPECT_EQ(v.be32(5), 0u);
    EXPECT_EQ(v.be16(6), 0x0203);
    EXPECT_FALSE(v.has(UINT64_MAX, 2));
    EXPECT_EQ(v.beDouble(1), 0.0);
}

// ----------------------------------------------------------------- ACR-NEMA

std::vector<uint8_t> acrFile(bool little, int bitsAllocated, int bitsStored, int highBit,
                             const std::vector<uint8_t>& pixels, uint32_t statedLength,
                             std::string_view photometric = "MONOCHROME2",
                             std::string_view compression = "", bool signedSamples = false) {
    AcrFile f(little);
    f.ul(0x0008, 0x0000, 60)
        .el(0x0008, 0x0010, "ACR-NEMA 1.0")
        .el(0x0008, 0x0020, "19950312")
        .el(0x0008, 0x0060, "CT")
        .el(0x0010, 0x0010, "Doe^Jane")
        .el(0x0018, 0x0050, "3.5")
        .el(0x0020, 0x0035, "0\\1\\0\\0\\0\\-1")
        .el(0x0020, 0x0030, "12.5\\-3\\7");
    f.el(0x0028, 0x0004, photometric)
        .us(0x0028, 0x0010, 16)
        .us(0x0028, 0x0011, 20)
        .el(0x0028, 0x0030, "0.5\\0.75");
    if (!compression.empty()) f.el(0x0028, 0x0060, compression);
    f.us(0x0028, 0x0100, static_cast<uint16_t>(bitsAllocated))
        .us(0x0028, 0x0101, static_cast<uint16_t>(bitsStored))
        .us(0x0028, 0x0102, static_cast<uint16_t>(highBit));
    if (signedSamples) f.us(0x0028, 0x0103, 1);
    f.pixels(pixels, statedLength);
    return f.data();
}

TEST(ScannerAcrNema, BothByteOrdersAndTheHeaderFields) {
    const std::vector<uint16_t> samples = ramp(20, 16);
    for (bool little : {true, false}) {
        AcrFile words(little);
        const std::vector<uint8_t> px = words.words(samples);
        Read r = decode(acrFile(little, 16, 12, 11, px, static_cast<uint32_t>(px.size())),
                        kScannerAcrNema);
        ASSERT_EQ(r.code, kScannerOk) << little;
        EXPECT_EQ(r.image.width, 20);
        EXPECT_EQ(r.image.height, 16);
        EXPECT_EQ(r.image.samples, samples);
        EXPECT_EQ(r.info.modality, "CT");
        EXPECT_EQ(r.info.patientName, "Doe^Jane");
        EXPECT_EQ(r.info.date, "12-Mar-1995");
        EXPECT_DOUBLE_EQ(r.info.sliceThickness, 3.5);
        EXPECT_DOUBLE_EQ(r.info.fieldOfViewX, 0.75 * 20);
        EXPECT_DOUBLE_EQ(r.info.pixelHeight, 0.5);
        // Rows along y, columns along -z: a sagittal slice at x = 12.5.
        EXPECT_EQ(r.info.orientation, "Sagittal");
        EXPECT_DOUBLE_EQ(r.info.slicePosition, 12.5);
        EXPECT_EQ(r.info.formatName, "ACR NEMA");
    }
}

TEST(ScannerAcrNema, SamplesAreShiftedInvertedAndMasked) {
    // 12 stored bits at the top of each word, with noise in the low 4 bits.
    std::vector<uint16_t> shifted(320);
    for (size_t i = 0; i < shifted.size(); ++i)
        shifted[i] = static_cast<uint16_t>((i * 9 % 4096) << 4 | (i % 16));
    AcrFile w(true);
    Read r = decode(acrFile(true, 16, 12, 15, w.words(shifted), 640), kScannerAcrNema);
    ASSERT_EQ(r.code, kScannerOk);
    for (size_t i = 0; i < shifted.size(); ++i) ASSERT_EQ(r.image.samples[i], i * 9 % 4096);

    // MONOCHROME1: the stored value is inverted within its bits.
    r = decode(acrFile(true, 16, 12, 15, w.words(shifted), 640, "MONOCHROME1"), kScannerAcrNema);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples[1], 4095 - 9);
    EXPECT_EQ(r.info.invert, 1);

    // Packed 12-bit samples straddle bytes: two samples in three bytes.
    std::vector<uint8_t> packed;
    for (size_t i = 0; i < 320; i += 2) {
        const uint32_t a = static_cast<uint32_t>(i * 7 % 4096);
        const uint32_t b = static_cast<uint32_t>((i + 1) * 7 % 4096);
        const uint32_t word = a | b << 12;
        packed.push_back(static_cast<uint8_t>(word));
        packed.push_back(static_cast<uint8_t>(word >> 8));
        packed.push_back(static_cast<uint8_t>(word >> 16));
    }
    r = decode(acrFile(true, 12, 12, 11, packed, 480), kScannerAcrNema);
    ASSERT_EQ(r.code, kScannerOk);
    for (size_t i = 0; i < 320; ++i) ASSERT_EQ(r.image.samples[i], i * 7 % 4096) << i;

    // 8-bit samples.
    std::vector<uint8_t> bytes(320);
    std::iota(bytes.begin(), bytes.end(), 0);
    r = decode(acrFile(false, 8, 8, 7, bytes, 320), kScannerAcrNema);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples[300], 300 % 256);
}

TEST(ScannerAcrNema, SignedSamplesAreTheirValuesUntilOneIsNegative) {
    // None negative: the samples as stored.
    std::vector<uint16_t> words(320, 0);
    words[1] = 905;
    words[2] = 0x07FF;
    AcrFile w(true);
    Read r = decode(acrFile(true, 16, 12, 11, w.words(words), 640, "MONOCHROME2", "", true),
                    kScannerAcrNema);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(std::vector<uint16_t>(r.image.samples.begin(), r.image.samples.begin() + 4),
              (std::vector<uint16_t>{0, 905, 2047, 0}));
    EXPECT_EQ(r.info.largestSample, 2047);

    // One negative: offset binary over the stored bits, whatever the bits
    // above them, so the order holds: the most negative value is 0, -1 lies
    // just below the middle.
    const uint16_t stored[] = {0xF800, 0xFFFF, 0x0000, 0x07FF, 0x0800};
    std::copy(std::begin(stored), std::end(stored), words.begin());
    r = decode(acrFile(true, 16, 12, 11, w.words(words), 640, "MONOCHROME2", "", true),
               kScannerAcrNema);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(std::vector<uint16_t>(r.image.samples.begin(), r.image.samples.begin() + 6),
              (std::vector<uint16_t>{0, 2047, 2048, 4095, 0, 2048}));
    EXPECT_EQ(r.info.smallestSample, 0);
    EXPECT_EQ(r.info.largestSample, 4095);

    std::vector<uint8_t> bytes(320, 0);
    bytes[0] = 0x80;
    bytes[1] = 0xFF;
    bytes[2] = 0x7F;
    r = decode(acrFile(false, 8, 8, 7, bytes, 320, "MONOCHROME2", "", true), kScannerAcrNema);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples[0], 0);
    EXPECT_EQ(r.image.samples[1], 127);
    EXPECT_EQ(r.image.samples[2], 255);
    EXPECT_EQ(r.image.samples[3], 128);
}

TEST(ScannerAcrNema, BadHeadersAndShortFiles) {
    AcrFile w(true);
    const std::vector<uint8_t> px = w.words(ramp(20, 16));
    // High bit below the stored bits.
    EXPECT_EQ(decode(acrFile(true, 16, 12, 10, px, 640), kScannerAcrNema).code, kScannerBadHeader);
    EXPECT_EQ(decode(acrFile(true, 32, 12, 11, px, 640), kScannerAcrNema).code, kScannerBadHeader);
    // A compressed image is not shown as garbage.
    EXPECT_EQ(
        decode(acrFile(true, 16, 12, 11, px, 640, "MONOCHROME2", "RLE"), kScannerAcrNema).code,
        kScannerUnsupportedCompression);
    EXPECT_EQ(
        decode(acrFile(true, 16, 12, 11, px, 640, "MONOCHROME2", "none"), kScannerAcrNema).code,
        kScannerOk);
    // Pixel data shorter than its element says, or than the image needs.
    std::vector<uint8_t> file = acrFile(true, 16, 12, 11, px, 640);
    file.resize(file.size() - 2);
    EXPECT_EQ(decode(file, kScannerAcrNema).code, kScannerShortFile);
    EXPECT_EQ(decode(acrFile(true, 16, 12, 11, px, 600), kScannerAcrNema).code, kScannerBadHeader);
    // A group length past the end of the file.
    file = acrFile(true, 16, 12, 11, px, 640);
    file[8] = 0xFF;
    file[9] = 0xFF;
    EXPECT_EQ(decode(file, kScannerAcrNema).code, kScannerBadHeader);
    // Another first group, no identification, a file of 5 bytes, no pixel data.
    file = acrFile(true, 16, 12, 11, px, 640);
    file[0] = 0x10;
    EXPECT_EQ(decode(file, kScannerAcrNema).code, kScannerBadHeader);
    AcrFile anonymous(true);
    anonymous.ul(0x0008, 0x0000, 4).us(0x0028, 0x0010, 16).us(0x0028, 0x0011, 20).pixels(px, 640);
    EXPECT_EQ(decode(anonymous.data(), kScannerAcrNema).code, kScannerBadHeader);
    EXPECT_EQ(decode({8, 0, 0, 0, 0}, kScannerAcrNema).code, kScannerShortFile);
    AcrFile noPixels(true);
    noPixels.ul(0x0008, 0x0000, 4).el(0x0008, 0x0010, "ACR-NEMA");
    EXPECT_EQ(decode(noPixels.data(), kScannerAcrNema).code, kScannerShortFile);
    // 1024 x 1024 passes the header check but not the size limit.
    AcrFile large(true);
    large.ul(0x0008, 0x0000, 4)
        .el(0x0008, 0x0010, "ACR-NEMA")
        .us(0x0028, 0x0010, 1024)
        .us(0x0028, 0x0011, 1024)
        .pixels({}, 0);
    EXPECT_EQ(decode(large.data(), kScannerAcrNema).code, kScannerTooLarge);
}

// ----------------------------------------------------------- Siemens Vision

std::vector<uint8_t> visionFile(int width, int height, int rangeExponent, int compression,
                                const std::vector<uint16_t>& samples) {
    Bytes h(6144);
    h.text(281, "MAGNETOM VISION").be32(92, 2).text(96, "SIEMENS").text(105, "Klinik");
    h.be16(4994, width).be16(4996, height).be16(5028, rangeExponent).be16(5018, compression);
    h.beDouble(3746, 250.0).beDouble(3738, 200.0).beDouble(1538, 4.0).beDouble(1554, 500.0);
    h.beDouble(1562, 15.0).beDouble(2560, 1.5).text(1767, "Head").text(768, "Muster^Max");
    h.be32(820, 2).be32(816, 29).be32(812, 2).be32(808, 1960).text(5814, "C");
    h.be32(5264, 0).be32(5272, 4095).text(5559, "1998-03-04").text(5571, "10:11:12");
    h.append(bigEndianSamples(samples));
    return h.data();
}

TEST(ScannerVision, ReadsItsHeaderAndSamples) {
    std::vector<uint16_t> s = ramp(32, 16);
    s[5] = 0x9000;  // bits outside the 12-bit range
    Read r = decode(visionFile(32, 16, 11, 1, s), kScannerVision);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples[4], 4);
    EXPECT_EQ(r.image.samples[5], 4095);
    EXPECT_EQ(r.info.valueRange, 4096u);
    EXPECT_EQ(r.info.bitsStored, 12);
    EXPECT_EQ(r.info.modality, "MR");
    EXPECT_EQ(r.info.model, "MAGNETOM VISION");
    EXPECT_EQ(r.info.birthday, "29-Feb-1960");
    EXPECT_EQ(r.info.sex, "M");
    EXPECT_EQ(r.info.orientation, "Coronal");
    EXPECT_DOUBLE_EQ(r.info.fieldOfViewX, 250.0);
    EXPECT_DOUBLE_EQ(r.info.pixelHeight, 200.0 / 16);
    EXPECT_DOUBLE_EQ(r.info.repetitionTime, 500.0);
    EXPECT_EQ(r.info.receivingCoil, "Head");
    EXPECT_EQ(r.header.size(), 6144u);
}

TEST(ScannerVision, RefusalsByCode) {
    const std::vector<uint16_t> s = ramp(32, 16);
    EXPECT_EQ(decode(visionFile(32, 16, 11, 2, s), kScannerVision).code, kScannerBadHeader);
    EXPECT_EQ(decode(visionFile(1024, 1024, 11, 1, {}), kScannerVision).code, kScannerTooLarge);
    EXPECT_EQ(decode(visionFile(1025, 16, 11, 1, s), kScannerVision).code, kScannerBadHeader);
    EXPECT_EQ(decode(visionFile(15, 16, 11, 1, s), kScannerVision).code, kScannerBadHeader);
    std::vector<uint8_t> file = visionFile(32, 16, 11, 1, s);
    file.resize(6143);
    EXPECT_EQ(decode(file, kScannerVision).code, kScannerShortFile);
    file = visionFile(32, 16, 11, 1, s);
    file.pop_back();
    EXPECT_EQ(decode(file, kScannerVision).code, kScannerShortFile);
    file = visionFile(32, 16, 11, 1, s);
    file[281] = 'X';
    EXPECT_EQ(decode(file, kScannerVision).code, kScannerBadHeader);
    // A range exponent of 65535 is held at 16 bits; a birthday month 13 is left out.
    file = visionFile(32, 16, 0xFFFF, 1, s);
    Read r = decode(file, kScannerVision);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.info.valueRange, 65536u);
    file[812 + 3] = 13;
    EXPECT_EQ(decode(file, kScannerVision).info.birthday, "");
}

// ------------------------------------------------------------- GE Advantage

TEST(ScannerGe, PlainSamplesOfBothDepthsAndTheHeaderBlocks) {
    GeFile ge;
    const std::vector<uint16_t> s = ramp(64, 32);
    Read r = decode(ge.build(bigEndianSamples(s)), kScannerGeAdvantage);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples, s);
    EXPECT_EQ(r.info.model, "SIGNA");
    EXPECT_EQ(r.info.institution, "Hospital");
    EXPECT_EQ(r.info.patientName, "Doe^John");
    EXPECT_EQ(r.info.sex, "F");
    EXPECT_DOUBLE_EQ(r.info.weight, 70.5);
    EXPECT_EQ(r.info.modality, "MR");
    EXPECT_DOUBLE_EQ(r.info.fieldStrength, 1.5);
    EXPECT_EQ(r.info.date, "07-May-102");
    EXPECT_EQ(r.info.time, "09:37:56");
    EXPECT_DOUBLE_EQ(r.info.fieldOfViewY, 240.0);  // y = x when 0
    EXPECT_NEAR(r.info.echoTime, 11.9, 1e-9);
    EXPECT_EQ(r.info.receivingCoil, "HEAD");

    ge.depth = 8;
    std::vector<uint8_t> bytes(64 * 32);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 3);
    r = decode(ge.build(bytes), kScannerGeAdvantage);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples[100], 300 % 256);
    EXPECT_EQ(r.info.bitsStored, 8);
}

TEST(ScannerGe, PackedRowsKeepTheirStoredPartAndFillTheRest) {
    GeFile ge;
    ge.compression = 2;
    ge.header.be32(64, 800).be32(68, 4 * 32).be32(32, 7);  // row table, background 7
    std::vector<uint16_t> expected(64 * 32, 7);
    std::vector<uint16_t> stored;
    for (int y = 0; y < 32; ++y) {
        // Row 31 says more than fits: it is cut at the width.
        const int left = y == 31 ? 60 : y;
        const int kept = y == 31 ? 100 : 64 - 2 * y;
        ge.header.be16(800 + 4 * y, left).be16(800 + 4 * y + 2, kept);
        const int fits = std::min(kept, 64 - left);
        for (int x = 0; x < fits; ++x) {
            const uint16_t v = static_cast<uint16_t>(1000 + y * 64 + x);
            expected[y * 64 + left + x] = v;
            stored.push_back(v);
        }
    }
    Read r = decode(ge.build(bigEndianSamples(stored)), kScannerGeAdvantage);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples, expected);
    EXPECT_EQ(r.info.compression, "packed");

    // Compressed then packed: the same rows through the difference code.
    ge.compression = 4;
    r = decode(ge.build(geCompress(stored)), kScannerGeAdvantage);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples, expected);
    EXPECT_EQ(r.info.compression, "packed/compressed");

    // A row table outside the header.
    ge.header.be32(64, 1000);
    EXPECT_EQ(decode(ge.build(geCompress(stored)), kScannerGeAdvantage).code, kScannerBadHeader);
}

TEST(ScannerGe, CompressedStreamUsesEveryByteClass) {
    std::vector<uint16_t> s = ramp(64, 32);
    // Steps of every size, both signs, and jumps.
    const int steps[] = {5, -3, 63, -64, 64, 300, -300, 8191, -8192, 9000, -20000, 0};
    int v = 20000;
    for (size_t i = 0; i < s.size(); ++i) {
        v = std::clamp(v + steps[i % 12], 0, 65535);
        s[i] = static_cast<uint16_t>(v);
    }
    const std::vector<uint8_t> code = geCompress(s);
    for (uint8_t lead : {0x05, 0x7D, 0x81, 0xBE, 0xC0})
        EXPECT_NE(std::find(code.begin(), code.end(), lead), code.end());
    GeFile ge;
    ge.compression = 3;
    Read r = decode(ge.build(code), kScannerGeAdvantage);
    ASSERT_EQ(r.code, kScannerOk);
    // Above 4095: rescaled by the largest.
    const uint16_t largest = *std::max_element(s.begin(), s.end());
    for (size_t i = 0; i < s.size(); ++i)
        ASSERT_EQ(r.image.samples[i], uint64_t{s[i]} * 4095 / largest) << i;

    // The stream ends early: a short file, and no read past the data.
    std::vector<uint8_t> cut(code.begin(), code.end() - 1);
    EXPECT_EQ(decode(ge.build(cut), kScannerGeAdvantage).code, kScannerShortFile);
    size_t pos = 0;
    uint16_t value = 0;
    uint32_t out[2];
    const std::vector<uint8_t> dangling = {0xC0, 0x01};
    EXPECT_FALSE(decodeGeCompressed(dangling, pos, value, 2, out));
}

TEST(ScannerGe, RefusalsByCode) {
    GeFile ge;
    const std::vector<uint8_t> px = bigEndianSamples(ramp(64, 32));
    ge.compression = 5;
    EXPECT_EQ(decode(ge.build(px), kScannerGeAdvantage).code, kScannerUnsupportedCompression);
    ge.compression = 1;
    ge.depth = 12;
    EXPECT_EQ(decode(ge.build(px), kScannerGeAdvantage).code, kScannerBadHeader);
    ge.depth = 16;
    // Header length beyond the file, below the fixed part.
    std::vector<uint8_t> file = ge.build(px);
    file[4] = 0x7F;
    EXPECT_EQ(decode(file, kScannerGeAdvantage).code, kScannerBadHeader);
    file = ge.build(px);
    file[6] = 0;
    file[7] = 100;
    EXPECT_EQ(decode(file, kScannerGeAdvantage).code, kScannerBadHeader);
    // Blocks at 80 (when flagged), 124, 132, 148 must start inside the header.
    for (size_t at : {124u, 132u, 148u}) {
        GeFile bad;
        bad.header.be32(at, 5000);
        EXPECT_EQ(decode(bad.build(px), kScannerGeAdvantage).code, kScannerBadHeader) << at;
    }
    GeFile values;
    values.header.be32(80, 1020).be32(84, 1);
    EXPECT_EQ(decode(values.build(px), kScannerGeAdvantage).code, kScannerBadHeader);
    values.header.be32(80, 900).be16(904, 2000).be16(906, 10).be16(908, 3000);
    Read r = decode(values.build(px), kScannerGeAdvantage);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.info.lowestValue, 10);
    EXPECT_EQ(r.info.highestValue, 3000);
    EXPECT_EQ(r.info.thirdValue, 2000);
    // Short pixel data, a short fixed header, another magic, 1024 x 1024.
    file = ge.build(px);
    file.pop_back();
    EXPECT_EQ(decode(file, kScannerGeAdvantage).code, kScannerShortFile);
    EXPECT_EQ(
        decode(std::vector<uint8_t>(file.begin(), file.begin() + 155), kScannerGeAdvantage).code,
        kScannerShortFile);
    file = ge.build(px);
    file[3] = 'X';
    EXPECT_EQ(decode(file, kScannerGeAdvantage).code, kScannerBadHeader);
    ge.width = ge.height = 1024;
    EXPECT_EQ(decode(ge.build({}), kScannerGeAdvantage).code, kScannerTooLarge);
}

// -------------------------------------------------------- GE IDBM, IGE-YMS

TEST(ScannerGeFixed, IdbmHeaderAndSamples) {
    Bytes h(14336);
    h.text(12, "0LD1").text(32, "General Hospital").text(3146, "SIG4");
    h.be16(5394, 32).be16(5396, 16).be16(5404, 0).be16(4392, 15000);
    h.be32(4398, 0x44800000);  // 256: exponent 137 = 8 + 129
    h.text(3180, "Roe^Richard").text(3232, "F").be32(3234, 64000).be16(3228, 42);
    h.text(4374, "S").text(4170, "03-MAR-91");
    const std::vector<uint16_t> s = ramp(32, 16);
    h.append(bigEndianSamples(s));
    Read r = decode(h.data(), kScannerGeIdbm);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples, s);
    EXPECT_EQ(r.info.formatName, "GE IDBM");
    EXPECT_EQ(r.info.station, "0LD1");
    EXPECT_EQ(r.info.model, "SIG4");
    EXPECT_EQ(r.info.valueRange, 65536u);
    EXPECT_DOUBLE_EQ(r.info.fieldOfViewX, 256.0);
    EXPECT_DOUBLE_EQ(r.info.fieldStrength, 1.5);
    EXPECT_EQ(r.info.birthday, "42 yrs");
    EXPECT_DOUBLE_EQ(r.info.weight, 64.0);
    EXPECT_EQ(r.info.orientation, "Sagittal");
    std::vector<uint8_t> file = h.data();
    file.resize(14335);
    EXPECT_EQ(decode(file, kScannerGeIdbm).code, kScannerShortFile);
    file = h.data();
    file[12] = 'O';  // the letter, not the digit
    EXPECT_EQ(decode(file, kScannerGeIdbm).code, kScannerBadHeader);
}

TEST(ScannerGeFixed, IgeYmsTextNumbersAndDates) {
    Bytes h(1792);
    h.text(256, "!STD").text(352, "GE Yokogawa").text(376, "MR Vectra");
    h.be16(1184, 16).be16(1186, 24).text(876, "25.6").text(880, "7.5");
    h.text(1035, "500 20 15").text(1072, "0.5").text(390, "1950/7/14");
    h.text(272, "1996/13/2").text(282, "8:5:3").text(348, "M");
    std::vector<uint16_t> s(16 * 24);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint16_t>(20 * i);
    h.append(bigEndianSamples(s));
    Read r = decode(h.data(), kScannerIgeYms);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.info.formatName, "IGE Yokogawa");
    EXPECT_EQ(r.info.compression, "compressed");
    EXPECT_DOUBLE_EQ(r.info.fieldOfViewX, 256.0);
    EXPECT_DOUBLE_EQ(r.info.sliceThickness, 7.5);
    EXPECT_DOUBLE_EQ(r.info.repetitionTime, 500.0);
    EXPECT_DOUBLE_EQ(r.info.inversionTime, 20.0);
    EXPECT_DOUBLE_EQ(r.info.echoTime, 15.0);
    EXPECT_EQ(r.info.birthday, "14-Jul-1950");
    EXPECT_EQ(r.info.date, "");  // month 13
    EXPECT_EQ(r.info.time, "08:05:03");
    EXPECT_EQ(r.info.largestSample, 4095);  // from 7660
    EXPECT_EQ(r.image.samples[383], 4095);
    EXPECT_EQ(r.image.samples[1], 20 * 4095 / 7660);
    std::vector<uint8_t> file = h.data();
    file.resize(1000);
    EXPECT_EQ(decode(file, kScannerIgeYms).code, kScannerShortFile);
}

// ------------------------------------------------------------------ Bruker

std::vector<uint8_t> brukerFile(uint32_t width, uint32_t height,
                                const std::vector<uint32_t>& samples) {
    Bytes h(13056);
    h.be24(768, 0x356052);  // "MVAR"
    h.be24(786, width).be24(783, height).be24(789, 70000).be24(792, 0);
    h.sixByte(837, 1500.0).sixByte(843, 30.0).sixByte(849, 0.0);
    h.sixByte(891, 25.0).sixByte(897, 4.0).sixByte(930, 1.25).sixByte(813, -12.5);
    h.be24(810, 0x500000);  // "T" then blanks of code 0 | 0x40
    const std::string name = "Smith";
    for (size_t i = 0; i < name.size(); ++i)
        h.data()[2310 + i] = static_cast<uint8_t>(name[i] + 128);
    h.data()[2349] = 'F' + 128;
    for (uint32_t s : samples) {
        const size_t at = h.size();
        h.be24(at, s);
    }
    return h.data();
}

TEST(ScannerBruker, TwentyFourBitSamplesAndSixByteNumbers) {
    std::vector<uint32_t> s(16 * 20);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint32_t>(i * 1000);
    Read r = decode(brukerFile(16, 20, s), kScannerBruker);
    ASSERT_EQ(r.code, kScannerOk);
    const uint32_t largest = 319000;
    EXPECT_EQ(r.image.samples[319], 4095);
    EXPECT_EQ(r.image.samples[100], uint64_t{100000} * 4095 / largest);
    EXPECT_EQ(r.info.identification, "MVAR");
    EXPECT_EQ(r.info.bitsStored, 24);
    EXPECT_DOUBLE_EQ(r.info.repetitionTime, 1500.0);
    EXPECT_DOUBLE_EQ(r.info.fieldOfViewX, 250.0);
    EXPECT_DOUBLE_EQ(r.info.sliceGap, 1.0);
    EXPECT_DOUBLE_EQ(r.info.slicePosition, -12.5);
    EXPECT_EQ(r.info.orientation, "Transversal");
    EXPECT_EQ(r.info.patientName, "Smith");
    EXPECT_EQ(r.info.sex, "F");
    EXPECT_EQ(r.info.highestValue, 70000);
    EXPECT_EQ(decode(brukerFile(16, 20, {}), kScannerBruker).code, kScannerShortFile);
    EXPECT_EQ(decode(brukerFile(0x800000, 20, s), kScannerBruker).code, kScannerBadHeader);
    EXPECT_EQ(decode(brukerFile(600, 20, {}), kScannerBruker).code, kScannerTooLarge);
}

TEST(ScannerBruker, SamplesAreUnsignedOverTheWholeTwentyFourBits) {
    // Spread over 0..2^24-1: the upper half is as valid as the lower, and the
    // rescale divides by the true largest sample.
    std::vector<uint32_t> s(40 * 30);
    const uint32_t top = (1u << 24) - 1;
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<uint32_t>(uint64_t{top} * i / (s.size() - 1));
    const Read r = decode(brukerFile(40, 30, s), kScannerBruker);
    ASSERT_EQ(r.code, kScannerOk);
    for (size_t i = 0; i < s.size(); ++i)
        ASSERT_EQ(r.image.samples[i], uint64_t{s[i]} * 4095 / top) << i;
    EXPECT_EQ(r.info.largestSample, 4095);
    EXPECT_EQ(r.info.valueRange, 1u << 24);
}

// ------------------------------------------------------------------ Picker

PickerFile pickerHeader(int width, int height) {
    PickerFile p;
    p.text("F*NAME", "scan0001");
    p.text("S*MODAL", "MR");
    p.integer("A*NCOLS", width);
    p.integer("A*NROWS", height);
    p.real("A*FIELD", 240.0f);
    p.real("AM*SLTHK", 6.0f);
    p.text("AM*IMGPL", "O");
    p.real("AM*GAUSS", 5000.0f);
    p.integer("AM*RTIME", 2000);
    p.text("P*NAME", "Poe^Edgar");
    p.text("P*SCANDT", "12-MAR-1995 10:23:45");
    p.text("A*PRDESC", "Brain survey");
    return p;
}

TEST(ScannerPicker, DirectoryValuesAndSamples) {
    const std::vector<uint16_t> s = ramp(24, 16);
    Bytes file;
    file.append(pickerHeader(24, 16).header()).append(bigEndianSamples(s));
    Read r = decode(file.data(), kScannerPicker);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples, s);
    EXPECT_EQ(r.info.modality, "MR");
    EXPECT_DOUBLE_EQ(r.info.fieldOfViewX, 240.0);
    EXPECT_DOUBLE_EQ(r.info.sliceThickness, 6.0);
    EXPECT_EQ(r.info.orientation, "Oblique");
    EXPECT_DOUBLE_EQ(r.info.fieldStrength, 0.5);
    EXPECT_DOUBLE_EQ(r.info.repetitionTime, 2000.0);
    EXPECT_EQ(r.info.patientName, "Poe^Edgar");
    EXPECT_EQ(r.info.date, "12-MAR-1995");
    EXPECT_EQ(r.info.time, "10:23:45");
    EXPECT_EQ(r.info.study, "Brain survey");
}

TEST(ScannerPicker, RefusalsByCode) {
    const std::vector<uint8_t> px = bigEndianSamples(ramp(24, 16));
    // No height.
    PickerFile noRows;
    noRows.text("F*NAME", "x");
    noRows.integer("A*NCOLS", 24);
    Bytes file;
    file.append(noRows.header()).append(px);
    EXPECT_EQ(decode(file.data(), kScannerPicker).code, kScannerBadHeader);
    // No F*NAME.
    PickerFile anonymous;
    anonymous.integer("A*NCOLS", 24);
    anonymous.integer("A*NROWS", 16);
    file = Bytes();
    file.append(anonymous.header()).append(px);
    EXPECT_EQ(decode(file.data(), kScannerPicker).code, kScannerBadHeader);

    std::vector<uint8_t> header = pickerHeader(24, 16).header();
    // Header length beyond the file.
    std::vector<uint8_t> bad = header;
    bad[4] = 0x10;
    EXPECT_EQ(decode(bad, kScannerPicker).code, kScannerBadHeader);
    // A section start beyond the header.
    bad = header;
    bad[8 + 4 * 3] = 0x7F;
    bad.insert(bad.end(), px.begin(), px.end());
    EXPECT_EQ(decode(bad, kScannerPicker).code, kScannerBadHeader);
    // A value that lies outside the header.
    PickerFile outside = pickerHeader(24, 16);
    outside.add("AM*SGAP", 4, {'1'}, 60000);
    file = Bytes();
    file.append(outside.header()).append(px);
    EXPECT_EQ(decode(file.data(), kScannerPicker).code, kScannerBadHeader);
    // Short file, short pixels.
    EXPECT_EQ(
        decode(std::vector<uint8_t>(header.begin(), header.begin() + 20), kScannerPicker).code,
        kScannerShortFile);
    EXPECT_EQ(decode(header, kScannerPicker).code, kScannerShortFile);
}

// ------------------------------------------------------------- unformatted

TEST(ScannerUnformatted, SizeMustMatchExactly) {
    ScannerRawParameters raw;
    raw.width = 20;
    raw.height = 16;
    raw.bits = 8;
    std::vector<uint8_t> bytes(320);
    std::iota(bytes.begin(), bytes.end(), 0);
    Read r = decode(bytes, kScannerUnformatted, raw);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples[300], 300 % 256);
    EXPECT_EQ(r.info.formatName, "Unknown image file format");
    EXPECT_EQ(r.info.compression, "none");
    bytes.push_back(0);
    EXPECT_EQ(decode(bytes, kScannerUnformatted, raw).code, kScannerBadHeader);
    raw.bits = 16;
    raw.byteSwap = true;
    const std::vector<uint16_t> s = ramp(20, 16);
    r = decode(bigEndianSamples(s), kScannerUnformatted, raw);
    ASSERT_EQ(r.code, kScannerOk);
    EXPECT_EQ(r.image.samples, s);
    raw.width = 600;
    EXPECT_EQ(decode(bigEndianSamples(s), kScannerUnformatted, raw).code, kScannerTooLarge);
}

// ----------------------------------------------------- header and info reads

TEST(ScannerHeaderDecode, GivesTheSizeAndTheDirectory) {
    GeFile ge;
    const std::vector<uint8_t> file = ge.build({});
    ScannerInfo info;
    int32_t w = 0;
    int32_t h = 0;
    EXPECT_EQ(
        DecodeScannerHeader(info, kScannerGeAdvantage, std::span<const uint8_t>(file.data(), 1024),
                            {}, "/a/b.xim", w, h),
        1);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 32);
    EXPECT_EQ(info.directory, "/a/");
    EXPECT_EQ(DecodeScannerHeader(info, kScannerVision, std::span<const uint8_t>(file.data(), 1024),
                                  {}, "", w, h),
              0);
}

TEST(ScannerHeaderDecode, InfoReadsTheHeaderOnly) {
    GeFile ge;
    ScannerInfo info;
    // No pixel data at all: the header still gives the record.
    EXPECT_EQ(decodeScannerInfo(ge.build({}), kScannerGeAdvantage, info), kScannerOk);
    EXPECT_EQ(info.model, "SIGNA");
    EXPECT_EQ(info.finalWidth, 64);
    EXPECT_EQ(ReadScannerInfo(kVendorDir + "mr64_acr.img", kScannerAcrNema, info), kScannerOk);
    EXPECT_EQ(info.institution, "TOSHIBA");
    EXPECT_EQ(ReadScannerInfo("/no/file", kScannerAcrNema, info), kScannerCannotOpen);
    // Bitmaps: a 40-byte info header is a Windows 3 DIB, a 12-byte one OS/2.
    Bytes bmp(54);
    bmp.text(0, "BM");
    bmp.data()[14] = 40;
    bmp.data()[18] = 10;
    bmp.data()[22] = 20;
    bmp.data()[28] = 8;
    EXPECT_EQ(decodeScannerInfo(bmp.data(), kScannerBitmap, info), kScannerOk);
    EXPECT_EQ(info.formatName, "Windows 3 DIB");
    EXPECT_EQ(info.width, 10);
    EXPECT_EQ(info.height, 20);
    bmp.data()[14] = 12;
    EXPECT_EQ(decodeScannerInfo(bmp.data(), kScannerDib, info), kScannerOk);
    EXPECT_EQ(info.formatName, "OS/2 PM");
    EXPECT_EQ(decodeScannerInfo(std::vector<uint8_t>(10, 'B'), kScannerBitmap, info),
              kScannerShortFile);
}

}  // namespace
