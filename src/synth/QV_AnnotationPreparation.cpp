// Preparation of the user's annotation for head creation.
#include "QV_AnnotationPreparation.h"

#include <algorithm>
#include <cmath>

#include "QV_Error.h"
#include "QV_List.h"
#include "QV_Similarity.h"

namespace QV_AnnotationPreparation {

namespace {

bool PositiveSize(const QV_Point2D& size)
{
    return size.x > 0.0f && size.y > 0.0f && std::isfinite(size.x) && std::isfinite(size.y);
}

}  // namespace

bool Prepare(const QV_AnnotationModel& user, const QV_Point2D& imageSize, const QV_OutlineCompleter* completer,
             const QV_ReferenceAnnotation* reference, QV_AnnotationModel& out)
{
    QV_AnnotationModel copy = user;
    if (completer != nullptr && *completer) {
        if (!(*completer)(copy, imageSize)) {
            QV_PrintError("QV_AnnotationPreparation::Prepare() Error! : head outline could not be completed\n");
            return false;
        }
    }
    if (reference != nullptr && !AlignReference(copy, *reference, imageSize)) return false;
    out = std::move(copy);
    return true;
}

bool AlignReference(QV_AnnotationModel& model, const QV_ReferenceAnnotation& reference, const QV_Point2D& imageSize)
{
    const QV_AnnotationModel& ref = reference.model;
    const int body = ref.Find("BODY");
    if (body < 0) {
        QV_PrintError("QV_AnnotationPreparation::AlignReference() Error! : reference has no BODY annotation\n");
        return false;
    }
    if (body >= model.Count()) {
        QV_PrintError("QV_AnnotationPreparation::AlignReference() Error! : annotation has no contour to pair with BODY\n");
        return false;
    }
    if (!PositiveSize(imageSize)) {
        QV_PrintError("QV_AnnotationPreparation::AlignReference() Error! : image size is not positive\n");
        return false;
    }
    const QV_Annotation& bodyAnn = ref[body];
    const QV_Annotation& paired = model[body];
    const int n = std::min(bodyAnn.NumPoints(), paired.NumPoints());
    std::vector<QV_Point2D> from, to;
    from.reserve(static_cast<size_t>(std::max(n, 0)));
    to.reserve(static_cast<size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i) {
        from.push_back(bodyAnn.points[i].Scaled(reference.scale));
        to.push_back(paired.points[i].Scaled(imageSize));
    }
    QV_Similarity sim;
    if (n < 2 || !sim.Align(from, to)) {
        QV_PrintError("QV_AnnotationPreparation::AlignReference() Error! : BODY points admit no alignment\n");
        return false;
    }
    QV_Annotation appended;
    for (int a = 0; a < ref.Count(); ++a) {
        if (a == body) continue;
        const QV_Annotation& src = ref[a];
        for (int i = 0; i < src.NumPoints(); ++i) {
            const QV_Point2D p = sim.Apply(src.points[i].Scaled(reference.scale));
            appended.points.Append(QV_Point2D(p.x / imageSize.x, p.y / imageSize.y));
        }
    }
    model.annotations.Append(appended);
    return true;
}

bool EyeTargets(const QV_AnnotationModel& model, const QV_Point2D& imageSize, QV_Point2D& right, QV_Point2D& left)
{
    const int r = model.Find("RIGHT EYE");
    const int l = model.Find("LEFT EYE");
    if (r < 0 || l < 0 || model[r].NumPoints() == 0 || model[l].NumPoints() == 0) {
        QV_PrintError("QV_AnnotationPreparation::EyeTargets() Error! : eye annotations missing\n");
        return false;
    }
    right = model[r].BoxCentre(imageSize);
    left = model[l].BoxCentre(imageSize);
    return true;
}

void EyeVertexLists(const QV_Mesh& templateMesh, std::vector<int>& right, std::vector<int>& left)
{
    right = QV_GroupVertices(templateMesh, "RightEye");
    left = QV_GroupVertices(templateMesh, "LeftEye");
}

bool EyeParts(const QV_AnnotationModel& model, const QV_Point2D& imageSize, const std::vector<int>& rightEye,
              const std::vector<int>& leftEye, std::vector<QV_RigidPart>& parts)
{
    QV_Point2D right, left;
    if (rightEye.empty() || leftEye.empty()) {
        QV_PrintError("QV_AnnotationPreparation::EyeParts() Error! : eye vertex list empty\n");
        return false;
    }
    if (!EyeTargets(model, imageSize, right, left)) return false;
    parts.clear();
    parts.push_back(QV_RigidPart{rightEye, right});
    parts.push_back(QV_RigidPart{leftEye, left});
    return true;
}

bool GivenEyeParts(const QV_AnnotationModel& model, const QV_Point2D& imageSize, const std::vector<int>& rightEye,
                   const std::vector<int>& leftEye, std::vector<QV_RigidPart>& parts)
{
    parts.clear();
    if (rightEye.empty() && leftEye.empty()) return true;
    QV_Point2D right, left;
    if (!EyeTargets(model, imageSize, right, left)) return false;
    if (!rightEye.empty()) parts.push_back(QV_RigidPart{rightEye, right});
    if (!leftEye.empty()) parts.push_back(QV_RigidPart{leftEye, left});
    return true;
}

}  // namespace QV_AnnotationPreparation
