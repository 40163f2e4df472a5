#include "workspace/core/formats/bmp_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "workspace/core/image/colour_modes.h"
#include "workspace/core/image/image_plane.h"

using platform::testing::TempDir;

namespace {

// Little-endian byte writer for building files field by field.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& u8(uint32_t v) {
        data.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Bytes& u16(uint32_t v) { return u8(v).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v).u16(v >> 16); }
    Bytes& s32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Bytes& bytes(const std::vector<uint8_t>& v) {
        data.insert(data.end(), v.begin(), v.end());
        return *this;
    }
};

constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitfields = 3;

// What goes into a test bitmap; the file layout around it is computed.
struct BmpParts {
    uint32_t headerSize = 40;
    int32_t width = 1;
    int32_t height = 1;
    uint32_t bpp = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    uint32_t sizeImage = 0;
    std::vector<uint32_t> masks{};    // red, green, blue: after a 40-byte header, else inside it
    std::vector<uint32_t> palette{};  // 0xRRGGBB
    std::vector<uint8_t> pixels{};    // as stored, rows padded
};

std::vector<uint8_t> makeBmp(const BmpParts& p) {
    Bytes info;
    if (p.headerSize == 12) {
        info.u32(12).u16(static_cast<uint32_t>(p.width)).u16(static_cast<uint32_t>(p.height));
        info.u16(1).u16(p.bpp);
    } else {
        info.u32(p.headerSize).s32(p.width).s32(p.height).u16(1).u16(p.bpp);
        info.u32(p.compression).u32(p.sizeImage).s32(2835).s32(2835).u32(p.coloursUsed).u32(0);
        if (p.headerSize >= 52)
            for (size_t i = 0; i < 3; ++i) info.u32(i < p.masks.size() ? p.masks[i] : 0);
        while (info.data.size() < p.headerSize) info.u8(0);
    }
    Bytes tables;
    if (p.headerSize == 40)
        for (uint32_t mask : p.masks) tables.u32(mask);
    for (uint32_t colour : p.palette) {
        tables.u8(colour).u8(colour >> 8).u8(colour >> 16);
        if (p.headerSize != 12) tables.u8(0);
    }
    const uint32_t offset = static_cast<uint32_t>(14 + info.data.size() + tables.data.size());
    Bytes file;
    file.u8('B').u8('M').u32(offset + static_cast<uint32_t>(p.pixels.size())).u32(0).u32(offset);
    return file.bytes(info.data).bytes(tables.data).bytes(p.pixels).data;
}

// Expected pixels from 0xRRGGBB values, top row first.
std::vector<uint8_t> bgr(std::initializer_list<uint32_t> colours) {
    std::vector<uint8_t> out;
    for (uint32_t c : colours) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c >> 16));
    }
    return out;
}

void patch32(std::vector<uint8_t>& file, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

BmpStatus decode(const std::vector<uint8_t>& file, RgbImage& image) {
    return decodeBmp(std::span<const uint8_t>(file), image);
}

BmpStatus statusOf(const BmpParts& parts) {
    RgbImage image;
    return decode(makeBmp(parts), image);
}

// The decoded pixels of a bitmap that must decode; empty when it does not.
std::vector<uint8_t> pixelsOf(const std::vector<uint8_t>& file) {
    RgbImage image;
    EXPECT_EQ(decode(file, image), BmpStatus::Ok);
    EXPECT_EQ(image.bgr.size(), static_cast<size_t>(image.width) * image.height * 3);
    return image.bgr;
}
std::vector<uint8_t> pixelsOf(const BmpParts& parts) {
    return pixelsOf(makeBmp(parts));
}

// A 2 x 2 24-bit picture, stored bottom-up with two padding bytes per row.
BmpParts small24() {
    return {.width = 2,
            .height = 2,
            .pixels = {0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0xEE, 0xEE,    // bottom row
                       0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0xEE, 0xEE}};  // top row
}
const std::vector<uint8_t> kSmall24 = bgr({0x102030, 0x405060, 0x010203, 0x040506});

std::vector<uint32_t> greyRamp() {
    std::vector<uint32_t> palette;
    for (uint32_t i = 0; i < 256; ++i) palette.push_back(i << 16 | (255 - i) << 8 | i / 2);
    return palette;
}

std::vector<uint8_t> words16(std::initializer_list<uint32_t> values) {
    Bytes out;
    for (uint32_t v : values) out.u16(v);
    return out.data;
}

// --- Palette pictures --------------------------------------------------------

TEST(BmpPalette, OneBitOddWidthUsesOnlyTheRowsBitsAndSkipsThePadding) {
    // Bottom row 0 1 0 0 1 1 0 1 | 0, top row 1 0 1 1 0 0 1 0 | 1; bits after
    // the ninth and the padding bytes are set to show they are ignored.
    const uint32_t a = 0x102030, b = 0xA0B0C0;
    EXPECT_EQ(pixelsOf({.width = 9,
                        .height = 2,
                        .bpp = 1,
                        .palette = {a, b},
                        .pixels = {0x4D, 0x7F, 0xFF, 0xFF, 0xB2, 0xFF, 0xFF, 0xFF}}),
              bgr({b, a, b, b, a, a, b, a, b,  // top
                   a, b, a, a, b, b, a, b, a}));
}

TEST(BmpPalette, FourBitWithAShortPaletteGivesBlackForIndexesBeyondIt) {
    EXPECT_EQ(pixelsOf({.width = 3,
                        .height = 2,
                        .bpp = 4,
                        .coloursUsed = 3,
                        .palette = {0x0000FF, 0x00FF00, 0xFF0000},
                        .pixels = {0x11, 0xF0, 0, 0,     // bottom: 1 1 15
                                   0x20, 0x10, 0, 0}}),  // top: 2 0 1
              bgr({0xFF0000, 0x0000FF, 0x00FF00, 0x00FF00, 0x00FF00, 0x000000}));
}

TEST(BmpPalette, EightBitBottomUpAndTopDownGiveTheSamePicture) {
    const auto expected = bgr({0x00FF00, 0xFF007F, 0x07F803, 0x807F40});
    BmpParts p{.width = 2,
               .height = 2,
               .bpp = 8,
               .palette = greyRamp(),
               .pixels = {7, 128, 0xEE, 0xEE, 0, 255, 0xEE, 0xEE}};
    EXPECT_EQ(pixelsOf(p), expected);
    p.height = -2;
    p.pixels = {0, 255, 0xEE, 0xEE, 7, 128, 0xEE, 0xEE};
    EXPECT_EQ(pixelsOf(p), expected);
}

TEST(BmpPalette, CoreHeaderHasThreeBytePaletteEntriesAndMayStoreFewerOfThem) {
    EXPECT_EQ(pixelsOf({.headerSize = 12,
                        .width = 3,
                        .height = 1,
                        .bpp = 8,
                        .palette = {0x112233, 0x445566},  // two of 256 entries stored
                        .pixels = {1, 0, 1, 0}}),
              bgr({0x445566, 0x112233, 0x445566}));
}

// --- Direct colour -----------------------------------------------------------

TEST(BmpDirect, TwentyFourBitsBottomUpTopDownAndWithTheCoreHeader) {
    BmpParts p = small24();
    EXPECT_EQ(pixelsOf(p), kSmall24);
    p.headerSize = 12;
    EXPECT_EQ(pixelsOf(p), kSmall24);
    p.headerSize = 40;
    p.height = -2;
    EXPECT_EQ(pixelsOf(p), bgr({0x010203, 0x040506, 0x102030, 0x405060}));
}

TEST(BmpDirect, SixteenBitsWithoutMasksAre555AndIgnoreTheTopBit) {
    // 5-bit 16 of 31 scales to 132 of 255.
    EXPECT_EQ(
        pixelsOf(
            {.width = 3, .height = 1, .bpp = 16, .pixels = words16({0x7C00, 0x801F, 0x4210, 0})}),
        bgr({0xFF0000, 0x0000FF, 0x848484}));
}

TEST(BmpDirect, SixteenBitBitfields565InEveryHeaderVersion) {
    for (uint32_t headerSize : {40u, 52u, 56u, 108u, 124u}) {
        // Bottom: green 1 of 63, then 16, 32, 16; top: red, green.
        EXPECT_EQ(pixelsOf({.headerSize = headerSize,
                            .width = 2,
                            .height = 2,
                            .bpp = 16,
                            .compression = kBitfields,
                            .masks = {0xF800, 0x07E0, 0x001F},
                            .pixels = words16({0x0020, 0x8410, 0xF800, 0x07E0})}),
                  bgr({0xFF0000, 0x00FF00, 0x000400, 0x848284}))
            << headerSize;
    }
}

TEST(BmpDirect, ThirtyTwoBitsWithoutMasksAreBgrEvenWhenTheHeaderHoldsMasks) {
    BmpParts p{.width = 2,
               .height = 1,
               .bpp = 32,
               .pixels = {0x03, 0x02, 0x01, 0xFF, 0xC0, 0xB0, 0xA0, 0x00}};
    EXPECT_EQ(pixelsOf(p), bgr({0x010203, 0xA0B0C0}));
    p.headerSize = 124;
    p.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // meaningless without bit fields
    EXPECT_EQ(pixelsOf(p), bgr({0x010203, 0xA0B0C0}));
}

TEST(BmpDirect, ThirtyTwoBitBitfieldsInAnyOrderAndWiderThanEightBits) {
    BmpParts p{.width = 2,
               .height = 1,
               .bpp = 32,
               .compression = kBitfields,
               .masks = {0x000000FF, 0x0000FF00, 0x00FF0000},  // bytes R, G, B, A
               .pixels = {0x11, 0x22, 0x33, 0x44, 0xFF, 0x00, 0x80, 0x00}};
    EXPECT_EQ(pixelsOf(p), bgr({0x112233, 0xFF0080}));

    p.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};  // 10 bits each: 512 of 1023 is 128
    p.pixels = Bytes().u32(1023u << 20 | 512u << 10).u32(1023u).data;
    EXPECT_EQ(pixelsOf(p), bgr({0xFF8000, 0x0000FF}));
}

// --- Run-length encoding -----------------------------------------------------

std::vector<uint32_t> rlePalette() {
    std::vector<uint32_t> palette;
    for (uint32_t i = 0; i < 16; ++i) palette.push_back(i * 0x100000 + i * 0x000400 + i * 3);
    return palette;
}

BmpParts rleParts(int32_t width, int32_t height, uint32_t compression,
                  std::vector<uint8_t> stream) {
    return {.width = width,
            .height = height,
            .bpp = compression == kRle4 ? 4u : 8u,
            .compression = compression,
            .coloursUsed = 16,
            .palette = rlePalette(),
            .pixels = std::move(stream)};
}

TEST(BmpRle, EightBitRunsLiteralsEndOfLineDeltaAndEndOfBitmap) {
    const auto c = rlePalette();
    EXPECT_EQ(pixelsOf(rleParts(5, 3, kRle8,
                                {
                                    0x02, 0x01,                 // bottom row: two 1s
                                    0x00, 0x03, 2, 3, 4, 0x00,  // literal 2 3 4, padded
                                    0x00, 0x00,                 // end of line
                                    0x00, 0x02, 0x01, 0x01,     // delta: right 1, up 1
                                    0x04, 0x06,                 // top row: four 6s
                                    0x00, 0x01,                 // end of bitmap
                                })),
              bgr({c[0], c[6], c[6], c[6], c[6],  // top
                   c[0], c[0], c[0], c[0], c[0],  // skipped: colour 0
                   c[1], c[1], c[2], c[3], c[4]}));
}

TEST(BmpRle, FourBitRunsAlternateNibblesAndOddLiteralsArePadded) {
    const auto c = rlePalette();
    EXPECT_EQ(pixelsOf(rleParts(5, 2, kRle4,
                                {
                                    0x05, 0x12,                          // bottom: 1 2 1 2 1
                                    0x00, 0x00,                          // end of line
                                    0x00, 0x05, 0x34, 0x56, 0x70, 0x00,  // top: 3 4 5 6 7, pad
                                    0x00, 0x01,                          // end of bitmap
                                })),
              bgr({c[3], c[4], c[5], c[6], c[7], c[1], c[2], c[1], c[2], c[1]}));
}

TEST(BmpRle, TheStatedCompressedSizeEndsTheStream) {
    // The end-of-bitmap mark lies beyond the stated size; the row is complete anyway.
    BmpParts p = rleParts(2, 1, kRle8, {0x02, 0x05, 0x00, 0x01});
    p.sizeImage = 2;
    EXPECT_EQ(pixelsOf(p), bgr({rlePalette()[5], rlePalette()[5]}));
}

TEST(BmpRle, PixelsPastTheRowWidthAreDropped) {
    // ImageMagick codes each row of 37 to the stride, 40 pixels; its
    // uncompressed copy of the picture is the reference.
    const std::string dir = std::string(VANTU_TEST_DATA) + "/bitmap/";
    RgbImage rle;
    RgbImage plain;
    ASSERT_EQ(readBmpFile(dir + "imagemagick_w37_rle8.bmp", rle), BmpStatus::Ok);
    ASSERT_EQ(readBmpFile(dir + "imagemagick_w37_plain8.bmp", plain), BmpStatus::Ok);
    EXPECT_EQ(rle.width, 37);
    EXPECT_EQ(rle.bgr, plain.bgr);

    // Runs and literals past the width at both depths; the next row starts at
    // its left edge, and a last row complete by its run needs no end mark.
    const auto c = rlePalette();
    EXPECT_EQ(pixelsOf(rleParts(3, 2, kRle8, {0x05, 0x01, 0x00, 0x00, 0x00, 0x04, 2, 3, 4, 5})),
              bgr({c[2], c[3], c[4], c[1], c[1], c[1]}));
    EXPECT_EQ(pixelsOf(rleParts(3, 2, kRle4,
                                {0x00, 0x05, 0x34, 0x56, 0x70, 0x00, 0x00, 0x00, 0x04, 0x12})),
              bgr({c[1], c[2], c[1], c[3], c[4], c[5]}));
}

TEST(BmpRle, BrokenStreamsAreCorrupt) {
    const std::vector<uint8_t> good = {0x04, 0x01, 0x00, 0x00, 0x04, 0x02, 0x00, 0x01};
    ASSERT_EQ(statusOf(rleParts(4, 2, kRle8, good)), BmpStatus::Ok);
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"ends before the picture is complete", {0x04, 0x01, 0x00, 0x00, 0x02, 0x02}},
        {"row past the width, then a row above the top",
         {0x06, 0x01, 0x00, 0x00, 0x06, 0x02, 0x00, 0x00, 0x01, 0x03, 0x00, 0x01}},
        {"literal cut off by the end of the data", {0x00, 0x04, 1, 2}},
        {"delta beyond the right edge", {0x00, 0x02, 0x05, 0x00, 0x00, 0x01}},
        {"delta beyond the top", {0x00, 0x02, 0x00, 0x03, 0x00, 0x01}},
        {"delta without its two bytes", {0x00, 0x02, 0x01}},
        {"pixels above the top row", {0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x01}},
    };
    for (const auto& [what, stream] : cases)
        EXPECT_EQ(statusOf(rleParts(4, 2, kRle8, stream)), BmpStatus::Corrupt) << what;

    BmpParts topDown = rleParts(4, -2, kRle8, good);
    EXPECT_EQ(statusOf(topDown), BmpStatus::Corrupt) << "top-down";
    BmpParts oversized = rleParts(4, 2, kRle8, good);
    oversized.sizeImage = 100;
    EXPECT_EQ(statusOf(oversized), BmpStatus::Corrupt) << "stated size beyond the file";
    BmpParts wrongDepth = rleParts(4, 2, kRle8, good);
    wrongDepth.bpp = 4;
    EXPECT_EQ(statusOf(wrongDepth), BmpStatus::Corrupt) << "8-bit runs at 4 bits";
}

// --- Refusals ----------------------------------------------------------------

TEST(BmpRefusal, OnlyASignatureOtherThanBmIsNotABitmap) {
    RgbImage image;
    const std::vector<uint8_t> others[] = {
        {}, {'B'}, {'M', 'B', 0, 0}, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}};
    for (const auto& file : others)
        EXPECT_EQ(decode(file, image), BmpStatus::NotBitmap) << file.size();
    auto valid = makeBmp(small24());
    valid[0] = 'b';
    EXPECT_EQ(decode(valid, image), BmpStatus::NotBitmap);
    // "BM" followed by too little is a damaged bitmap, not another format.
    EXPECT_EQ(decode(std::vector<uint8_t>{'B', 'M'}, image), BmpStatus::Corrupt);
}

TEST(BmpRefusal, SizesAndOffsetsThatDoNotFitTheFileAreCorrupt) {
    const auto good = makeBmp(small24());
    RgbImage image;
    ASSERT_EQ(decode(good, image), BmpStatus::Ok);
    struct Case {
        const char* what;
        std::vector<std::pair<size_t, uint32_t>> patches;  // (offset, 32-bit value)
    };
    const Case cases[] = {
        {"pixel offset past the end", {{10, 1000}}},
        {"pixel offset inside the header", {{10, 30}}},
        {"header size past the end", {{14, 1000}}},
        {"header size below the smallest header", {{14, 8}}},
        {"zero width", {{18, 0}}},
        {"negative width", {{18, static_cast<uint32_t>(-2)}}},
        {"zero height", {{22, 0}}},
        {"most negative height", {{22, 0x80000000u}}},
        {"width larger than any plane", {{18, 0x7FFFFFFF}}},
        {"65536 x 65536", {{18, 65536}, {22, 65536}}},
        {"bit count of 7 (compression stays 0)", {{28, 7}}},
    };
    for (const Case& c : cases) {
        auto file = good;
        for (auto [at, value] : c.patches) patch32(file, at, value);
        EXPECT_EQ(decode(file, image), BmpStatus::Corrupt) << c.what;
    }
    EXPECT_EQ(decode(std::vector<uint8_t>(good.begin(), good.begin() + 30), image),
              BmpStatus::Corrupt)
        << "cut inside the header";
}

TEST(BmpRefusal, TruncatedPixelDataIsCorruptButAMissingLastPaddingIsNot) {
    auto file = makeBmp(small24());
    file.resize(file.size() - 2);  // the top row's padding
    EXPECT_EQ(pixelsOf(file), kSmall24);
    file.pop_back();  // now a pixel byte is missing
    RgbImage image;
    EXPECT_EQ(decode(file, image), BmpStatus::Corrupt);

    // Three rows of 33 bits: 8 bytes each, the last needs only 5.
    BmpParts onebit{.width = 33, .height = 3, .bpp = 1, .palette = {0, 0xFFFFFF}};
    onebit.pixels.assign(8 * 2 + 4, 0);
    EXPECT_EQ(statusOf(onebit), BmpStatus::Corrupt);
    onebit.pixels.push_back(0);
    EXPECT_EQ(statusOf(onebit), BmpStatus::Ok);
}

TEST(BmpRefusal, PalettesThatOverflowAreCorrupt) {
    const BmpParts p{
        .width = 1, .height = 1, .bpp = 8, .palette = greyRamp(), .pixels = {0, 0, 0, 0}};
    ASSERT_EQ(statusOf(p), BmpStatus::Ok);

    BmpParts tooMany = p;
    tooMany.coloursUsed = 257;
    EXPECT_EQ(statusOf(tooMany), BmpStatus::Corrupt) << "more colours than 8 bits allow";
    BmpParts intoPixels = p;
    intoPixels.palette.resize(2);  // 256 entries declared, 2 stored before the pixels
    EXPECT_EQ(statusOf(intoPixels), BmpStatus::Corrupt) << "palette into the pixels";
    BmpParts fourBit = p;
    fourBit.bpp = 4;
    fourBit.coloursUsed = 17;
    fourBit.palette.resize(17);
    EXPECT_EQ(statusOf(fourBit), BmpStatus::Corrupt) << "17 colours at 4 bits";
    auto cut = makeBmp(p);
    cut.resize(54 + 100);
    RgbImage image;
    EXPECT_EQ(decode(cut, image), BmpStatus::Corrupt) << "file cut inside the palette";
}

TEST(BmpRefusal, InconsistentFormatFieldsAreCorruptUnknownVariantsUnsupported) {
    const BmpParts masked{.width = 1,
                          .height = 1,
                          .bpp = 16,
                          .compression = kBitfields,
                          .masks = {0xF800, 0x07E0, 0x001F},
                          .pixels = {0, 0, 0, 0}};
    ASSERT_EQ(statusOf(masked), BmpStatus::Ok);
    BmpParts gappy = masked;
    gappy.masks[1] = 0x0660;
    EXPECT_EQ(statusOf(gappy), BmpStatus::Corrupt) << "mask bits not contiguous";
    BmpParts noMasks = masked;
    noMasks.masks.clear();
    EXPECT_EQ(statusOf(noMasks), BmpStatus::Corrupt) << "masks cut off";
    BmpParts fields24 = small24();
    fields24.compression = kBitfields;
    fields24.masks = {0xFF0000, 0xFF00, 0xFF};
    EXPECT_EQ(statusOf(fields24), BmpStatus::Corrupt) << "bit fields at 24 bits";

    BmpParts jpeg = small24();
    jpeg.compression = 4;
    EXPECT_EQ(statusOf(jpeg), BmpStatus::Unsupported) << "embedded JPEG";
    BmpParts png = small24();
    png.compression = 5;
    png.bpp = 0;
    EXPECT_EQ(statusOf(png), BmpStatus::Unsupported) << "embedded PNG";
    BmpParts twoBit = small24();
    twoBit.bpp = 2;
    twoBit.palette = {0, 0, 0, 0};
    EXPECT_EQ(statusOf(twoBit), BmpStatus::Unsupported) << "2 bits";
    BmpParts os2 = small24();
    os2.headerSize = 64;
    EXPECT_EQ(statusOf(os2), BmpStatus::Unsupported) << "OS/2 2.x header";
}

TEST(BmpRefusal, AFailureLeavesTheOutputAsItWas) {
    RgbImage image{.width = 7, .height = 1, .bgr = {1, 2, 3}};
    auto file = makeBmp(small24());
    file.resize(file.size() - 3);
    EXPECT_EQ(decode(file, image), BmpStatus::Corrupt);
    EXPECT_EQ(decode(std::vector<uint8_t>{'P', 'K'}, image), BmpStatus::NotBitmap);
    EXPECT_EQ(image.width, 7);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.bgr, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(BmpRefusal, ACallerMayLowerThePixelLimit) {
    const auto file = makeBmp(small24());
    RgbImage image;
    EXPECT_EQ(decodeBmp(file, image, 3), BmpStatus::Corrupt);
    EXPECT_EQ(decodeBmp(file, image, 4), BmpStatus::Ok);
    EXPECT_EQ(image.bgr, kSmall24);
}

TEST(BmpRefusal, ADecompressionBombIsRefusedFromItsHeaderAlone) {
    // About 1 KB of run-length data that declares 32768 x 32768 pixels
    // (3 GiB decoded): refused before anything is allocated, and at once.
    std::vector<uint8_t> stream;
    for (int i = 0; i < 500; ++i) stream.insert(stream.end(), {0xFF, 0x01});
    stream.insert(stream.end(), {0x00, 0x01});
    RgbImage image;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(decodeBmp(makeBmp(rleParts(32768, 32768, kRle8, stream)), image), BmpStatus::Corrupt);
    EXPECT_EQ(decodeBmp(makeBmp(rleParts(16385, 16384, kRle4, stream)), image), BmpStatus::Corrupt);
    EXPECT_EQ(decodeBmp(makeBmp(rleParts(1, 16385 * 16384, kRle8, stream)), image),
              BmpStatus::Corrupt);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(kMaxImagePixels, size_t{16384} * 16384);
}

// --- Files -------------------------------------------------------------------

TEST(BmpFile, ReadsAFileAndReportsWhatIsWrongWithOthers) {
    TempDir dir;
    const auto bytes = makeBmp(small24());
    RgbImage image;
    ASSERT_EQ(readBmpFile(dir.write("picture.bmp", std::string(bytes.begin(), bytes.end())), image),
              BmpStatus::Ok);
    EXPECT_EQ(image.bgr, kSmall24);

    EXPECT_EQ(readBmpFile(dir.write("text.bmp", "hello"), image), BmpStatus::NotBitmap);
    EXPECT_EQ(readBmpFile(dir.write("empty.bmp", ""), image), BmpStatus::NotBitmap);
    EXPECT_EQ(readBmpFile(dir.write("short.bmp", "BM\x10"), image), BmpStatus::Corrupt);
    EXPECT_EQ(readBmpFile(dir.file("missing.bmp"), image), BmpStatus::CannotOpen);
    EXPECT_EQ(readBmpFile(dir.path(), image), BmpStatus::CannotOpen);
    EXPECT_EQ(image.bgr, kSmall24);
}

// Straight to grey: the same samples and statuses as decoding the picture
// and converting it, in every depth, for a picture cut into several bands of
// rows, and for failures.
TEST(BmpFile, GreySamplesAreThePictureConverted) {
    TempDir dir;
    std::mt19937 random(7);
    const auto convert = [](const uint8_t* colours, size_t count, uint16_t* samples) {
        convertToGrey(colours, count, 6, samples);  // hue: every channel counts
    };
    const auto check = [&](const std::string& name, const std::vector<uint8_t>& file) {
        const std::string path = dir.write(name, std::string(file.begin(), file.end()));
        RgbImage picture;
        const BmpStatus expected = readBmpFile(path, picture);
        GreyPicture grey;
        grey.width = 5;
        EXPECT_EQ(readBmpFileGrey(path, convert, grey), expected) << name;
        if (expected != BmpStatus::Ok) {
            EXPECT_EQ(grey.width, 5) << name;
            return;
        }
        std::vector<uint16_t> converted(picture.bgr.size() / 3);
        convertToGrey(picture, 6, converted.data());
        EXPECT_EQ(grey.width, picture.width) << name;
        EXPECT_EQ(grey.height, picture.height) << name;
        EXPECT_TRUE(std::equal(converted.begin(), converted.end(), grey.samples.begin(),
                               grey.samples.end()))
            << name;
    };
    // 301 pixels wide and 700 high: several bands of rows on any machine.
    for (uint32_t bpp : {1u, 4u, 8u, 16u, 24u, 32u})
        for (int32_t height : {700, -700}) {
            BmpParts parts{.width = 301, .height = height, .bpp = bpp};
            if (bpp <= 8) parts.palette = greyRamp();
            parts.palette.resize(bpp <= 8 ? size_t{1} << bpp : 0);
            parts.pixels.resize((301 * bpp + 31) / 32 * 4 * 700);
            for (uint8_t& byte : parts.pixels) byte = static_cast<uint8_t>(random());
            check(std::to_string(bpp) + "_" + std::to_string(height) + ".bmp", makeBmp(parts));
            if (bpp == 8 && height > 0) {
                std::vector<uint8_t> cut = makeBmp(parts);
                cut.resize(cut.size() - 302);
                check("cut.bmp", cut);
            }
        }
    check("rle.bmp", makeBmp(rleParts(4, 2, kRle8, {0, 0, 2, 5, 0, 0, 4, 7, 0, 1})));
    check("text.bmp", {'h', 'e', 'l', 'l', 'o'});
    check("short.bmp", {'B', 'M', 0x10});
    GreyPicture grey;
    EXPECT_EQ(readBmpFileGrey(dir.file("missing.bmp"), convert, grey), BmpStatus::CannotOpen);
    EXPECT_EQ(readBmpFileGrey(dir.path(), convert, grey), BmpStatus::CannotOpen);
}

}  // namespace
