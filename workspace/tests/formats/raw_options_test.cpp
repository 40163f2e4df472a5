#include "workspace/core/formats/raw_options.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "workspace/core/image/image_plane.h"

using platform::Hive;
using platform::kOptionsKeyPath;
using platform::RegistryKey;
using platform::testing::openProgramKey;
using platform::testing::programKey;
using platform::testing::ScopedRegistryStore;

namespace {

std::vector<uint32_t> dwordsOf(const RawOptions& o) {
    std::vector<uint32_t> out;
    for (const auto& [name, value] : rawOptionsRegistryValues(o))
        out.push_back(std::get<uint32_t>(value.data));
    return out;
}

class RawOptionsRegistry : public ::testing::Test {
  protected:
    ScopedRegistryStore store;
};

TEST_F(RawOptionsRegistry, AFreshGroupHasTheDefaultsAndAnEmptyStoreKeepsThem) {
    RawOptions o;
    LoadRawOptionsFromRegistry(o);
    EXPECT_EQ(dwordsOf(o), (std::vector<uint32_t>{256, 256, 0, 0, 1, 1, 8}));
}

TEST_F(RawOptionsRegistry, DwordsAreTakenOthersKeepTheCurrentValue) {
    {
        auto key = programKey();
        key.writeDword("RawX", 512);
        key.writeString("RawY", "100");
        key.writeDword("RawHeader", 2048);
        key.writeDword("RawBits", 16);
        key.writeDword("RawEndian", 0);
    }
    RawOptions o;
    o.RawSubheader = 12;
    LoadRawOptionsFromRegistry(o);
    EXPECT_EQ(dwordsOf(o), (std::vector<uint32_t>{512, 256, 2048, 12, 1, 0, 16}));
}

TEST_F(RawOptionsRegistry, TheByteOrderIsReadAsAFlag) {
    {
        auto key = programKey();
        key.writeDword("RawEndian", 5);
    }
    RawOptions o;
    o.RawEndian = 0;
    LoadRawOptionsFromRegistry(o);
    EXPECT_EQ(o.RawEndian, 1);
}

TEST_F(RawOptionsRegistry, TheGroupIsWrittenInOrderAsDwords) {
    RawOptions o;
    o.RawX = 640;
    o.RawY = 480;
    o.RawHeader = 8192;
    o.RawSubheader = 16;
    o.RawFirstImage = 3;
    o.RawEndian = 0;
    o.RawBits = 16;
    std::vector<std::string> names;
    for (const auto& [name, value] : rawOptionsRegistryValues(o)) {
        names.push_back(name);
        EXPECT_EQ(value.type(), platform::RegistryType::Dword) << name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"RawX", "RawY", "RawHeader", "RawSubheader",
                                               "RawFirstImage", "RawEndian", "RawBits"}));
    EXPECT_EQ(dwordsOf(o), (std::vector<uint32_t>{640, 480, 8192, 16, 3, 0, 16}));

    SaveRawOptionsToRegistry(o);
    auto key = openProgramKey();
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.readDword("RawX"), 640u);
    EXPECT_EQ(key.readDword("RawY"), 480u);
    EXPECT_EQ(key.readDword("RawHeader"), 8192u);
    EXPECT_EQ(key.readDword("RawSubheader"), 16u);
    EXPECT_EQ(key.readDword("RawFirstImage"), 3u);
    EXPECT_EQ(key.readDword("RawEndian"), 0u);
    EXPECT_EQ(key.readDword("RawBits"), 16u);
}

TEST_F(RawOptionsRegistry, StoredNonsenseIsWrittenBackUnchanged) {
    {
        auto key = programKey();
        key.writeDword("RawX", 0xFFFFFFFFu);
        key.writeDword("RawY", 0);
        key.writeDword("RawBits", 99);
    }
    RawOptions o;
    LoadRawOptionsFromRegistry(o);
    EXPECT_EQ(o.RawX, -1);
    SaveRawOptionsToRegistry(o);
    auto key = openProgramKey();
    EXPECT_EQ(key.readDword("RawX"), 0xFFFFFFFFu);
    EXPECT_EQ(key.readDword("RawY"), 0u);
    EXPECT_EQ(key.readDword("RawBits"), 99u);
}

TEST_F(RawOptionsRegistry, AStoreThatCannotBeWrittenFailsSilently) {
    ::setenv("VANTU_REGISTRY_FILE", "/dev/null/registry.txt", 1);  // restored by `store`
    RawOptions o;
    o.RawX = 1;
    SaveRawOptionsToRegistry(o);
    RawOptions back;
    LoadRawOptionsFromRegistry(back);
    EXPECT_EQ(back.RawX, 256);
}

TEST(RawOptionsSanitized, ValidValuesPassUnchanged) {
    RawOptions o;
    o.RawX = kMaxRawSide;
    o.RawY = 1;
    o.RawHeader = 0x7FFFFFFF;
    o.RawSubheader = 512;
    o.RawFirstImage = 65535;
    o.RawEndian = 0;
    o.RawBits = 16;
    EXPECT_EQ(dwordsOf(o.sanitized()), dwordsOf(o));
    EXPECT_EQ(dwordsOf(RawOptions{}.sanitized()), dwordsOf(RawOptions{}));
}

TEST(RawOptionsSanitized, ImpossibleSizesAndOffsetsAreClamped) {
    RawOptions o;
    o.RawX = 0;
    o.RawY = 100000;
    o.RawHeader = -1;
    o.RawSubheader = -4096;
    o.RawFirstImage = 0;
    o.RawEndian = 2;
    o.RawBits = 12;
    RawOptions s = o.sanitized();
    EXPECT_EQ(s.RawX, 1);
    EXPECT_EQ(s.RawY, kMaxRawSide);
    EXPECT_EQ(s.RawHeader, 0);
    EXPECT_EQ(s.RawSubheader, 0);
    EXPECT_EQ(s.RawFirstImage, 1);
    EXPECT_EQ(s.RawEndian, 1);
    EXPECT_EQ(s.RawBits, 16);
    EXPECT_EQ(o.RawX, 0);  // the stored value stays
    o.RawX = -1;
    o.RawFirstImage = 70000;
    o.RawBits = 0;
    s = o.sanitized();
    EXPECT_EQ(s.RawX, 1);
    EXPECT_EQ(s.RawFirstImage, 65535);
    EXPECT_EQ(s.RawBits, 8);
}

TEST(RawOptionsSanitized, TheLargestImageStaysWithinAnImagePlane) {
    RawOptions o;
    o.RawX = o.RawY = 0x7FFFFFFF;
    RawOptions s = o.sanitized();
    EXPECT_LE(static_cast<size_t>(s.RawX) * static_cast<size_t>(s.RawY), kMaxPlaneWords);
}

}  // namespace
