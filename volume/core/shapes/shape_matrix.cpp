#include "volume/core/shapes/shape_matrix.h"

#include <algorithm>
#include <cmath>
#include <numbers>

Matrix16 identityMatrix16() {
    Matrix16 m{};
    m[0] = m[5] = m[10] = m[15] = 1.0;
    return m;
}

Matrix3 linearPart(const Matrix16& m) {
    Matrix3 l{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) l[i][j] = m[static_cast<size_t>(4 * i + j)];
    return l;
}

void setLinearPart(Matrix16& m, const Matrix3& l) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[static_cast<size_t>(4 * i + j)] = l[i][j];
}

Matrix3 multiplyMatrix3(const Matrix3& a, const Matrix3& b) {
    Matrix3 c{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            c[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    return c;
}

double determinantMatrix3(const Matrix3& a) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

bool invertMatrix3(const Matrix3& a, Matrix3& inverse) {
    const double det = determinantMatrix3(a);
    if (det == 0 || !std::isfinite(det)) return false;
    Matrix3 r{};
    // inverse = adjugate / det, adjugate = transposed cofactors
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (j + 1) % 3, i2 = (j + 2) % 3;
            const int j1 = (i + 1) % 3, j2 = (i + 2) % 3;
            r[i][j] = (a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1]) / det;
        }
    inverse = r;
    return true;
}

Point3 modelToScene(const Matrix16& m, Point3 p) {
    return {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12],
            p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
            p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}

Point3 sceneToVoxel(const VolumeFrame& frame, Point3 scene) {
    const VoxelSizes s = frame.sizes.sanitized();
    // v = scene / s + extent / 2 - 0.5
    return {scene.x / s.VoxelXSize + frame.width / 2.0 - 0.5,
            scene.y / s.VoxelYSize + frame.height / 2.0 - 0.5,
            scene.z / s.VoxelZSize + frame.depth / 2.0 - 0.5};
}

void moveShape(Matrix16& shape, const Matrix3& inverseView, double d, double e) {
    for (int k = 0; k < 3; ++k)
        shape[static_cast<size_t>(12 + k)] += d * inverseView[0][k] + e * inverseView[1][k];
}

void pushShape(Matrix16& shape, const Matrix3& inverseView, double dy) {
    for (int k = 0; k < 3; ++k) shape[static_cast<size_t>(12 + k)] += dy * inverseView[2][k];
}

namespace {

// Columns a, b of x: a' = cos t a + sin t b, b' = -sin t a + cos t b.
void turnColumns(Matrix3& x, int a, int b, double t) {
    if (t == 0) return;
    const double c = std::cos(t);
    const double s = std::sin(t);
    for (int i = 0; i < 3; ++i) {
        const double u = x[i][a];
        const double v = x[i][b];
        x[i][a] = c * u + s * v;
        x[i][b] = -s * u + c * v;
    }
}

}  // namespace

void turnShape(Matrix16& shape, const Matrix16& view, double angle02, double angle12,
               double angle01) {
    const Matrix3 v = linearPart(view);
    Matrix3 vInverse{};
    if (!invertMatrix3(v, vInverse)) return;
    // L := (L V r) V^-1
    Matrix3 x = multiplyMatrix3(linearPart(shape), v);
    turnColumns(x, 0, 2, angle02);
    turnColumns(x, 1, 2, angle12);
    turnColumns(x, 0, 1, angle01);
    setLinearPart(shape, multiplyMatrix3(x, vInverse));
}

void inflateShape(Matrix16& shape, double dy) {
    const double f = std::pow(1.002, dy);
    for (size_t i = 0; i < 12; ++i) shape[i] *= f;
}

void stretchShape(Matrix16& shape, const Matrix16& view, double dx, double dy) {
    const Matrix3 v = linearPart(view);
    Matrix3 vInverse{};
    if (!invertMatrix3(v, vInverse)) return;
    // L := (L V diag(1.002^dx, 1.002^dy, 1)) V^-1
    Matrix3 x = multiplyMatrix3(linearPart(shape), v);
    const double fx = std::pow(1.002, dx);
    const double fy = std::pow(1.002, dy);
    for (int i = 0; i < 3; ++i) {
        x[i][0] *= fx;
        x[i][1] *= fy;
    }
    setLinearPart(shape, multiplyMatrix3(x, vInverse));
}

double shapeSize(const Matrix16& shape) {
    return std::cbrt(determinantMatrix3(linearPart(shape)));
}

Point3 shapeAxisLengths(const Matrix16& m) {
    return {std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]),
            std::sqrt(m[4] * m[4] + m[5] * m[5] + m[6] * m[6]),
            std::sqrt(m[8] * m[8] + m[9] * m[9] + m[10] * m[10])};
}

namespace {

double degrees(double y, double x) {
    if (y == 0 && x == 0) return 0;
    return std::atan2(y, x) * 180.0 / std::numbers::pi;
}

}  // namespace

Point3 matrixAngles(const Matrix16& m) {
    return {degrees(-m[9], m[10]), degrees(-m[8], m[10]), degrees(m[4], m[5])};
}

Matrix16 placementMatrix(double sizePercent, double x, double y, double z) {
    Matrix16 m = identityMatrix16();
    m[0] = m[5] = m[10] = sizePercent / 100.0;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

namespace {

int32_t truncatedVoxels(double shift, double size) {
    const double v = std::trunc(shift / size);
    if (!(v == v)) return 0;  // NaN
    return static_cast<int32_t>(std::clamp(v, -1073741824.0, 1073741824.0));
}

}  // namespace

VoxelOffset moveOffset(const Matrix16& shape, const VoxelSizes& sizes) {
    const VoxelSizes s = sizes.sanitized();
    return {truncatedVoxels(shape[12], s.VoxelXSize), truncatedVoxels(shape[13], s.VoxelYSize),
            truncatedVoxels(shape[14], s.VoxelZSize)};
}

void formShape(int32_t& p, int32_t& q, int32_t lastX, int32_t x, int32_t lastY, int32_t y) {
    const int64_t np = static_cast<int64_t>(p) + lastX - x;
    const int64_t nq = static_cast<int64_t>(q) + y - lastY;
    p = static_cast<int32_t>(std::clamp<int64_t>(np, -100, 100));
    q = static_cast<int32_t>(std::clamp<int64_t>(nq, -100, 100));
}
