#include "workspace/core/roi/roi_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "workspace/core/formats/bmp_reader.h"
#include "workspace/core/workspace_state.h"

using platform::testing::TempDir;

// Readable statuses in failure messages.
void PrintTo(RoiFileStatus status, std::ostream* os) {
    *os << "RoiFileStatus(" << static_cast<int>(status) << ")";
}

namespace {

// Little-endian field writer for expected files.
struct Bytes {
    std::string data;
    Bytes& raw(std::string_view s) {
        data.append(s);
        return *this;
    }
    Bytes& u8(uint32_t v) {
        data.push_back(static_cast<char>(v & 0xFF));
        return *this;
    }
    Bytes& u16(uint32_t v) { return u8(v).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v).u16(v >> 16); }
    Bytes& zeros(size_t n) {
        data.append(n, '\0');
        return *this;
    }
};

std::span<const uint8_t> spanOf(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// An image of w x h with grey samples 10 * x + y and an empty ROI map.
WorkspaceState stateWith(int w, int h) {
    WorkspaceState state;
    state.GreyImage = newPlane(w, h);
    state.RoiMap = newPlane(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) state.GreyImage->at(x, y) = static_cast<uint16_t>(10 * x + y);
    return state;
}

std::vector<uint16_t> wordsOf(const ImagePlane& map) {
    return {map.current, map.current + map.size()};
}

void fillRandom(ImagePlane& map, unsigned seed) {
    std::mt19937 random(seed);
    for (size_t i = 0; i < map.size(); ++i) map.current[i] = static_cast<uint16_t>(random());
}

// Everything a failed load must leave as it was.
struct Snapshot {
    std::vector<uint16_t> words;
    std::array<std::string, kRoiCount> names;
    int32_t ringIndex, undoCount, redoCount;
    explicit Snapshot(const WorkspaceState& s)
        : words(wordsOf(*s.RoiMap)),
          names(s.RoiNames),
          ringIndex(s.RoiMap->ringIndex),
          undoCount(s.RoiMap->undoCount),
          redoCount(s.RoiMap->redoCount) {}
    bool operator==(const Snapshot&) const = default;
};

// --- .roi format -----------------------------------------------------------------

TEST(RoiFileFormat, ATinyFileHasExactlyTheseBytes) {
    PlanePtr map = newPlane(2, 1);
    map->current[0] = 0x0001;
    map->current[1] = 0x8002;
    std::array<std::string, kRoiCount> names;
    names[0] = "ab";
    names[2] = "X";
    std::string file;
    ASSERT_EQ(encodeRoiFile(*map, names, file), RoiFileStatus::Ok);

    Bytes expected;
    expected.raw("KWL_ROI_2001").u16(2).u16(1).u16(2).u16(0).u16(1);
    for (int k = 3; k < 16; ++k) expected.u16(0);
    expected.zeros(64).u16(0x0001).u16(0x8002).raw("abX");
    EXPECT_EQ(file, expected.data);
    EXPECT_EQ(file.size(), 119u);
}

TEST(RoiFileFormat, SaveAndLoadRestoreEveryWordAndAllNames) {
    TempDir dir;
    WorkspaceState saved = stateWith(13, 7);
    fillRandom(*saved.RoiMap, 1);
    saved.RoiNames[0] = "Tumour";
    saved.RoiNames[5] = std::string(kMaxReadRoiNameLength, 'n');
    saved.RoiNames[15] = "last one";
    const std::string path = dir.file("a.roi");
    ASSERT_EQ(saveRoiFile(saved, path), RoiFileStatus::Ok);

    WorkspaceState loaded = stateWith(13, 7);
    fillRandom(*loaded.RoiMap, 2);
    const std::vector<uint16_t> before = wordsOf(*loaded.RoiMap);
    loaded.RoiNames[1] = "replaced by the file's empty name";
    ASSERT_EQ(LoadRoiFile(loaded, path, kLoadRoiTypeRoiFile), RoiFileStatus::Ok);
    EXPECT_EQ(wordsOf(*loaded.RoiMap), wordsOf(*saved.RoiMap));
    EXPECT_EQ(loaded.RoiNames, saved.RoiNames);
    // The load is one undoable step.
    EXPECT_EQ(undoRedoFlags(*loaded.RoiMap), 1);
    ASSERT_TRUE(planeUndo(*loaded.RoiMap));
    EXPECT_EQ(wordsOf(*loaded.RoiMap), before);
}

TEST(RoiFileFormat, ALargerFileFillsTheMapFromItsTopLeftPart) {
    TempDir dir;
    WorkspaceState big = stateWith(512, 512);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) big.RoiMap->at(x, y) = static_cast<uint16_t>(x * 131 + y);
    ASSERT_EQ(saveRoiFile(big, dir.file("big.roi")), RoiFileStatus::Ok);

    WorkspaceState small = stateWith(256, 256);
    ASSERT_EQ(LoadRoiFile(small, dir.file("big.roi"), 1), RoiFileStatus::Ok);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) ASSERT_EQ(small.RoiMap->at(x, y), big.RoiMap->at(x, y));
}

TEST(RoiFileFormat, ASmallerFileLeavesTheRestOfTheMapAsItWas) {
    TempDir dir;
    WorkspaceState small = stateWith(3, 2);
    fillRandom(*small.RoiMap, 3);
    ASSERT_EQ(saveRoiFile(small, dir.file("s.roi")), RoiFileStatus::Ok);

    WorkspaceState big = stateWith(5, 4);
    std::fill(big.RoiMap->current, big.RoiMap->current + big.RoiMap->size(), uint16_t{0x4000});
    ASSERT_EQ(LoadRoiFile(big, dir.file("s.roi"), 1), RoiFileStatus::Ok);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(big.RoiMap->at(x, y), x < 3 && y < 2 ? small.RoiMap->at(x, y) : 0x4000);
}

TEST(RoiFileFormat, DecodingReturnsOnlyThePartTheMapTakes) {
    PlanePtr map = newPlane(4, 3);
    fillRandom(*map, 4);
    std::string file;
    ASSERT_EQ(encodeRoiFile(*map, {}, file), RoiFileStatus::Ok);
    file += "trailing bytes are ignored";
    RoiFileContent content;
    ASSERT_EQ(decodeRoiFile(spanOf(file), 2, 9, content), RoiFileStatus::Ok);
    EXPECT_EQ(content.fileWidth, 4);
    EXPECT_EQ(content.fileHeight, 3);
    EXPECT_EQ(content.rows, 3);
    EXPECT_EQ(content.columns, 2);
    EXPECT_EQ(content.words, std::vector<uint16_t>({map->at(0, 0), map->at(1, 0), map->at(0, 1),
                                                    map->at(1, 1), map->at(0, 2), map->at(1, 2)}));
}

// --- Bad .roi files ------------------------------------------------------------------

TEST(RoiFileBadInput, ATruncatedFileChangesNothingAtAnyLength) {
    TempDir dir;
    PlanePtr map = newPlane(3, 2);
    fillRandom(*map, 5);
    std::array<std::string, kRoiCount> names;
    names[0] = "first";
    names[9] = "tenth";
    std::string file;
    ASSERT_EQ(encodeRoiFile(*map, names, file), RoiFileStatus::Ok);

    WorkspaceState state = stateWith(3, 2);
    fillRandom(*state.RoiMap, 6);
    state.RoiNames[3] = "kept";
    const Snapshot before(state);
    for (size_t length = 0; length < file.size(); ++length) {
        const std::string part = file.substr(0, length);
        const RoiFileStatus expected =
            length < kRoiMagic.size() ? RoiFileStatus::WrongMagic : RoiFileStatus::Damaged;
        EXPECT_EQ(LoadRoiFile(state, dir.write("t.roi", part), 1), expected) << length;
        EXPECT_TRUE(Snapshot(state) == before) << length;

        RoiFileContent content;
        content.rows = -7;
        EXPECT_EQ(decodeRoiFile(spanOf(part), 3, 2, content), expected);
        EXPECT_EQ(content.rows, -7);
    }
    EXPECT_EQ(LoadRoiFile(state, dir.write("t.roi", file), 1), RoiFileStatus::Ok);
}

TEST(RoiFileBadInput, AWrongMagicOrAnUnreadableFileIsAnErrorThatChangesNothing) {
    TempDir dir;
    WorkspaceState state = stateWith(2, 2);
    fillRandom(*state.RoiMap, 7);
    const Snapshot before(state);
    std::string file;
    ASSERT_EQ(encodeRoiFile(*state.RoiMap, {}, file), RoiFileStatus::Ok);

    std::string lower = file;
    lower.replace(0, 3, "kwl");
    const std::string wrong = dir.write("wrong.roi", lower);
    EXPECT_EQ(LoadRoiFile(state, wrong, 1), RoiFileStatus::WrongMagic);
    EXPECT_EQ(static_cast<int>(RoiFileStatus::WrongMagic), 2);
    EXPECT_EQ(roiFileMessage(RoiFileStatus::WrongMagic, wrong),
              "File " + wrong + " is not a ROI file.");

    const std::string missing = dir.file("missing.roi");
    EXPECT_EQ(LoadRoiFile(state, missing, 1), RoiFileStatus::CannotOpen);
    EXPECT_EQ(LoadRoiFile(state, dir.path(), 1), RoiFileStatus::CannotOpen);
    EXPECT_EQ(static_cast<int>(RoiFileStatus::CannotOpen), 1);
    EXPECT_EQ(roiFileMessage(RoiFileStatus::CannotOpen, missing),
              "Cannot read ROI file " + missing + ".");
    EXPECT_TRUE(Snapshot(state) == before);
}

TEST(RoiFileBadInput, WithoutAnImageNothingIsLoaded) {
    TempDir dir;
    WorkspaceState state;
    state.RoiNames[0] = "kept";
    const std::string path = dir.write("a.roi", "KWL_ROI_2001");
    for (int type : {1, 2}) {
        EXPECT_EQ(LoadRoiFile(state, path, type), RoiFileStatus::NoImage);
        EXPECT_EQ(state.RoiNames[0], "kept");
    }
    EXPECT_EQ(static_cast<int>(RoiFileStatus::NoImage), 3);
    EXPECT_EQ(roiFileMessage(RoiFileStatus::NoImage, path), "Cannot load ROI. Load image first.");
    EXPECT_EQ(kRoiErrorCaption, "Error");
}

TEST(RoiFileBadInput, ANameTooLongToReadIsSkippedAndTheNamesAfterItStayInStep) {
    Bytes file;
    file.raw("KWL_ROI_2001").u16(1).u16(1).u16(3).u16(1023).u16(4).u16(0).u16(6);
    for (int k = 5; k < 16; ++k) file.u16(0);
    file.zeros(64)
        .u16(0x0002)
        .raw("abc")
        .raw(std::string(1023, 'z'))
        .raw("tail")
        .raw(std::string_view("ab\0cd?", 6));
    RoiFileContent content;
    ASSERT_EQ(decodeRoiFile(spanOf(file.data), 1, 1, content), RoiFileStatus::Ok);
    EXPECT_EQ(content.names[0], "abc");
    EXPECT_EQ(content.names[1], "");
    EXPECT_EQ(content.names[2], "tail");
    EXPECT_EQ(content.names[3], "");
    EXPECT_EQ(content.names[4], "ab");  // a name ends at a NUL byte
    EXPECT_EQ(content.words, std::vector<uint16_t>{2});
}

// --- Writers ------------------------------------------------------------------------

TEST(RoiFileWriters, AFailedWriteIsReportedAsCannotCreateNotAsTheOverlapWarning) {
    TempDir dir;
    WorkspaceState state = stateWith(2, 1);
    state.RoiMap->current[0] = 3;  // two ROIs: the 8-bit bitmap would warn
    const std::string path = dir.file("no/such/folder/out.bmp");
    for (int index : {1, 2, 3, 4}) {
        const RoiSaveResult result = saveRoiByFilterIndex(state, path, index);
        EXPECT_EQ(result.status, RoiFileStatus::CannotCreate) << index;
        EXPECT_FALSE(result.overlapping) << index;
    }
    EXPECT_EQ(roiFileMessage(RoiFileStatus::CannotCreate, path),
              "File " + path + " cannot be created.");

    WorkspaceState none;
    EXPECT_EQ(saveRoiByFilterIndex(none, dir.file("x.roi"), 1).status,
              RoiFileStatus::NothingToSave);
}

TEST(RoiFileWriters, AMapTooWideForTheFormatIsRefused) {
    TempDir dir;
    WorkspaceState state = stateWith(65536, 1);
    EXPECT_EQ(saveRoiFile(state, dir.file("wide.roi")), RoiFileStatus::TooLarge);
    EXPECT_FALSE(std::filesystem::exists(dir.file("wide.roi")));
    WorkspaceState widest = stateWith(65535, 1);
    EXPECT_EQ(saveRoiFile(widest, dir.file("ok.roi")), RoiFileStatus::Ok);
}

TEST(RoiFileWriters, TheFilterIndexChoosesTheFormat) {
    TempDir dir;
    WorkspaceState state = stateWith(2, 2);
    state.RoiMap->current[0] = 1;
    const auto saved = [&](int index) {
        EXPECT_EQ(saveRoiByFilterIndex(state, dir.file("out"), index).status, RoiFileStatus::Ok);
        return dir.read("out");
    };
    for (int index : {0, 1, 5}) EXPECT_EQ(saved(index).substr(0, 12), "KWL_ROI_2001");
    EXPECT_EQ(saved(2).substr(28, 1), "\x01");  // bit count of the active-ROI bitmap
    EXPECT_EQ(saved(3).substr(28, 1), "\x08");
    EXPECT_EQ(saved(4).substr(0, 8), "\r\nRoi #1");
}

// --- Bitmap exports ----------------------------------------------------------------

// The headers both bitmaps share.
Bytes bitmapHeaders(uint32_t fileSize, uint32_t offset, int32_t w, int32_t h, uint32_t bits,
                    uint32_t imageSize) {
    Bytes b;
    b.raw("BM").u32(fileSize).u32(0).u32(offset);
    b.u32(40).u32(static_cast<uint32_t>(w)).u32(static_cast<uint32_t>(h)).u16(1).u16(bits);
    b.u32(0).u32(imageSize).u32(1000).u32(1000).u32(0).u32(0);
    return b;
}

TEST(RoiBitmapExport, TheActiveRoiBitmapHasExactlyTheseBytes) {
    PlanePtr map = newPlane(3, 2);
    map->at(0, 0) = 2;
    map->at(2, 0) = 3;
    map->at(1, 1) = 2;
    std::string file;
    ASSERT_EQ(encodeActiveRoiBitmap(*map, 2, file), RoiFileStatus::Ok);
    Bytes expected = bitmapHeaders(70, 62, 3, 2, 1, 8);
    expected.u32(0).u8(0x00).u8(0xFF).u8(0x00).u8(0);  // black, the colour of ROI 2
    expected.u8(0x40).zeros(3).u8(0xA0).zeros(3);      // bottom row first
    EXPECT_EQ(file, expected.data);

    RgbImage image;
    ASSERT_EQ(decodeBmp(spanOf(file), image), BmpStatus::Ok);
    const std::vector<uint8_t> g = {0, 0xFF, 0}, k = {0, 0, 0};
    std::vector<uint8_t> pixels;
    for (const auto* p : {&g, &k, &g, &k, &g, &k})
        pixels.insert(pixels.end(), p->begin(), p->end());
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bgr, pixels);
}

TEST(RoiBitmapExport, TheActiveRoiBitmapRowsAreWholeWordsAndRoi1IsTheFallback) {
    PlanePtr map = newPlane(33, 3);
    map->at(32, 0) = 1;
    for (int roi : {0, -3, 17}) {
        std::string file;
        ASSERT_EQ(encodeActiveRoiBitmap(*map, roi, file), RoiFileStatus::Ok);
        EXPECT_EQ(file.size(), 62u + 3 * 8);
        EXPECT_EQ(file.substr(58, 4), std::string("\x00\x00\xFF\x00", 4));  // red: ROI 1
        EXPECT_EQ(file.substr(62 + 2 * 8, 8), std::string("\0\0\0\0\x80\0\0\0", 8));
    }
}

TEST(RoiBitmapExport, TheRoiBitmapHasTheseHeadersPaletteAndIndices) {
    PlanePtr map = newPlane(3, 2);
    const uint16_t words[] = {0, 1, 3, 0x8000, 4, 0};
    std::copy(std::begin(words), std::end(words), map->current);
    std::string file;
    bool overlapping = false;
    ASSERT_EQ(encodeRoiBitmap(*map, file, overlapping), RoiFileStatus::Ok);
    EXPECT_TRUE(overlapping);

    Bytes expected = bitmapHeaders(1086, 1078, 3, 2, 8, 8);
    for (uint32_t c : kRoiColours) expected.u8(c >> 16).u8(c >> 8).u8(c).u8(0);
    for (uint32_t i = 16; i < 256; ++i) expected.u8(i - 16).u8(i - 16).u8(i - 16).u8(0);
    expected.u8(15).u8(2).u8(16).u8(0).u8(16).u8(0).u8(255).u8(0);
    EXPECT_EQ(file, expected.data);

    RgbImage image;
    ASSERT_EQ(decodeBmp(spanOf(file), image), BmpStatus::Ok);
    EXPECT_EQ(image.bgr, std::vector<uint8_t>({0, 0, 0, 0, 0, 255, 239, 239, 239,  // top row
                                               0xC4, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0}));
}

TEST(RoiBitmapExport, TheOverlapWarningIsRaisedOnlyForAWrittenFileWithSharedPixels) {
    TempDir dir;
    WorkspaceState state = stateWith(5, 2);
    state.RoiMap->at(4, 1) = 0x0100;
    RoiSaveResult result = saveRoiBitmap(state, dir.file("a.bmp"));
    EXPECT_EQ(result.status, RoiFileStatus::Ok);
    EXPECT_FALSE(result.overlapping);
    EXPECT_EQ(dir.read("a.bmp").size(), 1078u + 2 * 8);

    state.RoiMap->at(0, 0) = 0x0101;
    result = saveRoiByFilterIndex(state, dir.file("b.bmp"), kSaveRoiFilterRoiBitmap);
    EXPECT_EQ(result.status, RoiFileStatus::Ok);
    EXPECT_TRUE(result.overlapping);
    EXPECT_EQ(kRoiWarningCaption, "Warning");
    EXPECT_TRUE(kOverlappingRegionsWarning.starts_with("Overlapping regions cannot be saved"));
}

// --- Text list ------------------------------------------------------------------------

TEST(RoiTextList, ListsEveryRoiWithRowsCountedFromTheBottom) {
    WorkspaceState state = stateWith(2, 2);  // samples 10 * x + y
    state.RoiMap->at(0, 0) = 1;
    state.RoiMap->at(1, 1) = 1 | 4;
    state.RoiMap->at(0, 1) = 4;
    const auto header = [](int k) {
        return "\r\nRoi #" + std::to_string(k) +
               "\r\n x \t y \t lum\r\n------------------------------------------------\r\n";
    };
    std::string expected =
        header(1) + "1\t0\t11\r\n0\t1\t0\r\n" + header(2) + header(3) + "0\t0\t1\r\n1\t0\t11\r\n";
    for (int k = 4; k <= 16; ++k) expected += header(k);
    EXPECT_EQ(encodeRoiTextList(*state.RoiMap, state.GreyImage.get()), expected);

    TempDir dir;
    ASSERT_EQ(saveRoiTextList(state, dir.file("r.txt")), RoiFileStatus::Ok);
    EXPECT_EQ(dir.read("r.txt"), expected);
}

// --- Picture in ROI colours ----------------------------------------------------------

// A 24-bit bitmap from 0x00BBGGRR colours, top row first.
std::string picture24(int w, int h, const std::vector<uint32_t>& colours) {
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    Bytes b = bitmapHeaders(54 + stride * h, 54, w, h, 24, stride * h);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t c = colours[static_cast<size_t>(y * w + x)];
            b.u8(c >> 16).u8(c >> 8).u8(c);
        }
        b.zeros(stride - static_cast<uint32_t>(w) * 3);
    }
    return b.data;
}

TEST(RoiPictureImport, RoiColoursBecomeTheirRoisAndOtherColoursNone) {
    TempDir dir;
    WorkspaceState state = stateWith(4, 3);
    std::fill(state.RoiMap->current, state.RoiMap->current + 12, uint16_t{0x0100});
    state.RoiNames[0] = "kept";
    const std::string path = dir.write(
        "p.bmp", picture24(3, 2, {0x00FF00, 0x0000FF, 0x123456, 0xC4FF00, 0x000000, 0x00FF01}));
    ASSERT_EQ(LoadRoiFile(state, path, kLoadRoiTypePicture), RoiFileStatus::Ok);
    EXPECT_EQ(wordsOf(*state.RoiMap), std::vector<uint16_t>({2, 1, 0, 0x0100, 0x8000, 0, 0, 0x0100,
                                                             0x0100, 0x0100, 0x0100, 0x0100}));
    // No undo step, and the names stay.
    EXPECT_EQ(state.RoiMap->undoCount, 0);
    EXPECT_EQ(state.RoiMap->ringIndex, 0);
    EXPECT_EQ(state.RoiNames[0], "kept");
}

TEST(RoiPictureImport, APictureLargerThanTheImageIsCropped) {
    PlanePtr map = newPlane(1, 1);
    ASSERT_EQ(
        decodeRoiPicture(spanOf(picture24(2, 2, {0xFF0000, 0x0000FF, 0x0000FF, 0x0000FF})), *map),
        RoiFileStatus::Ok);
    EXPECT_EQ(map->current[0], 4);
}

TEST(RoiPictureImport, TheRoiBitmapReadsBackAsTheMapItCameFrom) {
    TempDir dir;
    WorkspaceState state = stateWith(7, 5);
    std::mt19937 random(9);
    for (size_t i = 0; i < state.RoiMap->size(); ++i)
        state.RoiMap->current[i] = random() % 3 ? static_cast<uint16_t>(1u << random() % 16) : 0;
    const std::vector<uint16_t> words = wordsOf(*state.RoiMap);
    ASSERT_EQ(saveRoiBitmap(state, dir.file("r.bmp")).status, RoiFileStatus::Ok);
    std::fill(state.RoiMap->current, state.RoiMap->current + 35, uint16_t{0xFFFF});
    ASSERT_EQ(LoadRoiFile(state, dir.file("r.bmp"), 2), RoiFileStatus::Ok);
    EXPECT_EQ(wordsOf(*state.RoiMap), words);
}

TEST(RoiPictureImport, AFileThatIsNoBitmapChangesNothing) {
    TempDir dir;
    WorkspaceState state = stateWith(2, 2);
    fillRandom(*state.RoiMap, 8);
    const Snapshot before(state);
    const std::string text = dir.write("t.bmp", "not a picture");
    EXPECT_EQ(LoadRoiFile(state, text, 2), RoiFileStatus::NotPicture);
    EXPECT_EQ(LoadRoiFile(state, dir.write("c.bmp", "BM\x10"), 2), RoiFileStatus::NotPicture);
    EXPECT_EQ(LoadRoiFile(state, dir.file("missing.bmp"), 2), RoiFileStatus::CannotOpen);
    EXPECT_TRUE(Snapshot(state) == before);
    EXPECT_FALSE(roiFileMessage(RoiFileStatus::NotPicture, text).empty());
}

}  // namespace
