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

// The 128-byte preamble, "DICM", the meta group (explicit VR; its length
// counts the three elements after it: secondary capture, implicit VR little
// endian) and the equipment groups 0008 and 0018 that begin every DICOM file
// the programs write.
inline void appendDicomFileStart(std::string& out) {
    out.append(128, '\0');
    out += "DICM";
    appendLittleEndian16(out, 0x0002);
    appendLittleEndian16(out, 0x0000);
    out += "UL";
    appendLittleEndian16(out, 4);
    appendLittleEndian32(out, 74);
    appendLittleEndian16(out, 0x0002);
    appendLittleEndian16(out, 0x0001);
    out += "OB";
    appendLittleEndian16(out, 0);
    appendLittleEndian32(out, 2);
    out += std::string("\x00\x01", 2);
    appendDicomMetaElement(out, 0x0002, "UI", std::string("1.2.840.10008.5.1.4.1.1.7") + '\0');
    appendDicomMetaElement(out, 0x0010, "UI", std::string("1.2.840.10008.1.2") + '\0');

    appendDicomElement(out, 0x0008, 0x0000, dicomU32Value(36));
    appendDicomElement(out, 0x0008, 0x0060, "VT");
    appendDicomElement(out, 0x0008, 0x0070, "Vantu by KWL 2002 ");
    appendDicomElement(out, 0x0018, 0x0000, dicomU32Value(18));
    appendDicomElement(out, 0x0018, 0x1020, "Vantu 3.10");
}
