// The 14-byte file header and the 40-byte information header that start every
// bitmap the programs write: grey images, feature maps and their pictures,
// and volumes (whose planes and colour count carry the slice count and the
// voxel size).
#pragma once

#include <cstdint>
#include <string>

struct BitmapHeader {
    uint32_t fileSize = 0;
    uint32_t dataOffset = 54;
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t imageSize = 0;
    uint32_t xPelsPerMeter = 0;
    uint32_t yPelsPerMeter = 0;
    uint32_t coloursUsed = 0;
    uint32_t coloursImportant = 0;
};

// Appends "BM" and both headers, little-endian, no compression.
void appendBitmapHeader(std::string& out, const BitmapHeader& header);

// Bytes of one row of an uncompressed bitmap: `bitCount` bits a pixel, padded
// to a multiple of four.
uint32_t bitmapRowStride(uint32_t width, uint16_t bitCount);

// The header of an uncompressed bottom-up bitmap whose `paletteBytes` of
// colour table follow the headers and whose rows follow the table.
BitmapHeader plainBitmapHeader(uint32_t width, uint32_t height, uint16_t bitCount,
                               uint32_t paletteBytes, uint32_t pelsPerMeter);
