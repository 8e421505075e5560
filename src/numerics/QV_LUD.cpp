#include "QV_LUD.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "QV_Error.h"

namespace {

// A pivot that is exactly zero is replaced by this, so the division stays finite.
constexpr float kTiny = 1.0e-20f;

// A singular matrix is reported and refused; the caller decides how to go on
// (the pose fits fall back to the identity), so user-edited annotations with
// coincident points cannot end the program.
bool Refuse(const char* text)
{
    QV_PrintSystemError(text);
    return false;
}

}  // namespace

bool QV_LUD::Decompose(const QV_Matrix& a)
{
    if (a.Rows() != a.Cols()) {
        QV_PrintError("QV_LUD::Decompose() Error! : matrix is not square!\n");
        return false;
    }
    const int n = a.Rows();
    lu.Resize(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) lu(i, j) = a(a.RowLow() + i, a.ColLow() + j);
    index.Resize(n);
    parity = 1.0f;

    // Implicit scaling: each row's scale is 1 / its largest magnitude.
    std::vector<double> scale(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        double big = 0.0;
        const float* row = lu.Row(i);
        for (int j = 0; j < n; ++j) big = std::max(big, static_cast<double>(std::fabs(row[j])));
        if (big == 0.0) return Refuse("QV_LUD::Decompose() Error! : All elements in matrix are zero!\n");
        scale[static_cast<size_t>(i)] = 1.0 / big;
    }

    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < j; ++i) {
            double sum = lu(i, j);
            for (int k = 0; k < i; ++k) sum -= static_cast<double>(lu(i, k)) * lu(k, j);
            lu(i, j) = static_cast<float>(sum);
        }
        double big = 0.0;
        int pivot = j;
        for (int i = j; i < n; ++i) {
            double sum = lu(i, j);
            for (int k = 0; k < j; ++k) sum -= static_cast<double>(lu(i, k)) * lu(k, j);
            lu(i, j) = static_cast<float>(sum);
            // ">=": the last of equally good candidates becomes the pivot.
            double merit = scale[static_cast<size_t>(i)] * std::fabs(static_cast<double>(lu(i, j)));
            if (merit >= big) {
                big = merit;
                pivot = i;
            }
        }
        if (pivot != j) {
            float* rp = lu.Row(pivot);
            float* rj = lu.Row(j);
            for (int k = 0; k < n; ++k) std::swap(rp[k], rj[k]);
            parity = -parity;
            std::swap(scale[static_cast<size_t>(pivot)], scale[static_cast<size_t>(j)]);
        }
        index[j] = pivot;
        if (lu(j, j) == 0.0f) lu(j, j) = kTiny;
        if (j != n - 1) {
            const double inv = 1.0 / lu(j, j);
            for (int i = j + 1; i < n; ++i) lu(i, j) = static_cast<float>(lu(i, j) * inv);
        }
    }

    if (std::fabs(Determinant()) < 1.0e-38f) return Refuse("QV_LUD::Decompose() Error! Determinant too small!\n");
    return true;
}

float QV_LUD::Determinant() const
{
    double d = parity;
    for (int i = 0; i < lu.Rows(); ++i) d *= lu(i, i);
    return static_cast<float>(d);
}

bool QV_LUD::Solve(const QV_Array<float>& b, QV_Array<float>& x) const
{
    const int n = lu.Rows();
    if (b.Count() != n) {
        QV_PrintError("QV_LUD::Solve() Error! : right-hand side does not match the matrix!\n");
        return false;
    }
    x = b;  // bounds from 0
    // Forward substitution with the row exchanges applied in order; the sums
    // start at the first non-zero entry of the permuted right-hand side.
    int first = -1;
    for (int i = 0; i < n; ++i) {
        int ip = index[i];
        double sum = x[ip];
        x[ip] = x[i];
        if (first >= 0) {
            const float* row = lu.Row(i);
            for (int j = first; j < i; ++j) sum -= static_cast<double>(row[j]) * x[j];
        } else if (sum != 0.0) {
            first = i;
        }
        x[i] = static_cast<float>(sum);
    }
    for (int i = n - 1; i >= 0; --i) {
        const float* row = lu.Row(i);
        double sum = x[i];
        for (int j = i + 1; j < n; ++j) sum -= static_cast<double>(row[j]) * x[j];
        x[i] = static_cast<float>(sum / row[i]);
    }
    return true;
}
