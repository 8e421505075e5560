// Householder reduction to bidiagonal form followed by the implicit-shift QR
// iteration on the bidiagonal matrix. The work is done on 1-based matrices
// whose bounds are moved to 0 at the end (the storage is kept).
#include "QV_SVD.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "QV_Error.h"

namespace {

// Iterations allowed for one singular value; the values reached are kept
// when it has not converged by then.
constexpr int kMaxIterations = 30;

// sqrt(a*a + b*b) with the larger magnitude factored out.
inline double Pythag(double a, double b)
{
    double absa = std::fabs(a), absb = std::fabs(b);
    if (absa > absb) return absa * std::sqrt(1.0 + (absb / absa) * (absb / absa));
    return absb == 0.0 ? 0.0 : absb * std::sqrt(1.0 + (absa / absb) * (absa / absb));
}

inline double WithSign(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

// True when x is negligible next to anorm at single precision.
inline bool Negligible(double x, float anorm)
{
    volatile float sum = static_cast<float>(std::fabs(x)) + anorm;
    return sum == anorm;
}

}  // namespace

bool QV_SVD::Decompose(const QV_Matrix& a)
{
    const int m = a.Rows();
    const int n = a.Cols();
    if (m <= 0 || n <= 0) {
        QV_PrintError("QV_SVD::Decompose() Error! : empty matrix!\n");
        u = QV_Matrix();
        v = QV_Matrix();
        w.Resize(0, -1);
        return false;
    }
    u.Resize(1, m, 1, n);
    for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= n; ++j) u(i, j) = a(a.RowLow() + i - 1, a.ColLow() + j - 1);
    v.Resize(1, n, 1, n);
    w.Resize(1, n);
    std::vector<double> rv1(static_cast<size_t>(n) + 1, 0.0);

    // Householder reduction to bidiagonal form.
    double g = 0.0, scale = 0.0, anorm = 0.0;
    int l = 1;
    for (int i = 1; i <= n; ++i) {
        l = i + 1;
        rv1[i] = scale * g;
        g = scale = 0.0;
        double s = 0.0;
        if (i <= m) {
            for (int k = i; k <= m; ++k) scale += std::fabs(u(k, i));
            if (scale != 0.0) {
                for (int k = i; k <= m; ++k) {
                    u(k, i) = static_cast<float>(u(k, i) / scale);
                    s += static_cast<double>(u(k, i)) * u(k, i);
                }
                double f = u(i, i);
                g = -WithSign(std::sqrt(s), f);
                double h = f * g - s;
                u(i, i) = static_cast<float>(f - g);
                for (int j = l; j <= n; ++j) {
                    double sum = 0.0;
                    for (int k = i; k <= m; ++k) sum += static_cast<double>(u(k, i)) * u(k, j);
                    double fj = sum / h;
                    for (int k = i; k <= m; ++k) u(k, j) = static_cast<float>(u(k, j) + fj * u(k, i));
                }
                for (int k = i; k <= m; ++k) u(k, i) = static_cast<float>(u(k, i) * scale);
            }
        }
        w[i] = static_cast<float>(scale * g);
        g = s = scale = 0.0;
        if (i <= m && i != n) {
            for (int k = l; k <= n; ++k) scale += std::fabs(u(i, k));
            if (scale != 0.0) {
                for (int k = l; k <= n; ++k) {
                    u(i, k) = static_cast<float>(u(i, k) / scale);
                    s += static_cast<double>(u(i, k)) * u(i, k);
                }
                double f = u(i, l);
                g = -WithSign(std::sqrt(s), f);
                double h = f * g - s;
                u(i, l) = static_cast<float>(f - g);
                for (int k = l; k <= n; ++k) rv1[k] = u(i, k) / h;
                for (int j = l; j <= m; ++j) {
                    double sum = 0.0;
                    for (int k = l; k <= n; ++k) sum += static_cast<double>(u(j, k)) * u(i, k);
                    for (int k = l; k <= n; ++k) u(j, k) = static_cast<float>(u(j, k) + sum * rv1[k]);
                }
                for (int k = l; k <= n; ++k) u(i, k) = static_cast<float>(u(i, k) * scale);
            }
        }
        anorm = std::max(anorm, std::fabs(static_cast<double>(w[i])) + std::fabs(rv1[i]));
    }

    // Accumulation of the right-hand transformations.
    for (int i = n; i >= 1; --i) {
        if (i < n) {
            if (g != 0.0) {
                // Double division avoids a possible underflow.
                for (int j = l; j <= n; ++j) v(j, i) = static_cast<float>((u(i, j) / static_cast<double>(u(i, l))) / g);
                for (int j = l; j <= n; ++j) {
                    double sum = 0.0;
                    for (int k = l; k <= n; ++k) sum += static_cast<double>(u(i, k)) * v(k, j);
                    for (int k = l; k <= n; ++k) v(k, j) = static_cast<float>(v(k, j) + sum * v(k, i));
                }
            }
            for (int j = l; j <= n; ++j) v(i, j) = v(j, i) = 0.0f;
        }
        v(i, i) = 1.0f;
        g = rv1[i];
        l = i;
    }

    // Accumulation of the left-hand transformations.
    for (int i = std::min(m, n); i >= 1; --i) {
        l = i + 1;
        g = w[i];
        for (int j = l; j <= n; ++j) u(i, j) = 0.0f;
        if (g != 0.0) {
            g = 1.0 / g;
            for (int j = l; j <= n; ++j) {
                double sum = 0.0;
                for (int k = l; k <= m; ++k) sum += static_cast<double>(u(k, i)) * u(k, j);
                double f = (sum / u(i, i)) * g;
                for (int k = i; k <= m; ++k) u(k, j) = static_cast<float>(u(k, j) + f * u(k, i));
            }
            for (int j = i; j <= m; ++j) u(j, i) = static_cast<float>(u(j, i) * g);
        } else {
            for (int j = i; j <= m; ++j) u(j, i) = 0.0f;
        }
        u(i, i) += 1.0f;
    }

    // Diagonalisation of the bidiagonal form by implicit-shift QR.
    const float anormF = static_cast<float>(anorm);
    for (int k = n; k >= 1; --k) {
        for (int its = 1; its <= kMaxIterations; ++its) {
            // Test for splitting; rv1[1] is always zero, so l = 1 always splits
            // (tested first so that a non-finite norm cannot run past it).
            bool cancel = true;
            int nm = 0;
            for (l = k; l >= 1; --l) {
                nm = l - 1;
                if (l == 1 || Negligible(rv1[l], anormF)) {
                    cancel = false;
                    break;
                }
                if (Negligible(w[nm], anormF)) break;
            }
            if (cancel) {
                // Cancellation of rv1[l] for l > 1.
                double c = 0.0, s = 1.0;
                for (int i = l; i <= k; ++i) {
                    double f = s * rv1[i];
                    rv1[i] = c * rv1[i];
                    if (Negligible(f, anormF)) break;
                    g = w[i];
                    double h = Pythag(f, g);
                    w[i] = static_cast<float>(h);
                    h = 1.0 / h;
                    c = g * h;
                    s = -f * h;
                    for (int j = 1; j <= m; ++j) {
                        double y = u(j, nm);
                        double z = u(j, i);
                        u(j, nm) = static_cast<float>(y * c + z * s);
                        u(j, i) = static_cast<float>(z * c - y * s);
                    }
                }
            }
            double z = w[k];
            if (l == k) break;  // converged
            if (its == kMaxIterations) break;  // keep the values reached
            // Shift from the bottom 2 x 2 minor.
            double x = w[l];
            nm = k - 1;
            double y = w[nm];
            g = rv1[nm];
            double h = rv1[k];
            double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
            g = Pythag(f, 1.0);
            f = ((x - z) * (x + z) + h * ((y / (f + WithSign(g, f))) - h)) / x;
            // Next QR transformation.
            double c = 1.0, s = 1.0;
            for (int j = l; j <= nm; ++j) {
                int i = j + 1;
                g = rv1[i];
                y = w[i];
                h = s * g;
                g = c * g;
                z = Pythag(f, h);
                rv1[j] = z;
                c = f / z;
                s = h / z;
                f = x * c + g * s;
                g = g * c - x * s;
                h = y * s;
                y *= c;
                for (int jj = 1; jj <= n; ++jj) {
                    double vx = v(jj, j);
                    double vz = v(jj, i);
                    v(jj, j) = static_cast<float>(vx * c + vz * s);
                    v(jj, i) = static_cast<float>(vz * c - vx * s);
                }
                z = Pythag(f, h);
                w[j] = static_cast<float>(z);
                // The rotation is arbitrary when z is 0.
                if (z != 0.0) {
                    z = 1.0 / z;
                    c = f * z;
                    s = h * z;
                }
                f = c * g + s * y;
                x = c * y - s * g;
                for (int jj = 1; jj <= m; ++jj) {
                    double uy = u(jj, j);
                    double uz = u(jj, i);
                    u(jj, j) = static_cast<float>(uy * c + uz * s);
                    u(jj, i) = static_cast<float>(uz * c - uy * s);
                }
            }
            rv1[l] = 0.0;
            rv1[k] = f;
            w[k] = static_cast<float>(x);
        }
        // A negative singular value is made positive by negating v's column.
        if (w[k] < 0.0f) {
            w[k] = -w[k];
            for (int j = 1; j <= n; ++j) v(j, k) = -v(j, k);
        }
    }

    // Same element counts, so the contents stay and only the bounds move.
    u.Resize(0, m - 1, 0, n - 1);
    v.Resize(0, n - 1, 0, n - 1);
    w.Resize(0, n - 1);

    float largest = 0.0f;
    for (float x : w) largest = std::max(largest, x);
    const float threshold = tolerance * largest;
    for (float& x : w)
        if (x < threshold) x = 0.0f;
    return true;
}

bool QV_SVD::BackSubstitute(const QV_Array<float>& b, QV_Array<float>& x) const
{
    const int m = u.Rows();
    const int n = u.Cols();
    if (b.Count() != m || m == 0) {
        QV_PrintError("QV_SVD::BackSubstitute() Error! : right-hand side does not match the decomposition!\n");
        return false;
    }
    std::vector<double> tmp(static_cast<size_t>(n), 0.0);
    const float* bb = b.Data();
    for (int j = 0; j < n; ++j) {
        if (w[j] == 0.0f) continue;
        double s = 0.0;
        for (int i = 0; i < m; ++i) s += static_cast<double>(u(i, j)) * bb[i];
        tmp[static_cast<size_t>(j)] = s / w[j];
    }
    x.Resize(n);
    for (int j = 0; j < n; ++j) {
        const float* vj = v.Row(j);
        double s = 0.0;
        for (int k = 0; k < n; ++k) s += vj[k] * tmp[static_cast<size_t>(k)];
        x[j] = static_cast<float>(s);
    }
    return true;
}
