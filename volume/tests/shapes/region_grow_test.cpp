#include "volume/core/shapes/region_grow.h"

#include <gtest/gtest.h>

#include <random>

namespace {

Volume3D blank(int32_t w, int32_t h, int32_t count) {
    Volume3D v(count);
    for (int32_t z = 0; z < count; ++z) Volume3DSetSlice(v, nullptr, w, h, z);
    return v;
}

Volume3D noise(int32_t w, int32_t h, int32_t count, int lo, int hi, unsigned seed) {
    Volume3D v = blank(w, h, count);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> g(lo, hi);
    for (auto& s : v.slices)
        for (auto& x : s.samples) x = static_cast<uint16_t>(g(rng));
    return v;
}

// Reference: the voxels reachable from the seed through voxels passing
// `ok`, by repeated sweeps until nothing changes (no stack at all).
template <class Ok>
std::vector<char> sweepRegion(int32_t w, int32_t h, int32_t d, int32_t sx, int32_t sy, int32_t sz,
                              Ok ok) {
    std::vector<char> in(static_cast<size_t>(w) * h * d, 0);
    const auto at = [&](int32_t x, int32_t y, int32_t z) -> char& {
        return in[(static_cast<size_t>(z) * h + y) * w + x];
    };
    at(sx, sy, sz) = 1;
    for (bool changed = true; changed;) {
        changed = false;
        for (int32_t z = 0; z < d; ++z)
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    if (at(x, y, z) || !ok(x, y, z)) continue;
                    if ((x > 0 && at(x - 1, y, z)) || (x + 1 < w && at(x + 1, y, z)) ||
                        (y > 0 && at(x, y - 1, z)) || (y + 1 < h && at(x, y + 1, z)) ||
                        (z > 0 && at(x, y, z - 1)) || (z + 1 < d && at(x, y, z + 1))) {
                        at(x, y, z) = 1;
                        changed = true;
                    }
                }
    }
    return in;
}

}  // namespace

TEST(RegionGrow, PackingKeepsTheLargestCoordinates) {
    for (const PackedVoxel v : {PackedVoxel{2047, 2047, 1023}, PackedVoxel{0, 0, 0},
                                PackedVoxel{5, 2046, 17}, PackedVoxel{2047, 0, 1}}) {
        const PackedVoxel u = unpackVoxel(packVoxel(v.x, v.y, v.z));
        EXPECT_EQ(u.x, v.x);
        EXPECT_EQ(u.y, v.y);
        EXPECT_EQ(u.z, v.z);
    }
    EXPECT_EQ(packVoxel(2047, 2047, 1023), 0xFFFFFFFFu);
}

TEST(RegionGrow, GreyClassesOfTheThreeModes) {
    Volume3D image = blank(3, 1, 1);
    const uint16_t greys[3] = {99, 150, 201};
    for (int32_t x = 0; x < 3; ++x) Volume3DSetVoxel(image, x, 0, 0, greys[x]);
    GreyClassifier band{&image, 100, 200, GreyTest::Band};
    EXPECT_EQ(GreyClass(band, 0, 0, 0), 0);
    EXPECT_EQ(GreyClass(band, 1, 0, 0), 32767);
    EXPECT_EQ(GreyClass(band, 2, 0, 0), 65535);
    GreyClassifier inverted{&image, 200, 100, GreyTest::Band};  // 65535 below high, 0 above low
    EXPECT_EQ(GreyClass(inverted, 0, 0, 0), 65535);
    EXPECT_EQ(GreyClass(inverted, 1, 0, 0), 32767);
    EXPECT_EQ(GreyClass(inverted, 2, 0, 0), 0);
    GreyClassifier grey{&image, 100, 200, GreyTest::Grey};
    EXPECT_EQ(GreyClass(grey, 0, 0, 0), 0);
    EXPECT_EQ(GreyClass(grey, 1, 0, 0), 32768);
    EXPECT_EQ(GreyClass(grey, 2, 0, 0), 65535);
    EXPECT_EQ(GreyClass(grey, 7, 0, -3), 65535);            // the clamping read: voxel (2, 0, 0)
    GreyClassifier flat{&image, 150, 150, GreyTest::Grey};  // no scale: a step at the limit
    EXPECT_EQ(GreyClass(flat, 0, 0, 0), 0);
    EXPECT_EQ(GreyClass(flat, 1, 0, 0), 65535);
    EXPECT_EQ(GreyClass(flat, 2, 0, 0), 65535);
    GreyClassifier none{&image, 0, 0, GreyTest::None};
    EXPECT_EQ(GreyClass(none, 0, 0, 0), 32767);
}

TEST(RegionGrow, TheEdgeCasesOfAFill) {
    Volume3D image = noise(20, 18, 12, 0, 4000, 1);
    // A seed already in the active VOI with overlapping draw changes nothing.
    {
        Volume3D mask = blank(20, 18, 12);
        Volume3DSetVoxel(mask, 4, 4, 4, 1);
        GrowStack stack;
        EXPECT_EQ(RegionGrow3D({&image, 0, 0, GreyTest::None}, mask, 4, 4, 4, overlappingDraw(1),
                               0xFFFF, &stack),
                  GrowResult::Unchanged);
        EXPECT_EQ(stack.peak, 0u);
        EXPECT_EQ(Volume3DGetVoxelChecked(mask, 5, 4, 4), 0);
    }
    // Mode 3 spreads through every voxel with the same visible bits, whatever
    // the grey: a wall of VOI 2 cuts the volume in two.
    {
        Volume3D mask = blank(20, 18, 12);
        for (int32_t z = 0; z < 12; ++z)
            for (int32_t y = 0; y < 18; ++y) Volume3DSetVoxel(mask, 9, y, z, 2);
        EXPECT_EQ(RegionGrow3D({&image, 0, 4095, GreyTest::None}, mask, 2, 3, 4, overlappingDraw(1),
                               0xFFFF),
                  GrowResult::Filled);
        for (int32_t z = 0; z < 12; ++z)
            for (int32_t y = 0; y < 18; ++y)
                for (int32_t x = 0; x < 20; ++x)
                    ASSERT_EQ(Volume3DGetVoxelChecked(mask, x, y, z), x < 9 ? 1 : x == 9 ? 2 : 0);
    }
    // A hidden VOI does not stop the growth, and keeps its bit under overlapping draw.
    {
        Volume3D mask = blank(20, 18, 12);
        for (int32_t z = 0; z < 12; ++z)
            for (int32_t y = 0; y < 18; ++y) Volume3DSetVoxel(mask, 9, y, z, 2);
        const uint16_t visible = static_cast<uint16_t>(0xFFFF & ~2);
        EXPECT_EQ(RegionGrow3D({&image, 0, 4095, GreyTest::None}, mask, 2, 3, 4, overlappingDraw(1),
                               visible),
                  GrowResult::Filled);
        EXPECT_EQ(Volume3DGetVoxelChecked(mask, 9, 0, 0), 3);
        EXPECT_EQ(Volume3DGetVoxelChecked(mask, 19, 17, 11), 1);
    }
}

TEST(RegionGrow, BandModeFillsTheConnectedVoxelsInsideTheLimits) {
    const int32_t w = 30, h = 25, d = 20;
    Volume3D image = noise(w, h, d, 0, 230, 7);
    for (int32_t x = 9; x <= 13; ++x) Volume3DSetVoxel(image, x, 12, 13, 150);
    Volume3D mask = blank(w, h, d);
    // VOI 3 on some voxels: they differ in pattern and stop the growth
    for (int32_t x = 0; x < w; x += 3) Volume3DSetVoxel(mask, x, 5, 6, 4);
    const Volume3D before = mask;
    GrowStack stack;
    ASSERT_EQ(RegionGrow3D({&image, 100, 200, GreyTest::Band}, mask, 11, 12, 13,
                           nonOverlappingDraw(2), 0xFFFF, &stack),
              GrowResult::Filled);
    const auto expected = sweepRegion(w, h, d, 11, 12, 13, [&](int32_t x, int32_t y, int32_t z) {
        const int g = Volume3DGetVoxelChecked(image, x, y, z);
        return g >= 100 && g <= 200 && Volume3DGetVoxelChecked(before, x, y, z) == 0;
    });
    int64_t n = 0;
    for (int32_t z = 0; z < d; ++z)
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const bool in = expected[(static_cast<size_t>(z) * h + y) * w + x];
                n += in;
                ASSERT_EQ(Volume3DGetVoxelChecked(mask, x, y, z),
                          in ? 2 : Volume3DGetVoxelChecked(before, x, y, z))
                    << x << " " << y << " " << z;
            }
    EXPECT_GT(n, 100);  // the noise leaves a sizeable connected band
    EXPECT_LE(stack.peak, static_cast<size_t>(n));

    // Erasing the region again leaves the mask as it was.
    ASSERT_EQ(
        RegionGrow3D({&image, 100, 200, GreyTest::Band}, mask, 11, 12, 13, eraseActive(2), 0xFFFF),
        GrowResult::Filled);
    for (int32_t z = 0; z < d; ++z)
        EXPECT_EQ(mask.slices[static_cast<size_t>(z)].samples,
                  before.slices[static_cast<size_t>(z)].samples);
}

TEST(RegionGrow, SeedsOutsideOrWithoutDataStartNothing) {
    Volume3D image = noise(8, 8, 4, 0, 10, 3);
    Volume3D mask = blank(8, 8, 4);
    const GreyClassifier test{&image, 0, 10, GreyTest::None};
    EXPECT_EQ(RegionGrow3D(test, mask, 8, 0, 0, overlappingDraw(1), 0xFFFF), GrowResult::Unchanged);
    EXPECT_EQ(RegionGrow3D(test, mask, 0, -1, 0, overlappingDraw(1), 0xFFFF),
              GrowResult::Unchanged);
    EXPECT_EQ(RegionGrow3D(test, mask, 0, 0, 4, overlappingDraw(1), 0xFFFF), GrowResult::Unchanged);
    EXPECT_EQ(
        RegionGrow3D({nullptr, 0, 0, GreyTest::None}, mask, 0, 0, 0, overlappingDraw(1), 0xFFFF),
        GrowResult::Unchanged);
    // A mask slice without samples is never entered (its writes would be lost).
    Volume3D holed(4);
    for (int32_t z : {0, 1, 3}) Volume3DSetSlice(holed, nullptr, 8, 8, z);
    EXPECT_EQ(RegionGrow3D(test, holed, 0, 0, 0, overlappingDraw(1), 0xFFFF), GrowResult::Filled);
    EXPECT_EQ(Volume3DGetVoxelChecked(holed, 7, 7, 1), 1);
    EXPECT_EQ(Volume3DGetVoxelChecked(holed, 0, 0, 3), 0);
}

TEST(RegionGrow, AUniformCubeFillsCompletely) {
    const int32_t n = 256;
    Volume3D image = blank(n, n, n);
    Volume3DMaskAll(image, 0, 1000);
    Volume3D mask = blank(n, n, n);
    GrowStack stack;
    ASSERT_EQ(RegionGrow3D({&image, 0, 4095, GreyTest::Grey}, mask, 100, 3, 200, overlappingDraw(1),
                           0xFFFF, &stack),
              GrowResult::Filled);
    std::array<int64_t, kVoiCount> c{};
    Volume3DCountVoxels(mask, c);
    EXPECT_EQ(c[0], int64_t{n} * n * n);
    EXPECT_GT(stack.peak, 0u);
    EXPECT_LE(stack.peak, static_cast<size_t>(n) * n * n);
}

TEST(RegionGrow, TheSeedIsTheVoxelUnderTheClickOnTheShownSlice) {
    const VolumeFrame frame{64, 48, 40, VoxelSizes{}};
    SeedPick pick;
    pick.view = identityMatrix16();
    pick.view[14] = -800;
    pick.viewportWidth = 400;
    pick.shown = {false, false, true};
    pick.position = {0, 0, 39};
    PackedVoxel seed;
    // The last slice can be filled: the ray meets it in that slice, not behind it.
    ASSERT_TRUE(pickSeed(pick, frame, seed));
    EXPECT_EQ(seed.x, 32);
    EXPECT_EQ(seed.y, 24);
    EXPECT_EQ(seed.z, 39);
    pick.position = {0, 0, 0};
    ASSERT_TRUE(pickSeed(pick, frame, seed));
    EXPECT_EQ(seed.z, 0);
    // A click 20 pixels right: slope 0.333 / 400 per pixel over the distance to the plane.
    pick.mouseX = 20;
    ASSERT_TRUE(pickSeed(pick, frame, seed));
    const double planeZ = 0.5 - 20.0;
    const double sceneX = 20 * 0.333 / 400 * (800 - planeZ);
    EXPECT_EQ(seed.x, static_cast<int32_t>(std::floor(sceneX + 32)));
    // Past the volume's side: nothing.
    pick.mouseX = 1000;
    EXPECT_FALSE(pickSeed(pick, frame, seed));
    // With the X slice shown too, the nearer meeting wins: the X plane at
    // x = 10 lies off the ray's path here, so the Z slice still gives the seed.
    pick.mouseX = 0;
    pick.shown = {true, false, true};
    pick.position = {10, 0, 5};
    ASSERT_TRUE(pickSeed(pick, frame, seed));
    EXPECT_EQ(seed.z, 5);
    // Hidden slices give nothing.
    pick.shown = {false, false, false};
    EXPECT_FALSE(pickSeed(pick, frame, seed));
    // A view turned a quarter about y: the eye looks along scene x; the X slice is met.
    Matrix16 turned = identityMatrix16();
    turned[0] = 0;
    turned[2] = -1;
    turned[8] = 1;
    turned[10] = 0;
    turned[14] = -800;
    pick.view = turned;
    pick.shown = {true, true, true};
    pick.position = {63, 0, 5};
    ASSERT_TRUE(pickSeed(pick, frame, seed));
    EXPECT_TRUE(seed.x == 63 || seed.x == 0);
    EXPECT_EQ(seed.y, 24);
    EXPECT_EQ(seed.z, 20);
}

TEST(RegionGrow, GreyModeFollowsTheClassOfEveryVoxelAlsoOnNarrowSlices) {
    const int32_t w = 24, h = 20, d = 16;
    Volume3D image = noise(w, h, d, 0, 3, 11);  // four grey levels
    // A narrower image slice: its missing columns read through the clamping read.
    std::vector<uint16_t> narrow(static_cast<size_t>(10 * h), 2);
    Volume3DSetSlice(image, narrow.data(), 10, h, 7);
    for (int32_t x = 0; x < 6; ++x) Volume3DSetVoxel(image, x, 4, 7, 2);
    Volume3D mask = blank(w, h, d);
    const GreyClassifier test{&image, 0, 3, GreyTest::Grey};
    ASSERT_EQ(RegionGrow3D(test, mask, 3, 4, 7, overlappingDraw(1), 0xFFFF), GrowResult::Filled);
    const uint16_t seedClass = GreyClass(test, 3, 4, 7);
    const auto expected = sweepRegion(w, h, d, 3, 4, 7, [&](int32_t x, int32_t y, int32_t z) {
        return GreyClass(test, x, y, z) == seedClass;
    });
    int64_t n = 0;
    for (int32_t z = 0; z < d; ++z)
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const bool in = expected[(static_cast<size_t>(z) * h + y) * w + x];
                n += in;
                ASSERT_EQ(Volume3DGetVoxelChecked(mask, x, y, z), in ? 1 : 0)
                    << x << " " << y << " " << z;
            }
    EXPECT_GT(n, 20);
}
