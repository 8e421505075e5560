#include "QV_Annotation.h"

#include <cmath>

#include "QV_AnnotationGeometry.h"

std::vector<QV_Point2D> QV_Annotation::PointVector() const
{
    std::vector<QV_Point2D> v;
    v.reserve(points.Size());
    for (int i = 0; i < NumPoints(); ++i) v.push_back(points[i]);
    return v;
}

QV_Point2D QV_Annotation::Centroid() const
{
    QV_Point2D sum(0.0f, 0.0f);
    if (NumPoints() == 0) return sum;
    for (int i = 0; i < NumPoints(); ++i) sum += points[i];
    return sum / static_cast<float>(NumPoints());
}

QV_Point2D QV_Annotation::BoundingBox(QV_Point2D& min, QV_Point2D& max) const
{
    min = QV_Point2D(kQV_FloatMax, kQV_FloatMax);
    max = QV_Point2D(-kQV_FloatMax, -kQV_FloatMax);
    for (int i = 0; i < NumPoints(); ++i) QV_ExtendBox(points[i], min, max);
    return max - min;
}

QV_Point2D QV_Annotation::BoxCentre(const QV_Point2D& scale) const
{
    QV_Point2D min, max;
    BoundingBox(min, max);
    return ((min + max) * 0.5f).Scaled(scale);
}

void QV_Annotation::Translate(const QV_Point2D& d)
{
    for (int i = 0; i < NumPoints(); ++i) points[i] += d;
}

void QV_Annotation::ScaleAboutCentroid(const QV_Point2D& s)
{
    QV_Point2D c = Centroid();
    for (int i = 0; i < NumPoints(); ++i) points[i] = c + (points[i] - c).Scaled(s);
}

void QV_Annotation::Rotate(float angleDegrees, const QV_Point2D& aspect)
{
    QV_Rotation r(angleDegrees, aspect, Centroid());
    for (int i = 0; i < NumPoints(); ++i) points[i] = r.Apply(points[i]);
}

void QV_Annotation::NearestPoint(const QV_Point2D& p, float& distance, int& index) const
{
    distance = kQV_FloatMax;
    index = -1;
    for (int i = 0; i < NumPoints(); ++i) {
        float d = Distance(points[i], p);
        if (d < distance) {
            distance = d;
            index = i;
        }
    }
}

void QV_Annotation::SegmentNormals(const QV_Point2D& scale, QV_List<QV_Point2D>& out) const
{
    out.Clear();
    const int n = NumPoints();
    if (n < 2) return;
    auto normal = [&](int from, int to) {
        QV_Point2D d = points[to].Scaled(scale) - points[from].Scaled(scale);
        float len = std::sqrt(d.x * d.x + d.y * d.y);
        if (len == 0.0f) return QV_Point2D(0.0f, 0.0f);
        return QV_Point2D(-d.y / len, d.x / len);
    };
    for (int i = 1; i < n; ++i) out.Append(normal(i - 1, i));
    if (!open) out.Append(normal(n - 1, 0));
}

void QV_Annotation::PointNormals(const QV_Point2D& scale, QV_List<QV_Point2D>& out) const
{
    out.Clear();
    const int n = NumPoints();
    if (n < 2) {
        out.Append(QV_Point2D(0.0f, 1.0f));
        return;
    }
    QV_List<QV_Point2D> seg(10);
    SegmentNormals(scale, seg);
    auto unitSum = [](const QV_Point2D& a, const QV_Point2D& b) {
        QV_Point2D s = a + b;
        float len = std::sqrt(s.x * s.x + s.y * s.y);
        return len > 0.0f ? s / len : s;
    };
    // Segment k runs from point k to point k + 1; a closed contour's segment
    // n - 1 runs from the last point back to the first.
    for (int i = 0; i < n; ++i) {
        if (open) {
            if (i == 0)
                out.Append(seg[0]);
            else if (i == n - 1)
                out.Append(seg[n - 2]);
            else
                out.Append(unitSum(seg[i - 1], seg[i]));
        } else {
            out.Append(unitSum(seg[i == 0 ? n - 1 : i - 1], seg[i]));
        }
    }
}

namespace {

// Moves the inner points of one span (walk order, moved point first) by
// delta x (1 - t), t being the point's nearest parameter on the polyline
// through the span's original positions.
void FollowSpan(const std::vector<int>& span, const std::vector<QV_Point2D>& original,
                const QV_Point2D& delta, std::vector<QV_Point2D>& shift)
{
    if (span.size() <= 2) return;
    std::vector<QV_Point2D> pts;
    pts.reserve(span.size());
    for (int k : span) pts.push_back(original[k]);
    QV_InterpolatingCurve curve;
    if (!curve.Fit(pts, 1)) return;
    for (size_t j = 1; j + 1 < span.size(); ++j) {
        float t = curve.NearestParameter(pts[j]);
        shift[span[j]] += delta * (1.0f - t);
    }
}

}  // namespace

void QV_Annotation::DragPoint(int index, const QV_Point2D& newPosition)
{
    const int n = NumPoints();
    if (index < 0 || index >= n) return;
    const std::vector<QV_Point2D> original = PointVector();
    const QV_Point2D delta = newPosition - original[index];
    std::vector<QV_Point2D> shift(static_cast<size_t>(n), QV_Point2D(0.0f, 0.0f));

    // Backward: lower indices up to and including the first landmark; a closed
    // contour wraps past index 0, visiting each point once.
    std::vector<int> span{index};
    for (int step = 1; step < n; ++step) {
        int k = index - step;
        if (k < 0) {
            if (open) break;
            k += n;
        }
        span.push_back(k);
        if (IsLandmark(k)) break;
    }
    FollowSpan(span, original, delta, shift);

    // Forward: higher indices up to the first landmark or the last point.
    span.assign(1, index);
    for (int k = index + 1; k < n; ++k) {
        span.push_back(k);
        if (IsLandmark(k)) break;
    }
    FollowSpan(span, original, delta, shift);

    for (int i = 0; i < n; ++i) points[i] = original[i] + shift[i];
    points[index] = newPosition;
}

bool QV_Annotation::SmoothCurve(const QV_Point2D& scale, int degree, QV_InterpolatingCurve& curve) const
{
    std::vector<QV_Point2D> pts = PointVector();
    for (QV_Point2D& p : pts) p = p.Scaled(scale);
    return curve.Fit(pts, NumPoints() > 2 ? degree : 1);
}
