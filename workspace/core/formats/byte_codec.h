// Numbers as scanner headers store them: big-endian integers of 16, 24 and
// 32 bits, 32-bit words whose two halves are swapped, IEEE floats and doubles
// in big-endian order, the 4-byte float whose exponent lies 2 above IEEE's,
// the 6-byte float of 24-bit word machines, and three bytes that carry four
// 6-bit characters. Every helper reads from a pointer the caller has checked;
// `ByteView` does the checking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

uint16_t readBigEndian16(const uint8_t* p);
uint32_t readBigEndian32(const uint8_t* p);
uint16_t readLittleEndian16(const uint8_t* p);
uint32_t readLittleEndian32(const uint8_t* p);
// Little-endian values appended to a file being written.
inline void appendLittleEndian16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
inline void appendLittleEndian32(std::string& out, uint32_t v) {
    appendLittleEndian16(out, v & 0xFFFF);
    appendLittleEndian16(out, v >> 16);
}
// Big-endian 16-bit halves with the low half first: bytes 2 3 0 1 of a
// big-endian word.
uint32_t readWordSwapped32(const uint8_t* p);
// 24-bit unsigned integers.
uint32_t readBigEndian24(const uint8_t* p);
uint32_t readLittleEndian24(const uint8_t* p);
// 16- and 32-bit words in the byte order a file declares.
inline uint16_t readEndian16(const uint8_t* p, bool littleEndian) {
    return littleEndian ? readLittleEndian16(p) : readBigEndian16(p);
}
inline uint32_t readEndian32(const uint8_t* p, bool littleEndian) {
    return littleEndian ? readLittleEndian32(p) : readBigEndian32(p);
}
float readBigEndianFloat(const uint8_t* p);
double readBigEndianDouble(const uint8_t* p);

// The 4-byte float laid out like IEEE single precision (sign, 8-bit exponent,
// 23-bit fraction with a hidden 1) but with the exponent biased by 129, as on
// VAX machines: value = (1 + f / 2^23) x 2^(e - 129), 0 for e = 0.
// Big-endian, or, with `wordSwapped`, as two little-endian 16-bit words with
// the sign and exponent in the first (the VAX memory order).
float readOffsetExponentFloat(const uint8_t* p, bool wordSwapped);

// The 6-byte float of 24-bit word machines: a big-endian 24-bit
// two's-complement mantissa m (a fraction, m / 2^23 in [-1, 1)) followed by a
// big-endian 24-bit two's-complement exponent e: value = m / 2^23 x 2^e.
double readSixByteFloat(const uint8_t* p);
// Its inverse: the normalised mantissa (|m| in [2^22, 2^23), 0 for 0) and
// exponent of `value`, rounded to 23 bits.
void writeSixByteFloat(double value, uint8_t* p);

// Three bytes hold four 6-bit characters, the first in the top bits; each
// becomes (code OR 0x40), so 1 is 'A'.
std::string decodeSixBitText(const uint8_t* p, size_t tripletCount);

// Bytes of a header or file with every read checked against its length.
class ByteView {
  public:
    explicit ByteView(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t size() const { return bytes_.size(); }
    const uint8_t* data() const { return bytes_.data(); }
    // True when the n bytes at offset lie inside the view.
    bool has(uint64_t offset, uint64_t n) const {
        return offset <= bytes_.size() && n <= bytes_.size() - offset;
    }
    // Each getter returns 0 (an empty text) when the field lies outside.
    uint16_t be16(uint64_t offset) const;
    uint32_t be32(uint64_t offset) const;
    uint32_t be24(uint64_t offset) const;
    float beFloat(uint64_t offset) const;
    double beDouble(uint64_t offset) const;
    float offsetFloat(uint64_t offset) const;
    double sixByteFloat(uint64_t offset) const;
    uint8_t byte(uint64_t offset) const;
    // n characters from offset, cut at the first NUL, without the trailing
    // characters of code 32 or below.
    std::string text(uint64_t offset, size_t n) const;

  private:
    std::span<const uint8_t> bytes_;
};

// Drops the trailing characters of code 32 or below.
std::string stripTrailing(std::string text);
