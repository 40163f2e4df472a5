#include "platform/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/files.h"
#include "platform/testing/temp_dir.h"

using namespace platform;

namespace {

TEST(Shell, AStartedProgramGetsItsArgumentAsOneWord) {
    platform::testing::TempDir dir;
    std::string script =
        dir.write("echo.sh",
                  "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$(dirname \"$0\")/out.tmp\"\nmv "
                  "\"$(dirname \"$0\")/out.tmp\" \"$(dirname \"$0\")/out.txt\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    ASSERT_TRUE(startProgram(script, "/tmp/my folder/temp \"x\".sel"));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(dir.file("out.txt")) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(dir.read("out.txt"), "1|/tmp/my folder/temp \"x\".sel");
}

TEST(Shell, AProgramThatCannotStartIsReported) {
    EXPECT_FALSE(startProgram("/no/such/program", "a"));
    EXPECT_FALSE(startProgram("no-such-program-anywhere-vantu", "a"));
}

TEST(Shell, FoldersEndInASlash) {
    EXPECT_EQ(temporaryFolder().back(), '/');
    std::string folder = programFolder();
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(std::filesystem::path(programPath()).parent_path().string() + "/", folder);
}

TEST(Files, ReadsAreBoundedAndWritesReplaceWhole) {
    platform::testing::TempDir dir;
    std::string path = dir.write("a.txt", "12345");
    EXPECT_EQ(readWholeFile(path, 5), "12345");
    EXPECT_FALSE(readWholeFile(path, 4).has_value());
    EXPECT_FALSE(readWholeFile(dir.file("none"), 100).has_value());
    EXPECT_FALSE(readWholeFile(dir.path(), 100).has_value());  // a folder is no file
    EXPECT_TRUE(writeWholeFileAtomically(path, "ab"));
    EXPECT_EQ(dir.read("a.txt"), "ab");
    EXPECT_FALSE(writeWholeFileAtomically(dir.file("missing/a.txt"), "x"));
    // No temporary file is left behind by either write.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
