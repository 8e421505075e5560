// Symmetric eigen-solver: Householder reduction to tridiagonal form with the
// transformation accumulated, then the QL algorithm with implicit shifts, then
// a sort by decreasing magnitude.
#include "QV_CalcEigens.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "QV_Error.h"
#include "QV_MatrixOps.h"

namespace {

// A row of a matrix whose columns start at 1, indexed by column number.
struct RowRef {
    float* p;
    float& operator[](int k) const { return p[k - 1]; }
};

// Iterations of one eigenvalue after which the slow convergence is reported.
constexpr int kWarnIterations = 50;
// Iterations of one eigenvalue after which it is taken as it stands. A finite
// symmetric matrix converges in a handful of iterations; this bound only stops
// non-finite input from looping for ever.
constexpr int kGiveUpIterations = 10000;

// Reduces the 1-based symmetric matrix a (n x n) to tridiagonal form: d gets
// the diagonal, e the sub-diagonal in e[2..n] (e[1] = 0), and a is replaced by
// the orthogonal matrix of the transformation.
void Tridiagonalise(QV_Matrix& a, int n, std::vector<float>& d, std::vector<float>& e)
{
    for (int i = n; i >= 2; --i) {
        int l = i - 1;
        double h = 0.0;
        double scale = 0.0;
        RowRef ai{a.Row(i)};
        if (l > 1) {
            for (int k = 1; k <= l; ++k) scale += std::fabs(ai[k]);
            if (scale == 0.0) {
                e[i] = ai[l];
            } else {
                for (int k = 1; k <= l; ++k) {
                    ai[k] = static_cast<float>(ai[k] / scale);
                    h += static_cast<double>(ai[k]) * ai[k];
                }
                double f = ai[l];
                double g = (f >= 0.0) ? -std::sqrt(h) : std::sqrt(h);
                e[i] = static_cast<float>(scale * g);
                h -= f * g;
                ai[l] = static_cast<float>(f - g);
                f = 0.0;
                for (int j = 1; j <= l; ++j) {
                    a(j, i) = static_cast<float>(ai[j] / h);
                    g = 0.0;
                    for (int k = 1; k <= j; ++k) g += static_cast<double>(a(j, k)) * ai[k];
                    for (int k = j + 1; k <= l; ++k) g += static_cast<double>(a(k, j)) * ai[k];
                    e[j] = static_cast<float>(g / h);
                    f += static_cast<double>(e[j]) * ai[j];
                }
                double hh = f / (h + h);
                for (int j = 1; j <= l; ++j) {
                    double fj = ai[j];
                    double gj = e[j] - hh * fj;
                    e[j] = static_cast<float>(gj);
                    RowRef aj{a.Row(j)};
                    for (int k = 1; k <= j; ++k) aj[k] = static_cast<float>(aj[k] - (fj * e[k] + gj * ai[k]));
                }
            }
        } else {
            e[i] = ai[l];
        }
        d[i] = static_cast<float>(h);
    }
    d[1] = 0.0f;
    e[1] = 0.0f;
    // Accumulate the transformations.
    for (int i = 1; i <= n; ++i) {
        int l = i - 1;
        if (d[i] != 0.0f) {
            for (int j = 1; j <= l; ++j) {
                double g = 0.0;
                for (int k = 1; k <= l; ++k) g += static_cast<double>(a(i, k)) * a(k, j);
                for (int k = 1; k <= l; ++k) a(k, j) = static_cast<float>(a(k, j) - g * a(k, i));
            }
        }
        d[i] = a(i, i);
        a(i, i) = 1.0f;
        for (int j = 1; j <= l; ++j) a(j, i) = a(i, j) = 0.0f;
    }
}

// Diagonalises the tridiagonal matrix (d, e) by QL iterations with implicit
// shifts, applying every rotation to the columns of z.
void DiagonaliseQL(std::vector<float>& d, std::vector<float>& e, int n, QV_Matrix& z)
{
    for (int i = 2; i <= n; ++i) e[i - 1] = e[i];
    e[n] = 0.0f;
    bool warned = false;
    for (int l = 1; l <= n; ++l) {
        int iter = 0;
        int m;
        do {
            // A sub-diagonal element is zero when it does not change the sum
            // of the magnitudes of its two diagonal neighbours.
            for (m = l; m <= n - 1; ++m) {
                float dd = std::fabs(d[m]) + std::fabs(d[m + 1]);
                volatile float sum = std::fabs(e[m]) + dd;
                if (sum == dd) break;
            }
            if (m == l) break;
            ++iter;
            if (iter == kWarnIterations && !warned) {
                QV_PrintSystemError("CalcEigens() Warning! : Many iterations required\n");
                warned = true;
            }
            if (iter > kGiveUpIterations) break;
            float g = (d[l + 1] - d[l]) / (2.0f * e[l]);
            float r = QV_Pythag(g, 1.0f);
            g = d[m] - d[l] + e[l] / (g + (g >= 0.0f ? std::fabs(r) : -std::fabs(r)));
            float s = 1.0f, c = 1.0f, p = 0.0f;
            int i;
            for (i = m - 1; i >= l; --i) {
                float f = s * e[i];
                float b = c * e[i];
                r = QV_Pythag(f, g);
                e[i + 1] = r;
                if (r == 0.0f) {
                    // Underflow: recover and start the iteration again.
                    d[i + 1] -= p;
                    e[m] = 0.0f;
                    break;
                }
                s = f / r;
                c = g / r;
                g = d[i + 1] - p;
                r = (d[i] - g) * s + 2.0f * c * b;
                p = s * r;
                d[i + 1] = g + p;
                g = c * r - b;
                for (int k = 1; k <= n; ++k) {
                    RowRef zk{z.Row(k)};
                    float fz = zk[i + 1];
                    zk[i + 1] = s * zk[i] + c * fz;
                    zk[i] = c * zk[i] - s * fz;
                }
            }
            if (r == 0.0f && i >= l) continue;
            d[l] -= p;
            e[l] = g;
            e[m] = 0.0f;
        } while (m != l);
    }
}

}  // namespace

void CalcEigens(const QV_Array2D<float>& a, QV_Array<float>& values, QV_Array2D<float>& vectors)
{
    // Only the leading square part of a non-square matrix is used.
    const int n = std::min(a.Rows(), a.Cols());
    if (n <= 0) {
        values.Resize(0, -1);
        vectors.Resize(0, -1, 0, -1);
        return;
    }
    QV_Matrix z(1, n, 1, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) z(i, j) = a(a.RowLow() + i - 1, a.ColLow() + j - 1);

    std::vector<float> d(static_cast<size_t>(n) + 1, 0.0f);
    std::vector<float> e(static_cast<size_t>(n) + 1, 0.0f);
    Tridiagonalise(z, n, d, e);
    DiagonaliseQL(d, e, n, z);

    // Largest magnitude first, keeping the signs; equal magnitudes keep the
    // order in which they came out.
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(),
                     [&d](int x, int y) { return std::fabs(d[x]) > std::fabs(d[y]); });

    values.Resize(0, n - 1);
    vectors.Resize(0, n - 1, 0, n - 1);
    for (int k = 0; k < n; ++k) {
        int src = order[static_cast<size_t>(k)];
        values[k] = d[src];
        for (int i = 0; i < n; ++i) vectors(i, k) = z(i + 1, src);
    }
}
