#include "platform/shell.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace platform {

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// fork twice so that the program is adopted by init and never becomes a
// zombie of ours; a pipe closed on exec tells whether exec worked.
bool spawnDetached(const std::vector<std::string>& args, bool searchPath) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    pid_t middle = ::fork();
    if (middle < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (middle == 0) {
        ::close(report[0]);
        ::setsid();
        pid_t child = ::fork();
        if (child < 0) _exit(1);
        if (child > 0) _exit(0);
        if (searchPath) {
            ::execvp(argv[0], argv.data());
        } else {
            ::execv(argv[0], argv.data());
        }
        int error = errno;
        ssize_t ignored = ::write(report[1], &error, sizeof error);
        (void)ignored;
        _exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

}  // namespace

bool startProgram(const std::string& program, const std::string& argument) {
    return spawnDetached({program, argument}, program.find('/') == std::string::npos);
}

bool openWithAssociatedProgram(const std::string& path) {
    return spawnDetached({"xdg-open", path}, true);
}

std::string temporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return withSlash(tmp && *tmp ? tmp : "/tmp");
}

std::string programPath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string programFolder() {
    std::string path = programPath();
    if (path.empty()) return "./";
    return withSlash(std::filesystem::path(path).parent_path().string());
}

}  // namespace platform
