#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace platform {

std::optional<std::string> readWholeFile(const std::string& path, size_t maxBytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<unsigned long long>(info.st_size) > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data;
    data.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || data.size() + static_cast<size_t>(n) > maxBytes) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

size_t byteOrderMarkLength(std::string_view text) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    return text.starts_with(kMark) ? kMark.size() : 0;
}

std::string fileNamePart(std::string_view path) {
    size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

namespace {

constexpr std::string_view kTempMarker = ".tmp";

// The temporary name of a save by process `pid`.
std::string tempNameFor(const std::string& path, pid_t pid) {
    return path + std::string(kTempMarker) + std::to_string(pid);
}

// The process whose save left `name` ("<file>.tmp<pid>"), or 0 when the name
// is not one of ours.
pid_t saverOf(std::string_view name) {
    const size_t marker = name.rfind(kTempMarker);
    if (marker == std::string_view::npos || marker == 0) return 0;
    const std::string_view digits = name.substr(marker + kTempMarker.size());
    if (digits.empty() || digits.size() > 10 || digits[0] == '0') return 0;
    long long pid = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

bool processAlive(pid_t pid) {
    // EPERM: it exists, it is only someone else's.
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// A save killed before its rename leaves its temporary file for ever: the
// next save into the folder removes those of processes that no longer run.
// Only regular files of this user named like our temporaries are touched;
// this process's own (another save may be under way) and those of running
// processes stay.
void removeDeadSaveLeftovers(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t pid = saverOf(entry->d_name);
        if (pid <= 0 || pid == self || processAlive(pid)) continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace

bool writeWholeFileAtomically(const std::string& path, std::string_view content) {
    removeDeadSaveLeftovers(path);
    std::string temp = tempNameFor(path, ::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    const char* p = content.data();
    size_t left = content.size();
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace platform
