#include "platform/profile.h"

#include <gtest/gtest.h>

#include "platform/testing/temp_dir.h"

using namespace platform;

namespace {

TEST(IniRead, AMissingKeyOrSectionGivesTheCallersValue) {
    auto ini = IniFile::parse("[Vantu_DRIM]\r\nDo_co=0\r\n");
    EXPECT_EQ(ini.getInt("Vantu_DRIM", "Do_co", 1), 0);
    EXPECT_EQ(ini.getInt("Vantu_DRIM", "Do_grad", 5), 5);
    EXPECT_EQ(ini.getInt("Other", "Do_co", 9), 9);
    EXPECT_EQ(ini.getString("Vantu_DRIM", "VoxelYSize", "1.0"), "1.0");
}

TEST(IniRead, SectionsAndKeysIgnoreLetterCaseAndBlanks) {
    auto ini = IniFile::parse("  [ vantu_drim ]\n  do_CO  =  12  \n");
    EXPECT_EQ(ini.getInt("Vantu_DRIM", "Do_co", 1), 12);
    EXPECT_EQ(ini.getString("VANTU_DRIM", "DO_CO", ""), "12");
    // An editor's byte-order mark is no part of the first line, and stays.
    auto marked = IniFile::parse("\xEF\xBB\xBF[Vantu_DRIM]\r\nDo_co=3\r\n");
    EXPECT_EQ(marked.getInt("Vantu_DRIM", "Do_co", 1), 3);
    marked.setInt("Vantu_DRIM", "Do_co", 4);
    EXPECT_EQ(marked.text(), "\xEF\xBB\xBF[Vantu_DRIM]\r\nDo_co=4\r\n");
}

TEST(IniRead, ValuesFollowTheProfileRules) {
    auto ini = IniFile::parse(
        "[s]\nneg=-5\nhex=0x1F\nlead=42abc\nword=abc\nempty=\nquoted=\"a b\"\n"
        "half=\"a\nfirst=1\nfirst=2\n; comment=7\nnoequals\n[t]\nx=3\n");
    EXPECT_EQ(ini.getInt("s", "neg", 0), -5);
    EXPECT_EQ(ini.getInt("s", "hex", 0), 31);
    EXPECT_EQ(ini.getInt("s", "lead", 0), 42);
    EXPECT_EQ(ini.getInt("s", "word", 9), 0);
    EXPECT_EQ(ini.getInt("s", "empty", 9), 9);
    EXPECT_EQ(ini.getString("s", "quoted", ""), "a b");
    EXPECT_EQ(ini.getString("s", "half", ""), "\"a");
    EXPECT_EQ(ini.getInt("s", "first", 0), 1);
    EXPECT_EQ(ini.getInt("s", "comment", 0), 0);
    EXPECT_EQ(ini.getInt("s", "x", 0), 0);  // belongs to [t]
    EXPECT_EQ(ini.getInt("t", "x", 0), 3);
}

TEST(IniWrite, ChangesOnlyItsOwnLine) {
    std::string text =
        "; options of a study\r\n[Other]\r\nDo_co=9\r\n\r\n[Vantu_DRIM]\r\nDo_co=1\r\n"
        "Ng_vt=6\r\n\r\n[Last]\r\nx=1\r\n";
    auto ini = IniFile::parse(text);
    ini.setInt("vantu_drim", "DO_CO", 0);
    ini.setInt("Vantu_DRIM", "Ng_rl", 5);
    ini.setReal("Vantu_DRIM", "VoxelXSize", 0.5);
    EXPECT_EQ(ini.text(),
              "; options of a study\r\n[Other]\r\nDo_co=9\r\n\r\n[Vantu_DRIM]\r\nDO_CO=0\r\n"
              "Ng_vt=6\r\nNg_rl=5\r\nVoxelXSize=0.50\r\n\r\n[Last]\r\nx=1\r\n");
}

TEST(IniWrite, ANewSectionIsAppendedAndLineEndsKept) {
    auto ini = IniFile::parse("[a]\nx=1\n");
    ini.setInt("Vantu_DRIM", "Mask_x", -9);
    EXPECT_EQ(ini.text(), "[a]\nx=1\n\n[Vantu_DRIM]\nMask_x=-9\n");
    IniFile empty;
    empty.setString("Vantu_DRIM", "Maps_Tree", "0101");
    EXPECT_EQ(empty.text(), "[Vantu_DRIM]\r\nMaps_Tree=0101\r\n");
}

TEST(IniWrite, ALineBreakInAValueCannotSplitTheLine) {
    IniFile ini;
    ini.setString("s", "Sg_ClassName", "a\r\nb=1");
    EXPECT_EQ(ini.getString("s", "Sg_ClassName", ""), "a  b=1");
    EXPECT_FALSE(ini.hasKey("s", "b"));
}

TEST(IniFiles, SaveAndLoadRoundTripAndMissingFilesAreEmpty) {
    platform::testing::TempDir dir;
    IniFile ini;
    EXPECT_FALSE(ini.load(dir.file("missing.ini")));
    EXPECT_EQ(ini.getInt("Vantu_DRIM", "Do_co", 4), 4);
    ini.setInt("Vantu_DRIM", "Do_co", 2);
    ASSERT_TRUE(ini.save(dir.file("o.ini")));
    IniFile back;
    ASSERT_TRUE(back.load(dir.file("o.ini")));
    EXPECT_EQ(back.getInt("Vantu_DRIM", "Do_co", 4), 2);
    EXPECT_FALSE(ini.save(dir.file("no/such/folder/o.ini")));
}

}  // namespace
