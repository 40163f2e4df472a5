#include "volume/core/files/series_loaders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "volume/core/files/dicom_volume_writer.h"
#include "volume/core/files/series_order.h"

namespace {

void put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

// A 24-bit bitmap, bottom-up, every pixel of colour (b, g, r).
std::string bitmap(int32_t w, int32_t h, uint8_t b, uint8_t g, uint8_t r) {
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    std::string s = "BM";
    put32(s, 54 + stride * h);
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, static_cast<uint32_t>(w));
    put32(s, static_cast<uint32_t>(h));
    put16(s, 1);
    put16(s, 24);
    put32(s, 0);
    put32(s, stride * h);
    put32(s, 0);
    put32(s, 0);
    put32(s, 0);
    put32(s, 0);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            s += static_cast<char>(b);
            s += static_cast<char>(g);
            s += static_cast<char>(r);
        }
        s.append(stride - 3 * w, '\0');
    }
    return s;
}

}  // namespace

TEST(SeriesOrder, WholePathsIgnoringCase) {
    EXPECT_EQ(
        sortSeriesPaths({"/d/b.bmp", "/d/A.bmp", "/d/a10.bmp", "/d/a2.bmp", "/D/c.bmp"}),
        (std::vector<std::string>{"/d/A.bmp", "/d/a10.bmp", "/d/a2.bmp", "/d/b.bmp", "/D/c.bmp"}));
    EXPECT_EQ(sortSeriesPaths({"/x/B", "/x/b"}), (std::vector<std::string>{"/x/B", "/x/b"}));
}

TEST(BitmapSeries, TheFirstNameBecomesSliceZeroWhateverTheSelectionOrder) {
    platform::testing::TempDir dir;
    const std::string second = dir.write("slice2.bmp", bitmap(3, 2, 10, 20, 30));
    const std::string first = dir.write("Slice1.bmp", bitmap(3, 2, 40, 50, 60));
    VolumeLoad load = loadBitmapSeries({second, first}, 1);  // red channel
    ASSERT_TRUE(load.ok()) << load.error;
    EXPECT_EQ(load.image->sliceCount, 2);
    EXPECT_EQ(load.image->slices[0].samples, std::vector<uint16_t>(6, 60));
    EXPECT_EQ(load.image->slices[1].samples, std::vector<uint16_t>(6, 30));
    EXPECT_EQ(load.mask->slices[1].samples, std::vector<uint16_t>(6, 0));
    EXPECT_EQ(load.loadedColourMode, 1u);
    EXPECT_EQ(load.featurePrefix, "R_");
    EXPECT_EQ(load.statusText, "R_ Red channel");
    EXPECT_EQ(load.image->min, 30);
    EXPECT_EQ(load.image->max, 60);
}

TEST(BitmapSeries, SlicesOfDifferentSizesAndFailures) {
    platform::testing::TempDir dir;
    const std::string a = dir.write("a.bmp", bitmap(4, 3, 0, 0, 0));
    const std::string b = dir.write("b.bmp", bitmap(2, 5, 0, 0, 0));
    VolumeLoad load = loadBitmapSeries({a, b}, 0);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.image->maxWidth, 4);
    EXPECT_EQ(load.image->maxHeight, 5);
    EXPECT_EQ(load.mask->slices[1].width, 2);
    const std::string bad = dir.write("c.bmp", "not a bitmap");
    VolumeLoad failed = loadBitmapSeries({a, bad}, 0);
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.error, "Cannot load the bitmap " + bad);
    EXPECT_EQ(loadBitmapSeries({}, 0).error, kNoSliceMessage);
}

TEST(RawSeries, ImagesPerFileAreCountedSafely) {
    RawOptions o;
    o.RawX = 4;
    o.RawY = 2;
    o.RawBits = 16;
    o.RawHeader = 10;
    o.RawSubheader = 2;
    // image = 4 * 2 * 2 + 2 = 18 bytes; (100 + 16 - 10) / 18 = 5, and all start inside.
    EXPECT_EQ(countRawImages(100, o), 5u);
    // A file shorter than its header holds nothing, and nothing goes negative.
    EXPECT_EQ(countRawImages(0, o), 0u);
    EXPECT_EQ(countRawImages(5, o), 0u);
    o.RawHeader = 1000;
    EXPECT_EQ(countRawImages(100, o), 0u);
    // Impossible options are taken at their safe values: no division by 0.
    RawOptions zero;
    zero.RawX = 0;
    zero.RawY = -3;
    EXPECT_EQ(countRawImages(40, zero), 40u);
    // The slack of 16 bytes never counts an image that starts past the end.
    RawOptions tiny;
    tiny.RawX = 1;
    tiny.RawY = 1;
    EXPECT_EQ(countRawImages(3, tiny), 3u);
    EXPECT_EQ(countRawImages(uint64_t{1} << 62, tiny), uint64_t{1} << 62);
}

TEST(RawSeries, EveryImageOfEveryFileInNameOrder) {
    platform::testing::TempDir dir;
    RawOptions o;
    o.RawX = 2;
    o.RawY = 1;
    o.RawBits = 16;
    o.RawEndian = 0;  // big-endian
    o.RawHeader = 3;
    o.RawSubheader = 1;
    // File b: header "hdr", then two images of (1 + 4) bytes, then 2 bytes short of a third.
    std::string b = "hdr";
    b += std::string("\x07\x01\x02\x03\x04", 5);
    b += std::string("\x07\x05\x06\x07\x08", 5);
    b += std::string("\x07\x09\x0A", 3);
    const std::string pb = dir.write("b.raw", b);
    std::string a = "hdr";
    a += std::string("\x07\xAA\xBB\xCC\xDD", 5);
    const std::string pa = dir.write("a.raw", a);
    VolumeLoad load = loadRawSeries({pb, dir.file("missing.raw"), pa}, o);
    ASSERT_TRUE(load.ok()) << load.error;
    ASSERT_EQ(load.image->sliceCount, 4);
    EXPECT_EQ(load.image->slices[0].samples, (std::vector<uint16_t>{0xAABB, 0xCCDD}));
    EXPECT_EQ(load.image->slices[1].samples, (std::vector<uint16_t>{0x0102, 0x0304}));
    EXPECT_EQ(load.image->slices[2].samples, (std::vector<uint16_t>{0x0506, 0x0708}));
    // The short last image: what is there, then zeros.
    EXPECT_EQ(load.image->slices[3].samples, (std::vector<uint16_t>{0x090A, 0}));

    o.RawBits = 8;
    o.RawSubheader = 0;
    o.RawHeader = 0;
    o.RawX = 3;
    VolumeLoad eight = loadRawSeries({dir.write("c.raw", std::string("\x01\x02\x03", 3))}, o);
    ASSERT_TRUE(eight.ok());
    EXPECT_EQ(eight.image->slices[0].samples, (std::vector<uint16_t>{0x100, 0x200, 0x300}));
}

TEST(RawSeries, NoReadableImageIsAFailedLoad) {
    platform::testing::TempDir dir;
    RawOptions o;
    o.RawHeader = 100;
    EXPECT_EQ(loadRawSeries({dir.write("a.raw", "x")}, o).error, kNoSliceMessage);
    EXPECT_EQ(loadRawSeries({dir.file("none.raw")}, o).error, kNoSliceMessage);
}

TEST(DicomSeries, FramesOfEveryFileInNameOrder) {
    platform::testing::TempDir dir;
    Volume3D v(3);
    for (int32_t z = 0; z < 3; ++z) {
        std::vector<uint16_t> s(6);
        for (size_t i = 0; i < 6; ++i) s[i] = static_cast<uint16_t>((z * 6 + i) << 4);
        Volume3DSetSlice(v, s.data(), 3, 2, z);
    }
    ASSERT_EQ(saveDicomVolume(v, dir.file("b.dcm")), VolumeSaveStatus::Ok);
    const std::string mr = std::string(VANTU_TEST_DATA) + "/dicom/MR_small.dcm";
    VolumeLoad load = loadDicomSeries({dir.file("b.dcm"), dir.write("c.dcm", "junk"), mr});
    ASSERT_TRUE(load.ok()) << load.error;
    // b.dcm's three frames, then MR_small's one (its path sorts after the temp folder's).
    const bool mrFirst = sortSeriesPaths({dir.file("b.dcm"), mr})[0] == mr;
    ASSERT_EQ(load.image->sliceCount, 4);
    const int first = mrFirst ? 1 : 0;
    for (int32_t z = 0; z < 3; ++z)
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(load.image->slices[static_cast<size_t>(first + z)].samples[i], z * 6 + i);
    EXPECT_EQ(load.image->maxWidth, 64);  // MR_small is 64 x 64
    EXPECT_EQ(load.mask->slices[static_cast<size_t>(first)].width, 3);
    EXPECT_EQ(loadDicomSeries({dir.file("c.dcm")}).error, kNoSliceMessage);
}

TEST(DicomVolumeWriter, AStandardToolkitReadsTheWrittenFile) {
    if (std::system("command -v dcmdump > /dev/null 2>&1") != 0) {
        if (std::getenv("CI")) FAIL() << "dcmdump is missing in CI";
        GTEST_SKIP() << "dcmdump is not installed";
    }
    platform::testing::TempDir dir;
    Volume3D v(11);  // an odd count of two digits: the frame count is padded
    for (int32_t z = 0; z < 11; ++z) Volume3DSetSlice(v, nullptr, 5, 3, z);
    Volume3DSetVoxel(v, 4, 2, 10, 0xFFF0);
    ASSERT_EQ(saveDicomVolume(v, dir.file("v.dcm")), VolumeSaveStatus::Ok);
    const std::string command =
        "dcmdump -E " + dir.file("v.dcm") + " > " + dir.file("dump.txt") + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << dir.read("dump.txt");
    const std::string dump = dir.read("dump.txt");
    EXPECT_NE(dump.find("(0028,0008) IS [11]"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0010) US 3"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0011) US 5"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0101) US 12"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0102) US 11"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(0028,0103) US 0"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("E: "), std::string::npos) << dump;
    EXPECT_EQ(dump.find("W: "), std::string::npos) << dump;
}

TEST(DicomVolumeWriter, SizesBeyondTheFieldsAreRefused) {
    Volume3D wide(1);
    Volume3DSetSlice(wide, nullptr, 70000, 1, 0);
    EXPECT_FALSE(encodeDicomVolume(wide));
    Volume3D big(2000);
    big.maxWidth = 40000;  // only the sizes matter here
    big.maxHeight = 40000;
    EXPECT_FALSE(encodeDicomVolume(big));
}

// A slot no file filled would read as 32767 through the clamping read: all
// VOI bits but one. Every such slot of both volumes is zero-filled instead.
TEST(VolumeLoad, SlotsNoFileFilledAreZeroFilled) {
    VolumeLoad load = startVolumeLoad(3);
    const uint16_t s[6] = {9, 9, 9, 9, 9, 9};
    ASSERT_TRUE(setLoadedSlice(load, s, 3, 2, 0));
    ASSERT_TRUE(setLoadedSlice(load, s, 2, 3, 2));
    load = finishVolumeLoad(std::move(load));
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.image->slices[1].samples, std::vector<uint16_t>(9, 0));
    EXPECT_EQ(load.mask->slices[1].samples, std::vector<uint16_t>(9, 0));
    EXPECT_EQ(Volume3DGetVoxel(*load.mask, 0, 0, 1), 0);
    EXPECT_EQ(load.image->min, 0);
    EXPECT_EQ(load.image->max, 9);
    EXPECT_EQ(finishVolumeLoad(startVolumeLoad(0)).error, kNoSliceMessage);
    VolumeLoad empty = startVolumeLoad(2);
    EXPECT_EQ(finishVolumeLoad(std::move(empty)).error, kNoSliceMessage);
}
