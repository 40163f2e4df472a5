#include "workspace/core/formats/bitmap_header.h"

#include "workspace/core/formats/byte_codec.h"

void appendBitmapHeader(std::string& out, const BitmapHeader& header) {
    out += "BM";
    appendLittleEndian32(out, header.fileSize);
    appendLittleEndian32(out, 0);  // reserved
    appendLittleEndian32(out, header.dataOffset);
    appendLittleEndian32(out, 40);  // size of the information header
    appendLittleEndian32(out, header.width);
    appendLittleEndian32(out, header.height);
    appendLittleEndian16(out, header.planes);
    appendLittleEndian16(out, header.bitCount);
    appendLittleEndian32(out, 0);  // no compression
    appendLittleEndian32(out, header.imageSize);
    appendLittleEndian32(out, header.xPelsPerMeter);
    appendLittleEndian32(out, header.yPelsPerMeter);
    appendLittleEndian32(out, header.coloursUsed);
    appendLittleEndian32(out, header.coloursImportant);
}

uint32_t bitmapRowStride(uint32_t width, uint16_t bitCount) {
    return (width * bitCount + 31) / 32 * 4;  // whole 32-bit words, also below 8 bits a pixel
}

BitmapHeader plainBitmapHeader(uint32_t width, uint32_t height, uint16_t bitCount,
                               uint32_t paletteBytes, uint32_t pelsPerMeter) {
    const uint32_t dataOffset = 54 + paletteBytes;
    const uint32_t imageSize = height * bitmapRowStride(width, bitCount);
    return {.fileSize = dataOffset + imageSize,
            .dataOffset = dataOffset,
            .width = width,
            .height = height,
            .bitCount = bitCount,
            .imageSize = imageSize,
            .xPelsPerMeter = pelsPerMeter,
            .yPelsPerMeter = pelsPerMeter};
}
