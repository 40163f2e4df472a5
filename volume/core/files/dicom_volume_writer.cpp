#include "volume/core/files/dicom_volume_writer.h"

#include <string_view>

#include "platform/files.h"
#include "volume/core/files/byte_source.h"

namespace {

// An implicit-VR element: tag, u32 length, value (padded to even length
// with a blank, as DICOM text values are).
void element(std::string& out, uint16_t group, uint16_t number, std::string_view value) {
    appendU16(out, group);
    appendU16(out, number);
    const bool pad = value.size() % 2 != 0;
    appendU32(out, static_cast<uint32_t>(value.size() + (pad ? 1 : 0)));
    out += value;
    if (pad) out += ' ';
}

std::string u16Value(uint32_t v) {
    std::string s;
    appendU16(s, v);
    return s;
}

std::string u32Value(uint32_t v) {
    std::string s;
    appendU32(s, v);
    return s;
}

// An explicit-VR element of the meta group with a 2-byte length.
void metaElement(std::string& out, uint16_t number, std::string_view vr, std::string_view value) {
    appendU16(out, 0x0002);
    appendU16(out, number);
    out += vr;
    appendU16(out, static_cast<uint32_t>(value.size()));
    out += value;
}

}  // namespace

std::optional<std::string> encodeDicomVolume(const Volume3D& volume) {
    const uint64_t w = static_cast<uint64_t>(std::max(volume.maxWidth, 0));
    const uint64_t h = static_cast<uint64_t>(std::max(volume.maxHeight, 0));
    const uint64_t n = static_cast<uint64_t>(std::max(volume.sliceCount, 0));
    const uint64_t bytes = w * h * n * 2;
    if (w > 0xFFFF || h > 0xFFFF || bytes + 8 > 0xFFFFFFFFu) return std::nullopt;

    std::string out(128, '\0');
    out += "DICM";
    appendU16(out, 0x0002);
    appendU16(out, 0x0000);
    out += "UL";
    appendU16(out, 4);
    appendU32(out, 74);
    appendU16(out, 0x0002);
    appendU16(out, 0x0001);
    out += "OB";
    appendU16(out, 0);
    appendU32(out, 2);
    out += std::string("\x00\x01", 2);
    metaElement(out, 0x0002, "UI", std::string("1.2.840.10008.5.1.4.1.1.7") + '\0');
    metaElement(out, 0x0010, "UI", std::string("1.2.840.10008.1.2") + '\0');

    element(out, 0x0008, 0x0000, u32Value(36));
    element(out, 0x0008, 0x0060, "VT");
    element(out, 0x0008, 0x0070, "Vantu by KWL 2002 ");
    element(out, 0x0018, 0x0000, u32Value(18));
    element(out, 0x0018, 0x1020, "Vantu 3.10");

    std::string group28;
    element(group28, 0x0028, 0x0002, u16Value(1));
    element(group28, 0x0028, 0x0004, "MONOCHROME2 ");
    element(group28, 0x0028, 0x0008, std::to_string(n));  // NumberOfFrames, IS
    element(group28, 0x0028, 0x0010, u16Value(static_cast<uint32_t>(h)));
    element(group28, 0x0028, 0x0011, u16Value(static_cast<uint32_t>(w)));
    element(group28, 0x0028, 0x0100, u16Value(16));
    element(group28, 0x0028, 0x0101, u16Value(12));
    // The highest stored bit is bit 11, and the samples are unsigned.
    element(group28, 0x0028, 0x0102, u16Value(11));
    element(group28, 0x0028, 0x0103, u16Value(0));
    element(out, 0x0028, 0x0000, u32Value(static_cast<uint32_t>(group28.size())));
    out += group28;

    element(out, 0x7FE0, 0x0000, u32Value(static_cast<uint32_t>(bytes + 8)));
    appendU16(out, 0x7FE0);
    appendU16(out, 0x0010);
    appendU32(out, static_cast<uint32_t>(bytes));
    out.reserve(out.size() + bytes);
    for (int32_t z = 0; z < volume.sliceCount; ++z)
        for (int32_t y = 0; y < volume.maxHeight; ++y)
            for (int32_t x = 0; x < volume.maxWidth; ++x)
                appendU16(out, Volume3DGetVoxelChecked(volume, x, y, z) >> 4);
    return out;
}

VolumeSaveStatus saveDicomVolume(const Volume3D& volume, const std::string& path) {
    std::optional<std::string> bytes = encodeDicomVolume(volume);
    if (!bytes) return VolumeSaveStatus::TooLarge;
    return platform::writeWholeFileAtomically(path, *bytes) ? VolumeSaveStatus::Ok
                                                            : VolumeSaveStatus::CannotWrite;
}
