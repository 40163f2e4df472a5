#include "volume/core/view/view_matrix.h"

#include <cmath>

#include "platform/textformat.h"

Matrix4 identityMatrix() {
    Matrix4 m{};
    m[0] = m[5] = m[10] = m[15] = 1;
    return m;
}

Matrix4 initialViewMatrix() {
    Matrix4 m = identityMatrix();
    m[14] = -kInitialViewDistance;
    return m;
}

void pushView(Matrix4& view, int dy) {
    view[14] += 10.0 * dy;
}

std::string distanceStatus(const Matrix4& view) {
    return platform::cformat("Distance = %.2f", -view[14]);
}

void rotateColumns(Matrix4& m, int a, int b, double t) {
    const double c = std::cos(t), s = std::sin(t);
    for (int row = 0; row < 3; ++row) {
        // Element (row, column) is stored at column * 4 + row.
        double& x = m[static_cast<size_t>(a * 4 + row)];
        double& y = m[static_cast<size_t>(b * 4 + row)];
        const double u = x, v = y;
        x = c * u + s * v;
        y = -s * u + c * v;
    }
}

void turnView(Matrix4& view, int dx, int dy) {
    rotateColumns(view, 0, 2, dx / 100.0);
    rotateColumns(view, 1, 2, -dy / 100.0);
}

namespace {
double degrees(double y, double x) {
    if (y == 0 && x == 0) return 0;
    // + 0.0 turns a negative zero (atan2(−0, 1)) into the 0.00 shown for no turn.
    return std::atan2(y, x) * 180 / 3.14159265358979323846 + 0.0;
}
}  // namespace

std::string anglesStatus(const Matrix4& m) {
    return platform::cformat("P = %.2f, Y = %.2f, R = %.2f", degrees(-m[9], m[10]),
                             degrees(-m[8], m[10]), degrees(m[4], m[5]));
}

Matrix4 multiplyStored(const Matrix4& shape, const Matrix4& view) {
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += shape[static_cast<size_t>(i * 4 + k)] * view[static_cast<size_t>(k * 4 + j)];
            r[static_cast<size_t>(i * 4 + j)] = sum;
        }
    return r;
}

bool invertRotation(const Matrix4& m, Matrix4& inverse) {
    // a(i, j) = element i * 4 + j of the 3 x 3 part.
    auto a = [&](int i, int j) { return m[static_cast<size_t>(i * 4 + j)]; };
    const double c00 = a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1);
    const double c01 = a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2);
    const double c02 = a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0);
    const double det = a(0, 0) * c00 + a(0, 1) * c01 + a(0, 2) * c02;
    if (det == 0) return false;
    Matrix4 r{};
    r[0] = c00 / det;
    r[4] = c01 / det;
    r[8] = c02 / det;
    r[1] = (a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2)) / det;
    r[5] = (a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0)) / det;
    r[9] = (a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1)) / det;
    r[2] = (a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1)) / det;
    r[6] = (a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2)) / det;
    r[10] = (a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)) / det;
    r[15] = 1;
    inverse = r;
    return true;
}
