// Small dense linear algebra for r62's analyses: a symmetric eigen solver
// (cyclic Jacobi), Cholesky factorisation, inversion of a lower triangular
// factor and a matrix product. PCA, LDA and the Mahalanobis metric of the
// clustering share them.
//
// Matrices are 30 x 30 with 1-based rows and columns; only the leading
// n x n block is used. Every order n is checked against 0..30.
#pragma once

#include <cstdint>
#include <string_view>

#include "statistics/core/checked_array.h"
#include "statistics/core/data/data_set.h"

using MatrixRow = CheckedArray<double, 1, kMaxFeatures>;
using Matrix30 = CheckedArray<MatrixRow, 1, kMaxFeatures>;
using Vector30 = CheckedArray<double, 1, kMaxFeatures>;

// Jacobi sweeps after which the solver stops with what it has.
inline constexpr int kJacobiMaxSweeps = 51;

// Eigenvalues and orthonormal eigenvectors of the symmetric matrix given by the
// diagonal and upper triangle of A (the lower triangle is never read). On
// return the off-diagonal upper elements of A are destroyed, d[1..n] holds the
// eigenvalues in solver order, column k of V the eigenvector of d[k], and
// rotationCount the number of rotations applied. Never fails.
void EigenDecompose(Matrix30& A, Matrix30& V, Vector30& d, int n, int16_t& rotationCount);

// The eigenvalues in descending order and, column k of `sorted`, the vector of
// the k-th. Selection by strict comparison, so equal eigenvalues keep their
// solver order.
void sortEigenDescending(const Matrix30& V, const Vector30& d, int n, Matrix30& sorted,
                         Vector30& sortedValues);

inline constexpr std::string_view kCholeskyFailureMessage =
    "Scatter matrix subject to Cholesky decomposition,\rwith rounding errors, is not positive "
    "definite";

// A = L * L-transposed for the symmetric matrix given by the diagonal and upper
// triangle of A. On success the strict lower triangle of A holds L, p[1..n]
// its diagonal, and the upper triangle is unchanged. Returns false (the caller
// shows kCholeskyFailureMessage) when a pivot is not positive or not a number;
// A is then partly overwritten below the diagonal. n < 1 succeeds at once.
bool CholeskyDecompose(Matrix30& A, Vector30& p, int n);

// Replaces A, holding L below the diagonal with diagonal p (as left by
// CholeskyDecompose), by L^-1 as a full matrix with a zero upper triangle.
// Every p[i] must be non-zero, as a successful factorisation guarantees.
void InvertLowerTriangular(Matrix30& A, const Vector30& p, int n);

// R := A * B over the leading n x n blocks. R may be A or B: the inputs are
// copied first in that case.
void MatrixMultiply(const Matrix30& A, const Matrix30& B, Matrix30& R, int n);
