// Squeezing of an annotation copy before texture sampling.
#include "QV_Squeeze.h"

namespace {

QV_Annotation* Find(QV_AnnotationModel& model, const char* label)
{
    const int i = model.Find(label);
    return i < 0 ? nullptr : &model[i];
}

}  // namespace

void QV_SqueezeFront(QV_AnnotationModel& model)
{
    // The cheek and chin part of the outline: points 6..16.
    if (QV_Annotation* face = Find(model, "FACE"); face && face->NumPoints() > 16) {
        float mean = 0.0f;
        for (int i = 6; i <= 16; ++i) mean += face->points[i].x;
        mean /= 11.0f;
        for (int i = 6; i <= 16; ++i) face->points[i].x = mean + 0.9f * (face->points[i].x - mean);
    }
    if (QV_Annotation* neck = Find(model, "NECK")) neck->ScaleAboutCentroid({0.9f, 0.97f});
    if (QV_Annotation* head = Find(model, "HEAD")) head->ScaleAboutCentroid({0.9f, 0.9f});
}

void QV_SqueezeProfile(QV_AnnotationModel& model)
{
    const int head = model.Find("HEAD");
    const int side = model.Find("HEAD SIDE");
    if (head >= 0 && side >= 0) {
        QV_List<int> both;
        both.Append(head);
        both.Append(side);
        model.ScaleGroup(both, {0.9f, 0.9f});
    }
    if (QV_Annotation* neck = Find(model, "NECK")) neck->ScaleAboutCentroid({0.9f, 0.9f});
}

void QV_SqueezeOlderFront(QV_AnnotationModel& model)
{
    QV_Annotation* face = Find(model, "FACE");
    if (!face || face->NumPoints() < 25) return;
    QV_List<QV_Point2D>& p = face->points;
    const QV_Point2D d1 = (p[5] - p[4]) * 0.55f;
    const QV_Point2D d2 = (p[23] - p[24]) * 0.55f;
    for (int i = 0; i <= 4; ++i) p[i] += d1;
    for (int i = 24; i < face->NumPoints(); ++i) p[i] += d2;
    face->ScaleAboutCentroid({0.95f, 1.0f});
    if (QV_Annotation* head = Find(model, "HEAD")) {
        head->Translate((d1 + d2) * 0.5f);
        head->ScaleAboutCentroid({0.95f, 1.0f});
    }
}
