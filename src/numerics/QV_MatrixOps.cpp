#include "QV_MatrixOps.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "QV_Error.h"
#include "QV_Parallel.h"

QV_Matrix QV_Multiply(const QV_Matrix& a, const QV_Matrix& b)
{
    QV_Matrix r;
    if (a.Cols() != b.Rows()) {
        QV_PrintError("QV_Multiply() Error! : matrix sizes do not match!\n");
        return r;
    }
    const int n = a.Rows(), m = b.Cols(), inner = a.Cols();
    r.Resize(n, m);
    for (int i = 0; i < n; ++i) {
        const float* ai = a.Row(a.RowLow() + i);
        float* ri = r.Row(i);
        for (int j = 0; j < m; ++j) {
            double sum = 0.0;
            for (int k = 0; k < inner; ++k) sum += static_cast<double>(ai[k]) * b.Row(b.RowLow() + k)[j];
            ri[j] = static_cast<float>(sum);
        }
    }
    return r;
}

namespace {

// Rows [begin, end) of a x, into r.
void MultiplyRows(const QV_Matrix& a, const float* x, float* r, int begin, int end)
{
    const int cols = a.Cols();
    int i = begin;
    // Eight, then four rows at a time: independent sums instead of one long
    // chain of dependent additions. Each row still adds its terms in column
    // order, so every result is the same as one row at a time.
    for (; i + 8 <= end; i += 8) {
        const float* ar[8];
        for (int q = 0; q < 8; ++q) ar[q] = a.Row(a.RowLow() + i + q);
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0, s4 = 0.0, s5 = 0.0, s6 = 0.0, s7 = 0.0;
        for (int k = 0; k < cols; ++k) {
            const double xk = x[k];
            s0 += static_cast<double>(ar[0][k]) * xk;
            s1 += static_cast<double>(ar[1][k]) * xk;
            s2 += static_cast<double>(ar[2][k]) * xk;
            s3 += static_cast<double>(ar[3][k]) * xk;
            s4 += static_cast<double>(ar[4][k]) * xk;
            s5 += static_cast<double>(ar[5][k]) * xk;
            s6 += static_cast<double>(ar[6][k]) * xk;
            s7 += static_cast<double>(ar[7][k]) * xk;
        }
        const double sums[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
        for (int q = 0; q < 8; ++q) r[i + q] = static_cast<float>(sums[q]);
    }
    for (; i + 4 <= end; i += 4) {
        const float* a0 = a.Row(a.RowLow() + i);
        const float* a1 = a.Row(a.RowLow() + i + 1);
        const float* a2 = a.Row(a.RowLow() + i + 2);
        const float* a3 = a.Row(a.RowLow() + i + 3);
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        for (int k = 0; k < cols; ++k) {
            const double xk = x[k];
            s0 += static_cast<double>(a0[k]) * xk;
            s1 += static_cast<double>(a1[k]) * xk;
            s2 += static_cast<double>(a2[k]) * xk;
            s3 += static_cast<double>(a3[k]) * xk;
        }
        r[i] = static_cast<float>(s0);
        r[i + 1] = static_cast<float>(s1);
        r[i + 2] = static_cast<float>(s2);
        r[i + 3] = static_cast<float>(s3);
    }
    for (; i < end; ++i) {
        const float* ai = a.Row(a.RowLow() + i);
        double sum = 0.0;
        for (int k = 0; k < cols; ++k) sum += static_cast<double>(ai[k]) * x[k];
        r[i] = static_cast<float>(sum);
    }
}

// Matrices from this many elements on share their rows out among the workers.
constexpr int kParallelElements = 1 << 17;

}  // namespace

QV_Array<float> QV_Multiply(const QV_Matrix& a, const QV_Array<float>& v)
{
    QV_Array<float> r;
    if (a.Cols() != v.Count()) {
        QV_PrintError("QV_Multiply() Error! : matrix and vector sizes do not match!\n");
        return r;
    }
    const int rows = a.Rows(), cols = a.Cols();
    r.Resize(rows);
    if (rows == 0) return r;
    const float* x = v.Data();
    float* out = r.Data();
    const long long elements = static_cast<long long>(rows) * cols;
    if (elements < kParallelElements) {
        MultiplyRows(a, x, out, 0, rows);
        return r;
    }
    // Every row is summed on its own, so the split does not change a result.
    const int minRows = std::max(4, kParallelElements / 2 / std::max(cols, 1));
    QV_ParallelFor(rows, QV_ChunkCount(rows, minRows),
                   [&](int begin, int end, int) { MultiplyRows(a, x, out, begin, end); });
    return r;
}

QV_Array<float> QV_MultiplyTransposed(const QV_Matrix& a, const QV_Array<float>& v)
{
    QV_Array<float> r;
    if (a.Rows() != v.Count()) {
        QV_PrintError("QV_MultiplyTransposed() Error! : matrix and vector sizes do not match!\n");
        return r;
    }
    const int n = a.Cols();
    r.Resize(n);
    std::vector<double> sum(static_cast<size_t>(n), 0.0);
    const float* x = v.Data();
    // Row by row, so that the matrix is read in storage order.
    for (int k = 0; k < a.Rows(); ++k) {
        const float* ak = a.Row(a.RowLow() + k);
        const double xk = x[k];
        for (int j = 0; j < n; ++j) sum[static_cast<size_t>(j)] += ak[j] * xk;
    }
    for (int j = 0; j < n; ++j) r[j] = static_cast<float>(sum[static_cast<size_t>(j)]);
    return r;
}

QV_Matrix QV_Transpose(const QV_Matrix& a)
{
    QV_Matrix r;
    if (a.Empty()) return r;
    r.Resize(a.Cols(), a.Rows());
    for (int i = 0; i < a.Rows(); ++i) {
        const float* ai = a.Row(a.RowLow() + i);
        for (int j = 0; j < a.Cols(); ++j) r(j, i) = ai[j];
    }
    return r;
}

QV_Array<float> QV_Column(const QV_Matrix& a, int j)
{
    QV_Array<float> r;
    if (j < a.ColLow() || j > a.ColHigh()) {
        QV_PrintError("QV_Column() Error! : column out of range!\n");
        return r;
    }
    r.Resize(a.Rows());
    for (int i = 0; i < a.Rows(); ++i) r[i] = a(a.RowLow() + i, j);
    return r;
}

QV_Array<float> QV_Add(const QV_Array<float>& a, const QV_Array<float>& b)
{
    QV_Array<float> r;
    if (a.Count() != b.Count()) {
        QV_PrintError("QV_Add() Error! : vector sizes do not match!\n");
        return r;
    }
    r.Resize(a.Count());
    for (int i = 0; i < a.Count(); ++i) r.Data()[i] = a.Data()[i] + b.Data()[i];
    return r;
}

QV_Array<float> QV_Subtract(const QV_Array<float>& a, const QV_Array<float>& b)
{
    QV_Array<float> r;
    if (a.Count() != b.Count()) {
        QV_PrintError("QV_Subtract() Error! : vector sizes do not match!\n");
        return r;
    }
    r.Resize(a.Count());
    for (int i = 0; i < a.Count(); ++i) r.Data()[i] = a.Data()[i] - b.Data()[i];
    return r;
}

QV_Array<float> QV_Multiply(const QV_Array<float>& a, float s)
{
    QV_Array<float> r(a.Count());
    for (int i = 0; i < a.Count(); ++i) r.Data()[i] = a.Data()[i] * s;
    return r;
}

QV_Array<float> QV_Divide(const QV_Array<float>& a, float s)
{
    QV_Array<float> r(a.Count());
    for (int i = 0; i < a.Count(); ++i) r.Data()[i] = a.Data()[i] / s;
    return r;
}

float QV_Sum(const QV_Array<float>& a)
{
    double sum = 0.0;
    for (float x : a) sum += x;
    return static_cast<float>(sum);
}

float QV_Mean(const QV_Array<float>& a)
{
    if (a.Count() == 0) return 0.0f;
    double sum = 0.0;
    for (float x : a) sum += x;
    return static_cast<float>(sum / a.Count());
}

float QV_SumAbs(const QV_Array<float>& a)
{
    double sum = 0.0;
    for (float x : a) sum += std::fabs(x);
    return static_cast<float>(sum);
}

float QV_Norm(const QV_Array<float>& a)
{
    double sum = 0.0;
    for (float x : a) sum += static_cast<double>(x) * x;
    return static_cast<float>(std::sqrt(sum));
}

void QV_Normalise(QV_Array<float>& a)
{
    double sum = 0.0;
    for (float x : a) sum += static_cast<double>(x) * x;
    double norm = std::sqrt(sum);
    if (norm == 0.0) return;
    for (float& x : a) x = static_cast<float>(x / norm);
}

float QV_Dot(const QV_Array<float>& a, const QV_Array<float>& b)
{
    if (a.Count() != b.Count()) {
        QV_PrintError("QV_Dot() Error! : vector sizes do not match!\n");
        return 0.0f;
    }
    double sum = 0.0;
    for (int i = 0; i < a.Count(); ++i) sum += static_cast<double>(a.Data()[i]) * b.Data()[i];
    return static_cast<float>(sum);
}

QV_Matrix QV_RotationMatrix2D(float degrees)
{
    const double a = degrees * 0.017453292519943295;
    const float c = static_cast<float>(std::cos(a));
    const float s = static_cast<float>(std::sin(a));
    QV_Matrix r(2, 2);
    r(0, 0) = c;
    r(0, 1) = s;
    r(1, 0) = -s;
    r(1, 1) = c;
    return r;
}
