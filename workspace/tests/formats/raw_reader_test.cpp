#include "workspace/core/formats/raw_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

using platform::testing::TempDir;

namespace {

RawOptions optionsFor(int32_t x, int32_t y, int32_t bits = 8, int32_t endian = 1) {
    RawOptions o;
    o.RawX = x;
    o.RawY = y;
    o.RawBits = bits;
    o.RawEndian = endian;
    return o;
}

std::string asText(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class RawFile : public ::testing::Test {
  protected:
    TempDir dir;

    // Reads through the file and from memory; both must agree.
    RawStatus read(const std::vector<uint8_t>& bytes, const RawOptions& o,
                   std::vector<uint16_t>& samples) {
        const std::string path = dir.write("image.raw", asText(bytes));
        std::vector<uint16_t> fromMemory = samples;
        RawStatus memoryStatus = decodeRaw(bytes, o, fromMemory);
        RawStatus status = readRawFile(path, o, samples);
        EXPECT_EQ(memoryStatus, status);
        EXPECT_EQ(fromMemory, samples);
        return status;
    }
    std::vector<uint16_t> readOk(const std::vector<uint8_t>& bytes, const RawOptions& o) {
        std::vector<uint16_t> samples;
        EXPECT_EQ(read(bytes, o, samples), RawStatus::Ok);
        return samples;
    }
};

// --- Samples -----------------------------------------------------------------

TEST_F(RawFile, EightBitBytesBecomeSamplesRowByRow) {
    EXPECT_EQ(readOk({0, 1, 127, 128, 254, 255}, optionsFor(3, 2)),
              (std::vector<uint16_t>{0, 1, 127, 128, 254, 255}));
}

TEST_F(RawFile, EightBitDataHasNoByteOrder) {
    EXPECT_EQ(readOk({0x12, 0x34}, optionsFor(2, 1, 8, 0)), (std::vector<uint16_t>{0x12, 0x34}));
}

TEST_F(RawFile, SixteenBitSamplesInBothByteOrders) {
    const std::vector<uint8_t> bytes = {0x34, 0x12, 0xFF, 0x0F, 0x00, 0x01, 0x01, 0x00};
    EXPECT_EQ(readOk(bytes, optionsFor(2, 2, 16, 1)),
              (std::vector<uint16_t>{0x1234, 0x0FFF, 0x0100, 0x0001}));
    EXPECT_EQ(readOk(bytes, optionsFor(2, 2, 16, 0)),
              (std::vector<uint16_t>{0x3412, 0xFF0F, 0x0001, 0x0100}));
    // Any byte-order value but 0 means little-endian.
    EXPECT_EQ(readOk(bytes, optionsFor(2, 2, 16, 7)), readOk(bytes, optionsFor(2, 2, 16, 1)));
}

TEST_F(RawFile, AnyDepthAboveEightBitsReadsTwoBytesPerSample) {
    EXPECT_EQ(readOk({0xFF, 0x0F, 0x00, 0x08}, optionsFor(2, 1, 12)),
              (std::vector<uint16_t>{4095, 2048}));
}

TEST_F(RawFile, BytesAfterTheImageAreIgnored) {
    EXPECT_EQ(readOk({5, 6, 7, 8, 9}, optionsFor(2, 1)), (std::vector<uint16_t>{5, 6}));
}

// --- Where the image lies ----------------------------------------------------

// A file of a 5-byte header and three images of 2 x 1 samples, each after a
// 3-byte sub-header; sub-header bytes are 0xEE, image k holds k*16 + i.
std::vector<uint8_t> series(int bytesPerSample) {
    std::vector<uint8_t> file(5, 0xAA);
    for (int k = 1; k <= 3; ++k) {
        file.insert(file.end(), 3, 0xEE);
        for (int i = 0; i < 2 * bytesPerSample; ++i)
            file.push_back(static_cast<uint8_t>(k * 16 + i));
    }
    return file;
}

TEST_F(RawFile, HeaderSubHeaderAndImageNumberChooseTheImage) {
    for (int32_t image = 1; image <= 3; ++image) {
        RawOptions o = optionsFor(2, 1);
        o.RawHeader = 5;
        o.RawSubheader = 3;
        o.RawFirstImage = image;
        const auto k = static_cast<uint16_t>(image * 16);
        EXPECT_EQ(readOk(series(1), o), (std::vector<uint16_t>{k, uint16_t(k + 1)})) << image;

        o.RawBits = 16;
        o.RawEndian = 0;
        EXPECT_EQ(readOk(series(2), o), (std::vector<uint16_t>{uint16_t(k << 8 | (k + 1)),
                                                               uint16_t((k + 2) << 8 | (k + 3))}))
            << image;
    }
}

TEST_F(RawFile, AHeaderAloneIsSkipped) {
    RawOptions o = optionsFor(2, 1);
    o.RawHeader = 3;
    EXPECT_EQ(readOk({9, 9, 9, 1, 2}, o), (std::vector<uint16_t>{1, 2}));
}

TEST(RawExtent, OffsetsAreComputedInSixtyFourBits) {
    RawImageExtent e;
    RawOptions o = optionsFor(4, 3, 16);
    o.RawHeader = 100;
    o.RawSubheader = 10;
    o.RawFirstImage = 3;
    ASSERT_TRUE(rawImageExtent(o, e));
    EXPECT_EQ(e.bytes, 24u);
    EXPECT_EQ(e.offset, 100u + 10u + (24u + 10u) * 2u);

    RawOptions extreme = optionsFor(kMaxRawSide, kMaxRawSide, 16);
    extreme.RawHeader = INT32_MAX;
    extreme.RawSubheader = INT32_MAX;
    extreme.RawFirstImage = INT32_MAX;
    ASSERT_TRUE(rawImageExtent(extreme, e));
    EXPECT_EQ(e.bytes, 536870912u);
    EXPECT_EQ(e.offset, 5764607519813009408u);
}

// --- Refusals ----------------------------------------------------------------

TEST_F(RawFile, ImpossibleOptionsAreRefusedBeforeTheFileIsRead) {
    const std::vector<std::pair<const char*, std::function<void(RawOptions&)>>> cases = {
        {"zero width", [](RawOptions& o) { o.RawX = 0; }},
        {"negative width", [](RawOptions& o) { o.RawX = -4; }},
        {"width above the largest side", [](RawOptions& o) { o.RawX = kMaxRawSide + 1; }},
        {"zero height", [](RawOptions& o) { o.RawY = 0; }},
        {"negative height", [](RawOptions& o) { o.RawY = INT32_MIN; }},
        {"height above the largest side", [](RawOptions& o) { o.RawY = INT32_MAX; }},
        {"image number 0", [](RawOptions& o) { o.RawFirstImage = 0; }},
        {"negative image number", [](RawOptions& o) { o.RawFirstImage = -1; }},
        {"negative header", [](RawOptions& o) { o.RawHeader = -1; }},
        {"negative sub-header", [](RawOptions& o) { o.RawSubheader = -100; }},
    };
    const std::vector<uint8_t> bytes(64, 1);
    for (const auto& [what, change] : cases) {
        RawOptions o = optionsFor(2, 2);
        change(o);
        std::vector<uint16_t> samples;
        EXPECT_EQ(read(bytes, o, samples), RawStatus::BadOptions) << what;
        EXPECT_EQ(readRawFile(dir.file("missing.raw"), o, samples), RawStatus::BadOptions) << what;
        RawImageExtent e;
        EXPECT_FALSE(rawImageExtent(o, e)) << what;
    }
}

TEST_F(RawFile, AFileTooShortForTheImageIsRefusedWhole) {
    std::vector<uint16_t> samples;
    EXPECT_EQ(read({1, 2, 3}, optionsFor(2, 2), samples), RawStatus::ShortFile);
    EXPECT_EQ(read({1, 2, 3, 4, 5, 6, 7}, optionsFor(2, 2, 16), samples), RawStatus::ShortFile);
    EXPECT_EQ(read({}, optionsFor(1, 1), samples), RawStatus::ShortFile);

    RawOptions pastHeader = optionsFor(1, 1);
    pastHeader.RawHeader = 10;
    EXPECT_EQ(read({1, 2, 3}, pastHeader, samples), RawStatus::ShortFile);

    RawOptions fourthImage = optionsFor(2, 1);
    fourthImage.RawHeader = 5;
    fourthImage.RawSubheader = 3;
    fourthImage.RawFirstImage = 4;
    EXPECT_EQ(read(series(1), fourthImage, samples), RawStatus::ShortFile);

    RawOptions farAway = optionsFor(kMaxRawSide, kMaxRawSide, 16);
    farAway.RawHeader = INT32_MAX;
    farAway.RawSubheader = INT32_MAX;
    farAway.RawFirstImage = INT32_MAX;
    EXPECT_EQ(read({1, 2, 3, 4}, farAway, samples), RawStatus::ShortFile);
    EXPECT_TRUE(samples.empty());
}

TEST_F(RawFile, AFailureLeavesTheSamplesAsTheyWere) {
    const std::vector<uint16_t> before = {7, 8, 9};
    std::vector<uint16_t> samples = before;
    EXPECT_EQ(read({1, 2, 3}, optionsFor(2, 2), samples), RawStatus::ShortFile);
    EXPECT_EQ(samples, before);
    EXPECT_EQ(read({1, 2, 3, 4}, optionsFor(0, 2), samples), RawStatus::BadOptions);
    EXPECT_EQ(samples, before);
    EXPECT_EQ(readRawFile(dir.file("missing.raw"), optionsFor(1, 1), samples),
              RawStatus::CannotOpen);
    EXPECT_EQ(samples, before);
}

TEST_F(RawFile, MissingFilesAndFoldersCannotBeOpened) {
    std::vector<uint16_t> samples;
    EXPECT_EQ(readRawFile(dir.file("missing.raw"), optionsFor(1, 1), samples),
              RawStatus::CannotOpen);
    EXPECT_EQ(readRawFile(dir.path(), optionsFor(1, 1), samples), RawStatus::CannotOpen);
}

}  // namespace
