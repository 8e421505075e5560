// Region errors of a fit against the teacher's annotation.
#include "EvaluateErrors.h"

#include "QV_FaceLabels.h"

namespace {

// Sum of point distances (pixels) over points [first, last] of a contour,
// adding the number of points to `count`; false when the contour is missing
// or too short in either model.
bool SumDistances(const QV_AnnotationModel& a, const QV_AnnotationModel& b, const char* label, int first, int last,
                  const QV_Point2D& size, float& sum, int& count)
{
    int ia = a.Find(label), ib = b.Find(label);
    if (ia < 0 || ib < 0) return false;
    if (last < 0) last = b[ib].NumPoints() - 1;
    if (a[ia].NumPoints() <= last || b[ib].NumPoints() <= last) return false;
    for (int p = first; p <= last; ++p) {
        sum += Distance(a[ia].points[p].Scaled(size), b[ib].points[p].Scaled(size));
        ++count;
    }
    return true;
}

}  // namespace

bool ContourCentre(const QV_AnnotationModel& model, const char* label, const QV_Point2D& size, QV_Point2D& out)
{
    int i = model.Find(label);
    if (i < 0 || model[i].NumPoints() == 0) return false;
    out = model[i].Centroid().Scaled(size);
    return true;
}

RegionErrors MeasureRegions(const QV_AnnotationModel& fitted, const QV_AnnotationModel& teacher,
                            const QV_Point2D& size)
{
    RegionErrors e;
    QV_Point2D tr, tl, fr, fl;
    if (!ContourCentre(teacher, QV_Labels::RightEye, size, tr) || !ContourCentre(teacher, QV_Labels::LeftEye, size, tl) ||
        !ContourCentre(fitted, QV_Labels::RightEye, size, fr) || !ContourCentre(fitted, QV_Labels::LeftEye, size, fl))
        return e;
    const float iod = Distance(tr, tl);
    if (iod <= 0.0f) return e;
    e.eyes = (Distance(tr, fr) + Distance(tl, fl)) * 0.5f / iod;

    float sum = 0;
    int count = 0;
    if (!SumDistances(fitted, teacher, QV_Labels::OuterMouth, 0, -1, size, sum, count) ||
        !SumDistances(fitted, teacher, QV_Labels::InnerMouth, 0, -1, size, sum, count))
        return e;
    e.mouth = sum / static_cast<float>(count) / iod;
    sum = 0;
    count = 0;
    if (!SumDistances(fitted, teacher, QV_Labels::Nose, 0, -1, size, sum, count)) return e;
    e.nose = sum / static_cast<float>(count) / iod;
    sum = 0;
    count = 0;
    if (!SumDistances(fitted, teacher, QV_Labels::Face, 4, 18, size, sum, count)) return e;
    e.jaw = sum / static_cast<float>(count) / iod;
    e.valid = true;
    return e;
}
