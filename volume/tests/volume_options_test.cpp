#include "volume/core/volume_options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

using platform::Hive;
using platform::IniFile;
using platform::kOptionsKeyPath;
using platform::RegistryKey;
using platform::testing::openProgramKey;
using platform::testing::programKey;
using platform::testing::ScopedRegistryStore;

namespace {

Analysis3DOptions changedOptions() {
    Analysis3DOptions o;
    o.GradientFeatures = false;
    o.GradientBpp = 9;
    o.RlmFeatures = false;
    o.RlmMoredirs = true;
    o.RlmBpp = 5;
    o.ComFeatures = false;
    o.ComMoredirs = true;
    o.ComBpp = 8;
    o.HistogramBpp = 16;
    o.ComDist1 = false;
    o.ComDist2 = true;
    o.ComDist4 = true;
    o.HistogramFeatures = false;
    o.Normalisation = 2;
    return o;
}

std::vector<std::string> namesOf(const platform::RegistryValueList& values) {
    std::vector<std::string> names;
    for (const auto& [name, value] : values) names.push_back(name);
    return names;
}

// The options file text of a group, written alone.
std::string fileText(const Analysis3DOptions& o) {
    IniFile file;
    save3DOptionsToFile(file, o);
    return file.text();
}

class Options3DRegistry : public ::testing::Test {
  protected:
    ScopedRegistryStore store;
};

TEST_F(Options3DRegistry, FreshGroupsHaveTheDefaultsAndAnEmptyStoreKeepsThem) {
    Analysis3DOptions o;
    VoxelSizes sizes;
    load3DOptionsFromRegistry(o);
    loadVoxelSizesFromRegistry(sizes);
    EXPECT_EQ(sizes.VoxelXSize, 1.0);
    EXPECT_EQ(sizes.VoxelYSize, 1.0);
    EXPECT_EQ(sizes.VoxelZSize, 1.0);
    EXPECT_EQ(fileText(o),
              "[Vantu_DRIM]\r\n3D_ComFeatures=1\r\n3D_ComDist1=1\r\n3D_ComDist2=0\r\n"
              "3D_ComDist3=0\r\n3D_ComDist4=0\r\n3D_ComDist5=0\r\n3D_ComBpp=6\r\n"
              "3D_ComMoredirs=0\r\n3D_RlmFeatures=1\r\n3D_RlmBpp=6\r\n3D_RlmMoredirs=0\r\n"
              "3D_GradientFeatures=1\r\n3D_GradientBpp=6\r\n3D_HistogramFeatures=1\r\n"
              "3D_HistogramBpp=12\r\n3D_Normalisation=0\r\n");
}

TEST_F(Options3DRegistry, AStringComBppIsIgnoredAndSwitchesBecomeOnOrOff) {
    {
        auto key = programKey();
        key.writeString("3D_ComBpp", "8");
        key.writeDword("3D_RlmBpp", 4);
        key.writeDword("3D_ComMoredirs", 7);
        key.writeDword("3D_ComDist1", 0);
        key.writeString("3D_HistogramFeatures", "0");
    }
    Analysis3DOptions o;
    load3DOptionsFromRegistry(o);
    EXPECT_EQ(o.ComBpp, 6);
    EXPECT_EQ(o.RlmBpp, 4);
    EXPECT_TRUE(o.ComMoredirs);
    EXPECT_FALSE(o.ComDist1);
    EXPECT_TRUE(o.HistogramFeatures);
    save3DOptionsToRegistry(o);
    EXPECT_EQ(openProgramKey().readDword("3D_ComMoredirs"), 1u);
}

TEST_F(Options3DRegistry, TheGroupIsWrittenInOrderAsDwords) {
    auto values = options3DRegistryValues(changedOptions());
    EXPECT_EQ(namesOf(values),
              (std::vector<std::string>{
                  "3D_ComFeatures", "3D_ComBpp", "3D_ComMoredirs", "3D_ComDist1", "3D_ComDist2",
                  "3D_ComDist3", "3D_ComDist4", "3D_ComDist5", "3D_RlmFeatures", "3D_RlmBpp",
                  "3D_RlmMoredirs", "3D_GradientFeatures", "3D_GradientBpp", "3D_HistogramFeatures",
                  "3D_HistogramBpp", "3D_Normalisation"}));
    for (const auto& [name, value] : values)
        EXPECT_EQ(value.type(), platform::RegistryType::Dword) << name;

    save3DOptionsToRegistry(changedOptions());
    auto key = openProgramKey();
    EXPECT_EQ(key.readDword("3D_ComFeatures"), 0u);
    EXPECT_EQ(key.readDword("3D_ComBpp"), 8u);
    EXPECT_EQ(key.readDword("3D_ComDist2"), 1u);
    EXPECT_EQ(key.readDword("3D_GradientBpp"), 9u);
    EXPECT_EQ(key.readDword("3D_HistogramBpp"), 16u);
    EXPECT_EQ(key.readDword("3D_Normalisation"), 2u);
}

TEST_F(Options3DRegistry, SavedOptionsLoadBackUnchanged) {
    Analysis3DOptions saved = changedOptions();
    saved.ComBpp = 40;  // nonsense is kept as stored
    save3DOptionsToRegistry(saved);
    Analysis3DOptions back;
    load3DOptionsFromRegistry(back);
    EXPECT_EQ(fileText(back), fileText(saved));
}

TEST(Options3DFile, TheGroupIsWrittenInFileOrderWithIntegers) {
    EXPECT_EQ(fileText(changedOptions()),
              "[Vantu_DRIM]\r\n3D_ComFeatures=0\r\n3D_ComDist1=0\r\n3D_ComDist2=1\r\n"
              "3D_ComDist3=0\r\n3D_ComDist4=1\r\n3D_ComDist5=0\r\n3D_ComBpp=8\r\n"
              "3D_ComMoredirs=1\r\n3D_RlmFeatures=0\r\n3D_RlmBpp=5\r\n3D_RlmMoredirs=1\r\n"
              "3D_GradientFeatures=0\r\n3D_GradientBpp=9\r\n3D_HistogramFeatures=0\r\n"
              "3D_HistogramBpp=16\r\n3D_Normalisation=2\r\n");
}

TEST(Options3DFile, AMissingKeyKeepsTheCurrentValueAndSwitchesAreReduced) {
    Analysis3DOptions o = changedOptions();
    load3DOptionsFromFile(
        IniFile::parse("[Vantu_DRIM]\r\n3D_RlmBpp=7\r\n3D_ComDist5=9\r\n3D_ComDist2=0\r\n"), o);
    EXPECT_EQ(o.ComBpp, 8);
    EXPECT_EQ(o.RlmBpp, 7);
    EXPECT_TRUE(o.ComDist5);
    EXPECT_FALSE(o.ComDist2);
    EXPECT_TRUE(o.ComDist4);
    EXPECT_EQ(o.Normalisation, 2);
}

TEST(Options3DFile, SavedOptionsLoadBackUnchanged) {
    IniFile file;
    save3DOptionsToFile(file, changedOptions());
    Analysis3DOptions back;
    load3DOptionsFromFile(IniFile::parse(file.text()), back);
    EXPECT_EQ(fileText(back), file.text());
}

TEST(Options3DSanitized, BitDepthsWithoutARadioButtonBecomeTheDialogsChoice) {
    Analysis3DOptions o;
    o.ComBpp = 9;
    o.RlmBpp = 3;
    o.GradientBpp = 13;
    o.HistogramBpp = 14;
    o.Normalisation = 3;
    Analysis3DOptions s = o.sanitized();
    EXPECT_EQ(s.ComBpp, 4);
    EXPECT_EQ(s.RlmBpp, 4);
    EXPECT_EQ(s.GradientBpp, 12);
    EXPECT_EQ(s.HistogramBpp, 12);
    EXPECT_EQ(s.Normalisation, 0);
    EXPECT_EQ(o.ComBpp, 9);
    o.GradientBpp = 0;
    o.HistogramBpp = -16;
    o.Normalisation = -1;
    s = o.sanitized();
    EXPECT_EQ(s.GradientBpp, 12);
    EXPECT_EQ(s.HistogramBpp, 12);
    EXPECT_EQ(s.Normalisation, 0);
}

TEST(Options3DSanitized, ValidValuesPassUnchanged) {
    Analysis3DOptions o = changedOptions();
    EXPECT_EQ(fileText(o.sanitized()), fileText(o));
    o.HistogramBpp = 4;
    o.ComBpp = 4;
    o.RlmBpp = 8;
    o.GradientBpp = 12;
    EXPECT_EQ(fileText(o.sanitized()), fileText(o));
}

// ---------------------------------------------------------------- voxel sizes

class VoxelSizesRegistry : public ::testing::Test {
  protected:
    ScopedRegistryStore store;
};

TEST_F(VoxelSizesRegistry, SizesAreStringsWithTwoDecimals) {
    VoxelSizes sizes{2.5, 0.333, 10.0};
    auto values = voxelSizesRegistryValues(sizes);
    EXPECT_EQ(namesOf(values),
              (std::vector<std::string>{"VoxelXSize", "VoxelYSize", "VoxelZSize"}));
    saveVoxelSizesToRegistry(sizes);
    auto key = openProgramKey();
    EXPECT_EQ(key.readString("VoxelXSize"), "2.50");
    EXPECT_EQ(key.readString("VoxelYSize"), "0.33");
    EXPECT_EQ(key.readString("VoxelZSize"), "10.00");
    VoxelSizes back;
    loadVoxelSizesFromRegistry(back);
    EXPECT_EQ(back.VoxelXSize, 2.5);
    EXPECT_EQ(back.VoxelYSize, 0.33);
    EXPECT_EQ(back.VoxelZSize, 10.0);
}

TEST_F(VoxelSizesRegistry, OnlyStringsAreTakenAndLettersGiveZero) {
    {
        auto key = programKey();
        key.writeDword("VoxelXSize", 3);
        key.writeString("VoxelYSize", "abc");
    }
    VoxelSizes sizes{0.5, 0.5, 0.5};
    loadVoxelSizesFromRegistry(sizes);
    EXPECT_EQ(sizes.VoxelXSize, 0.5);
    EXPECT_EQ(sizes.VoxelYSize, 0.0);
    EXPECT_EQ(sizes.VoxelZSize, 0.5);
}

TEST_F(VoxelSizesRegistry, AStoreThatCannotBeWrittenFailsSilently) {
    ::setenv("VANTU_REGISTRY_FILE", "/dev/null/registry.txt", 1);  // restored by `store`
    saveVoxelSizesToRegistry(VoxelSizes{2, 2, 2});
    save3DOptionsToRegistry(changedOptions());
    VoxelSizes sizes;
    loadVoxelSizesFromRegistry(sizes);
    EXPECT_EQ(sizes.VoxelXSize, 1.0);
}

TEST(VoxelSizesFile, SizesAreWrittenWithTwoDecimalsInXYZOrder) {
    IniFile file;
    saveVoxelSizesToFile(file, VoxelSizes{0.75, 1.0, 3.125});
    EXPECT_EQ(file.text(),
              "[Vantu_DRIM]\r\nVoxelXSize=0.75\r\nVoxelYSize=1.00\r\nVoxelZSize=3.12\r\n");
}

TEST(VoxelSizesFile, AMissingSizeBecomesOneWhileAMissingBitDepthIsKept) {
    const IniFile file =
        IniFile::parse("[Vantu_DRIM]\r\nVoxelXSize=0.50\r\nVoxelZSize=2.00\r\n3D_RlmBpp=5\r\n");
    VoxelSizes sizes{4.0, 4.0, 4.0};
    Analysis3DOptions options;
    options.ComBpp = 8;
    load3DOptionsFromFile(file, options);
    loadVoxelSizesFromFile(file, sizes);
    EXPECT_EQ(sizes.VoxelXSize, 0.5);
    EXPECT_EQ(sizes.VoxelYSize, 1.0);
    EXPECT_EQ(sizes.VoxelZSize, 2.0);
    EXPECT_EQ(options.ComBpp, 8);
    EXPECT_EQ(options.RlmBpp, 5);
}

TEST(VoxelSizesFile, LettersGiveZero) {
    VoxelSizes sizes;
    loadVoxelSizesFromFile(IniFile::parse("[Vantu_DRIM]\nVoxelXSize=wide\nVoxelYSize=1,5\n"),
                           sizes);
    EXPECT_EQ(sizes.VoxelXSize, 0.0);
    EXPECT_EQ(sizes.VoxelYSize, 1.0);  // a decimal comma is not a decimal point
}

TEST(VoxelSizesSanitized, UnusableSizesBecomeOneAndOthersAreClamped) {
    const double inf = std::numeric_limits<double>::infinity();
    VoxelSizes sizes{0.0, -2.0, std::nan("")};
    VoxelSizes s = sizes.sanitized();
    EXPECT_EQ(s.VoxelXSize, 1.0);
    EXPECT_EQ(s.VoxelYSize, 1.0);
    EXPECT_EQ(s.VoxelZSize, 1.0);
    EXPECT_EQ(sizes.VoxelYSize, -2.0);  // stored as typed
    sizes = VoxelSizes{inf, 0.001, 1e9};
    s = sizes.sanitized();
    EXPECT_EQ(s.VoxelXSize, 1.0);
    EXPECT_EQ(s.VoxelYSize, 0.01);
    EXPECT_EQ(s.VoxelZSize, 10000.0);
    sizes = VoxelSizes{0.5, 0.01, 10000.0};
    s = sizes.sanitized();
    EXPECT_EQ(s.VoxelXSize, 0.5);
    EXPECT_EQ(s.VoxelYSize, 0.01);
    EXPECT_EQ(s.VoxelZSize, 10000.0);
}

}  // namespace
