#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/digest.h"

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

int64_t readAt(int fd, uint64_t offset, void* out, size_t count) {
    auto* bytes = static_cast<char*>(out);
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, bytes + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(got);
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

// A save's temporary file is hidden beside its target and named after the
// target, this program and the saving process: ".<name>.vantu-save-<pid>".
// No user file plausibly has such a name, so cleaning up after killed saves
// cannot take anything of the user's.
constexpr std::string_view kTempMarker = ".vantu-save-";

// The folder part of a path with its '/' ("" for a bare name) and the name.
struct PathParts {
    std::string folder;
    std::string name;
};

PathParts splitPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// A name so long that the temporary's would pass the file system's limit
// (255) is shortened in it, so that every name that can be saved can be
// saved through a temporary; the digest of the whole name ends the short
// one, so that two long names sharing their start never share temporaries.
std::string tempPrefixFor(const std::string& name) {
    constexpr size_t kPidDigits = 10;
    constexpr size_t kNameRoom = 255 - 1 - kTempMarker.size() - kPidDigits;
    if (name.size() <= kNameRoom) return "." + name + std::string(kTempMarker);
    char digest[18];
    std::snprintf(digest, sizeof digest, "~%016llx",
                  static_cast<unsigned long long>(textDigest(name)));
    return "." + name.substr(0, kNameRoom - 17) + digest + std::string(kTempMarker);
}

// The process whose save of `name` left `entry`, or 0 when `entry` is not a
// temporary of that name.
pid_t saverOf(std::string_view entry, const std::string& prefix) {
    if (!entry.starts_with(prefix)) return 0;
    const std::string_view digits = entry.substr(prefix.size());
    if (digits.empty() || digits.size() > 10 || digits[0] == '0') return 0;
    long long pid = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// Whether `name` (in the folder `folder`, not followed if a link) is a plain
// file of this user: the only kind a killed save of ours leaves.
bool ownRegularFile(int folder, const char* name) {
    struct stat info {};
    return ::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
           info.st_uid == ::geteuid();
}

// Whether what holds a temporary's name may go: a killed save's file, or a
// link someone put there (removing a link leaves what it points to).
bool leftoverOrLink(const std::string& temp) {
    struct stat info {};
    return ownRegularFile(AT_FDCWD, temp.c_str()) ||
           (::lstat(temp.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
}

bool processAlive(pid_t pid) {
    // EPERM: it exists, it is only someone else's.
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// A save killed before its rename leaves its temporary file for ever: the
// next save of the same file removes those of processes that no longer run.
// Only regular files of this user are touched; this process's own (another
// save may be under way) and those of running processes stay.
void removeDeadSaveLeftovers(const PathParts& target) {
    DIR* dir = ::opendir(target.folder.empty() ? "." : target.folder.c_str());
    if (dir == nullptr) return;
    const std::string prefix = tempPrefixFor(target.name);
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t pid = saverOf(entry->d_name, prefix);
        if (pid <= 0 || pid == self || processAlive(pid)) continue;
        if (ownRegularFile(::dirfd(dir), entry->d_name)) ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// The file a save to `path` replaces: symbolic links are followed to the end
// of their chain, so that the link stays a link and what it points to gets
// the new content. Nothing for a chain that does not end (a loop).
std::optional<std::string> savedFilePath(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(current.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<size_t>(length) >= sizeof target) return std::nullopt;
        const std::string_view link(target, static_cast<size_t>(length));
        current =
            link.front() == '/' ? std::string(link) : splitPath(current).folder + std::string(link);
    }
    return std::nullopt;
}

bool writeAll(int fd, std::string_view content) {
    const char* p = content.data();
    size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// The temporary is always created afresh, never opened through a link or
// over a file someone else put under its name: in a shared folder that
// would write where they chose. One of that name left by an earlier process
// with our number is a killed save's and goes.
int createTemporary(const std::string& temp, mode_t mode) {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    int fd = ::open(temp.c_str(), kFlags, mode);
    if (fd < 0 && errno == EEXIST && leftoverOrLink(temp) && ::unlink(temp.c_str()) == 0)
        fd = ::open(temp.c_str(), kFlags, mode);
    return fd;
}

// The new file keeps the owner, group and permission bits of the one it
// replaces, as far as the user may give them (only root gives a file away,
// a group needs the user in it; a file system without Unix modes refuses):
// what cannot be kept leaves it the saver's, open to its owner only, and
// the save goes on.
void keepOwnerAndMode(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Neither is the user's to give: the file stays theirs.
    }
    ::fchmod(fd, old.st_mode & 0777);
}

}  // namespace

bool mayReplaceFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno == ENOENT;
    // A folder, device or pipe is no file to replace: renaming over
    // /dev/null would leave a plain file in its place.
    return S_ISREG(info.st_mode) && ::access(path.c_str(), W_OK) == 0;
}

bool writeWholeFileAtomically(const std::string& path, std::string_view content) {
    const std::optional<std::string> target = savedFilePath(path);
    if (!target || !mayReplaceFile(*target)) return false;
    struct stat existing {};
    const bool replaces = ::stat(target->c_str(), &existing) == 0;
    const PathParts parts = splitPath(*target);
    removeDeadSaveLeftovers(parts);
    const std::string temp = parts.folder + tempPrefixFor(parts.name) + std::to_string(::getpid());
    // Until the new file has the old one's permissions only its owner may
    // open it, so what a private file holds is never open to others.
    const int fd = createTemporary(temp, replaces ? 0600 : 0644);
    if (fd < 0) return false;
    if (replaces) keepOwnerAndMode(fd, existing);
    bool ok = writeAll(fd, content) && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(temp.c_str(), target->c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace platform
