#include "volume/core/volume/volume3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "volume/core/volume/draw_mode.h"

namespace {

// count slices of w x h, sample = x + 10 y + 100 z.
Volume3D ramp(int32_t w, int32_t h, int32_t count) {
    Volume3D v(count);
    std::vector<uint16_t> s(static_cast<size_t>(w) * h);
    for (int32_t z = 0; z < count; ++z) {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                s[static_cast<size_t>(y) * w + x] = static_cast<uint16_t>(x + 10 * y + 100 * z);
        Volume3DSetSlice(v, s.data(), w, h, z);
    }
    return v;
}

}  // namespace

TEST(Volume3D, SlicesAreSetCopiedOrZeroedAndRaiseTheMaximumSize) {
    Volume3D v(3);
    EXPECT_EQ(v.sliceCount, 3);
    EXPECT_EQ(v.maxWidth, 0);
    EXPECT_FALSE(v.slices[0].present());
    const uint16_t samples[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(Volume3DSetSlice(v, samples, 3, 2, 0));
    EXPECT_TRUE(Volume3DSetSlice(v, nullptr, 2, 4, 2));
    EXPECT_EQ(v.maxWidth, 3);
    EXPECT_EQ(v.maxHeight, 4);
    EXPECT_EQ(Volume3DGetVoxelChecked(v, 2, 1, 0), 6);
    EXPECT_EQ(Volume3DGetVoxelChecked(v, 1, 3, 2), 0);
    // Outside the volume: nothing happens.
    EXPECT_FALSE(Volume3DSetSlice(v, samples, 3, 2, 3));
    EXPECT_FALSE(Volume3DSetSlice(v, samples, 3, 2, -1));
    EXPECT_FALSE(Volume3DSetSlice(v, nullptr, -1, 2, 1));
    EXPECT_FALSE(Volume3DSetSlice(v, nullptr, 1 << 16, 1 << 15, 1));
    EXPECT_FALSE(v.slices[1].present());
}

TEST(Volume3D, TheClampingReadCoversOutsidesAndMissingSlices) {
    Volume3D v = ramp(4, 3, 3);
    EXPECT_EQ(Volume3DGetVoxel(v, -5, -5, -5), Volume3DGetVoxel(v, 0, 0, 0));
    EXPECT_EQ(Volume3DGetVoxel(v, 1, 1, 9), 211);  // the last slice
    EXPECT_EQ(Volume3DGetVoxel(v, 99, 99, 1), 3 + 20 + 100);
    Volume3D gap(2);
    Volume3DSetSlice(gap, nullptr, 2, 2, 0);
    EXPECT_EQ(Volume3DGetVoxel(gap, 0, 0, 1), 32767);
    EXPECT_EQ(Volume3DGetVoxelChecked(gap, 0, 0, 1), 0);
    Volume3D none(0);
    EXPECT_EQ(Volume3DGetVoxel(none, 0, 0, 0), 32767);
    EXPECT_EQ(Volume3DGetVoxelChecked(none, 0, 0, 0), 0);
}

TEST(Volume3D, TheStrictReadAndWriteIgnoreOutsides) {
    Volume3D v = ramp(4, 3, 2);
    // A smaller slice: outside its own extent the strict read gives 0.
    Volume3DSetSlice(v, nullptr, 2, 2, 1);
    EXPECT_EQ(Volume3DGetVoxelChecked(v, 3, 2, 1), 0);
    EXPECT_EQ(Volume3DGetVoxelChecked(v, -1, 0, 0), 0);
    EXPECT_EQ(Volume3DGetVoxelChecked(v, 0, 3, 0), 0);
    Volume3DSetVoxel(v, 3, 2, 1, 7);
    Volume3DSetVoxel(v, 0, 0, 5, 7);
    Volume3DSetVoxel(v, -1, 0, 0, 7);
    Volume3DSetVoxel(v, 1, 1, 1, 9);
    EXPECT_EQ(Volume3DGetVoxelChecked(v, 1, 1, 1), 9);
    int64_t sum = 0;
    for (const VolumeSlice& s : v.slices)
        sum += std::accumulate(s.samples.begin(), s.samples.end(), 0);
    EXPECT_EQ(
        sum, 9 + [] {
            int64_t t = 0;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 4; ++x) t += x + 10 * y;
            return t;
        }());
}

TEST(Volume3D, MinMaxScansEverySlice) {
    Volume3D v = ramp(4, 3, 3);
    Volume3DSetSlice(v, nullptr, 1, 1, 0);  // a smaller slice holding one 0
    Volume3DMinMax(v);
    EXPECT_EQ(v.min, 0);
    EXPECT_EQ(v.max, 3 + 20 + 200);
    Volume3D empty(2);
    Volume3DMinMax(empty);
    EXPECT_EQ(empty.min, 65535);
    EXPECT_EQ(empty.max, 0);
}

TEST(Volume3D, RoiBoundsAndCounts) {
    Volume3D m(8);
    for (int z = 0; z < 8; ++z) Volume3DSetSlice(m, nullptr, 6, 5, z);
    Volume3DRoiBounds(m);
    for (int k = 0; k < kVoiCount; ++k) {
        EXPECT_EQ(m.voiCounts[k], 0);
        const VoiBox& b = m.voiBoxes[k];
        EXPECT_EQ(b.xmin | b.xmax | b.ymin | b.ymax | b.zmin | b.zmax, 0);
    }
    // VOI 2 in slices 3..5; VOI 16 at one voxel shared with VOI 2.
    for (int z = 3; z <= 5; ++z) {
        Volume3DSetVoxel(m, 1, 2, z, 2);
        Volume3DSetVoxel(m, 4, 1, z, 2);
    }
    Volume3DSetVoxel(m, 4, 1, 4, 0x8002);
    Volume3DRoiBounds(m);
    EXPECT_EQ(m.voiCounts[1], 6);
    EXPECT_EQ(m.voiCounts[15], 1);
    const VoiBox& b = m.voiBoxes[1];
    EXPECT_EQ(b.xmin, 1);
    EXPECT_EQ(b.xmax, 4);
    EXPECT_EQ(b.ymin, 1);
    EXPECT_EQ(b.ymax, 2);
    EXPECT_EQ(b.zmin, 3);
    EXPECT_EQ(b.zmax, 5);
    const VoiBox& c = m.voiBoxes[15];
    EXPECT_EQ(c.xmin, 4);
    EXPECT_EQ(c.xmax, 4);
    EXPECT_EQ(c.zmin, 4);
    std::array<int64_t, kVoiCount> counts{};
    m.voiCounts[1] = 99;
    Volume3DCountVoxels(m, counts);
    EXPECT_EQ(counts[1], 6);
    EXPECT_EQ(counts[15], 1);
    EXPECT_EQ(m.voiCounts[1], 99);  // the volume's own counts are not touched
}

TEST(Volume3D, CountsBeyondThirtyTwoBitsAreKept) {
    // The count type holds what a 2048 x 2048 x 1024 mask can hold.
    static_assert(sizeof(Volume3D{0}.voiCounts[0]) == 8);
    std::array<int64_t, kVoiCount> counts{};
    Volume3D m(2);
    Volume3DSetSlice(m, nullptr, 300, 200, 0);
    Volume3DMaskAll(m, 0, 0xFFFF);
    Volume3DCountVoxels(m, counts);
    for (int64_t c : counts) EXPECT_EQ(c, 60000);
}

TEST(Volume3D, MaskAllAppliesTheDrawModes) {
    Volume3D m(2);
    for (int z = 0; z < 2; ++z) Volume3DSetSlice(m, nullptr, 2, 2, z);
    Volume3DSetVoxel(m, 0, 0, 0, 0x0005);
    Volume3DSetVoxel(m, 1, 1, 1, 0x0004);
    Volume3DMaskAll(m, eraseActive(voiBit(3)).andMask, eraseActive(voiBit(3)).orValue);
    EXPECT_EQ(Volume3DGetVoxelChecked(m, 0, 0, 0), 0x0001);
    EXPECT_EQ(Volume3DGetVoxelChecked(m, 1, 1, 1), 0);
    Volume3DMaskAll(m, 0, 0);
    EXPECT_EQ(Volume3DGetVoxelChecked(m, 0, 0, 0), 0);
    EXPECT_EQ(overlappingDraw(4).apply(1), 5);
    EXPECT_EQ(nonOverlappingDraw(4).apply(1), 4);
    EXPECT_EQ(eraseActive(4).apply(5), 1);
    EXPECT_EQ(eraseAll().apply(0xFFFF), 0);
}

// Boxes and counts against a voxel-by-voxel walk, on masks of runs of random
// lengths and values in slices of odd sizes.
TEST(Volume3D, RoiBoundsAgreeWithAPlainWalk) {
    uint32_t seed = 7;
    auto draw = [&](uint32_t n) {
        seed = seed * 134775813u + 1u;
        return static_cast<uint32_t>((uint64_t{seed} * n) >> 32);
    };
    for (int round = 0; round < 20; ++round) {
        Volume3D m(5);
        for (int32_t z = 0; z < 5; ++z) {
            const int32_t w = 1 + static_cast<int32_t>(draw(37)),
                          h = 1 + static_cast<int32_t>(draw(9));
            std::vector<uint16_t> s(static_cast<size_t>(w) * h);
            for (size_t i = 0; i < s.size();) {
                const uint16_t v = draw(3) == 0 ? static_cast<uint16_t>(draw(65536)) : 0;
                for (uint32_t n = 1 + draw(12); n > 0 && i < s.size(); --n) s[i++] = v;
            }
            Volume3DSetSlice(m, s.data(), w, h, z);
        }
        Volume3DRoiBounds(m);
        for (int k = 0; k < kVoiCount; ++k) {
            int64_t count = 0;
            VoiBox b{1 << 20, -1, 1 << 20, -1, 1 << 20, -1};
            for (int32_t z = 0; z < 5; ++z)
                for (int32_t y = 0; y < m.slices[z].height; ++y)
                    for (int32_t x = 0; x < m.slices[z].width; ++x)
                        if (Volume3DGetVoxelChecked(m, x, y, z) & (1 << k)) {
                            ++count;
                            b = {std::min(b.xmin, x), std::max(b.xmax, x), std::min(b.ymin, y),
                                 std::max(b.ymax, y), std::min(b.zmin, z), std::max(b.zmax, z)};
                        }
            EXPECT_EQ(m.voiCounts[k], count);
            if (count == 0) continue;
            EXPECT_EQ(m.voiBoxes[k].xmin, b.xmin);
            EXPECT_EQ(m.voiBoxes[k].xmax, b.xmax);
            EXPECT_EQ(m.voiBoxes[k].ymin, b.ymin);
            EXPECT_EQ(m.voiBoxes[k].ymax, b.ymax);
            EXPECT_EQ(m.voiBoxes[k].zmin, b.zmin);
            EXPECT_EQ(m.voiBoxes[k].zmax, b.zmax);
        }
    }
}
