#include "volume/core/files/dicom_volume_writer.h"

#include <string_view>

#include "platform/files.h"
#include "volume/core/files/byte_source.h"
#include "workspace/core/formats/dicom_elements.h"

std::optional<std::string> encodeDicomVolume(const Volume3D& volume) {
    const uint64_t w = static_cast<uint64_t>(std::max(volume.maxWidth, 0));
    const uint64_t h = static_cast<uint64_t>(std::max(volume.maxHeight, 0));
    const uint64_t n = static_cast<uint64_t>(std::max(volume.sliceCount, 0));
    const uint64_t bytes = w * h * n * 2;
    if (w > 0xFFFF || h > 0xFFFF || bytes + 8 > 0xFFFFFFFFu) return std::nullopt;

    std::string out;
    appendDicomFileStart(out);

    std::string group28;
    appendDicomElement(group28, 0x0028, 0x0002, dicomU16Value(1));
    appendDicomElement(group28, 0x0028, 0x0004, "MONOCHROME2 ");
    appendDicomElement(group28, 0x0028, 0x0008, std::to_string(n));  // NumberOfFrames, IS
    appendDicomElement(group28, 0x0028, 0x0010, dicomU16Value(static_cast<uint32_t>(h)));
    appendDicomElement(group28, 0x0028, 0x0011, dicomU16Value(static_cast<uint32_t>(w)));
    appendDicomElement(group28, 0x0028, 0x0100, dicomU16Value(16));
    appendDicomElement(group28, 0x0028, 0x0101, dicomU16Value(12));
    // The highest stored bit is bit 11, and the samples are unsigned.
    appendDicomElement(group28, 0x0028, 0x0102, dicomU16Value(11));
    appendDicomElement(group28, 0x0028, 0x0103, dicomU16Value(0));
    appendDicomElement(out, 0x0028, 0x0000, dicomU32Value(static_cast<uint32_t>(group28.size())));
    out += group28;

    appendDicomElement(out, 0x7FE0, 0x0000, dicomU32Value(static_cast<uint32_t>(bytes + 8)));
    appendLittleEndian16(out, 0x7FE0);
    appendLittleEndian16(out, 0x0010);
    appendLittleEndian32(out, static_cast<uint32_t>(bytes));
    out.reserve(out.size() + bytes);
    for (int32_t z = 0; z < volume.sliceCount; ++z)
        for (int32_t y = 0; y < volume.maxHeight; ++y)
            for (int32_t x = 0; x < volume.maxWidth; ++x)
                appendLittleEndian16(out, Volume3DGetVoxelChecked(volume, x, y, z) >> 4);
    return out;
}

VolumeSaveStatus saveDicomVolume(const Volume3D& volume, const std::string& path) {
    std::optional<std::string> bytes = encodeDicomVolume(volume);
    if (!bytes) return VolumeSaveStatus::TooLarge;
    return platform::writeWholeFileAtomically(path, *bytes) ? VolumeSaveStatus::Ok
                                                            : VolumeSaveStatus::CannotWrite;
}
