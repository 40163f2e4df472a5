#include "workspace/core/formats/dicom_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/testing/temp_dir.h"
#include "workspace/core/formats/image_load.h"
#include "workspace/core/image/image_plane.h"

using platform::testing::TempDir;

namespace {

const std::string kDataDir = std::string(VANTU_TEST_DATA) + "/dicom/";

constexpr std::string_view kImplicitLE = "1.2.840.10008.1.2";
constexpr std::string_view kExplicitLE = "1.2.840.10008.1.2.1";
constexpr std::string_view kExplicitBE = "1.2.840.10008.1.2.2";

bool isLongVr(std::string_view vr) {
    for (std::string_view v :
         {"OB", "OD", "OF", "OL", "OV", "OW", "SQ", "SV", "UC", "UN", "UR", "UT", "UV"})
        if (v == vr) return true;
    return false;
}

// Builds a DICOM file byte by byte. Tags, lengths and the number helpers
// follow the current byte order; the meta group is always little-endian.
class DicomBytes {
  public:
    explicit DicomBytes(bool preamble = true) {
        if (preamble) {
            data_.assign(128, '\0');
            data_ += "DICM";
        }
    }

    DicomBytes& bigEndian() {
        little_ = false;
        return *this;
    }

    // (0002,0000) with the group's length, then (0002,0010).
    DicomBytes& meta(std::string_view syntax) {
        std::string uid(syntax);
        if (uid.size() % 2) uid += '\0';
        std::string group = le16(0x0002) + le16(0x0010) + "UI" + le16(uid.size()) + uid;
        data_ += le16(0x0002) + le16(0x0000) + "UL" + le16(4) + le32(group.size()) + group;
        return *this;
    }

    // An explicit-VR element with its value, in the short or long form of its VR.
    DicomBytes& el(uint16_t group, uint16_t element, std::string_view vr, std::string_view value) {
        data_ += tag(group, element);
        data_ += vr;
        if (isLongVr(vr)) {
            data_ += std::string(2, '\0') + u32(static_cast<uint32_t>(value.size()));
        } else {
            data_ += u16(static_cast<uint16_t>(value.size()));
        }
        data_ += value;
        return *this;
    }
    // An explicit long-form header with any length (undefined, lying, ...).
    DicomBytes& longHeader(uint16_t group, uint16_t element, std::string_view vr, uint32_t length) {
        data_ += tag(group, element);
        data_ += vr;
        data_ += std::string(2, '\0') + u32(length);
        return *this;
    }
    DicomBytes& imp(uint16_t group, uint16_t element, std::string_view value) {
        data_ += tag(group, element) + u32(static_cast<uint32_t>(value.size()));
        data_ += value;
        return *this;
    }
    // An implicit-VR (or item) header with any length.
    DicomBytes& impHeader(uint16_t group, uint16_t element, uint32_t length) {
        data_ += tag(group, element) + u32(length);
        return *this;
    }
    DicomBytes& raw(std::string_view bytes) {
        data_ += bytes;
        return *this;
    }

    // Rows, Columns, BitsAllocated and PixelRepresentation as explicit US.
    DicomBytes& geometry(uint16_t rows, uint16_t columns, uint16_t bits,
                         uint16_t representation = 0) {
        el(0x0028, 0x0010, "US", u16(rows));
        el(0x0028, 0x0011, "US", u16(columns));
        el(0x0028, 0x0100, "US", u16(bits));
        return el(0x0028, 0x0103, "US", u16(representation));
    }

    std::string u16(uint32_t v) const {
        const auto a = static_cast<char>(v & 0xFF), b = static_cast<char>((v >> 8) & 0xFF);
        return little_ ? std::string{a, b} : std::string{b, a};
    }
    std::string u32(uint32_t v) const {
        return little_ ? u16(v & 0xFFFF) + u16(v >> 16) : u16(v >> 16) + u16(v & 0xFFFF);
    }
    std::string words(const std::vector<uint16_t>& values) const {
        std::string out;
        for (uint16_t v : values) out += u16(v);
        return out;
    }
    std::string tag(uint16_t group, uint16_t element) const { return u16(group) + u16(element); }

    const std::string& str() const { return data_; }

  private:
    static std::string le16(size_t v) {
        return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    }
    static std::string le32(size_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

    std::string data_;
    bool little_ = true;
};

std::span<const uint8_t> asBytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

struct Decoded {
    DicomStatus status = DicomStatus::CannotOpen;
    DicomState state;
    std::vector<uint16_t> samples;
};

// Reads the bytes from memory and through a file; both ways must agree.
Decoded decode(const std::string& bytes) {
    Decoded memory;
    memory.status = decodeDicom(asBytes(bytes), memory.state, memory.samples);
    TempDir dir;
    Decoded file;
    file.status = readDicomFile(dir.write("image.dcm", bytes), file.state, file.samples);
    EXPECT_EQ(file.status, memory.status);
    EXPECT_EQ(file.samples, memory.samples);
    EXPECT_EQ(file.state.headerText, memory.state.headerText);
    EXPECT_EQ(file.state.rows, memory.state.rows);
    EXPECT_EQ(file.state.columns, memory.state.columns);
    return memory;
}

Decoded readFile(const std::string& name) {
    Decoded d;
    d.status = readDicomFile(kDataDir + name, d.state, d.samples);
    return d;
}

uint64_t sum(const std::vector<uint16_t>& samples) {
    return std::accumulate(samples.begin(), samples.end(), uint64_t{0});
}

std::vector<uint16_t> firstFive(const std::vector<uint16_t>& samples) {
    return {samples.begin(), samples.begin() + std::min<size_t>(5, samples.size())};
}

void expectFacts(const Decoded& d, int32_t columns, int32_t rows, uint16_t min, uint16_t max,
                 uint64_t total, std::vector<uint16_t> first) {
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.columns, columns);
    EXPECT_EQ(d.state.rows, rows);
    ASSERT_EQ(d.samples.size(), static_cast<size_t>(columns) * static_cast<size_t>(rows));
    EXPECT_EQ(*std::min_element(d.samples.begin(), d.samples.end()), min);
    EXPECT_EQ(*std::max_element(d.samples.begin(), d.samples.end()), max);
    EXPECT_EQ(sum(d.samples), total);
    EXPECT_EQ(firstFive(d.samples), first);
}

// ---- Real files -------------------------------------------------------------

// Signed samples are stored +32768: CT min 128 -> 32896, and the sum grows by
// 32768 per sample.
TEST(DicomRealFiles, SignedCtLoadsAsOffsetBinary) {
    Decoded d = readFile("CT_small.dcm");
    expectFacts(d, 128, 128, 32896, 34959, 14826310 + 16384ull * 32768,
                {32943, 32948, 32934, 32911, 32907});
    EXPECT_EQ(d.state.bitsAllocated, 16);
    EXPECT_EQ(d.state.bitsStored, 16);
    EXPECT_EQ(d.state.highBit, 15);
    EXPECT_EQ(d.state.pixelRepresentation, 1);
    EXPECT_EQ(d.state.transferSyntax, kExplicitLE);
}

TEST(DicomRealFiles, SignedMrLoadsAsOffsetBinary) {
    Decoded d = readFile("MR_small.dcm");
    expectFacts(d, 64, 64, 32895, 34913, 2125338 + 4096ull * 32768,
                {33673, 33787, 33995, 34027, 33529});
}

TEST(DicomRealFiles, ImplicitMrGivesTheSamePixelsAndHeaderText) {
    Decoded d = readFile("MR_small_implicit.dcm");
    expectFacts(d, 64, 64, 32895, 34913, 2125338 + 4096ull * 32768,
                {33673, 33787, 33995, 34027, 33529});
    EXPECT_EQ(d.state.transferSyntax, kImplicitLE);
    EXPECT_EQ(d.samples, readFile("MR_small.dcm").samples);
    EXPECT_EQ(DicomHeaderText(d.state), DicomHeaderText(readFile("MR_small.dcm").state));
}

TEST(DicomRealFiles, UnsignedEightBitLoadsAsStored) {
    Decoded d = readFile("OT_512_8bit.dcm");
    expectFacts(d, 512, 512, 0, 255, 33322688, {213, 213, 213, 213, 213});
    EXPECT_EQ(d.state.bitsAllocated, 8);
    EXPECT_EQ(d.state.pixelRepresentation, 0);
}

TEST(DicomRealFiles, TruncatedPixelDataIsRefused) {
    std::vector<uint16_t> samples = {7};
    DicomState state;
    EXPECT_EQ(readDicomFile(kDataDir + "MR_truncated.dcm", state, samples), DicomStatus::Rejected);
    EXPECT_EQ(samples, std::vector<uint16_t>{7});
}

TEST(DicomRealFiles, MrHeaderTextFollowsTheTable) {
    Decoded d = readFile("MR_small.dcm");
    EXPECT_EQ(DicomHeaderText(d.state),
              "\r\nImage Type:\tDERIVED\\SECONDARY\\OTHER "
              "\r\nStudy Date:\t20040826"
              "\r\nImage Modality:\tMR"
              "\r\nManufacturer:\tTOSHIBA_MEC "
              "\r\nInstitution:\tTOSHIBA "
              "\r\nStation:\t000000000 "
              "\r\nModel:\tMRT50H1 "
              "\r\n\r\nPatient Name:\tCompressedSamples^MR1 "
              "\r\nPatient ID:\t4MR1"
              "\r\nBirthday:\t"
              "\r\nSex:\tF "
              "\r\nWeight:\t80.0000  kg"
              "\r\nSequence:\tSE"
              "\r\nSequence Variant:\tNONE"
              "\r\nScan Options:\t"
              "\r\nAcquisition Type:\t3D"
              "\r\nSlice Thickness:\t0.8000 mm"
              "\r\nRepetition Time:\t4000.0000  ms"
              "\r\nEcho Time:\t240.0000 ms"
              "\r\nAverages:\t1.0000"
              "\r\nNucleus:\tH ");
}

// The CT file holds a sequence of defined length among the patient elements:
// the walk must step over it and still collect what follows.
TEST(DicomRealFiles, CtWalkStepsOverItsSequence) {
    const Decoded d = readFile("CT_small.dcm");
    const std::string& text = DicomHeaderText(d.state);
    EXPECT_NE(text.find("\r\nAge:\t000Y\r\nWeight:\t0.000000 kg"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nSlice Spacing:\t5.000000 mm"), std::string::npos) << text;
}

TEST(DicomRealFiles, FileAndMemoryReadsAgree) {
    for (const char* name : {"CT_small.dcm", "OT_512_8bit.dcm", "MR_truncated.dcm"}) {
        auto bytes = platform::readWholeFile(kDataDir + name, 1 << 20);
        ASSERT_TRUE(bytes) << name;
        Decoded fromFile = readFile(name);
        Decoded fromMemory = decode(*bytes);
        EXPECT_EQ(fromMemory.status, fromFile.status) << name;
        EXPECT_EQ(fromMemory.samples, fromFile.samples) << name;
    }
}

// ---- The loader -------------------------------------------------------------

TEST(DicomLoading, BothDicomIndexesLoadWithGeometrySamplesAndHeaderText) {
    for (int index : {12, 13}) {
        LoadedImage image;
        image.featurePrefix = "R_";
        image.loadedColourMode = 3;
        ASSERT_EQ(readImageSamples(index, kDataDir + "MR_small.dcm", RawOptions{}, 3, image), 0);
        EXPECT_EQ(image.width, 64);
        EXPECT_EQ(image.height, 64);
        EXPECT_EQ(image.loadedColourMode, 0u);
        EXPECT_EQ(image.featurePrefix, "");
        EXPECT_EQ(std::vector<uint16_t>(image.samples.begin(), image.samples.end()),
                  readFile("MR_small.dcm").samples);
        EXPECT_EQ(image.headerText, DicomHeaderText(readFile("MR_small.dcm").state));
    }
}

TEST(DicomLoading, WidthIsColumnsAndHeightIsRows) {
    DicomBytes f;
    f.meta(kExplicitLE).geometry(2, 3, 8).el(0x7FE0, 0x0010, "OB", "abcdef");
    TempDir dir;
    LoadedImage image;
    ASSERT_EQ(readImageSamples(13, dir.write("a.dcm", f.str()), RawOptions{}, 0, image), 0);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.samples, (PlaneWords{'a', 'b', 'c', 'd', 'e', 'f'}));
    EXPECT_EQ(image.headerText, "");
}

TEST(DicomLoading, RefusedAndMissingFilesFailWithCode12AndLeaveTheImage) {
    for (const std::string& path :
         {kDataDir + "MR_truncated.dcm", std::string("/no/file.dcm"), kDataDir}) {
        LoadedImage image;
        image.width = 5;
        image.samples = {1, 2};
        EXPECT_EQ(readImageSamples(12, path, RawOptions{}, 0, image), kLoadDicomRejected) << path;
        EXPECT_EQ(image.width, 5);
        EXPECT_EQ(image.samples, (PlaneWords{1, 2}));
    }
}

// ---- Element walk -----------------------------------------------------------

TEST(DicomWalk, ImplicitFileWithoutPreambleIsReadFromOffsetZero) {
    DicomBytes f(false);
    f.imp(0x0008, 0x0060, "MR")
        .imp(0x0028, 0x0010, f.u16(2))
        .imp(0x0028, 0x0011, f.u16(3))
        .imp(0x0028, 0x0100, f.u16(16))
        .imp(0x7FE0, 0x0010, f.words({1, 2, 3, 4, 5, 0xFFFF}));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.rows, 2);
    EXPECT_EQ(d.state.columns, 3);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{1, 2, 3, 4, 5, 0xFFFF}));
    EXPECT_EQ(d.state.headerText, "\r\nImage Modality:\tMR");
}

TEST(DicomWalk, ExplicitFileSkipsTheMetaGroupAndParsesTextGeometry) {
    DicomBytes f;
    f.meta(kExplicitLE)
        .el(0x0028, 0x0010, "IS", "2 ")
        .el(0x0028, 0x0011, "DS", "3.0 ")
        .el(0x0028, 0x0100, "IS", "16")
        .el(0x7FE0, 0x0010, "OW", f.words({10, 20, 30, 40, 50, 60}));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.rows, 2);
    EXPECT_EQ(d.state.columns, 3);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(d.state.transferSyntax, kExplicitLE);
}

// A meta group without its group length is walked element by element.
TEST(DicomWalk, MetaGroupWithoutGroupLengthIsWalked) {
    DicomBytes f;
    f.el(0x0002, 0x0010, "UI", std::string(kImplicitLE) + '\0');
    f.imp(0x0028, 0x0010, f.u16(1))
        .imp(0x0028, 0x0011, f.u16(1))
        .imp(0x7FE0, 0x0010, f.words({0x1234}));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.transferSyntax, kImplicitLE);
    EXPECT_EQ(d.samples, std::vector<uint16_t>{0x1234});
}

// In an implicit-VR file a length may look like a VR ("OO" = 0x4F4F); the
// transfer syntax says there is none, so the walk stays in step and does not
// see the fake Rows inside the value.
TEST(DicomWalk, ImplicitSyntaxNeverTakesALengthForAVr) {
    DicomBytes f;
    std::string value(0x4F4F, 'x');
    const std::string fake = f.tag(0x0028, 0x0010) + f.u32(2) + f.u16(7);
    value.replace(100, fake.size(), fake);
    f.meta(kImplicitLE)
        .imp(0x0009, 0x1001, value)
        .imp(0x0008, 0x0070, "ACME")
        .imp(0x0028, 0x0010, f.u16(1))
        .imp(0x0028, 0x0011, f.u16(2))
        .imp(0x7FE0, 0x0010, f.words({5, 6}));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.rows, 1);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{5, 6}));
    EXPECT_EQ(d.state.headerText, "\r\nManufacturer:\tACME");
}

// Mend: OB, OW, OF, SQ, UT, UN (and the later long VRs) have two reserved
// bytes and a 32-bit length. Read with a 16-bit length the walk would land in
// the values below, which hold a fake Rows of 9.
TEST(DicomWalk, LongFormVrsKeepTheWalkInStep) {
    DicomBytes f;
    const std::string fake = f.tag(0x0028, 0x0010) + "US" + f.u16(2) + f.u16(9);
    f.meta(kExplicitLE);
    for (std::string_view vr : {"OB", "OF", "UT", "UN", "SQ", "UC", "OW"})
        f.el(0x0009, 0x1000, vr, fake + fake);
    f.el(0x0008, 0x0070, "LO", "ACME").geometry(1, 2, 8).el(0x7FE0, 0x0010, "OB", "\x03\x04");
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.rows, 1);
    EXPECT_EQ(d.state.columns, 2);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{3, 4}));
    EXPECT_EQ(d.state.headerText, "\r\nManufacturer:\tACME");  // found by the walk, not the scan
}

// An undefined-length sequence is walked through its items; what it holds
// (here an icon with its own geometry and pixels) is not the image.
TEST(DicomWalk, UndefinedLengthSequenceIsWalkedAndItsContentIgnored) {
    DicomBytes f;
    DicomBytes icon(false);
    icon.geometry(1, 1, 16).el(0x7FE0, 0x0010, "OW", icon.words({999}));
    f.meta(kExplicitLE)
        .geometry(1, 2, 16)
        .longHeader(0x0088, 0x0200, "SQ", 0xFFFFFFFF)
        .impHeader(0xFFFE, 0xE000, 0xFFFFFFFF)
        .raw(icon.str())
        .el(0x0008, 0x0060, "CS", "OT")
        .impHeader(0xFFFE, 0xE00D, 0)
        // An item of defined length whose length bytes read "AA": no VR for items.
        .impHeader(0xFFFE, 0xE000, 0x4141)
        .raw(std::string(0x4141, '\0'))
        .impHeader(0xFFFE, 0xE0DD, 0)
        .el(0x0008, 0x0070, "LO", "ACME")
        .el(0x7FE0, 0x0010, "OW", f.words({7, 8}));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.rows, 1);
    EXPECT_EQ(d.state.columns, 2);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{7, 8}));
    EXPECT_EQ(d.state.headerText, "\r\nManufacturer:\tACME");
}

// The group length of GE's private group 0043 skips the whole group.
TEST(DicomWalk, PrivateGroup43IsSkippedByItsLength) {
    DicomBytes f(false);
    const std::string junk = f.tag(0x0028, 0x0010) + f.u32(2) + f.u16(50);
    f.imp(0x0043, 0x0000, f.u32(static_cast<uint32_t>(junk.size())))
        .raw(junk)
        .imp(0x0028, 0x0010, f.u16(1))
        .imp(0x0028, 0x0011, f.u16(1))
        .imp(0x7FE0, 0x0010, f.words({4}));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.rows, 1);
}

// ---- Group 0028 -------------------------------------------------------------

TEST(DicomGeometry, TextValuesAreParsedAsDecimalIntegers) {
    DicomBytes f(false);
    f.el(0x0028, 0x0008, "IS", " +3 ")
        .el(0x0028, 0x0010, "IS", "  1")
        .el(0x0028, 0x0011, "DS", "2.9")
        .el(0x0028, 0x0100, "CS", "8 ")
        .el(0x0028, 0x0101, "IS", "7")
        .el(0x0028, 0x0102, "IS", "6")
        .el(0x7FE0, 0x0010, "OB", "\x01\x02");
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.numberOfFrames, 3);
    EXPECT_EQ(d.state.rows, 1);
    EXPECT_EQ(d.state.columns, 2);
    EXPECT_EQ(d.state.bitsAllocated, 8);
    EXPECT_EQ(d.state.bitsStored, 7);
    EXPECT_EQ(d.state.highBit, 6);
}

TEST(DicomGeometry, FourByteValuesAreU32AndOthersU16) {
    DicomBytes f(false);
    f.el(0x0028, 0x0010, "UL", f.u32(2))
        .el(0x0028, 0x0011, "US", f.u16(1) + f.u16(40) + f.u16(50))  // the rest is skipped
        .el(0x0028, 0x0030, "DS", "0.5\\0.5")                        // not geometry
        .el(0x0028, 0x0100, "US", f.u16(16))
        .el(0x0028, 0x0103, "US", "")  // an empty value changes nothing
        .el(0x7FE0, 0x0010, "OW", f.words({1, 2}));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.rows, 2);
    EXPECT_EQ(d.state.columns, 1);
    EXPECT_EQ(d.state.pixelRepresentation, 0);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{1, 2}));
}

TEST(DicomGeometry, DefaultsApplyWhenGroup0028IsSilent) {
    DicomBytes f(false);
    f.imp(0x7FE0, 0x0010, std::string(256 * 256 * 2, '\x01'));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.columns, 256);
    EXPECT_EQ(d.state.rows, 256);
    EXPECT_EQ(d.state.bitsAllocated, 16);
    EXPECT_EQ(d.state.bitsStored, 16);
    EXPECT_EQ(d.state.highBit, 15);
    EXPECT_EQ(d.state.numberOfFrames, 1);
    EXPECT_EQ(d.state.littleEndian, 1);
    EXPECT_EQ(d.samples[0], 0x0101);
}

// Mend: PixelRepresentation is a default like the others.
TEST(DicomGeometry, PixelRepresentationDoesNotCarryOverToTheNextFile) {
    DicomBytes signedFile(false), plainFile(false);
    signedFile.geometry(1, 1, 16, 1).el(0x7FE0, 0x0010, "OW", signedFile.words({5}));
    plainFile.el(0x0028, 0x0010, "US", plainFile.u16(1))
        .el(0x0028, 0x0011, "US", plainFile.u16(1))
        .el(0x7FE0, 0x0010, "OW", plainFile.words({5}));
    DicomState state;
    std::vector<uint16_t> samples;
    ASSERT_EQ(decodeDicom(asBytes(signedFile.str()), state, samples), DicomStatus::Ok);
    EXPECT_EQ(samples, std::vector<uint16_t>{0x8005});
    ASSERT_EQ(decodeDicom(asBytes(plainFile.str()), state, samples), DicomStatus::Ok);
    EXPECT_EQ(state.pixelRepresentation, 0);
    EXPECT_EQ(samples, std::vector<uint16_t>{5});
}

TEST(DicomGeometry, EveryHeaderReadStartsFromTheDefaults) {
    DicomBytes f(false);
    f.imp(0x7FE0, 0x0010, std::string(10, '\0'));  // too short for 256 x 256
    DicomState state;
    state.rows = 1;
    state.columns = 5;
    state.bitsAllocated = 8;
    state.headerText = "old";
    DicomSource source(asBytes(f.str()));
    EXPECT_EQ(ReadDicomHeader(source, state), 1);
    EXPECT_EQ(state.rows, 256);
    EXPECT_EQ(state.columns, 256);
    EXPECT_EQ(state.bitsAllocated, 16);
    EXPECT_EQ(state.headerText, "");
}

// ---- Refusals ---------------------------------------------------------------

DicomStatus statusWith(uint16_t rows, uint16_t columns, uint16_t bits, const std::string& pixels) {
    DicomBytes f;
    f.meta(kExplicitLE).geometry(rows, columns, bits).el(0x7FE0, 0x0010, "OB", pixels);
    return decode(f.str()).status;
}

TEST(DicomRefusal, RowsOrColumnsBelowOne) {
    EXPECT_EQ(statusWith(0, 4, 8, "abcd"), DicomStatus::Rejected);
    EXPECT_EQ(statusWith(4, 0, 8, "abcd"), DicomStatus::Rejected);
    for (std::string value : {"-4", "0"}) {
        DicomBytes f(false);
        f.el(0x0028, 0x0010, "IS", value).el(0x0028, 0x0011, "IS", "1");
        f.el(0x7FE0, 0x0010, "OW", std::string(8, 'p'));
        EXPECT_EQ(decode(f.str()).status, DicomStatus::Rejected) << value;
    }
    DicomBytes f(false);  // 0xFFFFFFFF rows is -1 as a signed count
    f.el(0x0028, 0x0010, "UL", f.u32(0xFFFFFFFF)).el(0x7FE0, 0x0010, "OW", "pp");
    EXPECT_EQ(decode(f.str()).status, DicomStatus::Rejected);
}

TEST(DicomRefusal, SizesTheFileCannotHold) {
    EXPECT_EQ(statusWith(65535, 65535, 16, "ab"), DicomStatus::Rejected);
    DicomBytes f(false);  // 2^31 - 1 rows, pixel data claiming more than any file holds
    f.el(0x0028, 0x0010, "IS", "2147483647")
        .el(0x0028, 0x0011, "IS", "99999999999")
        .longHeader(0x7FE0, 0x0010, "OW", 0xFFFFFFFE)
        .raw("abcd");
    EXPECT_EQ(decode(f.str()).status, DicomStatus::Rejected);
    DicomState state;
    state.rows = 1 << 16;
    state.columns = 1 << 15;  // 2^31 samples: above kMaxPlaneWords
    EXPECT_EQ(dicomPixelBytes(state), 0u);
    state.rows = state.columns = 1 << 14;  // the largest image the program holds
    EXPECT_EQ(dicomPixelBytes(state), 2 * kMaxPlaneWords);
    state.rows += 1;
    EXPECT_EQ(dicomPixelBytes(state), 0u);
}

TEST(DicomRefusal, BitsAllocatedOutsideOneToSixteen) {
    EXPECT_EQ(statusWith(1, 2, 0, "abcd"), DicomStatus::Rejected);
    EXPECT_EQ(statusWith(1, 1, 17, "abcd"), DicomStatus::Rejected);
    EXPECT_EQ(statusWith(1, 1, 32, "abcd"), DicomStatus::Rejected);
    EXPECT_EQ(statusWith(1, 1, 16, "abcd"), DicomStatus::Ok);
}

TEST(DicomRefusal, PixelDataShorterThanTheImage) {
    EXPECT_EQ(statusWith(2, 2, 16, std::string(6, 'x')), DicomStatus::Rejected);
    EXPECT_EQ(statusWith(2, 2, 16, std::string(8, 'x')), DicomStatus::Ok);
    EXPECT_EQ(statusWith(2, 2, 8, std::string(3, 'x')), DicomStatus::Rejected);
    EXPECT_EQ(statusWith(2, 2, 12, std::string(5, 'x')), DicomStatus::Rejected);
    EXPECT_EQ(statusWith(2, 2, 12, std::string(6, 'x')), DicomStatus::Ok);
    // The declared length is short although the file goes on.
    DicomBytes f;
    f.meta(kExplicitLE).geometry(2, 2, 8).longHeader(0x7FE0, 0x0010, "OB", 2).raw("abcdefgh");
    EXPECT_EQ(decode(f.str()).status, DicomStatus::Rejected);
    // The declared length is right but the file ends early.
    DicomBytes g;
    g.meta(kExplicitLE).geometry(2, 2, 8).longHeader(0x7FE0, 0x0010, "OB", 4).raw("abc");
    EXPECT_EQ(decode(g.str()).status, DicomStatus::Rejected);
}

TEST(DicomRefusal, EncapsulatedPixelData) {
    DicomBytes f;
    f.meta(kExplicitLE)
        .geometry(1, 2, 8)
        .longHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF)
        .impHeader(0xFFFE, 0xE000, 0)
        .impHeader(0xFFFE, 0xE000, 4)
        .raw("abcd")
        .impHeader(0xFFFE, 0xE0DD, 0);
    EXPECT_EQ(decode(f.str()).status, DicomStatus::Rejected);
    DicomBytes g(false);  // implicit VR
    g.imp(0x0028, 0x0010, g.u16(1))
        .imp(0x0028, 0x0011, g.u16(1))
        .impHeader(0x7FE0, 0x0010, 0xFFFFFFFF);
    g.raw(std::string(64, 'z'));
    EXPECT_EQ(decode(g.str()).status, DicomStatus::Rejected);
}

TEST(DicomRefusal, CompressedTransferSyntaxes) {
    for (std::string_view syntax : {"1.2.840.10008.1.2.4.50", "1.2.840.10008.1.2.5",
                                    "1.2.840.10008.1.2.1.99", "1.2.840.10008.1.2.4.90"}) {
        DicomBytes f;
        f.meta(syntax).geometry(1, 2, 8).el(0x7FE0, 0x0010, "OB", "ab");
        EXPECT_EQ(decode(f.str()).status, DicomStatus::Rejected) << syntax;
    }
    DicomBytes f;  // a private syntax is read as the data says
    f.meta("1.3.6.1.4.1.99.1").geometry(1, 2, 8).el(0x7FE0, 0x0010, "OB", "ab");
    EXPECT_EQ(decode(f.str()).status, DicomStatus::Ok);
}

TEST(DicomRefusal, NoPixelDataAnywhere) {
    DicomBytes f;
    f.meta(kExplicitLE).geometry(2, 2, 8).el(0x0008, 0x0060, "CS", "SR");
    EXPECT_EQ(decode(f.str()).status, DicomStatus::Rejected);
    EXPECT_EQ(decode("").status, DicomStatus::Rejected);
    EXPECT_EQ(decode("DICM").status, DicomStatus::Rejected);
}

// Every read is checked: any prefix of a good file is refused (unless it
// holds all the pixels), and a length past the end ends the walk.
TEST(DicomRefusal, EveryPrefixOfAGoodFileIsSafe) {
    DicomBytes f;
    f.meta(kExplicitLE)
        .el(0x0008, 0x0070, "LO", "ACME")
        .el(0x0028, 0x0010, "IS", "2")
        .el(0x0028, 0x0011, "US", f.u16(2))
        .el(0x0028, 0x0100, "US", f.u16(12))
        .el(0x7FE0, 0x0010, "OW", "abcdef");
    const std::string& all = f.str();
    for (size_t n = 0; n < all.size(); ++n) {
        DicomState state;
        std::vector<uint16_t> samples;
        EXPECT_EQ(decodeDicom(asBytes(all.substr(0, n)), state, samples), DicomStatus::Rejected)
            << n;
        EXPECT_TRUE(samples.empty());
    }
    EXPECT_EQ(decode(all).status, DicomStatus::Ok);
}

TEST(DicomRefusal, ALengthPastTheEndEndsTheWalk) {
    DicomBytes f;
    f.meta(kExplicitLE).geometry(1, 1, 16).longHeader(0x0009, 0x1000, "OB", 0x7FFFFFF0).raw("ab");
    EXPECT_EQ(decode(f.str()).status, DicomStatus::Rejected);
}

// ---- Byte order -------------------------------------------------------------

// Mend: the transfer syntax, not only a big-endian meta group, switches the
// data set to big-endian.
TEST(DicomByteOrder, ExplicitBigEndianSyntaxIsReadBigEndian) {
    DicomBytes f;
    f.meta(kExplicitBE).bigEndian();
    f.el(0x0008, 0x0060, "CS", "CT")
        .longHeader(0x0008, 0x1140, "SQ", 0xFFFFFFFF)  // items have big-endian lengths too
        .impHeader(0xFFFE, 0xE000, 4)
        .raw("abcd")
        .impHeader(0xFFFE, 0xE0DD, 0)
        .el(0x0028, 0x0010, "US", f.u16(1))
        .el(0x0028, 0x0011, "US", f.u16(3))
        .el(0x0028, 0x0100, "US", f.u16(16))
        .el(0x0028, 0x0103, "US", f.u16(1))
        .el(0x7FE0, 0x0010, "OW", f.words({0x0102, 0xFFFF, 0x8000}));
    EXPECT_EQ(f.str().substr(f.str().size() - 6), std::string("\x01\x02\xFF\xFF\x80\x00", 6));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.littleEndian, 0);
    EXPECT_EQ(d.state.columns, 3);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{0x8102, 0x7FFF, 0x0000}));
    EXPECT_EQ(d.state.headerText, "\r\nImage Modality:\tCT");
}

TEST(DicomByteOrder, BigEndianMetaGroupSwitchesTheWholeFile) {
    DicomBytes f(false);
    f.bigEndian();
    f.el(0x0002, 0x0013, "SH", "OLD ")
        .el(0x0028, 0x0010, "US", f.u16(1))
        .el(0x0028, 0x0011, "US", f.u16(2))
        .el(0x7FE0, 0x0010, "OW", f.words({0x1234, 0x00FF}));
    ASSERT_EQ(f.str().substr(0, 2), std::string("\x00\x02", 2));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.littleEndian, 0);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{0x1234, 0x00FF}));
}

// ---- Fallback scan ----------------------------------------------------------

// A damaged length throws the walk off; the scan finds Rows, Columns and the
// pixel data word by word, with 16 bits allocated and 12 stored unless it
// finds other values.
TEST(DicomFallbackScan, FindsGeometryAndPixelsAfterTheWalkIsLost) {
    DicomBytes f;
    f.meta(kExplicitLE)
        .el(0x0008, 0x0060, "CS", "MR")
        .raw(f.tag(0x0009, 0x1000) + "LO")  // its length is missing: the next bytes
        .raw(f.u32(0x7FFFFFF0))             // read as 0xFFF0, far past the end
        .el(0x0028, 0x0010, "US", f.u16(1))
        .el(0x0028, 0x0011, "US", f.u16(2))
        .el(0x7FE0, 0x0010, "OW", f.words({0x0102, 0x0304}));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.rows, 1);
    EXPECT_EQ(d.state.columns, 2);
    EXPECT_EQ(d.state.bitsAllocated, 16);
    EXPECT_EQ(d.state.bitsStored, 12);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{0x0102, 0x0304}));
    EXPECT_EQ(d.state.headerText, "\r\nImage Modality:\tMR");  // collected before the walk ended
}

TEST(DicomFallbackScan, ReadsBitsAndImplicitPixelData) {
    DicomBytes f(false);
    f.imp(0x0009, 0x0010, "xx").raw(f.u32(0x10000000));  // a bogus element header
    f.imp(0x0028, 0x0010, f.u16(2))
        .imp(0x0028, 0x0011, f.u16(1))
        .imp(0x0028, 0x0100, f.u16(8))
        .imp(0x0028, 0x0101, f.u16(8))
        .imp(0x7FE0, 0x0010, "\x09\x0A");
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.bitsAllocated, 8);
    EXPECT_EQ(d.state.bitsStored, 8);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{9, 10}));
}

TEST(DicomFallbackScan, TakesOverAfterTwoThousandFortyEightElements) {
    DicomBytes f;
    f.meta(kExplicitLE);
    for (int i = 0; i < 2048; ++i) f.el(0x0009, 0x1000, "LO", "");
    f.el(0x0008, 0x0060, "CS", "MR");  // beyond the walk's reach
    f.geometry(1, 1, 16).el(0x7FE0, 0x0010, "OB", "\x01\x02");
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.samples, std::vector<uint16_t>{0x0201});
    EXPECT_EQ(d.state.headerText, "");
}

TEST(DicomFallbackScan, ScansBigFilesThroughTheFileReader) {
    DicomBytes f;
    f.meta(kExplicitLE).longHeader(0x0009, 0x1000, "OB", 0x7FFFFFF0);
    f.raw(std::string(200000, '\x11'));
    std::vector<uint16_t> pixels(300 * 200);
    std::iota(pixels.begin(), pixels.end(), uint16_t{0});
    f.geometry(300, 200, 16).el(0x7FE0, 0x0010, "OW", f.words(pixels));
    Decoded d = decode(f.str());  // compares file and memory reads
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.samples, pixels);
}

TEST(DicomFallbackScan, RefusesEncapsulatedPixelData) {
    DicomBytes f(false);
    f.imp(0x0009, 0x0010, "xx").raw(f.u32(0x10000000));
    f.imp(0x0028, 0x0010, f.u16(1)).imp(0x0028, 0x0011, f.u16(1));
    f.longHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF).raw(std::string(16, 'e'));
    EXPECT_EQ(decode(f.str()).status, DicomStatus::Rejected);
}

// ---- Sample formats ---------------------------------------------------------

TEST(DicomSamples, SignedSixteenBitBecomeOffsetBinary) {
    DicomBytes f;
    f.meta(kExplicitLE)
        .geometry(1, 4, 16, 1)
        .el(0x7FE0, 0x0010, "OW", f.words({0xFFFF, 0x8000, 0x0000, 0x7FFF}));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{32767, 0, 32768, 65535}));
}

TEST(DicomSamples, EightBitAreWidenedSignedOnesPlus128) {
    DicomBytes u;
    u.meta(kExplicitLE)
        .geometry(1, 3, 8, 0)
        .el(0x7FE0, 0x0010, "OB", std::string("\x00\x7F\xFF", 3));
    EXPECT_EQ(decode(u.str()).samples, (std::vector<uint16_t>{0, 127, 255}));
    DicomBytes s;
    s.meta(kExplicitLE).geometry(1, 3, 8, 1).el(0x7FE0, 0x0010, "OB", std::string("\x80\xFF\x7F"));
    EXPECT_EQ(decode(s.str()).samples, (std::vector<uint16_t>{0, 127, 255}));
}

TEST(DicomSamples, PackedTwelveBitLittleEndian) {
    DicomBytes f;
    f.meta(kExplicitLE).geometry(1, 2, 12).el(0x7FE0, 0x0010, "OB", "\xBC\x3A\x12");
    Decoded d = decode(f.str() + std::string(1, '\0'));  // pixel data padded to even length
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{0xABC, 0x123}));
}

TEST(DicomSamples, PackedTwelveBitBigEndian) {
    DicomBytes f;
    f.meta(kExplicitBE).bigEndian();
    f.geometry(1, 3, 12).el(0x7FE0, 0x0010, "OB", std::string("\xAB\xC1\x23\x45\x60\x00", 6));
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.samples, (std::vector<uint16_t>{0xABC, 0x123, 0x456}));
}

TEST(DicomSamples, PackedOtherWidths) {
    DicomBytes f;  // 4 bits: low nibble first
    f.meta(kExplicitLE).geometry(1, 3, 4).el(0x7FE0, 0x0010, "OB", "\x21\x03");
    EXPECT_EQ(decode(f.str()).samples, (std::vector<uint16_t>{1, 2, 3}));
    DicomBytes g;  // 10 bits: 0x3FF, 0x001, 0x155
    g.meta(kExplicitLE).geometry(1, 3, 10).el(0x7FE0, 0x0010, "OB", "\xFF\x07\x50\x15");
    EXPECT_EQ(decode(g.str()).samples, (std::vector<uint16_t>{0x3FF, 0x001, 0x155}));
}

TEST(DicomSamples, ShiftFillsTheSixteenBitRange) {
    std::vector<uint16_t> samples = {0xABC, 0xFFF, 1};
    DicomState state;
    state.bitsAllocated = 12;
    ShiftDicomSamples(state, samples);
    EXPECT_EQ(samples, (std::vector<uint16_t>{0xABC0, 0xFFF0, 0x0010}));
    state.bitsAllocated = 8;
    samples = {213, 255};
    ShiftDicomSamples(state, samples);
    EXPECT_EQ(samples, (std::vector<uint16_t>{54528, 65280}));
    for (int32_t bits : {16, 0, 17}) {
        state.bitsAllocated = bits;
        samples = {213};
        ShiftDicomSamples(state, samples);
        EXPECT_EQ(samples, std::vector<uint16_t>{213}) << bits;
    }
}

TEST(DicomSamples, ShiftOfTheRealEightBitFile) {
    Decoded d = readFile("OT_512_8bit.dcm");
    ASSERT_EQ(d.status, DicomStatus::Ok);
    ShiftDicomSamples(d.state, d.samples);
    EXPECT_EQ(firstFive(d.samples), (std::vector<uint16_t>{54528, 54528, 54528, 54528, 54528}));
    EXPECT_EQ(sum(d.samples), 33322688ull * 256);
}

TEST(DicomSamples, PixelReaderRefusesAWrongBufferOrState) {
    DicomBytes f;
    f.meta(kExplicitLE).geometry(1, 2, 8).el(0x7FE0, 0x0010, "OB", "ab");
    DicomSource source(asBytes(f.str()));
    DicomState state;
    ASSERT_EQ(ReadDicomHeader(source, state), 0);
    std::vector<uint16_t> wrong(3, 9);
    EXPECT_FALSE(ReadDicomPixels(source, state, wrong));
    EXPECT_EQ(wrong, std::vector<uint16_t>(3, 9));
    std::vector<uint16_t> right(2);
    EXPECT_TRUE(ReadDicomPixels(source, state, right));
    EXPECT_EQ(right, (std::vector<uint16_t>{'a', 'b'}));
    state.pixelOffset = f.str().size() - 1;  // past what the file holds
    EXPECT_FALSE(ReadDicomPixels(source, state, right));
    state.pixelOffset = f.str().size() - 2;
    state.bitsAllocated = 20;
    EXPECT_FALSE(ReadDicomPixels(source, state, right));
}

// ---- Header text ------------------------------------------------------------

TEST(DicomHeaderTextTable, EveryElementGivesItsLabelValueAndUnit) {
    struct Row {
        uint16_t group, element;
        const char* expected;
    };
    const Row rows[] = {
        {0x0008, 0x0008, "\r\nImage Type:\tv"},
        {0x0008, 0x0020, "\r\nStudy Date:\tv"},
        {0x0008, 0x0060, "\r\nImage Modality:\tv"},
        {0x0008, 0x0070, "\r\nManufacturer:\tv"},
        {0x0008, 0x0080, "\r\nInstitution:\tv"},
        {0x0008, 0x1010, "\r\nStation:\tv"},
        {0x0008, 0x1030, "\r\nStudy:\tv"},
        {0x0008, 0x103E, "\r\nSeries:\tv"},
        {0x0008, 0x1040, "\r\nInstitution Dept.:\tv"},
        {0x0008, 0x1090, "\r\nModel:\tv"},
        {0x0010, 0x0000, "\r\n"},
        {0x0010, 0x0010, "\r\n\r\nPatient Name:\tv"},
        {0x0010, 0x0020, "\r\nPatient ID:\tv"},
        {0x0010, 0x0030, "\r\nBirthday:\tv"},
        {0x0010, 0x0040, "\r\nSex:\tv"},
        {0x0010, 0x1010, "\r\nAge:\tv"},
        {0x0010, 0x1030, "\r\nWeight:\tv kg"},
        {0x0018, 0x0000, "\r\n"},
        {0x0018, 0x0020, "\r\nSequence:\tv"},
        {0x0018, 0x0021, "\r\nSequence Variant:\tv"},
        {0x0018, 0x0022, "\r\nScan Options:\tv"},
        {0x0018, 0x0023, "\r\nAcquisition Type:\tv"},
        {0x0018, 0x0050, "\r\nSlice Thickness:\tv mm"},
        {0x0018, 0x0080, "\r\nRepetition Time:\tv ms"},
        {0x0018, 0x0081, "\r\nEcho Time:\tv ms"},
        {0x0018, 0x0082, "\r\nInversion Time:\tv ms"},
        {0x0018, 0x0083, "\r\nAverages:\tv"},
        {0x0018, 0x0085, "\r\nNucleus:\tv"},
        {0x0018, 0x0087, "\r\nMagnetic Field:\tv T"},
        {0x0018, 0x0088, "\r\nSlice Spacing:\tv mm"},
        {0x0018, 0x1250, "\r\nReceiving Coil:\tv"},
        {0x0018, 0x1251, "\r\nTransmitting Coil:\tv"},
    };
    DicomBytes f(false);
    std::string expected;
    for (const Row& row : rows) {
        f.imp(row.group, row.element, "v");
        f.imp(row.group, static_cast<uint16_t>(row.element + 0x0100), "other");  // not in the table
        expected += row.expected;
    }
    f.imp(0x0028, 0x0010, f.u16(1)).imp(0x0028, 0x0011, f.u16(1));
    f.imp(0x7FE0, 0x0010, "pp");
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(DicomHeaderText(d.state), expected);
}

TEST(DicomHeaderTextTable, LongValuesAreLeftOutAndNulBytesEndAValue) {
    DicomBytes f(false);
    f.imp(0x0010, 0x1030, std::string(4094, '7'))
        .imp(0x0018, 0x0050, std::string(4093, '5'))
        .imp(0x0008, 0x0070, std::string("GE\0\0", 4))
        .imp(0x0028, 0x0010, f.u16(1))
        .imp(0x0028, 0x0011, f.u16(1))
        .imp(0x7FE0, 0x0010, "pp");
    Decoded d = decode(f.str());
    ASSERT_EQ(d.status, DicomStatus::Ok);
    EXPECT_EQ(d.state.headerText, "\r\nWeight:\t kg\r\nSlice Thickness:\t" +
                                      std::string(4093, '5') + " mm\r\nManufacturer:\tGE");
}

}  // namespace
