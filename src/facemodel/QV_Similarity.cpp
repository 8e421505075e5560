#include "QV_Similarity.h"

#include <cmath>
#include <cstdint>

#include "QV_Array2D.h"
#include "QV_LUD.h"

void QV_Similarity::SetIdentity()
{
    R[0][0] = 1.0f;
    R[0][1] = 0.0f;
    R[1][0] = 0.0f;
    R[1][1] = 1.0f;
    tx = ty = 0.0f;
    scale = 1.0f;
}

bool QV_Similarity::IsIdentity() const
{
    return R[0][0] == 1.0f && R[0][1] == 0.0f && R[1][0] == 0.0f && R[1][1] == 1.0f && tx == 0.0f && ty == 0.0f &&
           scale == 1.0f;
}

void QV_Similarity::FromParams(float a, float b, float ntx, float nty)
{
    const double c = static_cast<double>(a) + 1.0;
    const double s = std::sqrt(c * c + static_cast<double>(b) * b);
    const double theta = std::atan2(static_cast<double>(b), c);
    scale = static_cast<float>(s);
    const float ct = static_cast<float>(std::cos(theta));
    const float st = static_cast<float>(std::sin(theta));
    R[0][0] = ct;
    R[0][1] = -st;
    R[1][0] = st;
    R[1][1] = ct;
    tx = ntx;
    ty = nty;
}

void QV_Similarity::ToParams(float& a, float& b, float& otx, float& oty) const
{
    a = R[0][0] * scale - 1.0f;
    b = R[1][0] * scale;
    otx = tx;
    oty = ty;
}

bool QV_Similarity::FromParams(const QV_Array<float>& p, int first)
{
    if (first < p.Low() || static_cast<int64_t>(first) + 3 > p.High()) return false;
    FromParams(p[first], p[first + 1], p[first + 2], p[first + 3]);
    return true;
}

void QV_Similarity::ToParams(QV_Array<float>& p, int first) const
{
    if (first < p.Low() || static_cast<int64_t>(first) + 3 > p.High()) return;
    ToParams(p[first], p[first + 1], p[first + 2], p[first + 3]);
}

bool QV_Similarity::Align(const QV_Point2D* from, const QV_Point2D* to, int n)
{
    SetIdentity();
    if (n < 1 || !from || !to) return false;

    // The sums are taken about the centroids of both point sets: the fit is
    // the same, but the normal equations stay well conditioned for points far
    // from the origin (pixel coordinates), where float sums would lose the pose.
    double cx = 0, cy = 0, cx2 = 0, cy2 = 0;
    for (int i = 0; i < n; ++i) {
        cx += from[i].x;
        cy += from[i].y;
        cx2 += to[i].x;
        cy2 += to[i].y;
    }
    cx /= n;
    cy /= n;
    cx2 /= n;
    cy2 /= n;
    double sx = 0, sy = 0, sxx = 0, sx2 = 0, sy2 = 0, sa = 0, sb = 0;
    for (int i = 0; i < n; ++i) {
        const double x = from[i].x - cx, y = from[i].y - cy, x2 = to[i].x - cx2, y2 = to[i].y - cy2;
        sx += x;
        sy += y;
        sxx += x * x + y * y;
        sx2 += x2;
        sy2 += y2;
        sa += x * x2 + y * y2;
        sb += x * y2 - y * x2;
    }
    // The source points must spread: with all of them on one spot (or a
    // single point) rotation and scale are undetermined and the normal
    // equations are singular, even when rounding keeps the determinant off 0.
    if (!(sxx > 1e-12 * (cx * cx + cy * cy)) || !(sxx > 0.0)) return false;

    QV_Matrix m(4, 4);
    const float rows[4][4] = {{static_cast<float>(sx), static_cast<float>(-sy), static_cast<float>(n), 0.0f},
                              {static_cast<float>(sy), static_cast<float>(sx), 0.0f, static_cast<float>(n)},
                              {static_cast<float>(sxx), 0.0f, static_cast<float>(sx), static_cast<float>(sy)},
                              {0.0f, static_cast<float>(sxx), static_cast<float>(-sy), static_cast<float>(sx)}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m(i, j) = rows[i][j];
    QV_Array<float> rhs(4), sol;
    rhs[0] = static_cast<float>(sx2);
    rhs[1] = static_cast<float>(sy2);
    rhs[2] = static_cast<float>(sa);
    rhs[3] = static_cast<float>(sb);

    QV_LUD lud;
    if (!lud.Decompose(m) || !lud.Solve(rhs, sol)) return false;

    const double a = sol[0], b = sol[1];
    const double s = std::sqrt(a * a + b * b);
    if (!std::isfinite(s) || !(s > 0.0) || !std::isfinite(sol[2]) || !std::isfinite(sol[3])) return false;
    scale = static_cast<float>(s);
    R[0][0] = static_cast<float>(a / s);
    R[0][1] = static_cast<float>(-b / s);
    R[1][0] = static_cast<float>(b / s);
    R[1][1] = static_cast<float>(a / s);
    // Back from the centred frames: t = c' + t_c - s*R*c.
    tx = static_cast<float>(cx2 + sol[2] - (a * cx - b * cy));
    ty = static_cast<float>(cy2 + sol[3] - (b * cx + a * cy));
    return true;
}

bool QV_Similarity::Align(const std::vector<QV_Point2D>& from, const std::vector<QV_Point2D>& to)
{
    if (from.size() != to.size() || from.size() > static_cast<size_t>(INT32_MAX)) {
        SetIdentity();
        return false;
    }
    return Align(from.data(), to.data(), static_cast<int>(from.size()));
}

bool QV_Similarity::Align(const QV_Array<float>& from, const QV_Array<float>& to)
{
    if (from.Count() != to.Count() || from.Count() % 2 != 0) {
        SetIdentity();
        return false;
    }
    const int n = from.Count() / 2;
    std::vector<QV_Point2D> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
    const float* pf = from.Data();
    const float* pt = to.Data();
    for (int i = 0; i < n; ++i) {
        a[static_cast<size_t>(i)] = {pf[2 * i], pf[2 * i + 1]};
        b[static_cast<size_t>(i)] = {pt[2 * i], pt[2 * i + 1]};
    }
    return Align(a, b);
}

QV_Point2D QV_Similarity::Apply(const QV_Point2D& v) const
{
    return {scale * (R[0][0] * v.x + R[0][1] * v.y) + tx, scale * (R[1][0] * v.x + R[1][1] * v.y) + ty};
}

QV_Point2D QV_Similarity::ApplyInverse(const QV_Point2D& v) const
{
    const float dx = v.x - tx, dy = v.y - ty;
    return {(R[0][0] * dx + R[1][0] * dy) / scale, (R[0][1] * dx + R[1][1] * dy) / scale};
}

void QV_Similarity::ApplyToVector(QV_Array<float>& v) const
{
    float* d = v.Data();
    for (int i = 0; i + 1 < v.Count(); i += 2) {
        const QV_Point2D p = Apply({d[i], d[i + 1]});
        d[i] = p.x;
        d[i + 1] = p.y;
    }
}

void QV_Similarity::ApplyInverseToVector(QV_Array<float>& v) const
{
    float* d = v.Data();
    for (int i = 0; i + 1 < v.Count(); i += 2) {
        const QV_Point2D p = ApplyInverse({d[i], d[i + 1]});
        d[i] = p.x;
        d[i + 1] = p.y;
    }
}
