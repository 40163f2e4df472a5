// Where a shape model sits in the scene, and how the mouse changes that.
//
// A 4 x 4 matrix is kept as 16 doubles in the order handed to glLoadMatrixd.
// Read row by row (A[i][j] = m[4 i + j]) it acts on row vectors: the model
// point (x, y, z) goes to the scene point
//   (x m0 + y m4 + z m8 + m12,  x m1 + y m5 + z m9 + m13,  x m2 + y m6 + z m10 + m14),
// so A's upper 3 x 3 block L is the linear part and m12..m14 the shift. The
// view matrix is read the same way; V is its 3 x 3 block.
#pragma once

#include <array>
#include <cstdint>

#include "volume/core/volume/raster_fill.h"
#include "volume/core/volume_options.h"

using Matrix16 = std::array<double, 16>;
using Matrix3 = std::array<std::array<double, 3>, 3>;

Matrix16 identityMatrix16();

// The 3 x 3 block of m, row by row: A[i][j] = m[4 i + j].
Matrix3 linearPart(const Matrix16& m);
void setLinearPart(Matrix16& m, const Matrix3& l);

Matrix3 multiplyMatrix3(const Matrix3& a, const Matrix3& b);
double determinantMatrix3(const Matrix3& a);
// Inverse by cofactors; false (inverse untouched) when the determinant is 0.
bool invertMatrix3(const Matrix3& a, Matrix3& inverse);

// The model point p placed in the scene by m.
Point3 modelToScene(const Matrix16& m, Point3 p);

// Scene to voxel coordinates: the volume is centred at the origin and scaled
// by the voxel sizes, so voxel centre i sits at (i + 0.5) s - extent s / 2:
//   v = scene / s + extent / 2 - 0.5
// with extents max width, max height and slice count.
struct VolumeFrame {
    int32_t width = 0;   // max width
    int32_t height = 0;  // max height
    int32_t depth = 0;   // slice count
    VoxelSizes sizes;    // used sanitised
};
Point3 sceneToVoxel(const VolumeFrame& frame, Point3 scene);

// Mouse transforms. d and e are pixel steps (d = x - last x, e = last y - y).
// Move in the view plane: shift += d (i0, i1, i2) + e (i4, i5, i6), where i is
// the inverse view rotation (rows 0 and 1 are the scene directions of the
// screen's x and y).
void moveShape(Matrix16& shape, const Matrix3& inverseView, double d, double e);
// Push or pull along the line of sight: shift += (y - last y) (i8, i9, i10).
void pushShape(Matrix16& shape, const Matrix3& inverseView, double dy);

// Turn in view coordinates: L := (L V r) V^-1. r turns by angle02 radians in
// the plane of columns 0 and 2, then by angle12 in the plane of columns 1 and
// 2; the right button turns by angle01 in the plane of columns 0 and 1
// (pass 0 for the angles not used). Columns a, b turn as
//   a' = cos t a + sin t b,  b' = -sin t a + cos t b.
// A view whose 3 x 3 block is singular leaves the shape unchanged.
void turnShape(Matrix16& shape, const Matrix16& view, double angle02, double angle12,
               double angle01);

// Inflate: elements 0..11 times 1.002^dy.
void inflateShape(Matrix16& shape, double dy);
// Stretch in view coordinates: L := (L V diag(1.002^dx, 1.002^dy, 1)) V^-1.
void stretchShape(Matrix16& shape, const Matrix16& view, double dx, double dy);

// Size s = cbrt(det L): the cube root keeps the sign of a mirrored shape
// where pow(det, 1/3) would give NaN.
double shapeSize(const Matrix16& shape);
// The lengths of the three model axes in the scene: |(m0, m1, m2)|, |(m4, m5, m6)|, |(m8, m9,
// m10)|.
Point3 shapeAxisLengths(const Matrix16& shape);

// The angles shown while turning, in degrees (0 when both arguments are 0):
// P = atan2(-m9, m10), Y = atan2(-m8, m10), R = atan2(m4, m5).
Point3 matrixAngles(const Matrix16& m);

// The placement dialog's result: diagonal size / 100, shift (x, y, z).
Matrix16 placementMatrix(double sizePercent, double x, double y, double z);

// The voxel offset of a move or copy: each shift component divided by its
// voxel size and truncated toward zero (10.7 voxels move by 10). Values that
// do not fit are clamped to +-2^30, which moves everything out of any volume.
struct VoxelOffset {
    int32_t dx = 0;
    int32_t dy = 0;
    int32_t dz = 0;
};
VoxelOffset moveOffset(const Matrix16& shape, const VoxelSizes& sizes);

// The shape parameters changed by "Modify shape": p += last x - x,
// q += y - last y, each clamped to -100..100.
void formShape(int32_t& p, int32_t& q, int32_t lastX, int32_t x, int32_t lastY, int32_t y);
