#include "volume/core/files/bmf_volume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

namespace {

void put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

// A 3D .bmf header; the samples follow.
std::string header(int32_t w, int32_t h, uint16_t planes, uint16_t bits, uint32_t offset = 54) {
    std::string s = "BM";
    put32(s, 0);
    put32(s, 0);
    put32(s, offset);
    put32(s, 40);
    put32(s, static_cast<uint32_t>(w));
    put32(s, static_cast<uint32_t>(h));
    put16(s, planes);
    put16(s, bits);
    put32(s, 0);
    put32(s, 0);
    put32(s, 1500);
    put32(s, 2000);
    put32(s, 3250);
    put32(s, 0);
    return s;
}

VolumeLoad decode(const std::string& s) {
    return decodeBmfVolume({reinterpret_cast<const uint8_t*>(s.data()), s.size()});
}

std::string floats(const std::vector<float>& v) {
    std::string s(v.size() * 4, '\0');
    std::memcpy(s.data(), v.data(), s.size());
    return s;
}

}  // namespace

TEST(BmfVolume, RowsArePaddedToFourBytes) {
    EXPECT_EQ(bmfRowBytes(16, 3), 8u);
    EXPECT_EQ(bmfRowBytes(8, 3), 4u);
    EXPECT_EQ(bmfRowBytes(64, 3), 24u);
    // 3 x 2 x 1 of 16 bits: rows of 8 bytes.
    std::string s = header(3, 2, 1, 16);
    for (uint16_t v : {1, 2, 3, 0xEEEE, 4, 5, 6, 0xEEEE}) put16(s, v);
    VolumeLoad load = decode(s);
    ASSERT_TRUE(load.ok()) << load.error;
    // Largest sample 6: shifted left by 8.
    EXPECT_EQ(load.image->slices[0].samples,
              (std::vector<uint16_t>{1 << 8, 2 << 8, 3 << 8, 4 << 8, 5 << 8, 6 << 8}));
    EXPECT_EQ(load.image->min, 256);
    EXPECT_EQ(load.mask->slices[0].samples, std::vector<uint16_t>(6, 0));
    EXPECT_DOUBLE_EQ(load.voxelSizes.VoxelXSize, 1.5);
    EXPECT_DOUBLE_EQ(load.voxelSizes.VoxelZSize, 3.25);
}

TEST(BmfVolume, TheLoadShiftFollowsTheLargestSample) {
    EXPECT_EQ(bmfLoadShift(255), 8);
    EXPECT_EQ(bmfLoadShift(256), 7);
    EXPECT_EQ(bmfLoadShift(300), 7);
    EXPECT_EQ(bmfLoadShift(4095), 4);
    EXPECT_EQ(bmfLoadShift(32767), 1);
    EXPECT_EQ(bmfLoadShift(32768), 0);
    EXPECT_EQ(bmfLoadShift(65535), 0);
    std::string s = header(2, 1, 2, 16);
    for (uint16_t v : {300, 1, 2, 3}) put16(s, v);
    VolumeLoad load = decode(s);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.image->slices[0].samples[0], 300 << 7);
    EXPECT_EQ(load.image->slices[1].samples[1], 3 << 7);
}

TEST(BmfVolume, EightBitAndFloatSamples) {
    std::string s = header(2, 1, 0, 8);  // planes 0 reads as one slice
    s += std::string("\x00\xFF\x00\x00", 4);
    VolumeLoad load = decode(s);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.image->sliceCount, 1);
    EXPECT_EQ(load.image->slices[0].samples, (std::vector<uint16_t>{0, 65535}));

    const float inf = std::numeric_limits<float>::infinity();
    s = header(3, 1, 1, 32) + floats({-1.0f, 3.0f, 0.0f});
    load = decode(s);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.image->slices[0].samples, (std::vector<uint16_t>{0, 65535, 16383}));
    // Non-finite samples stay out of the range and read as 0.
    s = header(4, 1, 1, 32) + floats({inf, 2.0f, std::nanf(""), 4.0f});
    load = decode(s);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.image->slices[0].samples, (std::vector<uint16_t>{0, 0, 0, 65535}));
    // All equal: 0, not a division by zero.
    s = header(2, 1, 1, 32) + floats({5.0f, 5.0f});
    load = decode(s);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.image->slices[0].samples, (std::vector<uint16_t>{0, 0}));
    std::string d = header(2, 1, 1, 64);
    for (double v : {10.0, 20.0}) {
        char b[8];
        std::memcpy(b, &v, 8);
        d.append(b, 8);
    }
    load = decode(d);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.image->slices[0].samples, (std::vector<uint16_t>{0, 65535}));
}

TEST(BmfVolume, ShortDataReadsAsZero) {
    std::string s = header(2, 2, 2, 16);
    for (uint16_t v : {10, 11, 12}) put16(s, v);
    VolumeLoad load = decode(s);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.image->slices[0].samples, (std::vector<uint16_t>{10 << 8, 11 << 8, 12 << 8, 0}));
    EXPECT_EQ(load.image->slices[1].samples, std::vector<uint16_t>(4, 0));
}

TEST(BmfVolume, BadHeadersGiveTheirMessages) {
    EXPECT_EQ(decode("BM").error, "Cannot load a header");
    EXPECT_EQ(loadBmfVolume("/nonexistent/a.bmf").error, "Cannot load a header");
    std::string s = header(2, 2, 1, 16);
    s[0] = 'X';
    EXPECT_EQ(decode(s).error, "Wrong header");
    EXPECT_EQ(decode(header(0, 2, 1, 16)).error, "Wrong header");
    EXPECT_EQ(decode(header(2, -3, 1, 16)).error, "Wrong header");
    EXPECT_EQ(decode(header(2, 2, 1, 16, 1078)).error, "Wrong infoheader size");
    EXPECT_EQ(decode(header(2, 2, 1, 24)).error, "Wrong bitcount value");
    EXPECT_EQ(decode(header(65535, 65535, 65535, 16)).error, kVolumeTooLargeMessage);
    EXPECT_FALSE(decode(header(2, 2, 1, 24)).image);
}

TEST(BmfVolume, SavedVolumesLoadBack) {
    platform::testing::TempDir dir;
    Volume3D v(2);
    // A largest sample of 32768 or more loads without a shift.
    const uint16_t a[] = {0x1000, 0x2000, 0x3000, 0x4000, 0x5000, 0x9000};
    Volume3DSetSlice(v, a, 3, 2, 0);  // odd width: padded rows
    Volume3DSetSlice(v, a, 2, 1, 1);  // a smaller slice writes 0 outside it
    VoxelSizes sizes;
    sizes.VoxelXSize = 0.75;
    ASSERT_EQ(saveBmfVolume(v, sizes, dir.file("v.bmf")), VolumeSaveStatus::Ok);
    const std::string bytes = dir.read("v.bmf");
    EXPECT_EQ(bytes.size(), 54u + 2 * 2 * 8);
    EXPECT_EQ(static_cast<uint8_t>(bytes[2]), (3 * 2 * 8 + 54) & 0xFF);  // the declared size
    VolumeLoad load = loadBmfVolume(dir.file("v.bmf"));
    ASSERT_TRUE(load.ok()) << load.error;
    EXPECT_EQ(load.image->slices[0].samples, std::vector<uint16_t>(a, a + 6));
    EXPECT_EQ(load.image->slices[1].samples, (std::vector<uint16_t>{0x1000, 0x2000, 0, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(load.voxelSizes.VoxelXSize, 0.75);
    Volume3D tooMany(70000);
    EXPECT_EQ(saveBmfVolume(tooMany, sizes, dir.file("w.bmf")), VolumeSaveStatus::TooLarge);
    EXPECT_EQ(saveBmfVolume(v, sizes, dir.file("none/v.bmf")), VolumeSaveStatus::CannotWrite);
}
