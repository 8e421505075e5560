// Independent double-precision answers for the numerics tests, computed by
// Eigen in one translation unit of its own so that no test file compiles it.
#pragma once

#include <vector>

#include "QV_Array2D.h"

namespace reference {

// A dense row-major matrix of doubles indexed from 0.
struct Matrix {
    int rows = 0, cols = 0;
    std::vector<double> v;

    Matrix() = default;
    Matrix(int r, int c) : rows(r), cols(c), v(static_cast<size_t>(r) * c, 0.0) {}
    double& operator()(int i, int j) { return v[static_cast<size_t>(i) * cols + j]; }
    double operator()(int i, int j) const { return v[static_cast<size_t>(i) * cols + j]; }
};

// The matrix's elements whatever its index bounds.
Matrix FromQV(const QV_Matrix& a);
// A column holding the values.
Matrix Column(const std::vector<double>& values);
Matrix Diagonal(const std::vector<double>& values);

Matrix Multiply(const Matrix& a, const Matrix& b);
Matrix Transpose(const Matrix& a);
// Frobenius norms of a and of a − b.
double Norm(const Matrix& a);
double Distance(const Matrix& a, const Matrix& b);
// Frobenius norm of aᵀa − I: zero for orthonormal columns.
double OrthonormalityError(const Matrix& a);

// Square systems by LU decomposition with partial pivoting.
std::vector<double> Solve(const Matrix& a, const std::vector<double>& b);
double Determinant(const Matrix& a);
// Least squares by column-pivoting QR.
std::vector<double> LeastSquares(const Matrix& a, const std::vector<double>& b);
// Singular values, largest first.
std::vector<double> SingularValues(const Matrix& a);

// Eigenvalues of a symmetric matrix in increasing order, with the unit
// eigenvectors as the columns of `vectors` in the same order.
struct SymmetricEigen {
    std::vector<double> values;
    Matrix vectors;
};
SymmetricEigen EigenSymmetric(const Matrix& a);

// Mean and covariance (divided by the count) of observations held one per row.
Matrix Covariance(const Matrix& observations, std::vector<double>& mean);

}  // namespace reference
