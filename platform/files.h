// Whole-file reading and writing with the checks every reader and writer of
// the programs needs: a size limit on reading, and a write that is only
// reported as done when the data reached the disk under the final name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The file's bytes, or nothing when it cannot be opened, read, or is larger
// than maxBytes.
std::optional<std::string> readWholeFile(const std::string& path, size_t maxBytes);

// Reads `count` bytes at `offset` of the open file `fd` into `out`, going on
// after interruptions and short reads: the number read (fewer only where the
// file ends, also one that shrank since it was measured), or -1 on a read
// error.
int64_t readAt(int fd, uint64_t offset, void* out, size_t count);

// The length of the UTF-8 byte-order mark at the start of `text` (3), or 0
// without one. Some editors write the mark at the start of every text file;
// it is no part of the first line, and every reader of a text file skips it.
size_t byteOrderMarkLength(std::string_view text);

// Writes to a hidden temporary file beside `path` (".<name>.vantu-save-<pid>")
// and renames it over `path`, so a failed or interrupted write never leaves a
// half-written file behind. A symbolic link is followed to the file it points
// to, which is replaced; the link stays. A file the user may not write, and
// anything that is no plain file, is left alone (false); one that is
// replaced keeps its permission bits, and its owner and group where the
// user may give them.
// Temporary files of the same name that killed saves left (their process no
// longer runs) are removed first; nothing else in the folder is touched.
// Returns false (and leaves any old file untouched) on any failure.
bool writeWholeFileAtomically(const std::string& path, std::string_view content);

// Whether the user may write the file at `path` (following links); true when
// there is none, false for a folder, device or pipe. Saves leave a file the
// user may not write alone, although a writable folder would let them
// replace it.
bool mayReplaceFile(const std::string& path);

// The file-name part of a path: what follows its last '/' or '\' (paths
// typed on Windows keep working).
std::string fileNamePart(std::string_view path);

}  // namespace platform
