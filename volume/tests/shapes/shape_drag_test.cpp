// One mouse step with each shape transform button: the shape follows the
// screen whatever the view, the status texts, and the limits of the shape's
// integers.
#include "volume/core/shapes/shape_drag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "volume/core/view/view_matrix.h"

namespace {

// The view turned by the mouse: some way about both screen axes.
Matrix16 turnedView() {
    Matrix16 view = initialViewMatrix();
    turnView(view, 60, -35);
    return view;
}

// The scene vector v seen in view coordinates: v V (row vector times the 3 x 3 part).
Point3 inView(const Matrix16& view, Point3 v) {
    return {v.x * view[0] + v.y * view[4] + v.z * view[8],
            v.x * view[1] + v.y * view[5] + v.z * view[9],
            v.x * view[2] + v.y * view[6] + v.z * view[10]};
}

}  // namespace

TEST(ShapeDrag, MovingFollowsTheScreenUnderATurnedView) {
    const Matrix16 view = turnedView();
    ShapePose pose;
    // Right by 12 and up by 5 pixels (y grows downwards).
    const std::string status =
        dragShape(pose, ShapeTransform::Move, false, 100, 100, 112, 95, view);
    const Point3 seen = inView(view, {pose.shape[12], pose.shape[13], pose.shape[14]});
    EXPECT_NEAR(seen.x, 12, 1e-9);
    EXPECT_NEAR(seen.y, 5, 1e-9);
    EXPECT_NEAR(seen.z, 0, 1e-9);
    EXPECT_EQ(status.rfind("x = ", 0), 0u);

    // The right button pushes along the line of sight: down by 7 pixels is +7
    // along the view's z axis (away from the eye is -z).
    ShapePose pushed;
    dragShape(pushed, ShapeTransform::Move, true, 0, 0, 40, 7, view);
    const Point3 along = inView(view, {pushed.shape[12], pushed.shape[13], pushed.shape[14]});
    EXPECT_NEAR(along.x, 0, 1e-9);
    EXPECT_NEAR(along.z, 7, 1e-9);
    // The identity view: the shift as typed.
    ShapePose plain;
    EXPECT_EQ(dragShape(plain, ShapeTransform::Move, false, 0, 0, 3, -2, identityMatrix16()),
              "x = 3.00, y = 2.00, z = 0.00");
}

TEST(ShapeDrag, TurningKeepsTheShapeRigidAndTheRightButtonTurnsAboutTheLineOfSight) {
    const Matrix16 view = turnedView();
    ShapePose pose;
    pose.shape = placementMatrix(150, 4, 5, 6);
    dragShape(pose, ShapeTransform::Turn, false, 0, 0, 37, -21, view);
    // Still a rigid turn of the 1.5 scaling: det = 1.5^3, the shift untouched.
    EXPECT_NEAR(determinantMatrix3(linearPart(pose.shape)), 1.5 * 1.5 * 1.5, 1e-9);
    EXPECT_EQ(pose.shape[12], 4);
    const Point3 axes = shapeAxisLengths(pose.shape);
    EXPECT_NEAR(axes.x, 1.5, 1e-12);
    EXPECT_NEAR(axes.z, 1.5, 1e-12);

    // About the line of sight w (the scene vector seen as (0, 0, 1)) w stays w.
    ShapePose roll;
    dragShape(roll, ShapeTransform::Turn, true, 0, 0, 80, 30, view);
    Matrix3 inverse{};
    ASSERT_TRUE(invertMatrix3(linearPart(view), inverse));
    const Point3 w{inverse[2][0], inverse[2][1], inverse[2][2]};
    const Point3 turned = modelToScene(roll.shape, w);
    EXPECT_NEAR(turned.x, w.x, 1e-12);
    EXPECT_NEAR(turned.y, w.y, 1e-12);
    EXPECT_NEAR(turned.z, w.z, 1e-12);
    // ... while the screen's x axis turns by 0.8 radians.
    const Point3 u = modelToScene(roll.shape, {inverse[0][0], inverse[0][1], inverse[0][2]});
    EXPECT_NEAR(inView(view, u).x, std::cos(0.8), 1e-12);

    // The status shows the shape's angles.
    ShapePose quarter;
    EXPECT_EQ(dragShape(quarter, ShapeTransform::Turn, true, 0, 0, 0, 0, identityMatrix16()),
              "P = 0.00, Y = 0.00, R = 0.00");
}

TEST(ShapeDrag, InflatingStretchingAndTheSizeOfAMirroredShape) {
    ShapePose pose;
    pose.shape[12] = 10;
    // Down by 50 pixels: elements 0..11 grow by 1.002^50, the shift stays.
    EXPECT_EQ(dragShape(pose, ShapeTransform::Inflate, false, 0, 0, 0, 50, identityMatrix16()),
              "Size = 1.11 (110.51)");
    EXPECT_NEAR(pose.shape[5], std::pow(1.002, 50), 1e-15);
    EXPECT_EQ(pose.shape[12], 10);
    // Up by 50 again: back.
    dragShape(pose, ShapeTransform::Inflate, false, 0, 50, 0, 0, identityMatrix16());
    EXPECT_NEAR(pose.shape[5], 1, 1e-15);

    // Stretch under a turned view: the shape grows along the screen's x only.
    const Matrix16 view = turnedView();
    ShapePose stretched;
    const std::string status =
        dragShape(stretched, ShapeTransform::Inflate, true, 0, 0, 100, 0, view);
    EXPECT_EQ(status.rfind("dx = ", 0), 0u);
    Matrix3 inverse{};
    ASSERT_TRUE(invertMatrix3(linearPart(view), inverse));
    const auto grows = [&](int row) {
        const Point3 v{inverse[row][0], inverse[row][1], inverse[row][2]};
        const Point3 p = modelToScene(stretched.shape, v);
        return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    };
    EXPECT_NEAR(grows(0), std::pow(1.002, 100), 1e-12);
    EXPECT_NEAR(grows(1), 1, 1e-12);
    EXPECT_NEAR(grows(2), 1, 1e-12);

    // A mirrored shape has a negative size, not NaN.
    ShapePose mirrored;
    mirrored.shape[0] = -1;
    EXPECT_EQ(shapeTransformStatus(mirrored, ShapeTransform::Inflate), "Size = -1.00 (-100.00)");
}

TEST(ShapeDrag, ModifyingTheShapeKeepsItsIntegersWithinAHundred) {
    ShapePose pose;
    EXPECT_EQ(dragShape(pose, ShapeTransform::Form, false, 50, 50, 20, 60, identityMatrix16()),
              "Shape parameter = 30");
    EXPECT_EQ(pose.second, 10);
    dragShape(pose, ShapeTransform::Form, true, 500, 0, 0, -400, identityMatrix16());
    EXPECT_EQ(pose.parameter, 100);
    EXPECT_EQ(pose.second, -100);
    EXPECT_EQ(pose.shape, identityMatrix16());
    EXPECT_EQ(shapeTransformStatus(pose, ShapeTransform::Move), "x = 0.00, y = 0.00, z = 0.00");
}
