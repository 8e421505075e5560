// QV_SVD: singular value decomposition A = u·diag(w)·vᵀ of an m x n float
// matrix, with near-zero singular values set to 0 and the back-substitution
// that solves A·x = b in the least-squares sense.
#pragma once

#include "QV_Array.h"
#include "QV_Array2D.h"

class QV_SVD {
public:
    QV_SVD() = default;
    // Decomposes a at once.
    explicit QV_SVD(const QV_Matrix& a) { Decompose(a); }

    // Decomposes a (any bounds; results use bounds from 0): u is m x n, w
    // holds the n singular values (not sorted, never negative), v is n x n.
    // Every singular value below tolerance x the largest is then set to 0.
    // False (with a message) for an empty matrix.
    bool Decompose(const QV_Matrix& a);

    // x = v·diag(1/w)·uᵀ·b, where zero singular values contribute nothing.
    // b has m elements (any bounds); x gets n elements from index 0. False
    // (with a message) when b's length is not m.
    bool BackSubstitute(const QV_Array<float>& b, QV_Array<float>& x) const;

    const QV_Matrix& U() const { return u; }
    const QV_Matrix& V() const { return v; }
    const QV_Array<float>& W() const { return w; }

    float Tolerance() const { return tolerance; }
    // Takes effect at the next Decompose.
    void SetTolerance(float t) { tolerance = t; }

private:
    QV_Matrix u;
    QV_Matrix v;
    QV_Array<float> w;
    float tolerance = 1.0e-6f;
};
