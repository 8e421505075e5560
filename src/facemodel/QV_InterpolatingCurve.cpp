#include "QV_InterpolatingCurve.h"

#include <cmath>

#include "QV_SVD.h"

namespace {

// Index of the knot span holding u, for a curve with n + 1 control points of
// degree p on knots U (binary search; u = U[n + 1] belongs to the last span).
int FindSpan(int n, int p, float u, const float* U)
{
    if (u >= U[n + 1]) return n;
    if (u <= U[p]) return p;
    int low = p, high = n + 1;
    int mid = (low + high) / 2;
    while (u < U[mid] || u >= U[mid + 1]) {
        if (u < U[mid])
            high = mid;
        else
            low = mid;
        mid = (low + high) / 2;
    }
    return mid;
}

// The p + 1 non-zero basis functions N[span - p .. span] at u.
void BasisFuns(int span, float u, int p, const float* U, float* N)
{
    std::vector<float> left(static_cast<size_t>(p) + 1), right(static_cast<size_t>(p) + 1);
    N[0] = 1.0f;
    for (int j = 1; j <= p; ++j) {
        left[j] = u - U[span + 1 - j];
        right[j] = U[span + j] - u;
        float saved = 0.0f;
        for (int r = 0; r < j; ++r) {
            float denom = right[r + 1] + left[j - r];
            float temp = denom != 0.0f ? N[r] / denom : 0.0f;
            N[r] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        N[j] = saved;
    }
}

// A B-spline of degree p with control points c on knots U[0 .. c.size() + p].
QV_Point2D EvaluateSpline(const std::vector<QV_Point2D>& c, int p, const float* U, float u)
{
    if (c.empty() || p < 0) return QV_Point2D(0.0f, 0.0f);
    int n = static_cast<int>(c.size()) - 1;
    int span = FindSpan(n, p, u, U);
    std::vector<float> N(static_cast<size_t>(p) + 1);
    BasisFuns(span, u, p, U, N.data());
    QV_Point2D r(0.0f, 0.0f);
    for (int j = 0; j <= p; ++j) r += c[static_cast<size_t>(span - p + j)] * N[j];
    return r;
}

// Control points of the derivative of a degree-p spline on knots U: p (Q[i+1]
// - Q[i]) / (U[i+p+1] - U[i+1]), 0 where the knot difference is tiny.
std::vector<QV_Point2D> DerivativePoints(const std::vector<QV_Point2D>& q, int p, const float* U)
{
    std::vector<QV_Point2D> d;
    if (q.size() < 2 || p < 1) return d;
    for (size_t i = 0; i + 1 < q.size(); ++i) {
        float diff = U[i + p + 1] - U[i + 1];
        if (diff < 1.1920929e-7f)
            d.emplace_back(0.0f, 0.0f);
        else
            d.push_back((q[i + 1] - q[i]) * (static_cast<float>(p) / diff));
    }
    return d;
}

float Dot(const QV_Point2D& a, const QV_Point2D& b) { return a.x * b.x + a.y * b.y; }
float Norm(const QV_Point2D& a) { return std::sqrt(Dot(a, a)); }

}  // namespace

bool QV_InterpolatingCurve::Fit(const std::vector<QV_Point2D>& points, int wantedDegree)
{
    ctrl.clear();
    ctrl1.clear();
    ctrl2.clear();
    knots.clear();
    params.clear();
    if (points.empty()) return false;
    const int n = static_cast<int>(points.size()) - 1;
    degree = wantedDegree < 1 ? 1 : wantedDegree;
    if (degree > n) degree = n;  // a single point gives degree 0
    const int p = degree;

    // Chord-length parameters; coincident points fall back to even spacing.
    params.assign(static_cast<size_t>(n) + 1, 0.0f);
    double total = 0.0;
    for (int j = 1; j <= n; ++j) total += Distance(points[j], points[j - 1]);
    for (int j = 1; j <= n; ++j) {
        if (total > 0.0)
            params[j] = static_cast<float>(params[j - 1] + Distance(points[j], points[j - 1]) / total);
        else
            params[j] = static_cast<float>(j) / static_cast<float>(n);
    }
    if (n > 0) params[n] = 1.0f;

    // Knots by averaging.
    const int m = n + p + 1;
    knots.assign(static_cast<size_t>(m) + 1, 0.0f);
    for (int j = m - p; j <= m; ++j) knots[j] = 1.0f;
    for (int j = p + 1; j <= n; ++j) {
        double s = 0.0;
        for (int i = j - p; i <= j - 1; ++i) s += params[i];
        knots[j] = static_cast<float>(s / p);
    }

    if (n == 0) {
        ctrl = points;
        return true;
    }

    // Collocation matrix and its SVD; one back-substitution per coordinate.
    QV_Matrix a(n + 1, n + 1);
    a.Fill(0.0f);
    std::vector<float> N(static_cast<size_t>(p) + 1);
    for (int k = 0; k <= n; ++k) {
        int span = FindSpan(n, p, params[k], knots.data());
        BasisFuns(span, params[k], p, knots.data(), N.data());
        for (int j = 0; j <= p; ++j) a(k, span - p + j) = N[j];
    }
    QV_SVD svd(a);
    QV_Array<float> bx(n + 1), by(n + 1), cx, cy;
    for (int k = 0; k <= n; ++k) {
        bx[k] = points[k].x;
        by[k] = points[k].y;
    }
    if (!svd.BackSubstitute(bx, cx) || !svd.BackSubstitute(by, cy)) return false;
    ctrl.resize(static_cast<size_t>(n) + 1);
    for (int k = 0; k <= n; ++k) ctrl[k] = QV_Point2D(cx[k], cy[k]);

    ctrl1 = DerivativePoints(ctrl, p, knots.data());
    ctrl2 = DerivativePoints(ctrl1, p - 1, knots.data() + 1);
    return true;
}

QV_Point2D QV_InterpolatingCurve::Evaluate(float u) const
{
    if (ctrl.empty()) return QV_Point2D(0.0f, 0.0f);
    if (ctrl.size() == 1) return ctrl[0];
    return EvaluateSpline(ctrl, degree, knots.data(), u);
}

QV_Point2D QV_InterpolatingCurve::Derivative1(float u) const
{
    if (ctrl1.empty()) return QV_Point2D(0.0f, 0.0f);
    return EvaluateSpline(ctrl1, degree - 1, knots.data() + 1, u);
}

QV_Point2D QV_InterpolatingCurve::Derivative2(float u) const
{
    if (ctrl2.empty()) return QV_Point2D(0.0f, 0.0f);
    return EvaluateSpline(ctrl2, degree - 2, knots.data() + 2, u);
}

float QV_InterpolatingCurve::NearestParameter(const QV_Point2D& p) const
{
    float bestU = 0.0f;
    float bestDist = 3.4028235e38f;
    for (int i = 1; i <= 9; ++i) {
        const float lo = static_cast<float>(i - 1) / 9.0f;
        const float hi = static_cast<float>(i) / 9.0f;
        float u = (lo + hi) * 0.5f;
        for (int iter = 0; iter < 50; ++iter) {
            QV_Point2D c = Evaluate(u);
            QV_Point2D diff = c - p;
            float dist = Norm(diff);
            if (dist <= 0.1f) break;
            QV_Point2D d1 = Derivative1(u);
            float n1 = Norm(d1);
            if (n1 == 0.0f || std::fabs(Dot(d1, diff)) / (n1 * dist) <= 0.001f) break;
            QV_Point2D d2 = Derivative2(u);
            float denom = Dot(d2, diff) + n1 * n1;
            if (denom == 0.0f) break;
            float next = u - Dot(d1, diff) / denom;
            if (next < lo) next = lo;
            if (next > hi) next = hi;
            if (std::fabs((next - u) * n1) <= 0.1f) break;
            u = next;
        }
        float dist = Norm(Evaluate(u) - p);
        if (dist < bestDist) {
            bestDist = dist;
            bestU = u;
        }
    }
    return bestU;
}
