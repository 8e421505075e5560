// Head creation of the standard head plug-in: the mugshot deforms the template
// head to the fitted annotation (and, with a profile photograph, takes depth
// from the profile) and textures it; the head is then repaired and aligned
// against the reference head.
#include <algorithm>
#include <vector>

#include "QV_AnnotationPreparation.h"
#include "QV_HeadRepair.h"
#include "QV_StandardHeadPlugin.h"

namespace {

// Vertices whose position is replaced by the mean of their neighbours after
// creation, in this order (two template vertices that the mapping leaves
// poorly placed).
constexpr int kAverageFixVertices[] = {733, 729};

}  // namespace

bool QV_StandardHeadPlugin::RepairCreatedHead(QV_Mesh& out) const
{
    // Only the fixed vertices that this template has.
    std::vector<int> fix;
    const int count = std::min({out.VertexCount(), referenceMesh.VertexCount(), neighbours.VertexCount()});
    for (int v : kAverageFixVertices)
        if (v < count) fix.push_back(v);
    if (!fix.empty() && !QV_HeadRepair::AverageFix(out, fix, neighbours)) return false;
    if (!QV_HeadRepair::AlignToReference(out, referenceMesh)) return false;
    for (const std::vector<int>* ear : {&rightEar, &leftEar})
        if (!ear->empty() && !QV_HeadRepair::RigidReplace(out, referenceMesh, *ear)) return false;
    if (!BeforeFinish(out)) return false;
    QV_HeadRepair::Finish(out);
    return true;
}

bool QV_StandardHeadPlugin::CreateFromFront(const QV_FaceSearch&, const QV_Image& photo,
                                            const QV_AnnotationModel& model, QV_Mesh& out, bool highRes,
                                            QV_String& error)
{
    const QV_AnnotationModel copy(model);
    const QV_Point2D size(static_cast<float>(photo.Cols()), static_cast<float>(photo.Rows()));
    std::vector<QV_RigidPart> parts;
    if ((PlacesEyes() && !EyeParts(copy, size, parts)) || !mugshot.CreateFromFront(photo, copy, parts, highRes, out) ||
        !RepairCreatedHead(out)) {
        error = kMugShotFailed;
        return false;
    }
    return true;
}

bool QV_StandardHeadPlugin::CreateFromFrontAndProfile(const QV_FaceSearch&, const QV_Image& front,
                                                      const QV_AnnotationModel& frontModel,
                                                      const QV_Image& profile,
                                                      const QV_AnnotationModel& profileModel, QV_Mesh& out,
                                                      bool highRes, QV_String& error)
{
    const QV_AnnotationModel frontCopy(frontModel);
    const QV_AnnotationModel profileCopy(profileModel);
    const QV_Point2D size(static_cast<float>(front.Cols()), static_cast<float>(front.Rows()));
    std::vector<QV_RigidPart> parts;
    if ((PlacesEyes() && !EyeParts(frontCopy, size, parts)) ||
        !mugshot.CreateFromFrontAndProfile(front, frontCopy, profile, profileCopy, parts, highRes, out) ||
        !RepairCreatedHead(out)) {
        error = kMugShotFailed;
        return false;
    }
    return true;
}
