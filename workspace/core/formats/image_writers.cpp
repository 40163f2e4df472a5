#include "workspace/core/formats/image_writers.h"

#include "platform/files.h"

namespace {

void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// An implicit-VR element: tag, u32 length, value.
void element(std::string& out, uint16_t group, uint16_t number, std::string_view value) {
    put16(out, group);
    put16(out, number);
    put32(out, static_cast<uint32_t>(value.size()));
    out += value;
}

std::string u16Value(uint32_t v) {
    std::string s;
    put16(s, v);
    return s;
}

std::string u32Value(uint32_t v) {
    std::string s;
    put32(s, v);
    return s;
}

// An explicit-VR element of the meta group with a 2-byte length.
void shortExplicit(std::string& out, uint16_t number, std::string_view vr, std::string_view value) {
    put16(out, 0x0002);
    put16(out, number);
    out += vr;
    put16(out, static_cast<uint32_t>(value.size()));
    out += value;
}

}  // namespace

std::string EncodeGreyBitmap(const ImagePlane& grey, int32_t bitDepth) {
    const uint32_t w = static_cast<uint32_t>(grey.width), h = static_cast<uint32_t>(grey.height);
    const uint32_t stride = (w + 3) & ~3u;
    const int shift = bitDepth > 8 ? bitDepth - 8 : 0;
    std::string out = "BM";
    put32(out, 1078 + h * stride);
    put32(out, 0);
    put32(out, 1078);
    put32(out, 40);
    put32(out, w);
    put32(out, h);
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);
    put32(out, h * stride);
    put32(out, 1000);
    put32(out, 1000);
    put32(out, 0);
    put32(out, 0);
    for (uint32_t i = 0; i < 256; ++i) {
        out += static_cast<char>(i);
        out += static_cast<char>(i);
        out += static_cast<char>(i);
        out += '\0';
    }
    out.reserve(out.size() + static_cast<size_t>(h) * stride);
    for (int32_t y = grey.height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < grey.width; ++x)
            out += static_cast<char>((grey.at(x, y) >> shift) & 0xFF);
        out.append(stride - w, '\0');
    }
    return out;
}

std::string EncodeRaw16(const ImagePlane& grey) {
    std::string out;
    out.reserve(grey.size() * 2);
    for (size_t i = 0; i < grey.size(); ++i) put16(out, grey.current[i]);
    return out;
}

std::string EncodeDicom(const ImagePlane& grey, int32_t bitDepth) {
    const uint32_t w = static_cast<uint32_t>(grey.width), h = static_cast<uint32_t>(grey.height);
    const int shift = bitDepth > 12 ? bitDepth - 12 : 0;
    std::string out(128, '\0');
    out += "DICM";

    // Meta group, explicit VR little endian; its length counts the three
    // elements after it.
    put16(out, 0x0002);
    put16(out, 0x0000);
    out += "UL";
    put16(out, 4);
    put32(out, 74);
    put16(out, 0x0002);
    put16(out, 0x0001);
    out += "OB";
    put16(out, 0);
    put32(out, 2);
    out += std::string("\x00\x01", 2);
    shortExplicit(out, 0x0002, "UI", std::string("1.2.840.10008.5.1.4.1.1.7") + '\0');
    shortExplicit(out, 0x0010, "UI", std::string("1.2.840.10008.1.2") + '\0');

    element(out, 0x0008, 0x0000, u32Value(36));
    element(out, 0x0008, 0x0060, "VT");
    element(out, 0x0008, 0x0070, "Vantu by KWL 2002 ");
    element(out, 0x0018, 0x0000, u32Value(18));
    element(out, 0x0018, 0x1020, "Vantu 3.10");
    element(out, 0x0028, 0x0000, u32Value(90));
    element(out, 0x0028, 0x0002, u16Value(1));
    element(out, 0x0028, 0x0004, "MONOCHROME2 ");
    element(out, 0x0028, 0x0010, u16Value(h));
    element(out, 0x0028, 0x0011, u16Value(w));
    element(out, 0x0028, 0x0100, u16Value(16));
    element(out, 0x0028, 0x0101, u16Value(12));
    // The highest stored bit is bit 11, and the samples are unsigned.
    element(out, 0x0028, 0x0102, u16Value(11));
    element(out, 0x0028, 0x0103, u16Value(0));
    const uint32_t bytes = 2 * w * h;
    element(out, 0x7FE0, 0x0000, u32Value(bytes + 8));
    put16(out, 0x7FE0);
    put16(out, 0x0010);
    put32(out, bytes);
    out.reserve(out.size() + bytes);
    for (size_t i = 0; i < grey.size(); ++i) put16(out, grey.current[i] >> shift);
    return out;
}

ImageSaveStatus SaveImageFile(const WorkspaceState& state, int type, const std::string& path) {
    if (!state.GreyImage) return ImageSaveStatus::NoImage;
    std::string bytes;
    switch (type) {
        case kSaveBitmap:
            bytes = EncodeGreyBitmap(*state.GreyImage, state.BitDepth);
            break;
        case kSaveRaw:
            bytes = EncodeRaw16(*state.GreyImage);
            break;
        case kSaveDicom:
            if (state.GreyImage->width > 0xFFFF || state.GreyImage->height > 0xFFFF)
                return ImageSaveStatus::TooLarge;
            bytes = EncodeDicom(*state.GreyImage, state.BitDepth);
            break;
        default:
            return ImageSaveStatus::UnknownType;
    }
    return platform::writeWholeFileAtomically(path, bytes) ? ImageSaveStatus::Ok
                                                           : ImageSaveStatus::CannotCreate;
}
