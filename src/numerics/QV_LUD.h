// QV_LUD: LU decomposition of a square float matrix by Crout's method with
// implicit partial pivoting, with the determinant and the solution of A·x = b.
#pragma once

#include "QV_Array.h"
#include "QV_Array2D.h"

class QV_LUD {
public:
    QV_LUD() = default;
    // Decomposes a at once.
    explicit QV_LUD(const QV_Matrix& a) { Decompose(a); }

    // Decomposes the n x n matrix a (any bounds; the result uses bounds from 0).
    // A row of zeros, or a determinant below 1e-38 in magnitude, is reported
    // with its message and refused with a false result (the decomposition is
    // then unusable and Solve must not be called); so is a matrix that is not
    // square.
    bool Decompose(const QV_Matrix& a);

    // parity x the product of the diagonal of the decomposition.
    float Determinant() const;

    // Solves A·x = b for the decomposed A; x gets bounds from 0. False (with a
    // message) when b's length is not that of A.
    bool Solve(const QV_Array<float>& b, QV_Array<float>& x) const;

    // L below the diagonal (unit diagonal implied), U on and above it, rows
    // in pivoted order.
    const QV_Matrix& LU() const { return lu; }
    // index[j]: the row exchanged with row j at column j.
    const QV_Array<int>& Index() const { return index; }
    // +1 or -1, the sign of the row permutation.
    float Parity() const { return parity; }

private:
    QV_Matrix lu;
    QV_Array<int> index;
    float parity = 1.0f;
};
