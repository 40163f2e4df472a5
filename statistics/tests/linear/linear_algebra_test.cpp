#include "statistics/core/linear/linear_algebra.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

Matrix30 symmetricRandom(int n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    Matrix30 a{};
    for (int r = 1; r <= n; ++r)
        for (int c = r; c <= n; ++c) a[r][c] = a[c][r] = value(random);
    return a;
}

// A symmetric positive definite matrix: B * B^T + n * I.
Matrix30 positiveDefinite(int n, unsigned seed) {
    const Matrix30 b = symmetricRandom(n, seed);
    Matrix30 a{};
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c) {
            double sum = r == c ? n : 0.0;
            for (int k = 1; k <= n; ++k) sum += b[r][k] * b[c][k];
            a[r][c] = sum;
        }
    return a;
}

TEST(R62EigenDecompose, TwoByTwoHasEigenvaluesThreeAndOne) {
    Matrix30 a{};
    a[1][1] = 2.0;
    a[1][2] = 1.0;
    a[2][2] = 2.0;
    a[2][1] = 99.0;  // the lower triangle is never read
    Matrix30 v{};
    Vector30 d{};
    int16_t rotations = 0;
    EigenDecompose(a, v, d, 2, rotations);
    EXPECT_EQ(rotations, 1);
    Matrix30 sorted{};
    Vector30 values{};
    sortEigenDescending(v, d, 2, sorted, values);
    EXPECT_NEAR(values[1], 3.0, 1e-15);
    EXPECT_NEAR(values[2], 1.0, 1e-15);
    EXPECT_NEAR(std::fabs(sorted[1][1]), std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(sorted[1][1], sorted[2][1], 1e-15);
    EXPECT_NEAR(sorted[1][2], -sorted[2][2], 1e-15);
}

TEST(R62EigenDecompose, DiagonalMatrixNeedsNoRotation) {
    Matrix30 a{};
    a[1][1] = 4.0;
    a[2][2] = 9.0;
    a[3][3] = 1.0;
    Matrix30 v{};
    Vector30 d{};
    int16_t rotations = -1;
    EigenDecompose(a, v, d, 3, rotations);
    EXPECT_EQ(rotations, 0);
    EXPECT_EQ(d[1], 4.0);
    EXPECT_EQ(d[2], 9.0);
    EXPECT_EQ(d[3], 1.0);
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) EXPECT_EQ(v[r][c], r == c ? 1.0 : 0.0);
}

TEST(R62EigenDecompose, KnownThreeByThree) {
    // [[2,-1,0],[-1,2,-1],[0,-1,2]]: eigenvalues 2 - sqrt2, 2, 2 + sqrt2.
    Matrix30 a{};
    for (int i = 1; i <= 3; ++i) a[i][i] = 2.0;
    a[1][2] = a[2][3] = -1.0;
    Matrix30 v{};
    Vector30 d{};
    int16_t rotations = 0;
    EigenDecompose(a, v, d, 3, rotations);
    Matrix30 sorted{};
    Vector30 values{};
    sortEigenDescending(v, d, 3, sorted, values);
    EXPECT_NEAR(values[1], 2.0 + std::sqrt(2.0), 1e-14);
    EXPECT_NEAR(values[2], 2.0, 1e-14);
    EXPECT_NEAR(values[3], 2.0 - std::sqrt(2.0), 1e-14);
    // The middle eigenvector is (1, 0, -1) / sqrt2 up to sign.
    EXPECT_NEAR(std::fabs(sorted[1][2]), std::sqrt(0.5), 1e-14);
    EXPECT_NEAR(sorted[2][2], 0.0, 1e-14);
}

TEST(R62EigenDecompose, ReconstructsRandomMatricesWithOrthonormalVectors) {
    for (int n : {2, 5, 12, 30}) {
        const Matrix30 original = symmetricRandom(n, 7u + static_cast<unsigned>(n));
        Matrix30 a = original;
        Matrix30 v{};
        Vector30 d{};
        int16_t rotations = 0;
        EigenDecompose(a, v, d, n, rotations);
        EXPECT_GT(rotations, 0);
        for (int r = 1; r <= n; ++r)
            for (int c = 1; c <= n; ++c) {
                double av = 0.0;  // (A v_c)[r] against d_c v_c[r]
                for (int k = 1; k <= n; ++k) av += original[r][k] * v[k][c];
                EXPECT_NEAR(av, d[c] * v[r][c], 1e-12) << n;
                double dot = 0.0;
                for (int k = 1; k <= n; ++k) dot += v[k][r] * v[k][c];
                EXPECT_NEAR(dot, r == c ? 1.0 : 0.0, 1e-13) << n;
            }
    }
}

TEST(R62EigenDecompose, EqualEigenvaluesKeepSolverOrder) {
    Vector30 d{};
    d[1] = 1.0;
    d[2] = 5.0;
    d[3] = 1.0;
    d[4] = 5.0;
    Matrix30 v{};
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) v[r][c] = 10.0 * r + c;  // column c is tagged by c
    Matrix30 sorted{};
    Vector30 values{};
    sortEigenDescending(v, d, 4, sorted, values);
    const int expectedColumn[] = {2, 4, 1, 3};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(values[k], d[expectedColumn[k - 1]]);
        EXPECT_EQ(sorted[1][k], 10.0 + expectedColumn[k - 1]);
    }
}

TEST(R62CholeskyDecompose, FactorReproducesTheMatrixAndKeepsTheUpperTriangle) {
    const int n = 8;
    const Matrix30 original = positiveDefinite(n, 3);
    Matrix30 a = original;
    Vector30 p{};
    ASSERT_TRUE(CholeskyDecompose(a, p, n));
    Matrix30 l{};
    for (int r = 1; r <= n; ++r) {
        l[r][r] = p[r];
        for (int c = 1; c < r; ++c) l[r][c] = a[r][c];
        for (int c = r; c <= n; ++c) EXPECT_EQ(a[r][c], original[r][c]);
    }
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c) {
            double sum = 0.0;
            for (int k = 1; k <= n; ++k) sum += l[r][k] * l[c][k];
            EXPECT_NEAR(sum, original[r][c], 1e-12);
        }
}

TEST(R62CholeskyDecompose, FailsOnASingularOrIndefiniteMatrix) {
    Matrix30 singular{};
    singular[1][1] = singular[1][2] = singular[2][2] = 1.0;
    Vector30 p{};
    EXPECT_FALSE(CholeskyDecompose(singular, p, 2));
    Matrix30 negative{};
    negative[1][1] = -1.0;
    EXPECT_FALSE(CholeskyDecompose(negative, p, 1));
    Matrix30 nan{};
    nan[1][1] = std::nan("");
    EXPECT_FALSE(CholeskyDecompose(nan, p, 1));
    Matrix30 empty{};
    EXPECT_TRUE(CholeskyDecompose(empty, p, 0));
}

TEST(R62InvertLowerTriangular, TimesTheFactorGivesIdentity) {
    const int n = 10;
    Matrix30 a = positiveDefinite(n, 11);
    Vector30 p{};
    ASSERT_TRUE(CholeskyDecompose(a, p, n));
    Matrix30 l{};
    for (int r = 1; r <= n; ++r) {
        l[r][r] = p[r];
        for (int c = 1; c < r; ++c) l[r][c] = a[r][c];
    }
    Matrix30 inverse = a;  // the upper triangle holds leftovers that must go
    InvertLowerTriangular(inverse, p, n);
    Matrix30 product{};
    MatrixMultiply(inverse, l, product, n);
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c) {
            EXPECT_NEAR(product[r][c], r == c ? 1.0 : 0.0, 1e-13);
            if (c > r) {
                EXPECT_EQ(inverse[r][c], 0.0);
            }
        }
}

TEST(R62MatrixMultiply, KnownProductAndOutputThatIsAnInput) {
    Matrix30 a{};
    Matrix30 b{};
    a[1][1] = 1;
    a[1][2] = 2;
    a[2][1] = 3;
    a[2][2] = 4;
    b[1][1] = 5;
    b[1][2] = 6;
    b[2][1] = 7;
    b[2][2] = 8;
    Matrix30 r{};
    MatrixMultiply(a, b, r, 2);
    EXPECT_EQ(r[1][1], 19);
    EXPECT_EQ(r[1][2], 22);
    EXPECT_EQ(r[2][1], 43);
    EXPECT_EQ(r[2][2], 50);
    MatrixMultiply(a, b, a, 2);  // in place on the left operand
    EXPECT_EQ(a, r);
    Matrix30 c{};
    c[1][1] = 1;
    c[1][2] = 2;
    c[2][1] = 3;
    c[2][2] = 4;
    MatrixMultiply(c, c, c, 2);  // the square of itself
    EXPECT_EQ(c[1][1], 7);
    EXPECT_EQ(c[1][2], 10);
    EXPECT_EQ(c[2][1], 15);
    EXPECT_EQ(c[2][2], 22);
}

TEST(R62LinearAlgebra, OrderOutsideTheMatricesIsARangeError) {
    Matrix30 a{};
    Matrix30 v{};
    Vector30 d{};
    int16_t rotations = 0;
    EXPECT_THROW(EigenDecompose(a, v, d, 31, rotations), RangeCheckError);
    EXPECT_THROW(MatrixMultiply(a, a, v, 31), RangeCheckError);
    EXPECT_THROW(InvertLowerTriangular(a, d, -1), RangeCheckError);
}

}  // namespace
