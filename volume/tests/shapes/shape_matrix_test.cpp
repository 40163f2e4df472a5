#include "volume/core/shapes/shape_matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// A turned view: rows of an orthonormal matrix, plus the viewing distance.
Matrix16 turnedView() {
    Matrix16 v = identityMatrix16();
    const double a = 0.7, b = -0.4;
    // rotation about x by a, then about y by b
    const Matrix3 rx{{{1, 0, 0}, {0, std::cos(a), std::sin(a)}, {0, -std::sin(a), std::cos(a)}}};
    const Matrix3 ry{{{std::cos(b), 0, -std::sin(b)}, {0, 1, 0}, {std::sin(b), 0, std::cos(b)}}};
    setLinearPart(v, multiplyMatrix3(rx, ry));
    v[14] = -800;
    return v;
}

}  // namespace

TEST(ShapeMatrix, InverseAndMapping) {
    const Matrix3 a{{{2, 1, 0}, {-1, 3, 0.5}, {0.25, 0, 4}}};
    Matrix3 inv{};
    ASSERT_TRUE(invertMatrix3(a, inv));
    const Matrix3 p = multiplyMatrix3(a, inv);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(p[i][j], i == j ? 1.0 : 0.0, 1e-12);
    const Matrix3 singular{{{1, 2, 3}, {2, 4, 6}, {0, 0, 1}}};
    Matrix3 kept = inv;
    EXPECT_FALSE(invertMatrix3(singular, kept));
    EXPECT_EQ(kept, inv);

    Matrix16 m = placementMatrix(50, 10, -20, 30);
    const Point3 s = modelToScene(m, {100, 0, -100});
    EXPECT_DOUBLE_EQ(s.x, 60);
    EXPECT_DOUBLE_EQ(s.y, -20);
    EXPECT_DOUBLE_EQ(s.z, -20);
    // element 4 is the scene x of the model y axis
    m = identityMatrix16();
    m[4] = 2;
    EXPECT_DOUBLE_EQ(modelToScene(m, {0, 1, 0}).x, 2);

    const VolumeFrame frame{100, 80, 60, VoxelSizes{2, 1, 0.5}};
    const Point3 v = sceneToVoxel(frame, {0, 0, 0});
    EXPECT_DOUBLE_EQ(v.x, 49.5);
    EXPECT_DOUBLE_EQ(v.y, 39.5);
    EXPECT_DOUBLE_EQ(v.z, 29.5);
    EXPECT_DOUBLE_EQ(sceneToVoxel(frame, {-99, 0, 0}).x, 0);  // the first voxel's centre
}

TEST(ShapeMatrix, TurnStretchAndInflateInViewCoordinates) {
    const Matrix16 view = turnedView();
    Matrix16 m = placementMatrix(100, 5, 6, 7);
    turnShape(m, view, 0.3, -0.2, 0);
    turnShape(m, view, 0, 0, 1.1);
    // a turn keeps lengths, the handedness and the shift
    const Point3 len = shapeAxisLengths(m);
    EXPECT_NEAR(len.x, 1, 1e-12);
    EXPECT_NEAR(len.y, 1, 1e-12);
    EXPECT_NEAR(len.z, 1, 1e-12);
    EXPECT_NEAR(shapeSize(m), 1, 1e-12);
    EXPECT_EQ(m[12], 5);
    // turning about the screen's z axis keeps the scene direction of the line of sight
    Matrix16 t = identityMatrix16();
    turnShape(t, view, 0, 0, 0.9);
    const Matrix3 v = linearPart(view);
    const Point3 sight{v[0][2], v[1][2], v[2][2]};  // scene vector seen along eye z
    const Point3 moved = modelToScene(t, sight);
    EXPECT_NEAR(moved.x, sight.x, 1e-12);
    EXPECT_NEAR(moved.y, sight.y, 1e-12);
    EXPECT_NEAR(moved.z, sight.z, 1e-12);

    Matrix16 s = identityMatrix16();
    stretchShape(s, view, 100, -50);
    EXPECT_NEAR(shapeSize(s), std::cbrt(std::pow(1.002, 50)), 1e-12);
    inflateShape(s, 100);
    EXPECT_NEAR(shapeSize(s), std::cbrt(std::pow(1.002, 50)) * std::pow(1.002, 100), 1e-12);

    Matrix16 mirrored = identityMatrix16();
    mirrored[0] = -8;
    EXPECT_DOUBLE_EQ(shapeSize(mirrored), -2);  // pow would give NaN

    Matrix16 singularView = identityMatrix16();
    singularView[0] = 0;
    Matrix16 u = placementMatrix(30, 0, 0, 0);
    turnShape(u, singularView, 1, 1, 1);
    EXPECT_EQ(u, placementMatrix(30, 0, 0, 0));
}

TEST(ShapeMatrix, MoveAnglesAndShapeParameter) {
    Matrix16 m = identityMatrix16();
    Matrix3 inv{};
    ASSERT_TRUE(invertMatrix3(linearPart(identityMatrix16()), inv));
    moveShape(m, inv, 3, 2);
    pushShape(m, inv, -4);
    EXPECT_EQ(m[12], 3);
    EXPECT_EQ(m[13], 2);
    EXPECT_EQ(m[14], -4);

    const Point3 zero = matrixAngles(identityMatrix16());
    EXPECT_EQ(zero.x, 0);
    EXPECT_EQ(zero.y, 0);
    EXPECT_EQ(zero.z, 0);
    Matrix16 r = identityMatrix16();
    r[9] = -std::sin(0.5);
    r[10] = std::cos(0.5);
    EXPECT_NEAR(matrixAngles(r).x, 0.5 * 180 / std::numbers::pi, 1e-12);
    Matrix16 empty{};
    EXPECT_EQ(matrixAngles(empty).x, 0);

    int32_t p = 0, q = 0;
    formShape(p, q, 50, 20, 10, 30);
    EXPECT_EQ(p, 30);
    EXPECT_EQ(q, 20);
    formShape(p, q, 500, 0, 0, -900);
    EXPECT_EQ(p, 100);
    EXPECT_EQ(q, -100);
}
