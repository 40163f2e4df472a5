#include "platform/shell.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
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

// A save killed before its rename left ".<name>.vantu-save-<pid>": the next
// save of that name removes it when that process is gone, and nothing else,
// least of all user files that merely look like temporaries.
TEST(Files, ASaveRemovesOnlyTheTemporaryFilesOfItsOwnKilledSaves) {
    platform::testing::TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string dead = std::to_string(child);
    const std::string alive = std::to_string(::getppid());
    dir.write(".a.txt.vantu-save-" + dead, "left by a killed save");
    const std::vector<std::string> kept = {
        ".a.txt.vantu-save-" + alive,  // a save of a running process
        ".b.txt.vantu-save-" + dead,   // another file's
        ".a.txt.vantu-save-x" + dead, "a.txt.vantu-save-" + dead,
        "a.txt.tmp" + dead,           "thesis.tmp99999",
        "demo.bmp.tmp2024",           "notes.txt"};
    for (const std::string& name : kept) dir.write(name, "x");
    ASSERT_TRUE(writeWholeFileAtomically(dir.file("a.txt"), "new"));
    EXPECT_EQ(dir.read("a.txt"), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.file(".a.txt.vantu-save-" + dead)));
    for (const std::string& name : kept)
        EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    // Names too long to stand whole in a temporary's share their start, and
    // still not their temporaries.
    const std::string longA = std::string(240, 'n') + "a", longB = std::string(240, 'n') + "b";
    const std::string startOfB = "." + longB.substr(0, 232) + ".vantu-save-" + dead;
    dir.write(startOfB, "x");
    ASSERT_TRUE(writeWholeFileAtomically(dir.file(longA), "new"));
    EXPECT_TRUE(std::filesystem::exists(dir.file(startOfB)));
}

// A save through a chain of links writes the file at its end; a file the
// user may not write stays as it is; one that is replaced keeps its mode.
TEST(Files, ASaveWritesTheLinkedFileAndKeepsItsPermissions) {
    namespace fs = std::filesystem;
    platform::testing::TempDir dir;
    dir.write("real.par", "old");
    fs::create_directory(dir.file("sub"));
    fs::create_symlink("../real.par", dir.file("sub/link.par"));
    fs::create_symlink("sub/link.par", dir.file("first.par"));
    ASSERT_TRUE(writeWholeFileAtomically(dir.file("first.par"), "new"));
    EXPECT_TRUE(fs::is_symlink(dir.file("first.par")));
    EXPECT_TRUE(fs::is_symlink(dir.file("sub/link.par")));
    EXPECT_EQ(dir.read("real.par"), "new");
    fs::create_symlink("loop.par", dir.file("loop.par"));
    EXPECT_FALSE(writeWholeFileAtomically(dir.file("loop.par"), "x"));
    EXPECT_TRUE(fs::is_symlink(dir.file("loop.par")));

    const std::string locked = dir.write("locked.par", "kept");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(locked.c_str(), 65534, 65534), 0);
    }
    fs::permissions(dir.path(), fs::perms::all);  // the folder would let anyone replace it
    // The refusal needs a user the mode binds: root is not one, nobody is.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        ::_exit(writeWholeFileAtomically(locked, "lost") ? 1 : 0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dir.read("locked.par"), "kept");
    if (::geteuid() == 0) {
        ASSERT_TRUE(writeWholeFileAtomically(locked, "replaced"));
        EXPECT_EQ(dir.read("locked.par"), "replaced");
        struct stat owner {};
        ASSERT_EQ(::stat(locked.c_str(), &owner), 0);
        EXPECT_EQ(owner.st_uid, 65534u);  // root's save leaves the user's file the user's
    }
    EXPECT_EQ(fs::status(locked).permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 5);  // no temporary left
}

// A link planted under the temporary's name is never written through, and
// a pipe or device is never replaced by a plain file.
TEST(Files, ASaveWritesNeitherThroughAPlantedTemporaryNorOverAPipe) {
    namespace fs = std::filesystem;
    platform::testing::TempDir dir;
    dir.write("victim", "theirs");
    fs::create_symlink(dir.file("victim"),
                       dir.file(".a.txt.vantu-save-" + std::to_string(::getpid())));
    ASSERT_TRUE(writeWholeFileAtomically(dir.file("a.txt"), "new"));
    EXPECT_EQ(dir.read("a.txt"), "new");
    EXPECT_EQ(dir.read("victim"), "theirs");
    ASSERT_EQ(::mkfifo(dir.file("pipe.par").c_str(), 0644), 0);
    EXPECT_FALSE(writeWholeFileAtomically(dir.file("pipe.par"), "x"));
    EXPECT_TRUE(fs::is_fifo(dir.file("pipe.par")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);
}

}  // namespace
