#include "workspace/core/formats/image_writers.h"

#include "platform/files.h"
#include "workspace/core/formats/bitmap_header.h"
#include "workspace/core/formats/dicom_elements.h"

std::string encodeGreyBitmap(const ImagePlane& grey, int32_t bitDepth) {
    const uint32_t w = static_cast<uint32_t>(grey.width), h = static_cast<uint32_t>(grey.height);
    const uint32_t stride = bitmapRowStride(w, 8);
    const int shift = bitDepth > 8 ? bitDepth - 8 : 0;
    std::string out;
    appendBitmapHeader(out, plainBitmapHeader(w, h, 8, 256 * 4, 1000));
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

std::string encodeRaw16(const ImagePlane& grey) {
    std::string out;
    out.reserve(grey.size() * 2);
    for (size_t i = 0; i < grey.size(); ++i) appendLittleEndian16(out, grey.current[i]);
    return out;
}

std::string encodeDicom(const ImagePlane& grey, int32_t bitDepth) {
    const uint32_t w = static_cast<uint32_t>(grey.width), h = static_cast<uint32_t>(grey.height);
    const int shift = bitDepth > 12 ? bitDepth - 12 : 0;
    std::string out;
    appendDicomFileStart(out);
    appendDicomElement(out, 0x0028, 0x0000, dicomU32Value(90));
    appendDicomElement(out, 0x0028, 0x0002, dicomU16Value(1));
    appendDicomElement(out, 0x0028, 0x0004, "MONOCHROME2 ");
    appendDicomElement(out, 0x0028, 0x0010, dicomU16Value(h));
    appendDicomElement(out, 0x0028, 0x0011, dicomU16Value(w));
    appendDicomElement(out, 0x0028, 0x0100, dicomU16Value(16));
    appendDicomElement(out, 0x0028, 0x0101, dicomU16Value(12));
    // The highest stored bit is bit 11, and the samples are unsigned.
    appendDicomElement(out, 0x0028, 0x0102, dicomU16Value(11));
    appendDicomElement(out, 0x0028, 0x0103, dicomU16Value(0));
    const uint32_t bytes = 2 * w * h;
    appendDicomElement(out, 0x7FE0, 0x0000, dicomU32Value(bytes + 8));
    appendLittleEndian16(out, 0x7FE0);
    appendLittleEndian16(out, 0x0010);
    appendLittleEndian32(out, bytes);
    out.reserve(out.size() + bytes);
    for (size_t i = 0; i < grey.size(); ++i) appendLittleEndian16(out, grey.current[i] >> shift);
    return out;
}

ImageSaveStatus SaveImageFile(const WorkspaceState& state, int type, const std::string& path) {
    if (!state.GreyImage) return ImageSaveStatus::NoImage;
    std::string bytes;
    switch (type) {
        case kSaveBitmap:
            bytes = encodeGreyBitmap(*state.GreyImage, state.BitDepth);
            break;
        case kSaveRaw:
            bytes = encodeRaw16(*state.GreyImage);
            break;
        case kSaveDicom:
            if (state.GreyImage->width > 0xFFFF || state.GreyImage->height > 0xFFFF)
                return ImageSaveStatus::TooLarge;
            bytes = encodeDicom(*state.GreyImage, state.BitDepth);
            break;
        default:
            return ImageSaveStatus::UnknownType;
    }
    return platform::writeWholeFileAtomically(path, bytes) ? ImageSaveStatus::Ok
                                                           : ImageSaveStatus::CannotCreate;
}
