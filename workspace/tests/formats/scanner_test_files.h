// Builders of scanner files for the tests: each writes the fields its
// format's header carries at their offsets, so a test states only what it
// checks.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/core/formats/byte_codec.h"

namespace scanner_test {

class Bytes {
  public:
    explicit Bytes(size_t n = 0) : data_(n, 0) {}
    std::vector<uint8_t>& data() { return data_; }
    size_t size() const { return data_.size(); }

    Bytes& be16(size_t at, uint32_t v) {
        grow(at + 2);
        data_[at] = static_cast<uint8_t>(v >> 8);
        data_[at + 1] = static_cast<uint8_t>(v);
        return *this;
    }
    Bytes& be24(size_t at, uint32_t v) {
        grow(at + 3);
        data_[at] = static_cast<uint8_t>(v >> 16);
        data_[at + 1] = static_cast<uint8_t>(v >> 8);
        data_[at + 2] = static_cast<uint8_t>(v);
        return *this;
    }
    Bytes& be32(size_t at, uint32_t v) {
        be16(at, v >> 16);
        return be16(at + 2, v & 0xFFFF);
    }
    Bytes& beFloat(size_t at, float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return be32(at, bits);
    }
    Bytes& beDouble(size_t at, double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        be32(at, static_cast<uint32_t>(bits >> 32));
        return be32(at + 4, static_cast<uint32_t>(bits));
    }
    Bytes& text(size_t at, std::string_view s) {
        grow(at + s.size());
        std::memcpy(data_.data() + at, s.data(), s.size());
        return *this;
    }
    Bytes& sixByte(size_t at, double v) {
        grow(at + 6);
        writeSixByteFloat(v, data_.data() + at);
        return *this;
    }
    Bytes& append(const std::vector<uint8_t>& more) {
        data_.insert(data_.end(), more.begin(), more.end());
        return *this;
    }
    void grow(size_t n) {
        if (data_.size() < n) data_.resize(n, 0);
    }

  private:
    std::vector<uint8_t> data_;
};

inline std::vector<uint8_t> bigEndianSamples(const std::vector<uint16_t>& samples) {
    std::vector<uint8_t> out;
    for (uint16_t s : samples) {
        out.push_back(static_cast<uint8_t>(s >> 8));
        out.push_back(static_cast<uint8_t>(s));
    }
    return out;
}

// Samples 0, 1, 2, ... (mod `modulo`) of a width x height image.
inline std::vector<uint16_t> ramp(int width, int height, uint32_t modulo = 4096) {
    std::vector<uint16_t> s(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint16_t>(i % modulo);
    return s;
}

// Encodes samples in GE's difference code, using every byte class: small
// steps in one byte, middle ones in two, jumps by a literal.
inline std::vector<uint8_t> geCompress(const std::vector<uint16_t>& samples) {
    std::vector<uint8_t> out;
    int previous = 0;
    for (uint16_t s : samples) {
        const int d = static_cast<int>(s) - previous;
        if (d >= 0 && d < 64) {
            out.push_back(static_cast<uint8_t>(d));
        } else if (d >= -64 && d < 0) {
            out.push_back(static_cast<uint8_t>(d + 128));
        } else if (d >= 0 && d < 8192) {
            out.push_back(static_cast<uint8_t>(0x80 | (d >> 8)));
            out.push_back(static_cast<uint8_t>(d & 0xFF));
        } else if (d >= -8192 && d < 0) {
            const uint16_t u = static_cast<uint16_t>(d);
            out.push_back(static_cast<uint8_t>(0xA0 | ((u >> 8) & 0x1F)));
            out.push_back(static_cast<uint8_t>(u & 0xFF));
        } else {
            out.push_back(0xC0);
            out.push_back(static_cast<uint8_t>(s >> 8));
            out.push_back(static_cast<uint8_t>(s));
        }
        previous = s;
    }
    return out;
}

// A GE Advantage file: fixed header with its blocks inside a header of
// `headerLength` bytes; the pixel data goes after it.
struct GeFile {
    int width = 64;
    int height = 32;
    int depth = 16;
    int compression = 1;
    uint32_t headerLength = 1024;
    Bytes header{1024};

    GeFile() {
        header.text(0, "IMGF");
        header.be32(124, 200).text(200 + 7, "SIGNA");  // model block
        header.be32(132, 300).text(300 + 10, "Hospital").text(300 + 84, "ID42");
        header.text(300 + 97, "Doe^John").be16(300 + 126, 2).be32(300 + 128, 70500);
        header.text(300 + 305, "mr").be32(300 + 80, 15000);
        header.be32(300 + 208, 1020764276);  // 2002-05-07 09:37:56 UTC
        header.be32(148, 640).beFloat(640 + 26, 5.0f).beFloat(640 + 34, 240.0f);
        header.be32(640 + 194, 24200).be32(640 + 202, 11900).text(640 + 362, "HEAD");
    }
    std::vector<uint8_t> build(const std::vector<uint8_t>& pixels) {
        header.grow(headerLength);
        header.be32(4, headerLength).be32(8, width).be32(12, height);
        header.be32(16, depth).be32(20, compression);
        Bytes out = header;
        out.append(pixels);
        return out.data();
    }
};

// A Picker header: the directory of five sections, each a run of 16-byte
// entries, and the values after it.
class PickerFile {
  public:
    void add(std::string key, uint16_t type, std::vector<uint8_t> value, uint16_t size = 0) {
        entries_.push_back({std::move(key), type, std::move(value), size});
    }
    void integer(std::string key, int32_t v) {
        Bytes b(4);
        b.be32(0, static_cast<uint32_t>(v));
        add(std::move(key), 1, b.data(), 4);
    }
    void real(std::string key, float v) {
        Bytes b(4);
        b.beFloat(0, v);
        add(std::move(key), 2, b.data(), 4);
    }
    void text(std::string key, std::string_view v) {
        add(std::move(key), 4, std::vector<uint8_t>(v.begin(), v.end()));
    }
    // The header; entries grouped by section F, P, S, A, I.
    std::vector<uint8_t> header() const {
        const std::string letters = "FPSAI";
        Bytes out(28);
        size_t at = 28;
        std::vector<std::pair<size_t, const Entry*>> placed;
        for (size_t s = 0; s < letters.size(); ++s) {
            out.be32(8 + 4 * s, static_cast<uint32_t>(at));
            for (const Entry& e : entries_)
                if (e.key[0] == letters[s]) {
                    placed.push_back({at, &e});
                    at += 16;
                }
        }
        size_t valueAt = at;
        for (auto& [entryAt, e] : placed) {
            out.text(entryAt, e->key);
            out.be16(entryAt + 8, e->size ? e->size : static_cast<uint32_t>(e->value.size()));
            out.be16(entryAt + 10, e->type);
            out.be32(entryAt + 12, static_cast<uint32_t>(valueAt));
            out.grow(valueAt);
            out.text(valueAt, std::string_view(reinterpret_cast<const char*>(e->value.data()),
                                               e->value.size()));
            valueAt += e->value.size();
        }
        out.grow(valueAt);
        out.be32(4, static_cast<uint32_t>(valueAt));
        return out.data();
    }

  private:
    struct Entry {
        std::string key;
        uint16_t type;
        std::vector<uint8_t> value;
        uint16_t size;
    };
    std::vector<Entry> entries_;
};

// ACR-NEMA elements in either byte order.
class AcrFile {
  public:
    explicit AcrFile(bool little = true) : little_(little) {}
    AcrFile& el(uint16_t group, uint16_t element, std::string_view value) {
        std::string v(value);
        if (v.size() % 2) v += ' ';
        put16(group);
        put16(element);
        put32(static_cast<uint32_t>(v.size()));
        data_.insert(data_.end(), v.begin(), v.end());
        return *this;
    }
    AcrFile& us(uint16_t group, uint16_t element, uint16_t value) {
        put16(group);
        put16(element);
        put32(2);
        put16(value);
        return *this;
    }
    AcrFile& ul(uint16_t group, uint16_t element, uint32_t value) {
        put16(group);
        put16(element);
        put32(4);
        put32(value);
        return *this;
    }
    AcrFile& pixels(const std::vector<uint8_t>& bytes, uint32_t statedLength) {
        put16(0x7FE0);
        put16(0x0010);
        put32(statedLength);
        data_.insert(data_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    // 16-bit samples in the file's byte order.
    std::vector<uint8_t> words(const std::vector<uint16_t>& samples) const {
        std::vector<uint8_t> out;
        for (uint16_t s : samples) {
            const uint8_t hi = static_cast<uint8_t>(s >> 8);
            const uint8_t lo = static_cast<uint8_t>(s);
            out.push_back(little_ ? lo : hi);
            out.push_back(little_ ? hi : lo);
        }
        return out;
    }
    std::vector<uint8_t>& data() { return data_; }

  private:
    void put16(uint32_t v) {
        if (little_) {
            data_.push_back(static_cast<uint8_t>(v));
            data_.push_back(static_cast<uint8_t>(v >> 8));
        } else {
            data_.push_back(static_cast<uint8_t>(v >> 8));
            data_.push_back(static_cast<uint8_t>(v));
        }
    }
    void put32(uint32_t v) {
        if (little_) {
            put16(v & 0xFFFF);
            put16(v >> 16);
        } else {
            put16(v >> 16);
            put16(v & 0xFFFF);
        }
    }
    bool little_;
    std::vector<uint8_t> data_;
};

}  // namespace scanner_test
