#include "workspace/core/formats/byte_codec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

uint16_t readBigEndian16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t readBigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

uint16_t readLittleEndian16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t readLittleEndian32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint32_t readWordSwapped32(const uint8_t* p) {
    return uint32_t{readBigEndian16(p + 2)} << 16 | readBigEndian16(p);
}

uint32_t readBigEndian24(const uint8_t* p) {
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | uint32_t{p[2]};
}

uint32_t readLittleEndian24(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
}

float readBigEndianFloat(const uint8_t* p) {
    return std::bit_cast<float>(readBigEndian32(p));
}

double readBigEndianDouble(const uint8_t* p) {
    uint64_t bits = uint64_t{readBigEndian32(p)} << 32 | readBigEndian32(p + 4);
    return std::bit_cast<double>(bits);
}

float readOffsetExponentFloat(const uint8_t* p, bool wordSwapped) {
    const uint32_t bits = wordSwapped
                              ? (uint32_t{readLittleEndian16(p)} << 16 | readLittleEndian16(p + 2))
                              : readBigEndian32(p);
    const int exponent = static_cast<int>((bits >> 23) & 0xFF);
    if (exponent == 0) return 0.0f;
    // value = (1 + f / 2^23) x 2^(e - 129)
    const double mantissa = 1.0 + static_cast<double>(bits & 0x7FFFFF) / 8388608.0;
    const double value = std::ldexp(mantissa, exponent - 129);
    return static_cast<float>((bits & 0x80000000u) ? -value : value);
}

namespace {

int32_t signed24(uint32_t v) {
    return (v & 0x800000u) ? static_cast<int32_t>(v) - 0x1000000 : static_cast<int32_t>(v);
}

}  // namespace

double readSixByteFloat(const uint8_t* p) {
    const int32_t mantissa = signed24(readBigEndian24(p));
    int32_t exponent = signed24(readBigEndian24(p + 3));
    // A stored exponent far outside the double range only gives 0 or infinity.
    if (exponent > 2000) exponent = 2000;
    if (exponent < -2000) exponent = -2000;
    // value = m / 2^23 x 2^e
    return std::ldexp(static_cast<double>(mantissa), exponent - 23);
}

void writeSixByteFloat(double value, uint8_t* p) {
    int32_t mantissa = 0;
    int32_t exponent = 0;
    if (value != 0.0 && std::isfinite(value)) {
        int e = 0;
        const double fraction = std::frexp(value, &e);  // |fraction| in [0.5, 1)
        double m = std::nearbyint(fraction * 8388608.0);
        if (m >= 8388608.0) {  // rounded up to 1.0
            m /= 2.0;
            ++e;
        }
        if (m < -8388608.0) m = -8388608.0;
        mantissa = static_cast<int32_t>(m);
        exponent = e;
    }
    const uint32_t um = static_cast<uint32_t>(mantissa) & 0xFFFFFFu;
    const uint32_t ue = static_cast<uint32_t>(exponent) & 0xFFFFFFu;
    p[0] = static_cast<uint8_t>(um >> 16);
    p[1] = static_cast<uint8_t>(um >> 8);
    p[2] = static_cast<uint8_t>(um);
    p[3] = static_cast<uint8_t>(ue >> 16);
    p[4] = static_cast<uint8_t>(ue >> 8);
    p[5] = static_cast<uint8_t>(ue);
}

std::string decodeSixBitText(const uint8_t* p, size_t tripletCount) {
    std::string out;
    out.reserve(tripletCount * 4);
    for (size_t t = 0; t < tripletCount; ++t) {
        const uint32_t word = readBigEndian24(p + 3 * t);
        for (int shift = 18; shift >= 0; shift -= 6)
            out.push_back(static_cast<char>(((word >> shift) & 0x3F) | 0x40));
    }
    return out;
}

std::string stripTrailing(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.pop_back();
    return text;
}

uint16_t ByteView::be16(uint64_t offset) const {
    return has(offset, 2) ? readBigEndian16(bytes_.data() + offset) : 0;
}

uint32_t ByteView::be32(uint64_t offset) const {
    return has(offset, 4) ? readBigEndian32(bytes_.data() + offset) : 0;
}

uint32_t ByteView::be24(uint64_t offset) const {
    return has(offset, 3) ? readBigEndian24(bytes_.data() + offset) : 0;
}

float ByteView::beFloat(uint64_t offset) const {
    return has(offset, 4) ? readBigEndianFloat(bytes_.data() + offset) : 0.0f;
}

double ByteView::beDouble(uint64_t offset) const {
    return has(offset, 8) ? readBigEndianDouble(bytes_.data() + offset) : 0.0;
}

float ByteView::offsetFloat(uint64_t offset) const {
    return has(offset, 4) ? readOffsetExponentFloat(bytes_.data() + offset, false) : 0.0f;
}

double ByteView::sixByteFloat(uint64_t offset) const {
    return has(offset, 6) ? readSixByteFloat(bytes_.data() + offset) : 0.0;
}

uint8_t ByteView::byte(uint64_t offset) const {
    return has(offset, 1) ? bytes_[static_cast<size_t>(offset)] : 0;
}

std::string ByteView::text(uint64_t offset, size_t n) const {
    if (offset >= bytes_.size()) return {};
    const size_t avail = std::min<size_t>(n, bytes_.size() - static_cast<size_t>(offset));
    const char* start = reinterpret_cast<const char*>(bytes_.data() + offset);
    const size_t len = ::strnlen(start, avail);
    return stripTrailing(std::string(start, len));
}
