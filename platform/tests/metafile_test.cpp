// Metafiles must open in other programs: each saved picture is converted to
// SVG by an independent reader (emf2svg for .emf, libwmf's wmf2svg for .wmf)
// and its texts are found there.
#include "platform/metafile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/testing/temp_dir.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

platform::Metafile picture(platform::MetafileKind kind) {
    platform::Metafile m(kind, 360, 360);
    m.frame(0, 0, 359, 359, 0xF0F0F0, 0x000000);
    m.line(10, 300, 300, 300, 0x000000, true);
    m.text({50, 60, "7", 0x0000FF, true, 14, 0});
    m.text({150, 280, "S(1,0)Contrast", 0x000000, false, 11, 30});
    m.text({20, 300, "+0.0123", 0x000000, false, 9, 0});
    return m;
}

}  // namespace

TEST(Metafile, EnhancedMetafileOpensInAnotherReader) {
    platform::testing::TempDir dir;
    ASSERT_TRUE(picture(platform::MetafileKind::Enhanced).save(dir.file("plot.emf")));
    const std::string emf = readFile(dir.file("plot.emf"));
    ASSERT_GE(emf.size(), 88u);
    EXPECT_EQ(emf.substr(40, 4), " EMF");  // the header's signature
    const std::string command = "emf2svg-conv -i '" + dir.file("plot.emf") + "' -o '" +
                                dir.file("plot.svg") + "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "emf2svg-conv could not read the file";
    const std::string svg = readFile(dir.file("plot.svg"));
    EXPECT_NE(svg.find("[CDATA[7]]"), std::string::npos);
    EXPECT_NE(svg.find("[CDATA[S(1,0)Contrast]]"), std::string::npos);
    EXPECT_NE(svg.find("[CDATA[+0.0123]]"), std::string::npos);
}

TEST(Metafile, WindowsMetafileOpensInAnotherReader) {
    platform::testing::TempDir dir;
    ASSERT_TRUE(picture(platform::MetafileKind::Windows).save(dir.file("plot.wmf")));
    const std::string wmf = readFile(dir.file("plot.wmf"));
    ASSERT_GE(wmf.size(), 22u);
    EXPECT_EQ(static_cast<unsigned char>(wmf[0]), 0xD7);  // the placeable header's key
    const std::string command =
        "wmf2svg -o '" + dir.file("plot.svg") + "' '" + dir.file("plot.wmf") + "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "wmf2svg could not read the file";
    const std::string svg = readFile(dir.file("plot.svg"));
    EXPECT_NE(svg.find(">7<"), std::string::npos);
    EXPECT_NE(svg.find("S(1,0)Contrast"), std::string::npos);
}

TEST(Metafile, AFileThatCannotBeWrittenIsReported) {
    EXPECT_FALSE(picture(platform::MetafileKind::Enhanced).save("/nonexistent-folder/plot.emf"));
    EXPECT_FALSE(picture(platform::MetafileKind::Windows).save("/nonexistent-folder/plot.wmf"));
}
