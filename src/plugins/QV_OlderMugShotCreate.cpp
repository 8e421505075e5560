// Head creation of the body avatar and eye-rig targets: the older mugshot's
// two-photograph creation with the target's stock profile giving the depth.
#include <cstring>

#include "QV_AnnotationPreparation.h"
#include "QV_BodyFrontAnnotation.h"
#include "QV_HeadRepair.h"
#include "QV_OlderMugShotPlugins.h"
#include "QV_VertexList.h"

namespace {

// The rig groups of the eye-rig target's reference head (each name ends with
// one blank).
const char* const kLeftEyeGroups[] = {
    "DLV1 all lFlip lHalfDeform modelFlip smoo1 fullIris lEyeball lIrisMtl fullFace ",
    "DLV1 all lFlip lHalfDeform modelFlip smoo1 lEyeball eyeWhite lEyeballMtl fullFace ",
    "DLV1 all lFlip lHalfDeform modelFlip smoo1 lEyeball lCorneaEYEMtl fullFace "};
const char* const kRightEyeGroups[] = {"DLV1 all smoo1 fullIris rFlip rHalfDeform rEyeball rIrisMtl fullFace ",
                                       "DLV1 all smoo1 eyeWhite rFlip rHalfDeform rEyeball rEyeballMtl fullFace ",
                                       "DLV1 all smoo1 rFlip rHalfDeform rEyeball rCorneaEYEMtl fullFace "};

bool Among(const QV_String& name, const char* const (&names)[3])
{
    for (const char* n : names)
        if (name == QV_String(n)) return true;
    return false;
}

}  // namespace

bool QV_OlderMugShotPlugin::SetOnNeck(QV_Mesh& head, const QV_Mesh& reference, const QV_List<int>& neck)
{
    if (neck.Empty() || reference.VertexCount() == 0) return true;
    const std::vector<int> list = QV_IndexVector(neck);
    return QV_HeadRepair::AlignWholeHead(head, reference, list) && QV_HeadRepair::Graft(head, reference, list, false);
}

bool QV_BodyAvatarPlugin::CreateFromFront(const QV_FaceSearch&, const QV_Image& photo, const QV_AnnotationModel& model,
                                          QV_Mesh& out, bool highRes, QV_String& error)
{
    QV_AnnotationModel working;
    mugshot.combinationMode = 1;
    if (!QV_BuildBodyFrontAnnotation(model, working) ||
        !mugshot.CreateFromFrontAndProfile(photo, working, profileImage, profileReference, {}, highRes, out)) {
        error = kMugShotFailed;
        return false;
    }
    out.texture.Resize(kTextureSide, kTextureSide, true);
    // The head meets the chosen body where the reference head does.
    if (!SetOnNeck(out, referenceMesh, femaleBody ? femaleNeckBlend : maleNeckBlend)) {
        error = kMugShotFailed;
        return false;
    }
    QV_HeadRepair::Finish(out);
    return DressBody(out, error);
}

bool QV_EyeRigHeadPlugin::AfterRead()
{
    if (!QV_OlderMugShotPlugin::AfterRead()) return false;
    rightEye = QV_GroupsVertices(referenceMesh, [](const QV_String& n) { return Among(n, kRightEyeGroups); });
    leftEye = QV_GroupsVertices(referenceMesh, [](const QV_String& n) { return Among(n, kLeftEyeGroups); });
    mouth = QV_GroupsVertices(referenceMesh, [](const QV_String& n) {
        return std::strstr(n.CStr(), "mouth") != nullptr || std::strstr(n.CStr(), "teeth") != nullptr;
    });
    return true;
}

bool QV_EyeRigHeadPlugin::CreateFromFront(const QV_FaceSearch&, const QV_Image& photo, const QV_AnnotationModel& model,
                                          QV_Mesh& out, bool highRes, QV_String& error)
{
    const QV_AnnotationModel copy(model);
    const QV_Point2D size(static_cast<float>(photo.Cols()), static_cast<float>(photo.Rows()));
    std::vector<QV_RigidPart> parts;
    bool ok = QV_AnnotationPreparation::GivenEyeParts(copy, size, rightEye, leftEye, parts);
    if (ok && !mouth.empty()) {
        const int inner = copy.Find("INNER MOUTH");
        ok = inner >= 0 && copy[inner].NumPoints() > 0;
        if (ok) parts.push_back({mouth, copy[inner].BoxCentre(size)});
    }
    mugshot.combinationMode = 1;
    ok = ok && mugshot.CreateFromFrontAndProfile(photo, copy, profileImage, profileReference, parts, highRes, out) &&
         SetOnNeck(out, referenceMesh, neck);
    if (ok && (!topLip.Empty() || !botLip.Empty())) {
        const QV_VertexNeighbours neighbours(mugshot.templateMesh);
        for (const QV_List<int>* lip : {&topLip, &botLip})
            if (ok && !lip->Empty()) ok = QV_HeadRepair::Smooth(out, QV_IndexVector(*lip), neighbours);
    }
    if (!ok) {
        error = "Failed to create 3D head for " + Name();
        return false;
    }
    QV_HeadRepair::Finish(out);
    return true;
}

bool QV_FigureHeadPlugin::CreateFromFront(const QV_FaceSearch&, const QV_Image& photo, const QV_AnnotationModel& model,
                                          QV_Mesh& out, bool highRes, QV_String& error)
{
    const QV_Mesh& reference = mugshot.templateMesh;
    const QV_AnnotationModel copy(model);
    const QV_Point2D size(static_cast<float>(photo.Cols()), static_cast<float>(photo.Rows()));
    std::vector<int> rightEye, leftEye;
    QV_AnnotationPreparation::EyeVertexLists(reference, rightEye, leftEye);
    std::vector<QV_RigidPart> parts;
    mugshot.blendSample = QV_Point2D(kCreationBlendX, kCreationBlendY);
    const QV_VertexNeighbours neighbours(reference);
    const std::vector<int> smoothList = QV_IndexVector(smooth);
    const std::vector<int> back = QV_IndexVector(headBack);
    bool ok = QV_AnnotationPreparation::EyeParts(copy, size, rightEye, leftEye, parts) &&
              mugshot.CreateFromFront(photo, copy, parts, highRes, out);
    // Parts that keep the stock shape but take the head's size, then parts
    // that join the stock figure exactly.
    for (const char* group : {"RightEar", "LeftEar", "RightEye", "RightCornea", "LeftEye", "LeftCornea"}) {
        const std::vector<int> list = QV_GroupVertices(reference, group);
        if (ok && !list.empty()) ok = QV_HeadRepair::StretchedGraft(out, reference, list, false);
    }
    for (const char* group : {"TopTeeth", "TopGums", "BottomTeeth", "BottomGums", "Tongue", "BackAndNeck"}) {
        const std::vector<int> list = QV_GroupVertices(reference, group);
        if (ok && !list.empty()) ok = QV_HeadRepair::Graft(out, reference, list, false);
    }
    if (ok && !back.empty()) ok = QV_HeadRepair::Graft(out, reference, back, false);
    for (int pass = 0; ok && !smoothList.empty() && pass < kAverageFixPasses; ++pass)
        ok = QV_HeadRepair::AverageFix(out, smoothList, neighbours);
    // The figure itself is joined when saved, from the head it is then given;
    // lists that cannot join this head fail the creation now.
    if (ok) ok = JoinListsFit(out);
    if (!ok) {
        error = "Failed to create 3D head";
        return false;
    }
    out.name = kHeadName;
    const QV_Image& chosen = alternateTransparency ? normTransparencyMap : transparencyMap;
    if (chosen.Rows() > 0 && chosen.Cols() > 0 && out.texture.Rows() > 0 && out.texture.Cols() > 0) {
        QV_Image map = chosen;
        map.Resize(out.texture.Rows(), out.texture.Cols(), true);
        for (int r = 0; r < out.texture.Rows(); ++r) {
            QV_Colour* row = out.texture.Row(out.texture.RowLow() + r);
            const QV_Colour* from = map.Row(map.RowLow() + r);
            for (int c = 0; c < out.texture.Cols(); ++c) row[c].alpha = from[c].red;
        }
    }
    QV_HeadRepair::Finish(out);
    return true;
}
