#include "analysis/core/options/grain_options.h"

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

GrainOptions changedOptions() {
    GrainOptions o;
    o.Sg_threshold = 120;
    o.Sg_ClosingDepth = 3;
    o.Sg_minarea = 40;
    o.Sg_GrainsPerRoi = 4;
    o.Sg_SetClassName = true;
    o.Sg_ClassName = "quartz grains";
    o.Sg_DoGeometry = true;
    o.Sg_DoGeometryP = true;
    o.Sg_Pixels = 12.5;
    o.Sg_Units = 2.0;
    o.Sg_PPU = 6.25;
    return o;
}

void expectDefaults(const GrainOptions& o) {
    EXPECT_EQ(o.Sg_threshold, 58);
    EXPECT_EQ(o.Sg_ClosingDepth, 2);
    EXPECT_EQ(o.Sg_minarea, 256);
    EXPECT_EQ(o.Sg_GrainsPerRoi, 1);
    EXPECT_FALSE(o.Sg_SetClassName);
    EXPECT_EQ(o.Sg_ClassName, "");
    EXPECT_FALSE(o.Sg_DoGeometry);
    EXPECT_FALSE(o.Sg_DoGeometryP);
    EXPECT_EQ(o.Sg_Pixels, 1.0);
    EXPECT_EQ(o.Sg_Units, 1.0);
    EXPECT_EQ(o.Sg_PPU, 1.0);
}

class GrainOptionsRegistry : public ::testing::Test {
  protected:
    ScopedRegistryStore store;
};

TEST_F(GrainOptionsRegistry, AFreshGroupHasTheDefaultsAndAnEmptyStoreKeepsThem) {
    GrainOptions o;
    expectDefaults(o);
    loadGrainOptionsFromRegistry(o);
    expectDefaults(o);
    GrainOptions changed = changedOptions();
    loadGrainOptionsFromRegistry(changed);
    EXPECT_EQ(changed.Sg_threshold, 120);  // missing values keep the current ones
    EXPECT_EQ(changed.Sg_ClassName, "quartz grains");
}

TEST_F(GrainOptionsRegistry, AValueIsTakenOnlyWithTheRightType) {
    {
        auto key = programKey();
        key.writeString("Sg_threshold", "200");  // wrong type
        key.writeDword("Sg_minarea", 64);
        key.writeDword("Sg_Pixels", 3);  // wrong type
        key.writeString("Sg_Units", "2.50");
        key.writeString("Sg_PPU", "0.4");
        key.writeDword("Sg_ClassName", 1);  // wrong type
        key.writeDword("Sg_DoGeometry", 5);
        key.writeDword("Sg_SetClassName", 0);
    }
    GrainOptions o;
    o.Sg_SetClassName = true;
    o.Sg_ClassName = "kept";
    loadGrainOptionsFromRegistry(o);
    EXPECT_EQ(o.Sg_threshold, 58);
    EXPECT_EQ(o.Sg_minarea, 64);
    EXPECT_EQ(o.Sg_Pixels, 1.0);
    EXPECT_EQ(o.Sg_Units, 2.5);
    EXPECT_EQ(o.Sg_PPU, 0.4);
    EXPECT_EQ(o.Sg_ClassName, "kept");
    EXPECT_TRUE(o.Sg_DoGeometry);
    EXPECT_FALSE(o.Sg_SetClassName);
}

TEST_F(GrainOptionsRegistry, TheClassNameIsReadUpTo2047Bytes) {
    {
        auto key = programKey();
        key.writeString("Sg_ClassName", std::string(3000, 'g'));
    }
    GrainOptions o;
    loadGrainOptionsFromRegistry(o);
    EXPECT_EQ(o.Sg_ClassName, std::string(2047, 'g'));
}

TEST_F(GrainOptionsRegistry, ScaleTextsConvertLikeAtof) {
    {
        auto key = programKey();
        key.writeString("Sg_Pixels", "abc");
        key.writeString("Sg_Units", " 7.25mm");
    }
    GrainOptions o;
    loadGrainOptionsFromRegistry(o);
    EXPECT_EQ(o.Sg_Pixels, 0.0);
    EXPECT_EQ(o.Sg_Units, 7.25);
}

TEST_F(GrainOptionsRegistry, TheGroupIsWrittenInOrderWithItsTypesAndFormats) {
    auto values = grainOptionsRegistryValues(changedOptions());
    std::vector<std::string> names;
    for (const auto& [name, value] : values) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Sg_threshold", "Sg_minarea", "Sg_ClosingDepth",
                                               "Sg_GrainsPerRoi", "Sg_SetClassName", "Sg_ClassName",
                                               "Sg_Pixels", "Sg_Units", "Sg_PPU", "Sg_DoGeometry",
                                               "Sg_DoGeometryP"}));
    for (size_t i = 0; i < values.size(); ++i) {
        bool text = i >= 5 && i <= 8;
        EXPECT_EQ(values[i].second.type(),
                  text ? platform::RegistryType::String : platform::RegistryType::Dword)
            << names[i];
    }

    saveGrainOptionsToRegistry(changedOptions());
    auto key = openProgramKey();
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.readDword("Sg_threshold"), 120u);
    EXPECT_EQ(key.readDword("Sg_minarea"), 40u);
    EXPECT_EQ(key.readDword("Sg_ClosingDepth"), 3u);
    EXPECT_EQ(key.readDword("Sg_GrainsPerRoi"), 4u);
    EXPECT_EQ(key.readDword("Sg_SetClassName"), 1u);
    EXPECT_EQ(key.readString("Sg_ClassName"), "quartz grains");
    EXPECT_EQ(key.readString("Sg_Pixels"), "12.50");
    EXPECT_EQ(key.readString("Sg_Units"), "2.00");
    EXPECT_EQ(key.readString("Sg_PPU"), "6.25");
    EXPECT_EQ(key.readDword("Sg_DoGeometry"), 1u);
    EXPECT_EQ(key.readDword("Sg_DoGeometryP"), 1u);
}

TEST_F(GrainOptionsRegistry, SavedOptionsLoadBackIncludingNonsense) {
    GrainOptions saved = changedOptions();
    saved.Sg_GrainsPerRoi = 0;
    saved.Sg_ClosingDepth = -7;
    saveGrainOptionsToRegistry(saved);
    GrainOptions back;
    loadGrainOptionsFromRegistry(back);
    EXPECT_EQ(back.Sg_GrainsPerRoi, 0);
    EXPECT_EQ(back.Sg_ClosingDepth, -7);
    EXPECT_EQ(back.Sg_ClassName, "quartz grains");
    EXPECT_EQ(back.Sg_Pixels, 12.5);
    EXPECT_TRUE(back.Sg_DoGeometryP);
}

TEST_F(GrainOptionsRegistry, AStoreThatCannotBeWrittenFailsSilently) {
    ::setenv("VANTU_REGISTRY_FILE", "/dev/null/registry.txt", 1);  // restored by `store`
    saveGrainOptionsToRegistry(changedOptions());
    GrainOptions o;
    loadGrainOptionsFromRegistry(o);
    expectDefaults(o);
}

TEST(GrainOptionsFile, TheGroupIsWrittenInOrderWithIntegersAndTwoDecimals) {
    IniFile file;
    saveGrainOptionsToFile(file, changedOptions());
    EXPECT_EQ(file.text(),
              "[Vantu_DRIM]\r\nSg_threshold=120\r\nSg_minarea=40\r\nSg_ClosingDepth=3\r\n"
              "Sg_GrainsPerRoi=4\r\nSg_SetClassName=1\r\nSg_ClassName=quartz grains\r\n"
              "Sg_Pixels=12.50\r\nSg_Units=2.00\r\nSg_PPU=6.25\r\nSg_DoGeometry=1\r\n"
              "Sg_DoGeometryP=1\r\n");
}

TEST(GrainOptionsFile, MissingKeysKeepTheCurrentValueButMissingNumbersBecomeOne) {
    GrainOptions o = changedOptions();
    loadGrainOptionsFromFile(IniFile::parse("[Vantu_DRIM]\r\nSg_minarea=99\r\nSg_Units=4\r\n"), o);
    EXPECT_EQ(o.Sg_threshold, 120);
    EXPECT_EQ(o.Sg_minarea, 99);
    EXPECT_TRUE(o.Sg_SetClassName);
    EXPECT_EQ(o.Sg_ClassName, "quartz grains");
    EXPECT_TRUE(o.Sg_DoGeometry);
    EXPECT_EQ(o.Sg_Pixels, 1.0);
    EXPECT_EQ(o.Sg_Units, 4.0);
    EXPECT_EQ(o.Sg_PPU, 1.0);
}

TEST(GrainOptionsFile, SwitchesAreReducedToOnOrOff) {
    GrainOptions o;
    loadGrainOptionsFromFile(IniFile::parse("[Vantu_DRIM]\nSg_DoGeometry=7\nSg_SetClassName=-1\n"),
                             o);
    EXPECT_TRUE(o.Sg_DoGeometry);
    EXPECT_TRUE(o.Sg_SetClassName);
    IniFile file;
    saveGrainOptionsToFile(file, o);
    EXPECT_EQ(file.getString("Vantu_DRIM", "Sg_DoGeometry", ""), "1");
    EXPECT_EQ(file.getString("Vantu_DRIM", "Sg_SetClassName", ""), "1");
}

TEST(GrainOptionsFile, SavedOptionsLoadBackUnchanged) {
    IniFile file;
    saveGrainOptionsToFile(file, changedOptions());
    GrainOptions back;
    loadGrainOptionsFromFile(IniFile::parse(file.text()), back);
    IniFile again;
    saveGrainOptionsToFile(again, back);
    EXPECT_EQ(again.text(), file.text());
}

TEST(GrainOptionsSanitized, CountsAreClampedToTheDialogRanges) {
    GrainOptions o;
    o.Sg_threshold = -1;
    o.Sg_ClosingDepth = 1000000;
    o.Sg_minarea = 5000;
    o.Sg_GrainsPerRoi = 0;
    GrainOptions s = o.sanitized();
    EXPECT_EQ(s.Sg_threshold, 0);
    EXPECT_EQ(s.Sg_ClosingDepth, 32);
    EXPECT_EQ(s.Sg_minarea, 1024);
    EXPECT_EQ(s.Sg_GrainsPerRoi, 1);
    o.Sg_threshold = 5000;
    o.Sg_ClosingDepth = -3;
    o.Sg_minarea = -1;
    o.Sg_GrainsPerRoi = 33;
    s = o.sanitized();
    EXPECT_EQ(s.Sg_threshold, 4096);
    EXPECT_EQ(s.Sg_ClosingDepth, 0);
    EXPECT_EQ(s.Sg_minarea, 0);
    EXPECT_EQ(s.Sg_GrainsPerRoi, 32);
    EXPECT_EQ(o.Sg_GrainsPerRoi, 33);  // the stored value stays
}

TEST(GrainOptionsSanitized, UnusableScalesAreReplaced) {
    const double inf = std::numeric_limits<double>::infinity();
    GrainOptions o;
    o.Sg_Pixels = 0.0;
    o.Sg_Units = std::nan("");
    o.Sg_PPU = inf;
    GrainOptions s = o.sanitized();
    EXPECT_EQ(s.Sg_Pixels, 0.01);
    EXPECT_EQ(s.Sg_Units, 0.01);
    EXPECT_EQ(s.Sg_PPU, 1.0);
    o.Sg_Units = -inf;
    o.Sg_PPU = 0.0;
    s = o.sanitized();
    EXPECT_EQ(s.Sg_Units, 0.01);
    EXPECT_EQ(s.Sg_PPU, 1.0);
}

TEST(GrainOptionsSanitized, UsableValuesPassUnchanged) {
    GrainOptions o = changedOptions();
    o.Sg_Pixels = -3.0;  // the dialog accepts a negative scale as typed
    o.Sg_ClassName = std::string(2047, 'n');
    GrainOptions s = o.sanitized();
    IniFile a, b;
    saveGrainOptionsToFile(a, o);
    saveGrainOptionsToFile(b, s);
    EXPECT_EQ(a.text(), b.text());
    o.Sg_ClassName += "xyz";
    EXPECT_EQ(o.sanitized().Sg_ClassName, std::string(2047, 'n'));
}

}  // namespace
