#include "workspace/core/formats/open_rules.h"

#include <gtest/gtest.h>

#include "platform/dialogs.h"

namespace {

TEST(OpenRules, ExtensionsComeFromTheFileNameOnly) {
    EXPECT_EQ(fileExtension("/data/study.v2/scan"), "");
    EXPECT_EQ(fileExtension("/data/study.v2/scan.IMA"), ".IMA");
    EXPECT_EQ(fileExtension("C:\\data.old\\scan"), "");
    EXPECT_EQ(fileExtension("scan.tar.raw"), ".raw");
    EXPECT_EQ(fileExtension(".hidden"), ".hidden");
}

TEST(OpenRules, MacrosMapsAndRoisGoToTheirReaders) {
    EXPECT_EQ(classifyPath("/a/run.TXT"), OpenedKind::Macro);
    EXPECT_EQ(classifyPath("/a/map.bmf"), OpenedKind::FeatureMap);
    EXPECT_EQ(classifyPath("/a/liver.Roi"), OpenedKind::Roi);
    EXPECT_EQ(classifyPath("/a/liver.roi.bmp"), OpenedKind::Image);
    EXPECT_EQ(classifyPath("/a.txt/liver"), OpenedKind::Image);
}

TEST(OpenRules, FormatsAreTriedInTheirOrder) {
    EXPECT_EQ(formatIndexesFor("x.IMA"), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(formatIndexesFor("x.img"), (std::vector<int>{6, 9, 10, 11}));
    EXPECT_EQ(formatIndexesFor("x.xim"), (std::vector<int>{7, 8}));
    EXPECT_EQ(formatIndexesFor("x.dicom"), (std::vector<int>{12}));
    EXPECT_EQ(formatIndexesFor("x.dcm"), (std::vector<int>{13}));
    EXPECT_EQ(formatIndexesFor("x.bmp"), (std::vector<int>{1}));
    EXPECT_EQ(formatIndexesFor("x.raw"), (std::vector<int>{2}));
    EXPECT_TRUE(formatIndexesFor("x.png").empty());
    EXPECT_TRUE(formatIndexesFor("noextension").empty());
    EXPECT_EQ(scannerFormatId(3), 10);
    EXPECT_EQ(scannerFormatId(11), 18);
    EXPECT_EQ(scannerFormatId(12), 0);
}

TEST(OpenRules, TheLoadDialogListsTheTwelveFormatsInIndexOrder) {
    auto entries = platform::parseFilter(kLoadImageFilter);
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries[0].description, "Windows Bitmap (*.bmp)");
    EXPECT_EQ(entries[4].description, "Siemens Vision (*.ima)");
    EXPECT_EQ(entries[10].description, "Picker (*.img)");
    EXPECT_EQ(entries[11].description, "Dicom (*.dcm; *.dicom)");
    EXPECT_EQ(entries[11].patterns, (std::vector<std::string>{"*dcm", "*.dicom"}));
}

}  // namespace
