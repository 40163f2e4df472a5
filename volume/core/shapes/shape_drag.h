// The editor's four shape transform buttons ("Move, push or pull", "Turn",
// "Inflate or deflate", "Modify shape"): what one mouse step with each does
// to the shape matrix and the shape's two integers, and the status text it
// leaves.
#pragma once

#include <cstdint>
#include <string>

#include "volume/core/shapes/shape_matrix.h"

enum class ShapeTransform { Move, Turn, Inflate, Form };

// The shape being placed: its matrix and the two integers of "Modify shape".
struct ShapePose {
    Matrix16 shape = identityMatrix16();
    int32_t parameter = 0;  // p: taper of the cube and the tube
    int32_t second = 0;     // q
};

// One step of a drag from (lastX, lastY) to (x, y), window pixels with y
// downwards; `view` is the view matrix. With d = x - last x, e = last y - y:
//   Move    left: shift += d (i0, i1, i2) + e (i4, i5, i6);  right: shift += -e (i8, i9, i10)
//   Turn    left: L := (L V r02(d/100) r12(e/100)) V^-1;     right: L := (L V r01(d/100)) V^-1
//   Inflate left: m0..m11 *= 1.002^(-e);                     right: L := (L V
//   diag(1.002^d, 1.002^e, 1)) V^-1 Form    p += -d, q += -e, each within -100..100 (either button)
// where i is the inverse of V, the view's 3 x 3 part. Returns the status text.
std::string dragShape(ShapePose& pose, ShapeTransform transform, bool rightButton, int32_t lastX,
                      int32_t lastY, int32_t x, int32_t y, const Matrix16& view);

// The text shown when a transform button is pressed (and after a left drag):
// "x = %.2f, y = %.2f, z = %.2f", "P = %.2f, Y = %.2f, R = %.2f",
// "Size = %.2f (%.2f)" or "Shape parameter = %i".
std::string shapeTransformStatus(const ShapePose& pose, ShapeTransform transform);
