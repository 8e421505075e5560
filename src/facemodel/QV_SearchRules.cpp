#include "QV_SearchRules.h"

#include <cmath>
#include <vector>

#include "QV_AnnotationGeometry.h"
#include "QV_FaceLabels.h"
#include "QV_Similarity.h"

namespace {

float Length(const QV_Point2D& p) { return std::sqrt(p.x * p.x + p.y * p.y); }

// Moves `moving` so that its pixel distance from `anchor` becomes `length`,
// keeping its direction; inputs and output are normalised.
QV_Point2D ShortenTo(const QV_Point2D& anchor, const QV_Point2D& moving, float length,
                     const QV_Point2D& size)
{
    QV_Point2D a = anchor.Scaled(size);
    QV_Point2D d = moving.Scaled(size) - a;
    float len = Length(d);
    if (len <= 0.0f) return moving;
    QV_Point2D p = a + d * (length / len);
    return QV_Point2D(p.x / size.x, p.y / size.y);
}

void MoveEyePoints(QV_Annotation& eye, const QV_Point2D& size, float sign)
{
    if (eye.NumPoints() < 8) return;
    float e = Length((eye.points[2] - eye.points[6]).Scaled(size));
    float o = 0.04f * e * sign;
    QV_List<QV_Point2D> normals(16);
    eye.PointNormals(size, normals);
    for (int i : {4, 5, 6, 7, 0}) {
        const QV_Point2D& n = normals[i];
        eye.points[i] += QV_Point2D(o * n.x / size.x, o * n.y / size.y);
    }
}

}  // namespace

void QV_CopyLandmarks(QV_AnnotationModel& model, const QV_AnnotationModel& reference)
{
    for (int i = 0; i < model.Count(); ++i) {
        QV_Annotation& a = model[i];
        // A fit holds only the model's used contours, so a contour may sit at
        // a smaller index than in the reference: then its label finds it.
        int r = i < reference.Count() && reference[i].label == a.label ? i : reference.Find(a.label);
        if (r < 0) continue;
        const QV_List<int>& from = reference[r].landmarks;
        a.landmarks.Clear();
        for (size_t k = 0; k < from.Size(); ++k) {
            int index = from[k];
            if (index >= 0 && index < a.NumPoints()) a.landmarks.Append(index);
        }
    }
}

void QV_ApplyMouthRule(QV_AnnotationModel& model, const QV_Point2D& imageSize)
{
    if (imageSize.x <= 0.0f || imageSize.y <= 0.0f) return;
    int m = model.Find(QV_Labels::InnerMouth);
    if (m < 0) return;
    QV_Annotation& mouth = model[m];
    if (mouth.NumPoints() < 12) return;
    auto pix = [&](int i) { return mouth.points[i].Scaled(imageSize); };
    float p = Distance(pix(3), pix(9));
    float q = Distance(pix(11), pix(1));
    float u = Distance(pix(5), pix(7));
    if (q > p) mouth.points[11] = ShortenTo(mouth.points[1], mouth.points[11], p, imageSize);
    if (u > p) mouth.points[7] = ShortenTo(mouth.points[5], mouth.points[7], p, imageSize);
}

void QV_ApplyEyeRule(QV_AnnotationModel& model, const QV_Point2D& imageSize)
{
    if (imageSize.x <= 0.0f || imageSize.y <= 0.0f) return;
    int r = model.Find(QV_Labels::RightEye);
    if (r >= 0) MoveEyePoints(model[r], imageSize, 1.0f);
    int l = model.Find(QV_Labels::LeftEye);
    if (l >= 0) MoveEyePoints(model[l], imageSize, -1.0f);
}

namespace {

// The point at the same angle around centre on the ellipse with radii rx, ry
// (pixels in, pixels out).
QV_Point2D OnEllipse(const QV_Point2D& p, const QV_Point2D& centre, float rx, float ry)
{
    QV_Point2D d = p - centre;
    double a = std::atan2(static_cast<double>(d.y), static_cast<double>(d.x));
    return QV_Point2D(centre.x + rx * static_cast<float>(std::cos(a)),
                      centre.y + ry * static_cast<float>(std::sin(a)));
}

bool SameLayout(const QV_AnnotationModel& a, const QV_AnnotationModel& b)
{
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a[i].NumPoints() != b[i].NumPoints() || !(a[i].label == b[i].label)) return false;
    return true;
}

float BoxWidth(const QV_Annotation& a)
{
    QV_Point2D min(kQV_FloatMax, kQV_FloatMax), max(-kQV_FloatMax, -kQV_FloatMax);
    return a.BoundingBox(min, max).x;
}

}  // namespace

bool QV_CompleteOutline(QV_AnnotationModel& model, const QV_AnnotationModel& reference,
                        const QV_Point2D& imageSize)
{
    if (imageSize.x <= 0.0f || imageSize.y <= 0.0f) return false;
    if (!SameLayout(model, reference)) return false;
    const int head = reference.Find(QV_Labels::Head);
    const int face = reference.Find(QV_Labels::Face);
    if (head < 0 || face < 0 || reference[face].NumPoints() < 19 || reference[head].NumPoints() < 1) return false;
    const QV_Point2D frame(320.0f, 512.0f);
    const QV_Point2D& size = imageSize;

    // Pose of the reference frame in the photograph, from every point but the head's.
    std::vector<QV_Point2D> from, to;
    for (int i = 0; i < model.Count(); ++i) {
        if (i == head) continue;
        for (int k = 0; k < model[i].NumPoints(); ++k) {
            from.push_back(reference[i].points[k].Scaled(frame));
            to.push_back(model[i].points[k].Scaled(size));
        }
    }
    QV_Similarity pose;
    pose.Align(from, to);  // an undetermined fit leaves the identity

    QV_Annotation newHead = reference[head];
    const int n = newHead.NumPoints();
    for (int k = 0; k < n; ++k) {
        QV_Point2D p = pose.Apply(newHead.points[k].Scaled(frame));
        newHead.points[k] = QV_Point2D(p.x / size.x, p.y / size.y);
    }
    const QV_Annotation& fitFace = model[face];
    float headWidth = BoxWidth(newHead);
    if (headWidth > 0.0f) {
        float w = 1.025f * BoxWidth(fitFace) / headWidth;
        newHead.ScaleAboutCentroid(QV_Point2D(w, w));
    }
    QV_Point2D& first = newHead.points[0];
    first += (fitFace.points[4] - first) * 0.4f;
    QV_Point2D& last = newHead.points[n - 1];
    last += (fitFace.points[18] - last) * 0.4f;

    QV_Point2D a = first.Scaled(size), b = last.Scaled(size);
    QV_Point2D m = (a + b) * 0.5f;
    float j = Distance(a, b);
    if (j > 0.0f) {
        for (int k = 0; k < n; ++k) {
            QV_Point2D p = OnEllipse(newHead.points[k].Scaled(size), m, 0.5f * 1.05f * j, 0.5f * 1.2f * j);
            newHead.points[k] = QV_Point2D(p.x / size.x, p.y / size.y);
        }
    }
    QV_Point2D d = newHead.points[n - 1] - newHead.points[0];
    newHead.points[0] += d * 0.01f;
    newHead.points[n - 1] += d * -0.01f;
    model[head] = newHead;

    QV_Annotation& outline = model[face];
    QV_Point2D f4 = outline.points[4].Scaled(size), f18 = outline.points[18].Scaled(size);
    QV_Point2D fm = (f4 + f18) * 0.5f;
    float x = Distance(f4, f18);
    if (x > 0.0f) {
        for (int k = 0; k < outline.NumPoints(); ++k) {
            if (k > 4 && k < 18) continue;
            QV_Point2D p = OnEllipse(outline.points[k].Scaled(size), fm, 0.5f * x, 0.5f * 0.95f * x);
            outline.points[k] = QV_Point2D(p.x / size.x, p.y / size.y);
        }
    }
    return true;
}
