// A save killed before its rename leaves "<name>.tmp<pid>" in the folder: the
// next save there removes the leftovers of dead writers and nothing else.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/testing/temp_dir.h"

namespace {

// The id of a process that has ended (and been reaped).
pid_t deadProcessId() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

}  // namespace

TEST(AtomicWrite, TheNextSaveRemovesTemporaryFilesOfDeadWritersOnly) {
    platform::testing::TempDir dir;
    const std::string dead = std::to_string(deadProcessId());
    const std::string live = std::to_string(::getppid());
    const std::string kept[] = {"study.par.tmp" + live, "notes.tmp", "notes.tmpx", "a.tmp1"};
    const std::string gone[] = {"study.par.tmp" + dead, "other.sel.tmp" + dead};
    for (const std::string& name : kept) std::ofstream(dir.file(name)) << "x";
    for (const std::string& name : gone) std::ofstream(dir.file(name)) << "half";

    ASSERT_TRUE(platform::writeWholeFileAtomically(dir.file("new.par"), "report"));

    for (const std::string& name : gone) EXPECT_FALSE(std::filesystem::exists(dir.file(name)));
    for (const std::string& name : kept) EXPECT_TRUE(std::filesystem::exists(dir.file(name)));
    EXPECT_EQ(platform::readWholeFile(dir.file("new.par"), 100), "report");
}
