// QV_UpdateModel: the appearance search's parameter-update matrix, kept as its
// singular value decomposition U·diag(w)·Vᵀ; applied to a texture residual it
// gives the parameter correction V·diag(1/w)·Uᵀ·r (zero singular values skipped).
#pragma once

#include <cstdio>

#include "QV_Array.h"
#include "QV_Array2D.h"

class QV_SVD;

class QV_UpdateModel {
public:
    static constexpr float kDefaultTolerance = 1.0e-6f;

    // delta_i = sum_j V[i][j] * tmp_j with tmp_j = (sum_i U[i][j] * r[i]) / w[j]
    // (0 when w[j] is 0). r must hold ResidualSize() values (any bounds);
    // delta gets ParameterCount() values from index 0. False, delta untouched,
    // when the sizes do not fit.
    bool Apply(const QV_Array<float>& residual, QV_Array<float>& delta) const;

    // Takes the decomposition of a residual-size x parameter-count matrix.
    void SetFromSVD(const QV_SVD& svd);
    void Set(float tol, const QV_Matrix& u, const QV_Array<float>& w, const QV_Matrix& v);

    // Rows of U (residual length) and columns of V (parameter count); 0 when empty.
    int ResidualSize() const;
    int ParameterCount() const;
    // True when U, w and V fit together (U m x n, w n values, V n x n, n >= 1).
    bool IsConsistent() const;

    float Tolerance() const { return tolerance; }
    const QV_Matrix& U() const { return u; }
    const QV_Array<float>& W() const { return w; }
    const QV_Matrix& V() const { return v; }

    // Binary form: tolerance (float), U (matrix form), w (array form), V (matrix
    // form). Read fails, leaving the model empty, on a short read or when the
    // three parts do not fit together.
    bool Read(std::FILE* f);
    bool Write(std::FILE* f) const;

private:
    float tolerance = kDefaultTolerance;
    QV_Matrix u;
    QV_Array<float> w;
    QV_Matrix v;
};
