// The .bmf file, the drawing of a map, and the file names of "Save all".
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "analysis/core/maps/bmf_file.h"
#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/maps/map_picture.h"
#include "analysis/core/maps/save_all_names.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

class BmfFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        resetFeatureMaps();
        folder_ = std::filesystem::temp_directory_path() /
                  ("bmf_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                   "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        resetFeatureMaps();
        std::filesystem::remove_all(folder_);
    }
    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    static void writeBytes(const std::string& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    std::filesystem::path folder_;
};

uint32_t le32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<uint8_t>(b[at + k]);
    return v;
}

TEST_F(BmfFiles, TheHeaderIsTheBitmapLayoutWith64BitsAndValuesTopRowFirst) {
    const std::vector<double> values = {1.5, -2, kInf, 0.25, 7, 1e300};  // 3 x 2
    const std::string b = encodeBmf(values.data(), 3, 2);
    ASSERT_EQ(b.size(), 54u + 48u);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(le32(b, 2), 102u);
    EXPECT_EQ(le32(b, 6), 0u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 3u);
    EXPECT_EQ(le32(b, 22), 2u);
    EXPECT_EQ(le32(b, 26), 1u | 64u << 16);  // planes, bits per pixel
    EXPECT_EQ(le32(b, 30), 0u);
    EXPECT_EQ(le32(b, 34), 48u);
    EXPECT_EQ(le32(b, 38), 1000u);
    EXPECT_EQ(le32(b, 42), 1000u);
    EXPECT_EQ(le32(b, 46), 0u);
    EXPECT_EQ(le32(b, 50), 0u);
    double first = 0, third = 0;
    std::memcpy(&first, b.data() + 54, 8);  // the test machine is little-endian
    std::memcpy(&third, b.data() + 54 + 16, 8);
    EXPECT_EQ(first, 1.5);
    EXPECT_EQ(third, kInf);
}

TEST_F(BmfFiles, AWrittenMapReadsBackBitForBitWithInfinity) {
    std::vector<double> values(35 * 20);
    for (size_t i = 0; i < values.size(); ++i) values[i] = std::sin(double(i)) * 1e-7 * double(i);
    values[0] = kInf;
    values[5] = -0.0;
    values[77] = std::numeric_limits<double>::denorm_min();
    FeatureMap* made = AddFeatureMap("S(1,0)Contrast6b", values.data(), 35, 20);
    ASSERT_TRUE(writeBmfFile(path("m.bmf"), *made));
    FeatureMap* read = loadBmfMap(path("m.bmf"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->name, "m.bmf");
    EXPECT_EQ(read->saved, 1u);
    ASSERT_EQ(read->width, 35);
    ASSERT_EQ(read->height, 20);
    EXPECT_EQ(std::memcmp(read->values.data(), values.data(), values.size() * 8), 0);
    EXPECT_EQ(read->min, made->min);  // the corner's +infinity is kept out of the range
    EXPECT_EQ(featureMapCount(), 2);
}

TEST_F(BmfFiles, FilesOfAnotherKindOrWithImpossibleSizesAreIgnored) {
    const std::vector<double> values = {1, 2, 3, 4};
    const std::string good = encodeBmf(values.data(), 2, 2);
    auto variant = [&](size_t at, uint32_t v, int bytes = 4) {
        std::string b = good;
        for (int k = 0; k < bytes; ++k) b[at + k] = static_cast<char>(v >> (8 * k));
        return b;
    };
    EXPECT_TRUE(decodeBmf(good));
    EXPECT_FALSE(decodeBmf(good.substr(0, 53)));
    EXPECT_FALSE(decodeBmf(good.substr(0, good.size() - 1)));  // values cut short
    EXPECT_FALSE(decodeBmf(variant(0, 'X', 1)));
    EXPECT_FALSE(decodeBmf(variant(28, 24, 2)));        // a 24-bit bitmap
    EXPECT_FALSE(decodeBmf(variant(18, 0)));            // width 0
    EXPECT_FALSE(decodeBmf(variant(22, 0xFFFFFFFEu)));  // height -2
    EXPECT_FALSE(decodeBmf(variant(18, 0x7FFFFFFFu)));  // more values than the file holds
    EXPECT_FALSE(decodeBmf(variant(22, 0x40000000u)));  // 8 * w * h wraps in 32 bits
    EXPECT_TRUE(decodeBmf(variant(10, 9999)));          // the data offset is not read
    EXPECT_TRUE(decodeBmf(good + "trailing"));

    writeBytes(path("short.bmf"), good.substr(0, 60));
    EXPECT_EQ(loadBmfMap(path("short.bmf")), nullptr);
    EXPECT_EQ(loadBmfMap(path("missing.bmf")), nullptr);
    EXPECT_EQ(featureMapCount(), 0);
}

TEST_F(BmfFiles, AFailedWriteSaysSoAndLeavesNoFile) {
    const std::vector<double> values = {1, 2};
    FeatureMap* map = AddFeatureMap("a", values.data(), 2, 1);
    EXPECT_FALSE(writeBmfFile(path("no/such/folder/a.bmf"), *map));
    EXPECT_FALSE(writeMapBitmap(path("no/such/folder/a.bmp"), *map));
}

TEST(MapPicture, GreyRampThreeLevelsAndEqualBounds) {
    EXPECT_EQ(mapGreyLevel(0, 0, 1, kGreyRampStyle), 0);
    EXPECT_EQ(mapGreyLevel(0.5, 0, 1, kGreyRampStyle), 128);
    EXPECT_EQ(mapGreyLevel(0.999, 0, 1, kGreyRampStyle), 255);
    EXPECT_EQ(mapGreyLevel(1, 0, 1, kGreyRampStyle), 255);     // 256 clamps
    EXPECT_EQ(mapGreyLevel(-0.001, 0, 1, kGreyRampStyle), 0);  // -0.256 truncates to 0
    EXPECT_EQ(mapGreyLevel(-5, 0, 1, kGreyRampStyle), 0);
    EXPECT_EQ(mapGreyLevel(0.5, 0, 1, kThreeLevelStyle), 127);
    EXPECT_EQ(mapGreyLevel(2, 0, 1, kThreeLevelStyle), 255);
    EXPECT_EQ(mapGreyLevel(-2, 0, 1, kThreeLevelStyle), 0);
    // An inverted window (track bars crossed) runs the ramp backwards.
    EXPECT_EQ(mapGreyLevel(0.75, 1, 0, kGreyRampStyle), 64);
    EXPECT_EQ(mapGreyLevel(1.5, 1, 0, kGreyRampStyle), 0);
    EXPECT_EQ(mapGreyLevel(0.25, 1, 0, kGreyRampStyle), 192);
    // Equal bounds: black and white.
    EXPECT_EQ(mapGreyLevel(3, 2, 2, kGreyRampStyle), 255);
    EXPECT_EQ(mapGreyLevel(2, 2, 2, kGreyRampStyle), 0);
    // NaN and values far outside any integer are clamped before conversion.
    EXPECT_EQ(mapGreyLevel(std::nan(""), 0, 1, kGreyRampStyle), 0);
    EXPECT_EQ(mapGreyLevel(1e300, 0, 1, kGreyRampStyle), 255);
    EXPECT_EQ(mapGreyLevel(-1e300, 0, 1e-300, kGreyRampStyle), 0);
    EXPECT_EQ(mapGreyLevel(-kInf, 0, 1, kGreyRampStyle), 0);
}

TEST(MapPicture, InfinityIsDarkBlueAndTheBitmapIsBottomUpAndPadded) {
    resetFeatureMaps();
    const std::vector<double> values = {0, 10, kInf, 5, 5, 10};  // 3 x 2, range 0..10
    FeatureMap* map = AddFeatureMap("p", values.data(), 3, 2);
    const auto bgr = renderMapPicture(*map);
    EXPECT_EQ(std::vector<uint8_t>(bgr.begin() + 6, bgr.begin() + 9),
              (std::vector<uint8_t>{127, 0, 0}));
    EXPECT_EQ(bgr[3], 255);
    EXPECT_EQ(bgr[9], 128);
    const std::string b = encodeMapBitmap(*map);
    ASSERT_EQ(b.size(), 54u + 2u * 12u);
    EXPECT_EQ(le32(b, 26), 1u | 24u << 16);
    EXPECT_EQ(static_cast<uint8_t>(b[54]), 128);           // bottom row first: value 5
    EXPECT_EQ(static_cast<uint8_t>(b[54 + 12 + 6]), 127);  // top row, third pixel: blue byte
    EXPECT_EQ(static_cast<uint8_t>(b[54 + 12 + 8]), 0);
    resetFeatureMaps();
}

TEST(MapPicture, TrackBarsMapPositionsToTheRangeAndBack) {
    resetFeatureMaps();
    const std::vector<double> values = {-1, 3};
    FeatureMap* map = AddFeatureMap("t", values.data(), 2, 1);
    EXPECT_EQ(trackBarValue(*map, 100), -1);
    EXPECT_EQ(trackBarValue(*map, 0), 3);
    EXPECT_EQ(trackBarValue(*map, 75), 0);
    EXPECT_EQ(trackBarPosition(*map, -1), 100);
    EXPECT_EQ(trackBarPosition(*map, 3), 0);
    EXPECT_EQ(trackBarPosition(*map, 0.01), 74);  // 74.75 truncated
    resetFeatureMaps();
}

TEST(SaveAllNames, FolderOfTheDialogTextAndOneFilePerMap) {
    EXPECT_EQ(saveAllFolder("/data/out/*"), "/data/out/");
    EXPECT_EQ(saveAllFolder("C:\\maps\\run?x"), "C:\\maps\\");
    EXPECT_EQ(saveAllFolder("/data/out/prefix"), "/data/out/");
    EXPECT_EQ(saveAllFolder("*"), "");
    EXPECT_EQ(saveAllPaths("F/", {"a.bmf", "b"}), (std::vector<std::string>{"F/a.bmf", "F/b.bmf"}));
    // Names that come out the same do not overwrite each other's file.
    EXPECT_EQ(
        saveAllPaths("F/", {"Teta1", "Teta1", "teta1.bmf", "x.y.z"}),
        (std::vector<std::string>{"F/Teta1.bmf", "F/Teta1(2).bmf", "F/teta1(3).bmf", "F/x.bmf"}));
}

}  // namespace
