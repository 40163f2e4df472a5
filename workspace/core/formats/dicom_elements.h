// The elements the program's DICOM writers put out: implicit-VR elements
// (tag, u32 length, value padded to an even length with a blank, as DICOM
// values are) and the explicit-VR elements of the meta group (2-byte
// length), all little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "workspace/core/formats/byte_codec.h"

inline void appendDicomElement(std::string& out, uint16_t group, uint16_t number,
                               std::string_view value) {
    appendLittleEndian16(out, group);
    appendLittleEndian16(out, number);
    const bool pad = value.size() % 2 != 0;
    appendLittleEndian32(out, static_cast<uint32_t>(value.size() + (pad ? 1 : 0)));
    out += value;
    if (pad) out += ' ';
}

inline void appendDicomMetaElement(std::string& out, uint16_t number, std::string_view vr,
                                   std::string_view value) {
    appendLittleEndian16(out, 0x0002);
    appendLittleEndian16(out, number);
    out += vr;
    appendLittleEndian16(out, static_cast<uint32_t>(value.size()));
    out += value;
}

inline std::string dicomU16Value(uint32_t v) {
    std::string s;
    appendLittleEndian16(s, v);
    return s;
}

inline std::string dicomU32Value(uint32_t v) {
    std::string s;
    appendLittleEndian32(s, v);
    return s;
}
