#include "workspace/core/formats/image_writers.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <span>

#include "platform/testing/temp_dir.h"
#include "workspace/core/formats/bmp_reader.h"
#include "workspace/core/formats/dicom_reader.h"
#include "workspace/core/formats/image_load.h"
#include "workspace/core/formats/raw_reader.h"

namespace {

WorkspaceState imageState(int width, int height, uint16_t first, uint16_t step) {
    WorkspaceState state;
    state.GreyImage = newPlane(width, height);
    for (size_t i = 0; i < state.GreyImage->size(); ++i)
        state.GreyImage->current[i] = static_cast<uint16_t>(first + step * i);
    recomputeImageRange(state, 100, 0);
    return state;
}

std::span<const uint8_t> bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

uint32_t u32At(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 |
           static_cast<uint8_t>(s[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

TEST(GreyBitmap, KeepsTheFullWidthWithPaddedRows) {
    for (int width : {10, 3, 1}) {
        WorkspaceState state = imageState(width, 5, 0, 1);
        std::string file = encodeGreyBitmap(*state.GreyImage, state.BitDepth);
        uint32_t stride = (static_cast<uint32_t>(width) + 3) & ~3u;
        EXPECT_EQ(file.size(), 1078u + 5 * stride);
        EXPECT_EQ(u32At(file, 2), file.size());
        EXPECT_EQ(u32At(file, 18), static_cast<uint32_t>(width));
        RgbImage back;
        ASSERT_EQ(decodeBmp(bytes(file), back), BmpStatus::Ok) << width;
        ASSERT_EQ(back.width, width);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(back.bgr[static_cast<size_t>(3 * (y * width + x))],
                          state.GreyImage->at(x, y));
    }
}

TEST(GreyBitmap, DeepImagesShowTheirTopEightBits) {
    WorkspaceState state = imageState(4, 1, 4095, 0);
    state.GreyImage->at(1, 0) = 0x0ABC;
    recomputeImageRange(state, 100, 0);
    EXPECT_EQ(state.BitDepth, 12);
    std::string file = encodeGreyBitmap(*state.GreyImage, state.BitDepth);
    EXPECT_EQ(static_cast<uint8_t>(file[1078]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(file[1079]), 0xAB);
}

TEST(RawImage, ASavedRawFileLoadsBackUnchanged) {
    platform::testing::TempDir dir;
    WorkspaceState state = imageState(7, 3, 1000, 97);
    ASSERT_EQ(SaveImageFile(state, kSaveRaw, dir.file("a.raw")), ImageSaveStatus::Ok);
    RawOptions options;
    options.RawX = 7;
    options.RawY = 3;
    options.RawBits = 16;
    options.RawEndian = 1;
    std::vector<uint16_t> samples;
    ASSERT_EQ(readRawFile(dir.file("a.raw"), options, samples), RawStatus::Ok);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), state.GreyImage->current));
}

TEST(DicomImage, TheLayoutHasConsistentGroupsAndShiftsDeepSamples) {
    WorkspaceState state = imageState(3, 2, 40000, 1);
    EXPECT_EQ(state.BitDepth, 16);
    std::string file = encodeDicom(*state.GreyImage, state.BitDepth);
    EXPECT_EQ(file.substr(128, 4), "DICM");
    const size_t metaEnd = 132 + 12 + 74;
    EXPECT_EQ(u32At(file, 132 + 8), 74u);
    EXPECT_EQ(file.substr(metaEnd - 18, 17), "1.2.840.10008.1.2");
    // (0028,0102) HighBit 11 and (0028,0103) unsigned.
    size_t high = file.find(std::string("\x28\x00\x02\x01\x02\x00\x00\x00", 8));
    ASSERT_NE(high, std::string::npos);
    EXPECT_EQ(file[high + 8], 11);
    EXPECT_EQ(file[high + 10 + 8], 0);
    // The pixel data: 40000 >> 4.
    size_t pixels = file.size() - 12;
    EXPECT_EQ(u32At(file, pixels - 4), 12u);
    EXPECT_EQ(static_cast<uint8_t>(file[pixels]) | static_cast<uint8_t>(file[pixels + 1]) << 8,
              40000 >> 4);
}

TEST(DicomImage, AWrittenFileReadsBackWithIdenticalPixels) {
    platform::testing::TempDir dir;
    WorkspaceState state = imageState(13, 7, 5, 31);
    EXPECT_LE(state.BitDepth, 12);
    ASSERT_EQ(SaveImageFile(state, kSaveDicom, dir.file("a.dcm")), ImageSaveStatus::Ok);
    DicomState header;
    std::vector<uint16_t> samples;
    ASSERT_EQ(readDicomFile(dir.file("a.dcm"), header, samples), DicomStatus::Ok);
    EXPECT_EQ(header.columns, 13);
    EXPECT_EQ(header.rows, 7);
    ASSERT_EQ(samples.size(), state.GreyImage->size());
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), state.GreyImage->current));
}

// A standard toolkit must accept the file: dcmdump parses it and finds the
// geometry. CI installs dcmtk; elsewhere the check is skipped.
TEST(DicomImage, AStandardToolkitReadsTheWrittenFile) {
    if (std::system("command -v dcmdump > /dev/null 2>&1") != 0) {
        if (std::getenv("CI")) FAIL() << "dcmdump is missing in CI";
        GTEST_SKIP() << "dcmdump is not installed";
    }
    platform::testing::TempDir dir;
    WorkspaceState state = imageState(5, 4, 100, 3);
    ASSERT_EQ(SaveImageFile(state, kSaveDicom, dir.file("a.dcm")), ImageSaveStatus::Ok);
    std::string command =
        "dcmdump -E " + dir.file("a.dcm") + " > " + dir.file("dump.txt") + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << dir.read("dump.txt");
    std::string dump = dir.read("dump.txt");
    EXPECT_NE(dump.find("(0028,0010) US 4"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0011) US 5"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0100) US 16"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0101) US 12"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0102) US 11"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0103) US 0"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("E: "), std::string::npos) << dump;
}

TEST(ImageSaving, FailuresAreReportedAndNothingIsHalfWritten) {
    platform::testing::TempDir dir;
    WorkspaceState empty;
    EXPECT_EQ(SaveImageFile(empty, kSaveBitmap, dir.file("a.bmp")), ImageSaveStatus::NoImage);
    WorkspaceState state = imageState(2, 2, 0, 1);
    EXPECT_EQ(SaveImageFile(state, 4, dir.file("a.bmp")), ImageSaveStatus::UnknownType);
    EXPECT_EQ(SaveImageFile(state, kSaveBitmap, dir.file("none/a.bmp")),
              ImageSaveStatus::CannotCreate);
    WorkspaceState wide = imageState(70000, 1, 0, 0);
    EXPECT_EQ(SaveImageFile(wide, kSaveDicom, dir.file("w.dcm")), ImageSaveStatus::TooLarge);
}

TEST(BitPlanes, ZeroingTheTopBitShrinksTheRange) {
    WorkspaceState state = imageState(2, 1, 40000, 1000);
    EXPECT_EQ(state.BitDepth, 16);
    zeroBitPlane(*state.GreyImage, 16);
    recomputeImageRange(state, 100, 0);
    EXPECT_EQ(state.ImageMax, 41000 - 32768);
    EXPECT_LT(state.ImageMax, 32768);
    EXPECT_EQ(state.BitDepth, 14);
    zeroBitPlane(*state.GreyImage, 7);  // mask 0xFFBF
    EXPECT_EQ(state.GreyImage->at(0, 0), (40000 - 32768) & 0xFFBF);
    zeroBitPlane(*state.GreyImage, 0);
    zeroBitPlane(*state.GreyImage, 17);
    EXPECT_EQ(state.GreyImage->at(0, 0), (40000 - 32768) & 0xFFBF);
}

}  // namespace
