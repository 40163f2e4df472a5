#include "platform/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/testing/temp_dir.h"

using namespace platform;
using platform::testing::ScopedRegistryStore;

namespace {

class RegistryTest : public ::testing::Test {
  protected:
    ScopedRegistryStore store;
};

TEST_F(RegistryTest, ValuesSurviveCloseAndReopenWithTheirTypes) {
    {
        auto key = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
        ASSERT_TRUE(key.isOpen());
        EXPECT_TRUE(key.writeDword("Ng_vt", 7));
        EXPECT_TRUE(key.writeDword("Big", 0xFFFFFFFFu));
        EXPECT_TRUE(key.writeString("VoxelXSize", "1.25"));
        EXPECT_TRUE(key.writeString("Sg_ClassName", "a \"quoted\" \\ name\r\nline two\t\x01"));
        EXPECT_TRUE(key.close());
    }
    auto key = RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.readDword("Ng_vt"), 7u);
    EXPECT_EQ(key.readDword("Big"), 0xFFFFFFFFu);
    EXPECT_EQ(key.readString("VoxelXSize"), "1.25");
    EXPECT_EQ(key.readString("Sg_ClassName"), "a \"quoted\" \\ name\r\nline two\t\x01");
}

TEST_F(RegistryTest, AValueOfTheWrongTypeIsNotTaken) {
    {
        auto key = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
        key.writeString("Ng_vt", "8");
        key.writeDword("VoxelXSize", 2);
    }
    auto key = RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
    EXPECT_FALSE(key.readDword("Ng_vt").has_value());
    EXPECT_FALSE(key.readString("VoxelXSize").has_value());
    EXPECT_EQ(ReadRegistryDword(key, "Ng_vt", 6), 6u);
    EXPECT_EQ(ReadRegistryString(key, "VoxelXSize", "1.0", 64), "1.0");
}

TEST_F(RegistryTest, KeysAndNamesIgnoreLetterCaseAndDoubledSeparators) {
    {
        auto key = RegistryKey::create(Hive::LocalMachine, "Software\\KWL_Software\\\\Vantu4_00\\");
        key.writeDword("Do_Co", 0);
    }
    auto key = RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.readDword("DO_CO"), 0u);
}

TEST_F(RegistryTest, HivesAreSeparate) {
    {
        auto key = RegistryKey::create(Hive::ClassesRoot, ".roi");
        key.writeString("", "roi.file");
    }
    EXPECT_FALSE(RegistryKey::open(Hive::LocalMachine, ".roi").isOpen());
    auto key = RegistryKey::open(Hive::ClassesRoot, ".roi");
    EXPECT_EQ(key.readString(""), "roi.file");
}

TEST_F(RegistryTest, OpeningAMissingKeyFailsAndReadsGiveNothing) {
    auto key = RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
    EXPECT_FALSE(key.isOpen());
    EXPECT_FALSE(key.readDword("Do_co").has_value());
    EXPECT_FALSE(key.writeDword("Do_co", 1));
    EXPECT_EQ(ReadRegistryDword(key, "Do_co", 1), 1u);
}

TEST_F(RegistryTest, AnEmptyCreatedKeyExistsAfterwards) {
    RegistryKey::create(Hive::ClassesRoot, "ima.file\\DefaultIcon").close();
    EXPECT_TRUE(RegistryKey::open(Hive::ClassesRoot, "ima.file\\DefaultIcon").isOpen());
}

TEST_F(RegistryTest, StringReadsAreCutToTheBuffer) {
    {
        auto key = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
        key.writeString("Maps_Tree", std::string(120, '1'));
    }
    auto key = RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
    EXPECT_EQ(key.readString("Maps_Tree", 98)->size(), 97u);
}

TEST_F(RegistryTest, TwoHandlesKeepEachOthersWrites) {
    auto first = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
    auto second = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
    first.writeDword("RawX", 512);
    second.writeDword("RawY", 128);
    first.close();
    second.close();
    auto key = RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
    EXPECT_EQ(key.readDword("RawX"), 512u);
    EXPECT_EQ(key.readDword("RawY"), 128u);
}

TEST_F(RegistryTest, TheStoreFileIsReadableText) {
    {
        auto key = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
        key.writeDword("Do_co", 1);
        key.writeString("VoxelXSize", "1.00");
    }
    EXPECT_EQ(store.dir().read("registry.txt"),
              "# Vantu registry store 1\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\KWL_Software\\Vantu4_00]\n"
              "\"Do_co\"=dword:00000001\n"
              "\"VoxelXSize\"=\"1.00\"\n"
              "# end\n");
}

TEST_F(RegistryTest, ADamagedStoreKeepsEveryValueThatCanBeRead) {
    {
        auto key = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
        key.writeDword("Do_co", 0);
        key.writeDword("Do_rl", 7);
    }
    std::string good = store.dir().read("registry.txt");
    struct Case {
        std::string text;
        bool keyOpens;
        std::optional<uint32_t> doCo;  // what survives of the first value
    };
    const Case cases[] = {
        {good.substr(0, good.size() - 3), true, 0u},     // cut in the end line
        {good.substr(0, good.find("# end")), true, 0u},  // cut before the end line
        {"garbage\n" + good, false, std::nullopt},       // wrong magic: not a store
        {good + "more\n", true, 0u},                     // text after the end
        {std::string(good).replace(good.find("dword:"), 6, "qword:"), true, std::nullopt},
        {std::string(good).replace(good.find("00000000"), 8, "0000000g"), true, std::nullopt},
        {"", false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        store.dir().write("registry.txt", c.text);
        auto key = RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
        EXPECT_EQ(key.isOpen(), c.keyOpens);
        EXPECT_EQ(key.readDword("Do_co"), c.doCo);
        // The one malformed line costs only its own value.
        if (c.keyOpens) {
            EXPECT_EQ(key.readDword("Do_rl"), 7u);
        }
    }
}

TEST_F(RegistryTest, ADamagedStoreIsKeptAsBadBeforeANewOneIsWritten) {
    {
        auto key = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
        key.writeDword("Do_co", 3);
        key.writeString("Name", "kept");
    }
    std::string good = store.dir().read("registry.txt");
    const std::string damaged = std::string(good).replace(good.find("dword:"), 6, "qword:");
    store.dir().write("registry.txt", damaged);
    ::testing::internal::CaptureStderr();
    {
        auto key = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
        key.writeDword("Do_rl", 1);
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("registry.txt.bad"), std::string::npos) << err;
    EXPECT_EQ(store.dir().read("registry.txt.bad"), damaged);
    auto key = RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
    EXPECT_EQ(key.readString("Name"), "kept");
    EXPECT_EQ(key.readDword("Do_rl"), 1u);
    EXPECT_FALSE(key.readDword("Do_co"));
    // The new file is sound: the next write keeps the .bad file as it is.
    store.dir().write("registry.txt.bad", "older");
    { RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath).writeDword("Do_rl", 2); }
    EXPECT_EQ(store.dir().read("registry.txt.bad"), "older");

    // A file that is no store at all (binary garbage) is kept too.
    store.dir().write("registry.txt", std::string("\x00\xff\x13garbage", 10));
    ::testing::internal::CaptureStderr();
    { RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath).writeDword("Do_rl", 5); }
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(store.dir().read("registry.txt.bad"), std::string("\x00\xff\x13garbage", 10));
    EXPECT_EQ(RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath).readDword("Do_rl"), 5u);
}

// An editor may start the file with a byte-order mark, and an empty file is
// an empty store: neither is damage, so no value is lost and no ".bad" kept.
TEST_F(RegistryTest, AByteOrderMarkOrAnEmptyFileIsNoDamage) {
    { RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath).writeDword("Do_rl", 7); }
    const std::string good = store.dir().read("registry.txt");
    for (const std::string& text :
         {"\xEF\xBB\xBF" + good, std::string("\xEF\xBB\xBF"), std::string()}) {
        SCOPED_TRACE(text);
        store.dir().write("registry.txt", text);
        ::testing::internal::CaptureStderr();
        { RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath).writeDword("Do_co", 1); }
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_FALSE(std::filesystem::exists(store.dir().file("registry.txt.bad")));
        auto key = RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
        EXPECT_EQ(key.readDword("Do_co"), 1u);
        EXPECT_EQ(key.readDword("Do_rl"),
                  text.size() > 3 ? std::optional<uint32_t>(7) : std::nullopt);
    }
}

TEST(RegistryStoreText, SalvageKeepsWellFormedLinesUnderWellFormedKeys) {
    const std::string text =
        "# Vantu registry store 1\n[K1]\n\"a\"=dword:00000001\nbroken line\n"
        "[bad key\n\"lost\"=dword:00000002\n[K2]\n\"b\"=\"x\"\n# end\n";
    EXPECT_FALSE(parseRegistryStore(text));
    RegistryStoreSalvage got = salvageRegistryStore(text);
    EXPECT_TRUE(got.damaged);
    EXPECT_FALSE(got.unreadable);
    ASSERT_EQ(got.keys.size(), 2u);
    EXPECT_EQ(std::get<uint32_t>(got.keys["K1"]["a"].data), 1u);
    EXPECT_EQ(got.keys["K1"].size(), 1u);
    EXPECT_EQ(std::get<std::string>(got.keys["K2"]["b"].data), "x");
    // A sound store is not damaged.
    RegistryStoreSalvage sound = salvageRegistryStore(formatRegistryStore(got.keys));
    EXPECT_FALSE(sound.damaged);
    EXPECT_EQ(sound.keys.size(), 2u);
}

TEST_F(RegistryTest, AnUnwritableStoreFailsSilently) {
    // Below a plain file no folder can be made, not even by root.
    ::setenv("VANTU_REGISTRY_FILE", (store.dir().write("plain", "") + "/registry.txt").c_str(), 1);
    auto key = RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
    EXPECT_FALSE(key.isOpen());
    EXPECT_FALSE(key.writeDword("Do_co", 1));
}

TEST(RegistryStoreText, FormatAndParseAreInverse) {
    RegistryKeys keys;
    keys["HKEY_CLASSES_ROOT\\.dcm"][""].data = std::string("dcm.file");
    keys["HKEY_CLASSES_ROOT\\dcm.file\\shell\\open\\command"][""].data =
        std::string("/opt/vantu/vantu %1");
    keys["HKEY_LOCAL_MACHINE\\X"]["a=b"].data = uint32_t{42};
    keys["HKEY_LOCAL_MACHINE\\X"]["nul"].data = std::string("a\0b", 3);
    auto parsed = parseRegistryStore(formatRegistryStore(keys));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(formatRegistryStore(*parsed), formatRegistryStore(keys));
    EXPECT_EQ(std::get<uint32_t>((*parsed)["HKEY_LOCAL_MACHINE\\X"]["a=b"].data), 42u);
}

TEST(RegistryStoreText, CrLfLineEndsAreAccepted) {
    auto parsed =
        parseRegistryStore("# Vantu registry store 1\r\n[K]\r\n\"v\"=dword:0000000a\r\n# end\r\n");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(std::get<uint32_t>((*parsed)["K"]["v"].data), 10u);
}

}  // namespace
