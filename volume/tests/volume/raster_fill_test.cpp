#include "volume/core/volume/raster_fill.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "volume/core/volume/voi_shift.h"

namespace {

Volume3D blank(int32_t w, int32_t h, int32_t count) {
    Volume3D v(count);
    for (int32_t z = 0; z < count; ++z) Volume3DSetSlice(v, nullptr, w, h, z);
    return v;
}

// Slice z as rows of '#' (bit set) and '.'.
std::string picture(const Volume3D& v, int32_t z, uint16_t bit = 1) {
    std::string s;
    const VolumeSlice& slice = v.slices[static_cast<size_t>(z)];
    for (int32_t y = 0; y < slice.height; ++y) {
        for (int32_t x = 0; x < slice.width; ++x)
            s += (Volume3DGetVoxelChecked(v, x, y, z) & bit) ? '#' : '.';
        s += '\n';
    }
    return s;
}

int64_t count(const Volume3D& v) {
    std::array<int64_t, kVoiCount> c{};
    Volume3DCountVoxels(v, c);
    return c[0];
}

const DrawMode kDraw = overlappingDraw(1);

}  // namespace

TEST(TriangleFill, EdgesAreIncludedAndAFlatTriangleFillsNothing) {
    Volume3D v = blank(6, 5, 1);
    FillTriangleInSlice(v, kDraw, 0, {0, 0}, {4, 0}, {0, 4});
    EXPECT_EQ(picture(v, 0),
              "#####.\n"
              "####..\n"
              "###...\n"
              "##....\n"
              "#.....\n");
    Volume3D flat = blank(6, 5, 1);
    FillTriangleInSlice(flat, kDraw, 0, {0, 2}, {3, 2}, {5, 2});
    EXPECT_EQ(count(flat), 0);
}

TEST(TriangleFill, AHorizontalTopEdgeFillsTheLowerHalfWithItsTopRow) {
    Volume3D v = blank(7, 5, 1);
    FillTriangleInSlice(v, kDraw, 0, {1, 1}, {5, 1}, {3, 3});
    EXPECT_EQ(picture(v, 0),
              ".......\n"
              ".#####.\n"
              "..###..\n"
              "...#...\n"
              ".......\n");
}

TEST(TriangleFill, ClipsToTheSliceAndSurvivesWildCoordinates) {
    Volume3D v = blank(4, 4, 2);
    FillTriangleInSlice(v, kDraw, 0, {-100, -100}, {1e12, -100}, {-100, 1e12});
    EXPECT_EQ(count(v), 16);
    FillTriangleInSlice(v, kDraw, 1, {std::numeric_limits<double>::quiet_NaN(), 0}, {3, 0}, {0, 3});
    FillTriangleInSlice(v, kDraw, 1, {-1e300, 0}, {1e300, 1},
                        {0, std::numeric_limits<double>::infinity()});
    FillTriangleInSlice(v, kDraw, 5, {0, 0}, {3, 0}, {0, 3});
    FillTriangleInSlice(v, kDraw, -1, {0, 0}, {3, 0}, {0, 3});
    EXPECT_LE(count(v), 32);
}

TEST(TriangleFill, WritesThroughTheDrawMode) {
    Volume3D v = blank(3, 3, 1);
    Volume3DMaskAll(v, 0, 0x0006);
    FillTriangleInSlice(v, nonOverlappingDraw(1), 0, {0, 0}, {2, 0}, {0, 2});
    EXPECT_EQ(Volume3DGetVoxelChecked(v, 0, 0, 0), 1);
    EXPECT_EQ(Volume3DGetVoxelChecked(v, 2, 2, 0), 6);
    FillTriangleInSlice(v, eraseActive(2), 0, {0, 0}, {2, 0}, {2, 2});
    EXPECT_EQ(Volume3DGetVoxelChecked(v, 2, 2, 0), 4);
}

TEST(Tetrahedron, FillsEveryPhaseInsideTheVolume) {
    Volume3D v = blank(8, 8, 8);
    VoxeliseTetrahedron(v, kDraw, {0, 0, 0}, {6, 0, 0}, {0, 6, 0}, {0, 0, 6});
    // Voxels with x + y + z <= 6 (exact on the faces), but the apex: its
    // section is a point, a flat triangle, which fills nothing.
    int64_t expected = 0;
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool in = x + y + z <= 6 && z < 6;
                expected += in;
                EXPECT_EQ((Volume3DGetVoxelChecked(v, x, y, z) & 1) != 0, in) << x << y << z;
            }
    EXPECT_EQ(count(v), expected);
}

TEST(Tetrahedron, TwoLowestVerticesSkipOnlyTheFirstPhase) {
    Volume3D v = blank(10, 10, 10);
    VoxeliseTetrahedron(v, kDraw, {1, 1, 2}, {8, 1, 2}, {1, 8, 5}, {4, 4, 8});
    EXPECT_GT(count(v), 0);
    // The base slice z = 2 is the segment edge; slices 3..8 get the sections.
    for (int z = 3; z <= 7; ++z) EXPECT_NE(picture(v, z).find('#'), std::string::npos) << z;
    EXPECT_EQ(picture(v, 9).find('#'), std::string::npos);
}

TEST(Tetrahedron, OutsideTheVolumeOrFlatChangesNothing) {
    Volume3D v = blank(5, 5, 5);
    VoxeliseTetrahedron(v, kDraw, {0, 0, 10}, {4, 0, 10}, {0, 4, 11}, {0, 0, 14});
    VoxeliseTetrahedron(v, kDraw, {0, 0, -10}, {4, 0, -10}, {0, 4, -9}, {0, 0, -6});
    VoxeliseTetrahedron(v, kDraw, {0, 0, 2}, {4, 0, 2}, {0, 4, 2}, {4, 4, 2});
    VoxeliseTetrahedron(v, kDraw, {0, 0, -1e300}, {4, 0, 1e300}, {0, 4, 2}, {4, 4, 3});
    EXPECT_LE(count(v), 125);
    Volume3D w = blank(5, 5, 5);
    VoxeliseTetrahedron(w, kDraw, {0, 0, 10}, {4, 0, 10}, {0, 4, 11}, {0, 0, 14});
    EXPECT_EQ(count(w), 0);
}

// Moving and copying by every sign combination of the offset: the VOI lands
// shifted whole, without smearing, and the source stays only when copying.
TEST(VoiShift, MovesAndCopiesInEveryDirection) {
    for (int sx : {-1, 1})
        for (int sy : {-1, 1})
            for (int sz : {-1, 1})
                for (bool move : {true, false}) {
                    SCOPED_TRACE(std::to_string(sx) + std::to_string(sy) + std::to_string(sz) +
                                 (move ? " move" : " copy"));
                    Volume3D v = blank(9, 9, 9);
                    // A 3 x 2 x 2 block of VOI 1 at (3..5, 3..4, 3..4), voxel (3,3,3) also VOI 3.
                    for (int z = 3; z <= 4; ++z)
                        for (int y = 3; y <= 4; ++y)
                            for (int x = 3; x <= 5; ++x) Volume3DSetVoxel(v, x, y, z, 1);
                    Volume3DSetVoxel(v, 3, 3, 3, 5);
                    ShiftVoiBit(v, 1, overlappingDraw(2), move, sx, 2 * sy, sz);
                    for (int z = 0; z < 9; ++z)
                        for (int y = 0; y < 9; ++y)
                            for (int x = 0; x < 9; ++x) {
                                const uint16_t got = Volume3DGetVoxelChecked(v, x, y, z);
                                const bool src =
                                    x >= 3 && x <= 5 && y >= 3 && y <= 4 && z >= 3 && z <= 4;
                                const int ox = x - sx, oy = y - 2 * sy, oz = z - sz;
                                const bool dst =
                                    ox >= 3 && ox <= 5 && oy >= 3 && oy <= 4 && oz >= 3 && oz <= 4;
                                EXPECT_EQ((got & 2) != 0, dst) << x << y << z;
                                EXPECT_EQ((got & 1) != 0, src && !move) << x << y << z;
                                EXPECT_EQ((got & 4) != 0, x == 3 && y == 3 && z == 3);
                            }
                }
}

TEST(VoiShift, MovingOneColumnRightDoesNotSmear) {
    Volume3D v = blank(6, 1, 1);
    for (int x = 1; x <= 3; ++x) Volume3DSetVoxel(v, x, 0, 0, 1);
    ShiftVoiBit(v, 1, overlappingDraw(1), true, 1, 0, 0);
    EXPECT_EQ(picture(v, 0), "..###.\n");
    ShiftVoiBit(v, 1, overlappingDraw(1), false, 2, 0, 0);
    EXPECT_EQ(picture(v, 0), "..####\n");
    // Far outside: the destination is dropped, a move still empties the source.
    ShiftVoiBit(v, 1, overlappingDraw(1), true, 2000000000, 0, 0);
    EXPECT_EQ(picture(v, 0), "......\n");
}
