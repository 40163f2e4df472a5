#include "platform/shell.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

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

// A save killed before its rename left "<name>.tmp<pid>": the next save into
// the folder removes it when that process is gone, and nothing else.
TEST(Files, ASaveRemovesTheTemporaryFilesOfKilledSaves) {
    platform::testing::TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string dead = std::to_string(child);
    const std::string alive = std::to_string(::getppid());
    const std::string own = std::to_string(::getpid());
    dir.write("old.roi.tmp" + dead, "left by a killed save");
    dir.write("a.txt.tmp" + dead, "the same name");
    const std::vector<std::string> kept = {
        "b.txt.tmp" + alive,  // a save of a running process
        "c.txt.tmp" + own,    // a save of this process, maybe under way
        "d.txt.tmp",         "e.txt.tmpx" + dead, "f.txt.tmp0" + dead, ".tmp" + dead, "notes.txt"};
    for (const std::string& name : kept) dir.write(name, "x");
    std::filesystem::create_directory(dir.file("g.tmp" + dead));
    ASSERT_TRUE(writeWholeFileAtomically(dir.file("a.txt"), "new"));
    EXPECT_EQ(dir.read("a.txt"), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.file("old.roi.tmp" + dead)));
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.txt.tmp" + dead)));
    for (const std::string& name : kept)
        EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("g.tmp" + dead)));
}

}  // namespace
