// Commands, keywords and file extensions under the user's locale, which the
// test script sets to a Turkish one: there "I" is not the capital of "i",
// and the names must still match as they do in the C locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "analysis/core/macro/macro.h"
#include "platform/testing/temp_dir.h"
#include "platform/textformat.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/plugins.h"

namespace fs = std::filesystem;

namespace {

class LetterCaseUnderTheLocale : public ::testing::Test {
  protected:
    // Take the locale from the environment as a desktop program would.
    static void SetUpTestSuite() { std::setlocale(LC_ALL, ""); }
    static void TearDownTestSuite() { std::setlocale(LC_ALL, "C"); }

    void SetUp() override {
        if (std::getenv("VANTU_EXPECT_TURKISH_CASE")) {
            ASSERT_EQ(std::string(std::setlocale(LC_CTYPE, nullptr)).substr(0, 6), "tr_TR.")
                << "the Turkish locale is not installed";
        }
        saved = fs::current_path();
        fs::current_path(dir.path());
    }
    void TearDown() override { fs::current_path(saved); }

    platform::testing::TempDir dir;
    fs::path saved;
};

TEST_F(LetterCaseUnderTheLocale, MacroCommandsAndKeywordsMatchInAnyCase) {
    dir.write("IMAGE.BMP", "x");
    dir.write("DEMO.ROI", "x");
    dir.write("check.txt",
              "loadimage IMAGE.BMP\r\nLOADROI DEMO.ROI\r\nrunanalysis\r\n"
              "featureselection MIPAF\r\nsaveimage OUT.DICOM\r\nEXIT\r\n");
    MacroFileSource source;
    ASSERT_TRUE(source.open("check.txt"));
    const MacroCheckResult result = MacroCheck(source);
    EXPECT_EQ(result.errors, 0) << result.text;
}

TEST_F(LetterCaseUnderTheLocale, FilesOpenByTheirExtensionInAnyCase) {
    EXPECT_EQ(classifyPath("DEMO.ROI"), OpenedKind::Roi);
    EXPECT_EQ(classifyPath("MAP.BMF"), OpenedKind::FeatureMap);
    EXPECT_EQ(classifyPath("RUN.TXT"), OpenedKind::Macro);
    for (const char* name : {"x.dicom", "x.ima", "x.img", "x.xim"}) {
        const std::vector<int> lower = formatIndexesFor(name);
        EXPECT_FALSE(lower.empty()) << name;
        EXPECT_EQ(formatIndexesFor(platform::upperAscii(name)), lower) << name;
    }
    dir.write("Tool.PLUGIN", "Exit\r\n");
    const std::vector<PluginEntry> plugins = findPlugins(dir.path());
    ASSERT_EQ(plugins.size(), 1u);
    EXPECT_EQ(plugins[0].caption, "Tool");
}

}  // namespace
