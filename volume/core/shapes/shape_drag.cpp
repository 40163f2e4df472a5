#include "volume/core/shapes/shape_drag.h"

#include "platform/textformat.h"
#include "volume/core/view/view_matrix.h"

std::string shapeTransformStatus(const ShapePose& pose, ShapeTransform transform) {
    const Matrix16& m = pose.shape;
    switch (transform) {
        case ShapeTransform::Move:
            return platform::cformat("x = %.2f, y = %.2f, z = %.2f", m[12], m[13], m[14]);
        case ShapeTransform::Turn:
            return anglesStatus(m);
        case ShapeTransform::Inflate: {
            const double s = shapeSize(m);
            return platform::cformat("Size = %.2f (%.2f)", s, 100 * s);
        }
        case ShapeTransform::Form:
            break;
    }
    return platform::cformat("Shape parameter = %i", static_cast<int>(pose.parameter));
}

std::string dragShape(ShapePose& pose, ShapeTransform transform, bool rightButton, int32_t lastX,
                      int32_t lastY, int32_t x, int32_t y, const Matrix16& view) {
    const double d = static_cast<double>(x) - lastX;
    const double e = static_cast<double>(lastY) - y;
    switch (transform) {
        case ShapeTransform::Move: {
            Matrix3 inverse{};
            // A view without an inverse (never made by the mouse) moves nothing.
            if (invertMatrix3(linearPart(view), inverse)) {
                if (rightButton)
                    pushShape(pose.shape, inverse, -e);
                else
                    moveShape(pose.shape, inverse, d, e);
            }
            break;
        }
        case ShapeTransform::Turn:
            if (rightButton)
                turnShape(pose.shape, view, 0, 0, d / 100);
            else
                turnShape(pose.shape, view, d / 100, e / 100, 0);
            break;
        case ShapeTransform::Inflate:
            if (rightButton) {
                stretchShape(pose.shape, view, d, e);
                const Point3 a = shapeAxisLengths(pose.shape);
                return platform::cformat("dx = %.2f, dy = %.2f, dz = %.2f", a.x, a.y, a.z);
            }
            inflateShape(pose.shape, -e);
            break;
        case ShapeTransform::Form:
            formShape(pose.parameter, pose.second, lastX, x, lastY, y);
            break;
    }
    return shapeTransformStatus(pose, transform);
}
