#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "volume/core/view/shape_transform_text.h"
#include "volume/core/view/slice_texture.h"
#include "volume/core/view/view_matrix.h"

TEST(ViewMatrix, PushTurnAnglesAndInverse) {
    Matrix4 view = initialViewMatrix();
    EXPECT_EQ(view[14], -800);
    EXPECT_EQ(anglesStatus(view), "P = 0.00, Y = 0.00, R = 0.00");
    pushView(view, 10);  // dragging down by 10 pixels
    EXPECT_EQ(distanceStatus(view), "Distance = 700.00");

    Matrix4 turned = identityMatrix();
    turnView(turned, 0, -157);  // (−dy)/100 = 1.57 rad in columns 1 and 2
    EXPECT_NEAR(turned[5], std::cos(1.57), 1e-15);
    EXPECT_NEAR(turned[9], -std::sin(1.57), 1e-15);
    EXPECT_EQ(anglesStatus(turned), "P = 89.95, Y = 0.00, R = 0.00");

    Matrix4 inverse = identityMatrix();
    turnView(turned, 33, 12);
    ASSERT_TRUE(invertRotation(turned, inverse));
    const Matrix4 product = multiplyStored(turned, inverse);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(product[i * 4 + j], i == j ? 1 : 0, 1e-12);
    Matrix4 singular{};
    const Matrix4 kept = inverse;
    EXPECT_FALSE(invertRotation(singular, inverse));
    EXPECT_EQ(inverse, kept);

    // The shape matrix moves the shape: a shift in the shape's row 3 adds to the view's.
    Matrix4 shape = identityMatrix();
    shape[12] = 5;
    EXPECT_EQ(multiplyStored(shape, initialViewMatrix())[12], 5);
    EXPECT_EQ(multiplyStored(shape, initialViewMatrix())[14], -800);
}

TEST(SliceTexture, ColoursWindowAndPowerOfTwoSizes) {
    EXPECT_EQ(texturePowerOfTwo(100), 128);
    EXPECT_EQ(texturePowerOfTwo(128), 128);
    EXPECT_EQ(texturePowerOfTwo(1), 1);
    EXPECT_EQ(texturePowerOfTwo(100000), 32768);

    const DisplayWindow window = displayWindow(0, 1000, 100, 100, 0, 100);  // full range
    EXPECT_EQ(window.low, 0);
    EXPECT_EQ(window.high, 1000);
    EXPECT_EQ(displayWindow(0, 1000, 90, 100, 20, 100).low, 100);
    EXPECT_EQ(displayWindow(0, 1000, 90, 100, 20, 100).high, 800);

    // Grey: mulDiv(500, 65536, 1000) = 32768 → 128; with VOI 1 (red) (M >> 9) + 127.
    EXPECT_EQ(texelColour(500, 0, SliceColouring::Grey, window),
              (std::array<uint8_t, 3>{128, 128, 128}));
    EXPECT_EQ(texelColour(500, 1, SliceColouring::Grey, window),
              (std::array<uint8_t, 3>{191, 64, 64}));
    EXPECT_EQ(texelColour(2000, 0, SliceColouring::Grey, window)[0], 255);
    // Band: above high 255, below low 0, else 127; reversed limits swap the tests.
    const DisplayWindow band{100, 200};
    EXPECT_EQ(texelColour(250, 0, SliceColouring::Band, band)[0], 255);
    EXPECT_EQ(texelColour(50, 0, SliceColouring::Band, band)[0], 0);
    EXPECT_EQ(texelColour(150, 0, SliceColouring::Band, band)[0], 127);
    EXPECT_EQ(texelColour(150, 0, SliceColouring::Band, {200, 100})[0], 127);
    EXPECT_EQ(texelColour(50, 0, SliceColouring::Band, {200, 100})[0], 255);
    // VOI only: grey 127 outside; VOIs 1 and 2 (red, green): (255/4, 255/4, 0) + 63.
    EXPECT_EQ(texelColour(9, 0, SliceColouring::VoiOnly, window),
              (std::array<uint8_t, 3>{127, 127, 127}));
    EXPECT_EQ(texelColour(9, 3, SliceColouring::VoiOnly, window),
              (std::array<uint8_t, 3>{126, 126, 63}));
    // An empty window never divides by zero.
    EXPECT_EQ(texelColour(9, 0, SliceColouring::Grey, {5, 5})[0], 0);
}

TEST(SliceTexture, SlicesOfAVolumeAndTheirQuads) {
    Volume3D grey(100), mask(100);
    for (int z = 0; z < 100; ++z) {
        std::vector<uint16_t> samples(6 * 4);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint16_t>(z * 10);
        Volume3DSetSlice(grey, samples.data(), 6, 4, z);
        Volume3DSetSlice(mask, nullptr, 6, 4, z);
    }
    Volume3DSetVoxel(mask, 2, 1, 40, 1);
    const SliceTexture x =
        buildSliceTexture(grey, mask, SliceAxis::X, 2, 0xFFFF, SliceColouring::Grey, {0, 990});
    EXPECT_EQ(x.width, 128);  // z across
    EXPECT_EQ(x.height, 4);
    EXPECT_EQ(x.across, 100);
    EXPECT_EQ(x.rgb.size(), x.rowBytes() * 4);
    // Texel (z = 40, y = 1) is in VOI 1: red over grey 400/990.
    const uint8_t* texel = x.rgb.data() + 1 * x.rowBytes() + 40 * 3;
    EXPECT_GT(texel[0], texel[1]);
    EXPECT_EQ(texel[1], texel[2]);
    // Hidden VOIs leave the grey alone; texels beyond the extent are black.
    const SliceTexture hidden =
        buildSliceTexture(grey, mask, SliceAxis::X, 2, 0xFFFE, SliceColouring::Grey, {0, 990});
    const uint8_t* plain = hidden.rgb.data() + 1 * hidden.rowBytes() + 40 * 3;
    EXPECT_EQ(plain[0], plain[1]);
    EXPECT_EQ(hidden.rgb[1 * hidden.rowBytes() + 110 * 3], 0);

    const SliceQuad quad = sliceQuad(
        grey, SliceAxis::Z, 49, {1, 1, 2},
        buildSliceTexture(grey, mask, SliceAxis::Z, 49, 0xFFFF, SliceColouring::Grey, {0, 990}));
    EXPECT_DOUBLE_EQ(quad.corners[0][2], (49 + 0.5) * 2 - 100);
    EXPECT_DOUBLE_EQ(quad.corners[0][0], 0.5 - 3);
    EXPECT_DOUBLE_EQ(quad.corners[2][0], 5.5 - 3);
    EXPECT_DOUBLE_EQ(quad.texture[2][0], 6.0 / 8);
    EXPECT_DOUBLE_EQ(quad.texture[2][1], 4.0 / 4);
}

TEST(ShapeTransformTexts, ShowApplyAndIdentity) {
    ShapePose pose;
    pose.shape[12] = 10.7;
    pose.shape[13] = -3.2;
    pose.shape[1] = 0.123456789;
    pose.parameter = -4;
    // Voxel space: row i scaled by the voxel size of axis i.
    const ShapeTransformTexts shown = shapeTransformTexts(pose, {0.5, 0.5, 2}, true);
    EXPECT_EQ(shown.linear[0], "0.5");
    EXPECT_EQ(shown.linear[1], "0.061728394");  // 0.0617283945 as a double lies below the half
    EXPECT_EQ(shown.linear[4], "0.5");
    EXPECT_EQ(shown.linear[8], "2");
    EXPECT_EQ(shown.shift, (std::array<std::string, 3>{"10.7", "-3.2", "0"}));
    EXPECT_EQ(shown.integers, (std::array<std::string, 2>{"-4", "0"}));
    // Apply takes the values exactly as shown.
    ShapePose applied;
    EXPECT_EQ(applyShapeTransformTexts(shown, applied), "");
    EXPECT_EQ(applied.shape[0], 0.5);
    EXPECT_EQ(applied.shape[10], 2);
    EXPECT_EQ(applied.shape[12], 10.7);
    EXPECT_EQ(applied.parameter, -4);
    // "1" then Apply resets the linear part and keeps the shift.
    ShapeTransformTexts identity = shown;
    identity.linear = identityTexts();
    EXPECT_EQ(applyShapeTransformTexts(identity, applied), "");
    EXPECT_EQ(applied.shape[0], 1);
    EXPECT_EQ(applied.shape[1], 0);
    EXPECT_EQ(applied.shape[12], 10.7);
    // One box that does not read, or lies outside its range, refuses them all.
    for (const auto& [box, text] : std::vector<std::pair<int, std::string>>{{0, "abc"},
                                                                            {4, "inf"},
                                                                            {8, "nan"},
                                                                            {1, "2.5x"},
                                                                            {9, "10001"},
                                                                            {12, "101"},
                                                                            {13, "1.5"}}) {
        ShapeTransformTexts odd = identity;
        odd.linear[0] = "7";
        if (box < 9)
            odd.linear[static_cast<size_t>(box)] = text;
        else if (box < 12)
            odd.shift[static_cast<size_t>(box - 9)] = text;
        else
            odd.integers[static_cast<size_t>(box - 12)] = text;
        EXPECT_NE(applyShapeTransformTexts(odd, applied), "") << text;
        EXPECT_EQ(applied.shape[0], 1) << text;
    }
}

TEST(ShapeTransformTexts, TypedNumbersTakeEitherSeparator) {
    EXPECT_EQ(parseTypedNumber("2.7"), 2.7);
    EXPECT_EQ(parseTypedNumber(" 2,7\t"), 2.7);
    EXPECT_EQ(parseTypedNumber("-1e2"), -100);
    for (const char* bad : {"", " ", "1,234.5", "1,2,3", "2 7", "0x10", "inf", ","})
        EXPECT_EQ(parseTypedNumber(bad), std::nullopt) << bad;
}
