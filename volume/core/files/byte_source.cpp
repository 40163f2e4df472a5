#include "volume/core/files/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

ByteSource::ByteSource(std::span<const uint8_t> bytes) : memory_(bytes), size_(bytes.size()) {}

ByteSource::ByteSource(int fd, uint64_t size) : fd_(fd), size_(size) {}

std::unique_ptr<ByteSource> ByteSource::openFile(const std::string& path) {
    // Non-blocking, so that a FIFO given as a path cannot hang the open.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ByteSource>(new ByteSource(fd, static_cast<uint64_t>(st.st_size)));
}

ByteSource::~ByteSource() {
    if (fd_ >= 0) ::close(fd_);
}

size_t ByteSource::readAt(uint64_t offset, void* out, size_t n) {
    // An empty read may come with no buffer at all (an empty vector's data()).
    if (n == 0 || offset >= size_) return 0;
    n = static_cast<size_t>(std::min<uint64_t>(n, size_ - offset));
    if (fd_ < 0) {
        std::memcpy(out, memory_.data() + offset, n);
        return n;
    }
    size_t done = 0;
    auto* bytes = static_cast<uint8_t*>(out);
    while (done < n) {
        ssize_t got = ::pread(fd_, bytes + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

void ByteReader::seek(uint64_t position) {
    position_ = position;
    next_ = end_ = 0;
}

bool ByteReader::refill() {
    constexpr size_t kBufferBytes = size_t{1} << 16;
    if (buffer_.size() != kBufferBytes) buffer_.resize(kBufferBytes);
    // Keep what is left at the front.
    const size_t left = end_ - next_;
    std::memmove(buffer_.data(), buffer_.data() + next_, left);
    next_ = 0;
    end_ = left;
    const size_t got = source_.readAt(position_, buffer_.data() + end_, buffer_.size() - end_);
    position_ += got;
    end_ += got;
    return got > 0;
}

size_t ByteReader::readUpTo(void* out, size_t n) {
    auto* bytes = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < n) {
        if (next_ == end_ && !refill()) break;
        const size_t take = std::min(n - done, end_ - next_);
        std::memcpy(bytes + done, buffer_.data() + next_, take);
        next_ += take;
        done += take;
    }
    return done;
}

bool ByteReader::read(void* out, size_t n) {
    return readUpTo(out, n) == n;
}

void ByteReader::skip(uint64_t n) {
    if (n <= end_ - next_) {
        next_ += static_cast<size_t>(n);
        return;
    }
    seek(position() + n);
}

bool ByteReader::readU16(uint16_t& value) {
    uint8_t b[2];
    if (!read(b, 2)) return false;
    value = readLittleEndian16(b);
    return true;
}
