// The cross-section mode without windows: which plane faces the viewer, the
// slice handed to the workspace, and the ROI map written back into the mask.
#include "volume/core/view/cross_section.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "workspace/core/formats/image_load.h"

namespace {

constexpr int32_t kW = 7, kH = 5, kS = 3;

// Grey voxel (x, y, z) = 100 z + 10 y + x + 1; the mask holds a different code
// per voxel, so any mix-up of axes shows.
uint16_t grey(int32_t x, int32_t y, int32_t z) {
    return static_cast<uint16_t>(100 * z + 10 * y + x + 1);
}
uint16_t voi(int32_t x, int32_t y, int32_t z) {
    return static_cast<uint16_t>((x + 2 * y + 3 * z) % 5 == 0 ? 1 << (z % 16) : 0);
}

Volume3D makeVolume(uint16_t (*value)(int32_t, int32_t, int32_t)) {
    Volume3D volume(kS);
    for (int32_t z = 0; z < kS; ++z) {
        std::vector<uint16_t> samples;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) samples.push_back(value(x, y, z));
        EXPECT_TRUE(Volume3DSetSlice(volume, samples.data(), kW, kH, z));
    }
    return volume;
}

std::vector<uint16_t> voxels(const Volume3D& volume) {
    std::vector<uint16_t> all;
    for (const VolumeSlice& slice : volume.slices)
        all.insert(all.end(), slice.samples.begin(), slice.samples.end());
    return all;
}

Matrix4 thirdRow(double a, double b, double c) {
    Matrix4 view = identityMatrix();
    view[2] = a, view[6] = b, view[10] = c;
    return view;
}

}  // namespace

TEST(CrossSectionAxis, TheFaceOnPlaneWinsAndTiesGoToTheLaterPlane) {
    EXPECT_EQ(VoiDominantAxis(identityMatrix(), 1, 1, 1), kCrossSectionPlaneZ);
    EXPECT_EQ(VoiDominantAxis(initialViewMatrix(), 1, 1, 1), kCrossSectionPlaneZ);

    // Turning the scene a quarter about y looks along x; about x, along y.
    Matrix4 alongX = identityMatrix();
    rotateColumns(alongX, 0, 2, std::numbers::pi / 2);
    EXPECT_EQ(VoiDominantAxis(alongX, 1, 1, 1), kCrossSectionPlaneX);
    Matrix4 alongY = identityMatrix();
    rotateColumns(alongY, 1, 2, std::numbers::pi / 2);
    EXPECT_EQ(VoiDominantAxis(alongY, 1, 1, 1), kCrossSectionPlaneY);
    // Signs do not matter: seen from behind is still face-on.
    EXPECT_EQ(VoiDominantAxis(thirdRow(0.1, -0.9, 0.2), 1, 1, 1), kCrossSectionPlaneY);

    // Ties: all three equal -> X; Z = Y -> Y; Z = X -> X; Y = X -> X.
    EXPECT_EQ(VoiDominantAxis(thirdRow(0.5, 0.5, 0.5), 1, 1, 1), kCrossSectionPlaneX);
    EXPECT_EQ(VoiDominantAxis(thirdRow(0.0, 0.5, 0.5), 1, 1, 1), kCrossSectionPlaneY);
    EXPECT_EQ(VoiDominantAxis(thirdRow(0.5, 0.0, 0.5), 1, 1, 1), kCrossSectionPlaneX);
    EXPECT_EQ(VoiDominantAxis(thirdRow(0.5, 0.5, 0.1), 1, 1, 1), kCrossSectionPlaneX);

    // Voxel sizes weigh the axes: thick slices make the Z plane win sooner.
    EXPECT_EQ(VoiDominantAxis(thirdRow(0.6, 0.0, 0.4), 1, 1, 1), kCrossSectionPlaneX);
    EXPECT_EQ(VoiDominantAxis(thirdRow(0.6, 0.0, 0.4), 1, 1, 2), kCrossSectionPlaneZ);
    EXPECT_EQ(VoiDominantAxis(thirdRow(0.0, 0.6, 0.4), 0.5, 0.5, 2), kCrossSectionPlaneZ);
}

TEST(CrossSectionSlice, EachPlaneHasItsSizeAndItsVoxels) {
    const Volume3D image = makeVolume(grey);
    const Volume3D mask = makeVolume(voi);
    struct Case {
        int plane;
        int32_t width, height, position;
    };
    for (const Case& c :
         {Case{kCrossSectionPlaneZ, kW, kH, 2}, Case{kCrossSectionPlaneY, kW, kS, 4},
          Case{kCrossSectionPlaneX, kH, kS, 6}}) {
        SCOPED_TRACE(c.plane);
        const CrossSectionSize size = crossSectionSize(image, c.plane);
        EXPECT_EQ(size.width, c.width);
        EXPECT_EQ(size.height, c.height);
        std::vector<uint16_t> pixels(static_cast<size_t>(size.width * size.height));
        std::vector<uint16_t> bits(pixels.size());
        extractCrossSection(image, c.plane, c.position, pixels.data());
        extractCrossSectionMask(mask, c.plane, c.position, bits.data());
        for (int32_t j = 0; j < size.height; ++j)
            for (int32_t i = 0; i < size.width; ++i) {
                const int32_t x = c.plane == kCrossSectionPlaneX ? c.position : i;
                const int32_t y = c.plane == kCrossSectionPlaneZ   ? j
                                  : c.plane == kCrossSectionPlaneY ? c.position
                                                                   : i;
                const int32_t z = c.plane == kCrossSectionPlaneZ ? c.position : j;
                const size_t k = static_cast<size_t>(j * size.width + i);
                ASSERT_EQ(pixels[k], grey(x, y, z)) << i << "," << j;
                ASSERT_EQ(bits[k], voi(x, y, z)) << i << "," << j;
            }
    }
}

TEST(CrossSectionHandOver, TheWorkspaceGetsNewPlanesRangeAndName) {
    const Volume3D image = makeVolume(grey);
    const Volume3D mask = makeVolume(voi);
    WorkspaceState state;
    state.GreyImage = newPlane(2, 2);
    state.RoiMap = newPlane(2, 2);
    const std::optional<CrossSection> section =
        handOverCrossSection(image, mask, kCrossSectionPlaneY, 3, state, 100, 0);
    ASSERT_TRUE(section);
    EXPECT_EQ(section->plane, kCrossSectionPlaneY);
    EXPECT_EQ(section->position, 3);
    ASSERT_TRUE(state.GreyImage && state.RoiMap);
    EXPECT_EQ(state.GreyImage->width, kW);
    EXPECT_EQ(state.GreyImage->height, kS);
    EXPECT_EQ(state.RoiMap->width, kW);
    EXPECT_EQ(state.RoiMap->height, kS);
    EXPECT_EQ(state.ImageWidth, static_cast<uint32_t>(kW));
    EXPECT_EQ(state.ImageHeight, static_cast<uint32_t>(kS));
    EXPECT_EQ(undoRedoFlags(*state.RoiMap), 0);
    EXPECT_EQ(state.ImageFileName, "CrossSection3");
    EXPECT_EQ(state.RoiMap->at(4, 2), voi(4, 3, 2));
    EXPECT_EQ(state.GreyImage->at(6, 2), grey(6, 3, 2));
    // Row y = 3 of the slices: 31..37, 131..137, 231..237.
    EXPECT_EQ(state.ImageMin, 31);
    EXPECT_EQ(state.ImageMax, 237);
    EXPECT_EQ(state.BitDepth, 8);
    EXPECT_EQ(state.WindowLow, 31);    // TrMin at its maximum: the low end
    EXPECT_EQ(state.WindowHigh, 237);  // TrMax at 0: the high end
    EXPECT_TRUE(crossSectionStillShown(*section, state));

    // Grey values above 255 raise the bit depth as a loaded image would.
    Volume3D deep = makeVolume(grey);
    Volume3DSetVoxel(deep, 0, 0, 1, 1000);
    ASSERT_TRUE(handOverCrossSection(deep, mask, kCrossSectionPlaneZ, 1, state, 50, 50));
    EXPECT_EQ(state.ImageMax, 1000);
    EXPECT_EQ(state.BitDepth, 10);
    EXPECT_EQ(state.WindowLow, state.ImageMin + (1000 - state.ImageMin) / 2);

    // A position past the end takes the last slice.
    const std::optional<CrossSection> last =
        handOverCrossSection(image, mask, kCrossSectionPlaneX, 99, state, 100, 0);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->position, kW - 1);
    EXPECT_EQ(state.ImageFileName, "CrossSection6");
}

TEST(CrossSectionHandOver, AVolumeWithoutSamplesChangesNothing) {
    const Volume3D empty(0);
    WorkspaceState state;
    state.GreyImage = newPlane(3, 3);
    const ImagePlane* before = state.GreyImage.get();
    EXPECT_FALSE(handOverCrossSection(empty, empty, kCrossSectionPlaneZ, 0, state, 100, 0));
    EXPECT_EQ(state.GreyImage.get(), before);
    EXPECT_EQ(state.RoiMap, nullptr);
}

TEST(CrossSectionHandOver, AMaskOfOtherExtentsIsRefused) {
    // The ROI plane is laid out by the image: a wider, taller or deeper mask
    // would be read past its end, a smaller one into the wrong pixels.
    const Volume3D image = makeVolume(grey);
    for (const auto& [w, h, s] : std::vector<std::array<int32_t, 3>>{
             {kW + 9, kH, kS}, {kW, kH + 9, kS}, {kW, kH, kS + 9}, {kW - 1, kH, kS}}) {
        Volume3D mask(s);
        for (int32_t z = 0; z < s; ++z) ASSERT_TRUE(Volume3DSetSlice(mask, nullptr, w, h, z));
        WorkspaceState state;
        state.GreyImage = newPlane(3, 3);
        const ImagePlane* before = state.GreyImage.get();
        for (int plane : {kCrossSectionPlaneZ, kCrossSectionPlaneY, kCrossSectionPlaneX})
            EXPECT_FALSE(handOverCrossSection(image, mask, plane, 1, state, 100, 0))
                << w << " x " << h << " x " << s << ", plane " << plane;
        EXPECT_EQ(state.GreyImage.get(), before);
        EXPECT_EQ(state.RoiMap, nullptr);
    }
}

TEST(CrossSectionWriteBack, APlaneOneWriteBackChangesOneRowPerSlice) {
    const Volume3D image = makeVolume(grey);
    Volume3D mask(kS);
    for (int32_t z = 0; z < kS; ++z) Volume3DSetSlice(mask, nullptr, kW, kH, z);
    WorkspaceState state;
    const std::optional<CrossSection> section =
        handOverCrossSection(image, mask, kCrossSectionPlaneY, 2, state, 100, 0);
    ASSERT_TRUE(section);
    // The user draws ROIs 1 and 3 over the whole slice.
    PlanePushUndo(state.RoiMap.get());
    std::fill(state.RoiMap->current, state.RoiMap->current + state.RoiMap->size(), uint16_t{5});

    const std::optional<int64_t> changed = takeBackCrossSection(*section, state, mask);
    ASSERT_TRUE(changed);
    EXPECT_EQ(*changed, int64_t{kW} * kS);
    for (int32_t z = 0; z < kS; ++z)
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x)
                ASSERT_EQ(Volume3DGetVoxelChecked(mask, x, y, z), y == 2 ? 5 : 0)
                    << x << "," << y << "," << z;

    // Taking the same map back again changes nothing more.
    EXPECT_EQ(takeBackCrossSection(*section, state, mask), 0);
}

TEST(CrossSectionWriteBack, EveryPlaneGoesBackWhereItCameFrom) {
    const Volume3D image = makeVolume(grey);
    for (int plane : {kCrossSectionPlaneZ, kCrossSectionPlaneY, kCrossSectionPlaneX}) {
        SCOPED_TRACE(plane);
        Volume3D mask = makeVolume(voi);
        const std::vector<uint16_t> before = voxels(mask);
        WorkspaceState state;
        const std::optional<CrossSection> section =
            handOverCrossSection(image, mask, plane, 1, state, 100, 0);
        ASSERT_TRUE(section);
        // Untouched, the slice goes back as it was.
        EXPECT_EQ(takeBackCrossSection(*section, state, mask), 0);
        EXPECT_EQ(voxels(mask), before);
        // One pixel edited: one voxel changes, the one under it.
        state.RoiMap->at(2, 1) ^= 0x8000;
        EXPECT_EQ(takeBackCrossSection(*section, state, mask), 1);
        const int32_t x = plane == kCrossSectionPlaneX ? 1 : 2;
        const int32_t y = plane == kCrossSectionPlaneX ? 2 : 1;
        const int32_t z = 1;
        EXPECT_EQ(Volume3DGetVoxelChecked(mask, x, y, z), voi(x, y, z) ^ 0x8000);
    }
}

TEST(CrossSectionWriteBack, AnotherImageInTheWorkspaceIsNeverWrittenBack) {
    const Volume3D image = makeVolume(grey);
    Volume3D mask = makeVolume(voi);
    const std::vector<uint16_t> before = voxels(mask);
    WorkspaceState state;
    const std::optional<CrossSection> section =
        handOverCrossSection(image, mask, kCrossSectionPlaneZ, 0, state, 100, 0);
    ASSERT_TRUE(section);

    // A 2D image of the very same size loaded over the slice: its ROI map is
    // all ROI 1 after the copy of the old map, yet it is not the slice.
    LoadedImage loaded;
    loaded.width = kW;
    loaded.height = kH;
    loaded.samples.assign(static_cast<size_t>(kW * kH), 9);
    ASSERT_TRUE(applyLoadedImage(state, std::move(loaded), 100, 0));
    std::fill(state.RoiMap->current, state.RoiMap->current + state.RoiMap->size(), uint16_t{1});
    EXPECT_FALSE(crossSectionStillShown(*section, state));
    EXPECT_FALSE(takeBackCrossSection(*section, state, mask));
    EXPECT_EQ(voxels(mask), before);

    // New planes made after the old ones were freed, as at the same address.
    state.GreyImage.reset();
    state.RoiMap.reset();
    state.GreyImage = newPlane(kW, kH);
    state.RoiMap = newPlane(kW, kH);
    EXPECT_FALSE(takeBackCrossSection(*section, state, mask));
    // No planes at all.
    state.RoiMap.reset();
    EXPECT_FALSE(takeBackCrossSection(*section, state, mask));
    EXPECT_EQ(voxels(mask), before);
}

TEST(CrossSectionWriteBack, ASmallerSliceKeepsItsSize) {
    // Slices of a series may differ in size; the slice of 3 x 2 stays 3 x 2
    // and pixels beyond it are in no VOI when handed over.
    Volume3D image(2), mask(2);
    const std::vector<uint16_t> big(static_cast<size_t>(kW * kH), 50);
    const std::vector<uint16_t> small(6, 70);
    const std::vector<uint16_t> smallBits(6, 2);
    ASSERT_TRUE(Volume3DSetSlice(image, big.data(), kW, kH, 0));
    ASSERT_TRUE(Volume3DSetSlice(image, small.data(), 3, 2, 1));
    ASSERT_TRUE(Volume3DSetSlice(mask, nullptr, kW, kH, 0));
    ASSERT_TRUE(Volume3DSetSlice(mask, smallBits.data(), 3, 2, 1));
    WorkspaceState state;
    const std::optional<CrossSection> section =
        handOverCrossSection(image, mask, kCrossSectionPlaneZ, 1, state, 100, 0);
    ASSERT_TRUE(section);
    EXPECT_EQ(state.RoiMap->width, kW);
    EXPECT_EQ(state.RoiMap->at(2, 1), 2);
    EXPECT_EQ(state.RoiMap->at(3, 1), 0);
    EXPECT_EQ(state.GreyImage->at(6, 4), 70);  // the clamping read of the grey slice
    std::fill(state.RoiMap->current, state.RoiMap->current + state.RoiMap->size(), uint16_t{4});
    EXPECT_EQ(takeBackCrossSection(*section, state, mask), 6);
    EXPECT_EQ(mask.slices[1].width, 3);
    EXPECT_EQ(mask.slices[1].height, 2);
    EXPECT_EQ(mask.slices[1].samples, std::vector<uint16_t>(6, 4));
    EXPECT_EQ(mask.slices[0].samples, std::vector<uint16_t>(big.size(), 0));

    // Through the Y plane, only the part of the row inside each slice is written.
    const std::optional<CrossSection> row =
        handOverCrossSection(image, mask, kCrossSectionPlaneY, 1, state, 100, 0);
    ASSERT_TRUE(row);
    std::fill(state.RoiMap->current, state.RoiMap->current + state.RoiMap->size(), uint16_t{8});
    EXPECT_EQ(takeBackCrossSection(*row, state, mask), kW + 3);
    EXPECT_EQ(mask.slices[1].samples.size(), 6u);
}
