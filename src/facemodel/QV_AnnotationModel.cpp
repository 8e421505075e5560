#include "QV_AnnotationModel.h"

#include "QV_AnnotationGeometry.h"

int QV_AnnotationModel::Find(const QV_String& label) const { return Find(label.CStr()); }

int QV_AnnotationModel::Find(const char* label) const
{
    for (int i = 0; i < Count(); ++i)
        if (annotations[i].label.Compare(label)) return i;
    return -1;
}

void QV_AnnotationModel::CopyUsedFlags(const QV_AnnotationModel& other)
{
    for (int i = 0; i < Count(); ++i) {
        int j = other.Find(annotations[i].label);
        annotations[i].used = j >= 0 ? other.annotations[j].used : 0;
    }
}

QV_Point2D QV_AnnotationModel::Centroid(bool usedOnly) const
{
    QV_Point2D sum(0.0f, 0.0f);
    int n = 0;
    for (int i = 0; i < Count(); ++i) {
        const QV_Annotation& a = annotations[i];
        if (usedOnly && !a.used) continue;
        for (int k = 0; k < a.NumPoints(); ++k) sum += a.points[k];
        n += a.NumPoints();
    }
    return n > 0 ? sum / static_cast<float>(n) : QV_Point2D(0.0f, 0.0f);
}

QV_Point2D QV_AnnotationModel::BoundingBox(bool usedOnly, QV_Point2D& min, QV_Point2D& max) const
{
    min = QV_Point2D(kQV_FloatMax, kQV_FloatMax);
    max = QV_Point2D(-kQV_FloatMax, -kQV_FloatMax);
    for (int i = 0; i < Count(); ++i) {
        const QV_Annotation& a = annotations[i];
        if (usedOnly && !a.used) continue;
        for (int k = 0; k < a.NumPoints(); ++k) QV_ExtendBox(a.points[k], min, max);
    }
    return max - min;
}

void QV_AnnotationModel::ScaledPoints(const QV_Point2D& scale, bool usedOnly, QV_List<QV_Point2D>& out) const
{
    out.Clear();
    for (int i = 0; i < Count(); ++i) {
        const QV_Annotation& a = annotations[i];
        if (usedOnly && !a.used) continue;
        for (int k = 0; k < a.NumPoints(); ++k) out.Append(a.points[k].Scaled(scale));
    }
}

namespace {
constexpr float kPickRadius = 0.05f;
}

bool QV_AnnotationModel::NearestPoint(const QV_Point2D& p, int& annotationIndex, int& pointIndex) const
{
    annotationIndex = 0;
    pointIndex = 0;
    float best = kPickRadius;
    bool found = false;
    for (int i = 0; i < Count(); ++i) {
        float d = 0.0f;
        int k = -1;
        annotations[i].NearestPoint(p, d, k);
        if (k >= 0 && d < best) {
            best = d;
            annotationIndex = i;
            pointIndex = k;
            found = true;
        }
    }
    return found;
}

bool QV_AnnotationModel::NearestLandmark(const QV_Point2D& p, int& annotationIndex, int& pointIndex) const
{
    annotationIndex = 0;
    pointIndex = 0;
    float best = kPickRadius;
    bool found = false;
    for (int i = 0; i < Count(); ++i) {
        const QV_Annotation& a = annotations[i];
        float nearest = kQV_FloatMax;
        int nearestIndex = -1;
        for (unsigned l = 0; l < a.landmarks.Size(); ++l) {
            int k = a.landmarks[static_cast<int>(l)];
            if (k < 0 || k >= a.NumPoints()) continue;  // stale index from a file
            float d = Distance(a.points[k], p);
            if (d < nearest) {
                nearest = d;
                nearestIndex = k;
            }
        }
        if (nearestIndex >= 0 && nearest < best) {
            best = nearest;
            annotationIndex = i;
            pointIndex = nearestIndex;
            found = true;
        }
    }
    return found;
}

void QV_AnnotationModel::Translate(const QV_Point2D& d)
{
    for (int i = 0; i < Count(); ++i) annotations[i].Translate(d);
}

void QV_AnnotationModel::ScaleAboutCentroid(const QV_Point2D& s)
{
    QV_Point2D c = Centroid(false);
    for (int i = 0; i < Count(); ++i) {
        QV_Annotation& a = annotations[i];
        for (int k = 0; k < a.NumPoints(); ++k) a.points[k] = c + (a.points[k] - c).Scaled(s);
    }
}

void QV_AnnotationModel::Rotate(float angleDegrees, const QV_Point2D& aspect)
{
    QV_Rotation r(angleDegrees, aspect, Centroid(false));
    for (int i = 0; i < Count(); ++i) {
        QV_Annotation& a = annotations[i];
        for (int k = 0; k < a.NumPoints(); ++k) a.points[k] = r.Apply(a.points[k]);
    }
}

void QV_AnnotationModel::ScaleGroup(const QV_List<int>& indices, const QV_Point2D& s)
{
    auto listed = [&](int i) { return indices.Find(i) >= 0; };
    QV_Point2D sum(0.0f, 0.0f);
    int n = 0;
    for (int i = 0; i < Count(); ++i) {
        if (!listed(i)) continue;
        const QV_Annotation& a = annotations[i];
        for (int k = 0; k < a.NumPoints(); ++k) sum += a.points[k];
        n += a.NumPoints();
    }
    if (n == 0) return;
    QV_Point2D c = sum / static_cast<float>(n);
    for (int i = 0; i < Count(); ++i) {
        if (!listed(i)) continue;
        QV_Annotation& a = annotations[i];
        for (int k = 0; k < a.NumPoints(); ++k) a.points[k] = c + (a.points[k] - c).Scaled(s);
    }
}
