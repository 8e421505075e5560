#include "QV_UpdateModel.h"

#include "QV_BinaryIO.h"
#include "QV_SVD.h"

int QV_UpdateModel::ResidualSize() const { return u.Rows(); }

int QV_UpdateModel::ParameterCount() const { return v.Rows(); }

bool QV_UpdateModel::IsConsistent() const
{
    const int n = w.Count();
    return n >= 1 && u.Rows() >= 1 && u.Cols() == n && v.Rows() == n && v.Cols() == n;
}

bool QV_UpdateModel::Apply(const QV_Array<float>& residual, QV_Array<float>& delta) const
{
    if (!IsConsistent() || residual.Count() != u.Rows()) return false;
    const int m = u.Rows();
    const int n = w.Count();
    QV_Array<double> tmp(n);
    tmp.Fill(0.0);
    for (int i = 0; i < m; ++i) {
        const float* row = u.Row(u.RowLow() + i);
        const double r = residual[residual.Low() + i];
        for (int j = 0; j < n; ++j) tmp[j] += static_cast<double>(row[j]) * r;
    }
    for (int j = 0; j < n; ++j) {
        const float wj = w[w.Low() + j];
        tmp[j] = (wj != 0.0f) ? tmp[j] / wj : 0.0;
    }
    QV_Array<float> out(n);
    for (int i = 0; i < n; ++i) {
        const float* row = v.Row(v.RowLow() + i);
        double s = 0.0;
        for (int j = 0; j < n; ++j) s += static_cast<double>(row[j]) * tmp[j];
        out[i] = static_cast<float>(s);
    }
    delta = std::move(out);
    return true;
}

void QV_UpdateModel::SetFromSVD(const QV_SVD& svd) { Set(svd.Tolerance(), svd.U(), svd.W(), svd.V()); }

void QV_UpdateModel::Set(float tol, const QV_Matrix& newU, const QV_Array<float>& newW, const QV_Matrix& newV)
{
    tolerance = tol;
    u = newU;
    w = newW;
    v = newV;
}

bool QV_UpdateModel::Write(std::FILE* f) const
{
    return QV_WriteF32(f, tolerance) && u.Write(f) && w.Write(f) && v.Write(f);
}

bool QV_UpdateModel::Read(std::FILE* f)
{
    QV_UpdateModel read;
    bool ok = QV_ReadF32(f, read.tolerance) && read.u.Read(f) && read.w.Read(f) && read.v.Read(f);
    // An empty model (nothing trained) is a valid record; a partial one is not.
    const bool empty = read.u.Rows() == 0 && read.w.Count() == 0 && read.v.Rows() == 0;
    if (ok && !empty && !read.IsConsistent()) ok = false;
    if (!ok) {
        *this = QV_UpdateModel();
        return false;
    }
    *this = std::move(read);
    return true;
}
