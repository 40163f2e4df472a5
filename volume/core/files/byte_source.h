// The bytes of a volume or VOI file, held in memory or read from disk on
// demand, so that readers can walk files far larger than they ever hold and
// fuzz targets can feed them bytes directly. Every read states how many bytes
// it really got: readers never trust a size or an offset stored in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "workspace/core/formats/byte_codec.h"

class ByteSource {
  public:
    // The bytes must outlive the source.
    explicit ByteSource(std::span<const uint8_t> bytes);
    // nullptr when the path is not a regular file that can be opened.
    static std::unique_ptr<ByteSource> openFile(const std::string& path);
    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    uint64_t size() const { return size_; }
    // Copies up to n bytes from offset; returns how many it copied (fewer at
    // the end of the file or on a read error).
    size_t readAt(uint64_t offset, void* out, size_t n);

  private:
    ByteSource(int fd, uint64_t size);

    std::span<const uint8_t> memory_;
    int fd_ = -1;
    uint64_t size_ = 0;
};

// Sequential reading through a buffer, for formats made of many small fields.
class ByteReader {
  public:
    explicit ByteReader(ByteSource& source, uint64_t position = 0)
        : source_(source), position_(position) {}

    uint64_t position() const { return position_ - (end_ - next_); }
    void seek(uint64_t position);
    // All n bytes, or false (the position is then unspecified).
    bool read(void* out, size_t n);
    bool readU16(uint16_t& value);
    // Up to n bytes; fewer only at the end of the file.
    size_t readUpTo(void* out, size_t n);
    void skip(uint64_t n);

  private:
    bool refill();

    ByteSource& source_;
    uint64_t position_;  // file offset of buffer_[end_]
    std::vector<uint8_t> buffer_;
    size_t next_ = 0;
    size_t end_ = 0;
};
