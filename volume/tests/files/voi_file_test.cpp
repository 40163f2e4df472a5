#include "volume/core/files/voi_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "volume/core/files/voi_exports.h"
#include "volume/core/files/voi_undo_ring.h"

namespace {

Volume3D blank(int32_t w, int32_t h, int32_t count) {
    Volume3D v(count);
    for (int32_t z = 0; z < count; ++z) Volume3DSetSlice(v, nullptr, w, h, z);
    return v;
}

struct VoiRun {
    uint16_t value, count;
};

std::vector<VoiRun> runsOf(const std::string& bytes, size_t from) {
    std::vector<VoiRun> runs;
    for (size_t i = from; i + 4 <= bytes.size(); i += 4) {
        auto u = [&](size_t at) {
            return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                                         (static_cast<uint8_t>(bytes[at + 1]) << 8));
        };
        runs.push_back({u(i), u(i + 2)});
    }
    return runs;
}

std::span<const uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

void putU16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}

}  // namespace

TEST(VoiRuns, AnEmptyMaskIsFullRunsAndOneShorterOne) {
    Volume3D m = blank(256, 256, 10);
    std::string out;
    Volume3DWriteRuns(m, out);
    const std::vector<VoiRun> runs = runsOf(out, 0);
    ASSERT_EQ(runs.size(), 11u);
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(runs[i].count, 65535);
    EXPECT_EQ(runs[10].count, 10);  // 655360 = 10 x 65535 + 10
    for (const VoiRun& r : runs) EXPECT_EQ(r.value, 0);
}

TEST(VoiRuns, AUniformMaskOfExactlyOneFullRunEndsThere) {
    Volume3D m = blank(255, 257, 1);  // 65535 voxels
    Volume3DMaskAll(m, 0, 3);
    std::string out;
    Volume3DWriteRuns(m, out);
    const std::vector<VoiRun> runs = runsOf(out, 0);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].value, 3);
    EXPECT_EQ(runs[0].count, 65535);
}

TEST(VoiRuns, SmallerSlicesAreReadStrictlyNotSmeared) {
    Volume3D m(2);
    Volume3DSetSlice(m, nullptr, 3, 2, 0);
    Volume3DSetSlice(m, nullptr, 2, 1, 1);
    Volume3DMaskAll(m, 0, 5);
    std::string out;
    Volume3DWriteRuns(m, out);
    const std::vector<VoiRun> runs = runsOf(out, 0);
    // Slice 0: 6 fives; slice 1: 2 fives, then 4 zeros of its missing extent.
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].value, 5);
    EXPECT_EQ(runs[0].count, 6 + 2);
    EXPECT_EQ(runs[1].value, 0);
    EXPECT_EQ(runs[1].count, 4);
}

TEST(VoiFile, MaskAndNamesSurviveARoundTrip) {
    platform::testing::TempDir dir;
    Volume3D m = blank(7, 5, 4);
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                Volume3DSetVoxel(m, x, y, z,
                                 static_cast<uint16_t>((x * y + z) % 3 == 0 ? 0 : x + 8 * z));
    VoiNames names;
    names[0] = "liver";
    names[5] = "lesion A";
    names[15] = std::string(1022, 'n');
    ASSERT_EQ(saveVoiFile(m, names, dir.file("a.voi")), VoiSaveStatus::Ok);
    const std::string bytes = dir.read("a.voi");
    EXPECT_EQ(bytes.substr(0, 12), "KWL_VOI_2006");

    Volume3D back = blank(7, 5, 4);
    VoiNames read;
    read[3] = "old";
    const VoiLoadResult r = LoadVoi(back, read, dir.file("a.voi"));
    EXPECT_EQ(r.status, VoiLoadStatus::Loaded);
    EXPECT_EQ(r.kind, 2);
    EXPECT_FALSE(r.truncated);
    EXPECT_EQ(read, names);
    for (int z = 0; z < 4; ++z) EXPECT_EQ(back.slices[z].samples, m.slices[z].samples);
}

TEST(VoiFile, LongNamesAreCutOnSaveSoTheyLoadBack) {
    Volume3D m = blank(2, 2, 1);
    VoiNames names;
    names[2] = std::string(5000, 'x');
    const std::string bytes = encodeVoi(m, names);
    Volume3D back = blank(2, 2, 1);
    VoiNames read;
    decodeVoi(back, read, bytesOf(bytes));
    EXPECT_EQ(read[2], std::string(1022, 'x'));
}

TEST(VoiFile, NameLengthsOutsideTheLimitGiveEmptyNamesAndTheRunsAreStillFound) {
    Volume3D m = blank(2, 2, 1);
    Volume3DMaskAll(m, 0, 9);
    VoiNames names;
    names[0] = "a";
    std::string bytes = encodeVoi(m, names);
    // Declare VOI 2's name as 1023 bytes long and put them in.
    putU16(bytes, 20, 1023);
    bytes.insert(51, std::string(1023, 'q'));
    Volume3D back = blank(2, 2, 1);
    VoiNames read;
    read[1] = "before";
    EXPECT_EQ(decodeVoi(back, read, bytesOf(bytes)).status, VoiLoadStatus::Loaded);
    EXPECT_EQ(read[0], "a");
    EXPECT_EQ(read[1], "");
    EXPECT_EQ(Volume3DGetVoxelChecked(back, 1, 1, 0), 9);
}

TEST(VoiFile, ALargerFileIsCroppedAndASmallerOneZeroPadded) {
    Volume3D big = blank(6, 5, 4);
    Volume3DMaskAll(big, 0, 2);
    Volume3DSetVoxel(big, 1, 1, 1, 7);
    const std::string bytes = encodeVoi(big, {});

    Volume3D small = blank(3, 2, 2);
    VoiNames names;
    decodeVoi(small, names, bytesOf(bytes));
    EXPECT_EQ(Volume3DGetVoxelChecked(small, 1, 1, 1), 7);
    EXPECT_EQ(Volume3DGetVoxelChecked(small, 2, 1, 1), 2);
    EXPECT_EQ(small.slices[1].width, 3);

    Volume3D larger = blank(8, 6, 6);
    Volume3DMaskAll(larger, 0, 0x100);
    decodeVoi(larger, names, bytesOf(bytes));
    EXPECT_EQ(Volume3DGetVoxelChecked(larger, 1, 1, 1), 7);
    EXPECT_EQ(Volume3DGetVoxelChecked(larger, 5, 4, 3), 2);
    EXPECT_EQ(Volume3DGetVoxelChecked(larger, 6, 4, 3), 0);  // outside the file: 0
    EXPECT_EQ(Volume3DGetVoxelChecked(larger, 0, 5, 0), 0);
    EXPECT_EQ(Volume3DGetVoxelChecked(larger, 0, 0, 4), 0x100);  // beyond its z size: kept
}

TEST(VoiFile, RunsOfZeroAreSkippedAndATruncatedFileZeroesTheRestOfItsSlice) {
    // Slice 0 of 2 x 2: a run of count 0, then (4, 3) and (5, 1).
    std::string bytes(kVoiMagic2006);
    bytes.append(38, '\0');
    putU16(bytes, 12, 2);
    putU16(bytes, 14, 2);
    putU16(bytes, 16, 2);
    auto run = [&](uint16_t v, uint16_t n) {
        std::string r(4, '\0');
        putU16(r, 0, v);
        putU16(r, 2, n);
        bytes += r;
    };
    run(9, 0);
    run(4, 3);
    run(5, 1);
    run(6, 1);  // slice 1 ends after one voxel
    Volume3D m = blank(2, 2, 2);
    Volume3DMaskAll(m, 0, 0x77);
    VoiNames names;
    const VoiLoadResult r = decodeVoi(m, names, bytesOf(bytes));
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(m.slices[0].samples, (std::vector<uint16_t>{4, 4, 4, 5}));
    EXPECT_EQ(m.slices[1].samples, (std::vector<uint16_t>{6, 0, 0, 0}));
}

TEST(VoiFile, OldRawFilesAreReadWithoutNames) {
    std::string bytes(kVoiMagic2005);
    bytes.append(38, '\0');
    putU16(bytes, 12, 3);
    putU16(bytes, 14, 1);
    putU16(bytes, 16, 2);
    putU16(bytes, 18, 5);  // a name length that is ignored
    for (uint16_t v : {1, 2, 3, 4}) {
        std::string w(2, '\0');
        putU16(w, 0, v);
        bytes += w;
    }
    Volume3D m = blank(2, 2, 2);
    VoiNames names;
    names[0] = "kept";
    const VoiLoadResult r = decodeVoi(m, names, bytesOf(bytes));
    EXPECT_EQ(r.kind, 1);
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(names[0], "kept");
    EXPECT_EQ(m.slices[0].samples, (std::vector<uint16_t>{1, 2, 0, 0}));
    EXPECT_EQ(m.slices[1].samples, (std::vector<uint16_t>{4, 0, 0, 0}));

    // Rows of width 0 are empty reads into no buffer: every slice reads as 0.
    putU16(bytes, 12, 0);
    Volume3DMaskAll(m, 0, 7);
    EXPECT_EQ(decodeVoi(m, names, bytesOf(bytes)).status, VoiLoadStatus::Loaded);
    EXPECT_EQ(m.slices[1].samples, (std::vector<uint16_t>(4, 0)));
}

TEST(VoiFile, ForeignOrMissingFilesLoadNothing) {
    platform::testing::TempDir dir;
    Volume3D m = blank(2, 2, 1);
    Volume3DMaskAll(m, 0, 1);
    VoiNames names;
    EXPECT_EQ(LoadVoi(m, names, dir.file("none.voi")).status, VoiLoadStatus::CannotOpen);
    EXPECT_EQ(LoadVoi(m, names,
                      dir.write("x.voi",
                                "KWL_ROI_2001 and more bytes than fifty, "
                                "to be sure of it here"))
                  .status,
              VoiLoadStatus::NotVoi);
    EXPECT_EQ(LoadVoi(m, names, dir.write("y.voi", "KWL_VOI_2006")).status, VoiLoadStatus::NotVoi);
    EXPECT_EQ(Volume3DGetVoxelChecked(m, 1, 1, 0), 1);
}

TEST(VoiFile, MasksLargerThanTheSizeFieldsAreRefused) {
    Volume3D m(1);
    Volume3DSetSlice(m, nullptr, 70000, 1, 0);
    platform::testing::TempDir dir;
    EXPECT_EQ(saveVoiFile(m, {}, dir.file("a.voi")), VoiSaveStatus::TooLarge);
}

TEST(VoiExports, TheTextListHasSixteenBlocks) {
    Volume3D m = blank(3, 2, 2);
    Volume3D image = blank(3, 2, 2);
    Volume3DSetVoxel(m, 2, 1, 1, 0x8001);
    Volume3DSetVoxel(m, 0, 1, 0, 1);
    Volume3DSetVoxel(image, 2, 1, 1, 1234);
    const std::string dashes(48, '-');
    std::string expected;
    for (int k = 1; k <= 16; ++k) {
        expected +=
            "\r\nRoi #" + std::to_string(k) + "\r\n x \t y \t z \t lum\r\n" + dashes + "\r\n";
        if (k == 1) expected += "0\t1\t0\t0\r\n2\t1\t1\t1234\r\n";
        if (k == 16) expected += "2\t1\t1\t1234\r\n";
    }
    EXPECT_EQ(encodeVoiText(m, &image), expected);
    Volume3D empty = blank(3, 2, 2);
    const std::string list = encodeVoiText(empty, &image);
    EXPECT_EQ(list.find('\t', list.rfind('-')), std::string::npos);
}

TEST(VoiExports, TheMaskBmfOffsetsNonZeroVoxels) {
    Volume3D m = blank(3, 1, 1);
    Volume3DSetVoxel(m, 1, 0, 0, 1);
    Volume3DSetVoxel(m, 2, 0, 0, 0x8001);
    VoxelSizes sizes;
    sizes.VoxelZSize = 2.5;
    const std::string b = encodeVoiBmf(m, sizes);
    ASSERT_EQ(b.size(), 54u + 8);
    auto u16 = [&](size_t at) {
        return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) |
                                     (static_cast<uint8_t>(b[at + 1]) << 8));
    };
    EXPECT_EQ(u16(54), 0);
    EXPECT_EQ(u16(56), 32768);
    EXPECT_EQ(u16(58), 0);  // 0x8001 + 32767 wraps to 0
    EXPECT_EQ(u16(46), 2500);
}

TEST(VoiUndoRing, StepsAsTheEditorExpects) {
    platform::testing::TempDir dir;
    std::string folder;
    {
        VoiUndoRing ring(dir.path());
        Volume3D m = blank(2, 1, 1);
        VoiNames names;
        EXPECT_FALSE(ring.canUndo());
        for (uint16_t edit = 1; edit <= 6; ++edit) {
            Volume3DSetVoxel(m, 0, 0, 0, edit);
            EXPECT_TRUE(ring.push(m, names));
            if (edit == 1) {
                EXPECT_FALSE(ring.canUndo());  // the first edit has nothing before it
            }
        }
        folder = ring.folder();
        EXPECT_EQ(ring.undoCount(), 4);
        for (uint16_t expected = 5; expected >= 2; --expected) {
            EXPECT_TRUE(ring.undo(m, names));
            EXPECT_EQ(Volume3DGetVoxelChecked(m, 0, 0, 0), expected);
        }
        EXPECT_FALSE(ring.undo(m, names));
        EXPECT_EQ(ring.redoCount(), 4);
        EXPECT_TRUE(ring.redo(m, names));
        EXPECT_EQ(Volume3DGetVoxelChecked(m, 0, 0, 0), 3);
        Volume3DSetVoxel(m, 0, 0, 0, 42);
        ring.push(m, names);
        EXPECT_FALSE(ring.canRedo());  // a new edit clears redo
        EXPECT_TRUE(ring.undo(m, names));
        EXPECT_EQ(Volume3DGetVoxelChecked(m, 0, 0, 0), 3);
        ring.reset();
        EXPECT_FALSE(ring.canUndo());
        EXPECT_FALSE(ring.canRedo());
    }
    // The snapshots were private to the ring and went with it.
    EXPECT_FALSE(folder.empty());
    EXPECT_NE(folder.find("vantu-undo-"), std::string::npos);
    EXPECT_NE(::access(folder.c_str(), F_OK), 0);
}

TEST(VoiUndoRing, TwoRingsNeverShareSnapshots) {
    platform::testing::TempDir dir;
    VoiUndoRing a(dir.path()), b(dir.path());
    Volume3D m = blank(1, 1, 1);
    a.push(m, {});
    b.push(m, {});
    EXPECT_NE(a.snapshotPath(0), b.snapshotPath(0));
    struct stat st {};
    ASSERT_EQ(::stat(a.folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(VoiFile, AFifoOrAFolderIsNotAFile) {
    platform::testing::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.voi").c_str(), 0600), 0);
    Volume3D m = blank(2, 2, 1);
    VoiNames names;
    EXPECT_EQ(LoadVoi(m, names, dir.file("pipe.voi")).status, VoiLoadStatus::CannotOpen);
    EXPECT_EQ(LoadVoi(m, names, dir.path()).status, VoiLoadStatus::CannotOpen);
}
