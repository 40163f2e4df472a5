#include "statistics/core/linear/linear_algebra.h"

#include <cmath>

namespace {

// The rotation of the pair (a, b): old values g1, h1.
inline void rotate(double& a, double& b, double s, double tau) {
    const double g1 = a;
    const double h1 = b;
    a = g1 - s * (h1 + g1 * tau);
    b = h1 + s * (g1 - h1 * tau);
}

// x + g == x in 64-bit-mantissa arithmetic: the test that decides whether an
// off-diagonal element is negligible against a diagonal one.
inline bool negligibleAgainst(double x, double g) {
    const long double lx = static_cast<long double>(x);
    return lx + static_cast<long double>(g) == lx;
}

}  // namespace

void EigenDecompose(Matrix30& A, Matrix30& V, Vector30& d, int n, int16_t& rotationCount) {
    checkRange(n, 0, kMaxFeatures);
    Vector30 b;
    Vector30 z;
    for (int p = 1; p <= n; ++p) {
        for (int q = 1; q <= n; ++q) V[p][q] = p == q ? 1.0 : 0.0;
        b[p] = d[p] = A[p][p];
        z[p] = 0.0;
    }
    rotationCount = 0;
    for (int sweep = 0; sweep < kJacobiMaxSweeps; ++sweep) {
        double sm = 0.0;
        for (int p = 1; p < n; ++p)
            for (int q = p + 1; q <= n; ++q) sm += std::fabs(A[p][q]);
        if (sm == 0.0) return;
        // A NaN element would otherwise keep every later sweep busy for nothing.
        if (!std::isfinite(sm)) return;
        const double threshold = sweep < 4 ? 0.1 * sm / (n * n) : 0.0;
        for (int p = 1; p < n; ++p) {
            for (int q = p + 1; q <= n; ++q) {
                const double g = 100.0 * std::fabs(A[p][q]);
                if (sweep > 4 && negligibleAgainst(std::fabs(d[p]), g) &&
                    negligibleAgainst(std::fabs(d[q]), g)) {
                    A[p][q] = 0.0;
                    continue;
                }
                if (!(std::fabs(A[p][q]) > threshold)) continue;
                double h = d[q] - d[p];
                double t;
                if (negligibleAgainst(std::fabs(h), g)) {
                    t = A[p][q] / h;
                } else {
                    const double theta = 0.5 * h / A[p][q];
                    t = 1.0 / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                    if (theta < 0.0) t = -t;
                }
                const double c = 1.0 / std::sqrt(t * t + 1.0);
                const double s = t * c;
                const double tau = s / (1.0 + c);
                h = t * A[p][q];
                z[p] -= h;
                z[q] += h;
                d[p] -= h;
                d[q] += h;
                A[p][q] = 0.0;
                for (int j = 1; j < p; ++j) rotate(A[j][p], A[j][q], s, tau);
                for (int j = p + 1; j < q; ++j) rotate(A[p][j], A[j][q], s, tau);
                for (int j = q + 1; j <= n; ++j) rotate(A[p][j], A[q][j], s, tau);
                for (int j = 1; j <= n; ++j) rotate(V[j][p], V[j][q], s, tau);
                ++rotationCount;
            }
        }
        for (int p = 1; p <= n; ++p) {
            b[p] += z[p];
            d[p] = b[p];
            z[p] = 0.0;
        }
    }
}

void sortEigenDescending(const Matrix30& V, const Vector30& d, int n, Matrix30& sorted,
                         Vector30& sortedValues) {
    checkRange(n, 0, kMaxFeatures);
    CheckedArray<bool, 1, kMaxFeatures> used;
    used.fill(false);
    for (int k = 1; k <= n; ++k) {
        double best = -1e100;
        int chosen = 0;
        for (int j = 1; j <= n; ++j) {
            if (used[j]) continue;
            if (best < d[j]) {
                best = d[j];
                chosen = j;
            }
        }
        // A NaN eigenvalue never wins the comparison; take the first free one so
        // that every column is still used exactly once.
        if (chosen == 0) {
            for (int j = n; j >= 1; --j)
                if (!used[j]) chosen = j;
            best = d[chosen];
        }
        sortedValues[k] = best;
        used[chosen] = true;
        for (int r = 1; r <= n; ++r) sorted[r][k] = V[r][chosen];
    }
}

bool CholeskyDecompose(Matrix30& A, Vector30& p, int n) {
    if (n < 1) return true;
    checkRange(n, 1, kMaxFeatures);
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            double sum = A[i][j];
            for (int k = i - 1; k >= 1; --k) sum -= A[i][k] * A[j][k];
            if (j == i) {
                if (!(sum > 0.0)) return false;
                p[i] = std::sqrt(sum);
            } else {
                A[j][i] = sum / p[i];
            }
        }
    }
    return true;
}

void InvertLowerTriangular(Matrix30& A, const Vector30& p, int n) {
    checkRange(n, 0, kMaxFeatures);
    for (int i = 1; i <= n; ++i) {
        A[i][i] = 1.0 / p[i];
        for (int j = i + 1; j <= n; ++j) {
            double sum = 0.0;
            for (int k = i; k < j; ++k) sum -= A[j][k] * A[k][i];
            A[j][i] = sum / p[j];
        }
    }
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j) A[i][j] = 0.0;
}

void MatrixMultiply(const Matrix30& A, const Matrix30& B, Matrix30& R, int n) {
    checkRange(n, 0, kMaxFeatures);
    if (&R == &A || &R == &B) {
        const Matrix30 a = A;
        const Matrix30 b = B;
        MatrixMultiply(a, b, R, n);
        return;
    }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            double sum = 0.0;
            for (int k = 1; k <= n; ++k) sum += A[i][k] * B[k][j];
            R[i][j] = sum;
        }
}
