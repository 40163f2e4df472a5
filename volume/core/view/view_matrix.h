// The 3D view's matrices without the graphics library: the view matrix in
// the order the library takes it (element 14 the negative viewing distance),
// its turns and push, the angles shown while turning, the product with the
// shape matrix and the cofactor inverse of the rotation part.
#pragma once

#include <array>
#include <string>

using Matrix4 = std::array<double, 16>;

inline constexpr double kInitialViewDistance = 800;

// Identity, translation (0, 0, −800).
Matrix4 initialViewMatrix();
Matrix4 identityMatrix();

// Element 14 += 10·dy; "Distance = %.2f" of −element 14.
void pushView(Matrix4& view, int dy);
std::string distanceStatus(const Matrix4& view);

// Rotation by t radians in the plane of columns a and b, rows 0..2:
// a' = cos t·a + sin t·b, b' = −sin t·a + cos t·b.
void rotateColumns(Matrix4& m, int a, int b, double t);
// The mouse turn: (dx)/100 rad in columns (0, 2), then (−dy)/100 in (1, 2).
void turnView(Matrix4& view, int dx, int dy);
// "P = %.2f, Y = %.2f, R = %.2f": P = atan2(−m9, m10), Y = atan2(−m8, m10),
// R = atan2(m4, m5) in degrees, each 0 when both arguments are 0.
std::string anglesStatus(const Matrix4& view);

// (shape × view)(i, j) = Σ_k shape(i, k)·view(k, j), both as stored.
Matrix4 multiplyStored(const Matrix4& shape, const Matrix4& view);

// The inverse of the 3 x 3 part by cofactors into a 4 x 4 (other elements 0,
// element 15 = 1); false, leaving `inverse` as it was, for a zero determinant.
bool invertRotation(const Matrix4& m, Matrix4& inverse);
