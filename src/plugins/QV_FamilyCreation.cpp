// The creation steps of the plug-ins built on the 2D-3D mugshot besides the
// standard one: what each does to its annotation copy and which repairs it
// applies to the created head.
#include "QV_FaceSearch.h"
#include "QV_MugShotPluginFamily.h"
#include "QV_SearchRules.h"
#include "QV_VertexList.h"

namespace {

using Step = QV_RepairStep;

QV_RepairStep Align() { return {Step::kAlignToReference, nullptr}; }
QV_RepairStep Graft(const QV_List<int>& list) { return {Step::kGraft, &list}; }
QV_RepairStep Stretched(const QV_List<int>& list) { return {Step::kStretchedGraft, &list}; }
QV_RepairStep Smooth(const QV_List<int>& list) { return {Step::kSmooth, &list}; }
QV_RepairStep AlignWhole(const QV_List<int>& list) { return {Step::kAlignWholeHead, &list}; }

// A model without the annotations of these labels, the others in order.
void LeaveOut(QV_AnnotationModel& model, std::initializer_list<const char*> labels)
{
    QV_AnnotationModel kept;
    for (int a = 0; a < model.Count(); ++a) {
        bool drop = false;
        for (const char* label : labels) drop = drop || model[a].label == QV_String(label);
        if (!drop) kept.annotations.Append(model[a]);
    }
    model = kept;
}

}  // namespace

// ---- type 4 ----

bool QV_PlainHeadPlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.repairs = {Align()};
    recipe.rebuildNormals = false;
    return true;
}

bool QV_PlainHeadPlugin::BeforePreparation(QV_AnnotationModel& model, const QV_Point2D& imageSize) const
{
    LeaveOut(model, {kLeftOut[0], kLeftOut[1], kLeftOut[2]});
    if (QV_CompleteOutline(model, frontReference, imageSize)) return true;
    QV_PrintError("QV_PlainHeadPlugin::CreateFromFront() Error! : the annotation does not match the front reference\n");
    return false;
}

// ---- types 5 and 7, 13 ----

bool QV_ScaledHeadPlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.alignAnnotation = true;
    recipe.repairs = {Align()};
    return true;
}

bool QV_IrisTeethPlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.alignAnnotation = true;
    recipe.placeEyes = true;
    recipe.repairs = {Graft(irises), Graft(teeth), Align()};
    return true;
}

void QV_IrisTeethPlugin::DeriveLists()
{
    irises = QV_GroupsVertexList(referenceMesh, {"RightIris", "LeftIris"});
    teeth = QV_GroupsVertexList(referenceMesh, {"TopTeeth", "BottomTeeth"});
}

// ---- type 6 ----

bool QV_EarNeckHeadPlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.completeOutline = true;
    recipe.alignAnnotation = true;
    recipe.repairs = {Align(), Graft(rightEar), Graft(leftEar), Graft(neck), Graft(mouthParts), Smooth(topNeck)};
    return true;
}

bool QV_EarNeckHeadPlugin::AfterRepairs(QV_Mesh& out) const
{
    // The target's texture is the reference texture's atlas with the head's
    // own part in its lower left; without a reference texture it stays as made.
    if (referenceTexture.Rows() == 0 || referenceTexture.Cols() == 0) return true;
    if (out.texture.Rows() != referenceTexture.Rows() || out.texture.Cols() != referenceTexture.Cols())
        out.texture.Resize(referenceTexture.Rows(), referenceTexture.Cols(), true);
    for (int r = 0; r < out.texture.Rows(); ++r) {
        QV_Colour* row = out.texture.Row(out.texture.RowLow() + r);
        const QV_Colour* from = referenceTexture.Row(referenceTexture.RowLow() + r);
        for (int c = 0; c < out.texture.Cols(); ++c)
            if (r > kLastHeadRow || c > kLastHeadColumn) row[c] = from[c];
    }
    return true;
}

// ---- type 8 ----

bool QV_SkinnedXmlPlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.alignAnnotation = true;
    recipe.repairs = {Align(), Graft(head)};
    return true;
}

// ---- type 9 ----

bool QV_BodySkinPlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.completeOutline = true;
    recipe.alignAnnotation = true;
    recipe.placeEyes = true;
    recipe.repairs = {Graft(neck), Graft(rightEar), Graft(leftEar), Align()};
    return true;
}

// ---- type 10 ----

bool QV_NeckBlendPlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.completeOutline = true;
    recipe.repairs = {Align(), Graft(neck), Smooth(neck), Graft(head), AlignWhole(head)};
    return true;
}

// ---- type 11 ----

bool QV_EyePartsHeadPlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.repairs = {Graft(head), Graft(derived), Stretched(rear), Stretched(lear)};
    for (int pass = 0; pass < kSmoothingPasses; ++pass) recipe.repairs.push_back(Smooth(smooth));
    return true;
}

// ---- type 12 ----

bool QV_SolidHeadPlugin::BeforeFinish(QV_Mesh& out) const
{
    return Repair({Stretched(neck)}, out);
}

bool QV_SolidHeadPlugin::CreateFromFrontAndProfile(const QV_FaceSearch& shapeModel, const QV_Image& front,
                                                   const QV_AnnotationModel& frontModel, const QV_Image& profile,
                                                   const QV_AnnotationModel& profileModel, QV_Mesh& out,
                                                   bool highRes, QV_String& error)
{
    mugshot.combinationMode = 3;
    return QV_StandardHeadPlugin::CreateFromFrontAndProfile(shapeModel, front, frontModel, profile, profileModel,
                                                            out, highRes, error);
}

// ---- type 14 ----

bool QV_AnimatedFacePlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.completeOutline = true;
    recipe.placeEyes = true;
    recipe.repairs = {Align(), Graft(nonFace), Stretched(neck), Smooth(neck)};
    return true;
}

// ---- type 15 ----

bool QV_FlatSkinPlugin::Recipe(QV_CreationRecipe& recipe) const
{
    recipe.completeOutline = true;
    recipe.placeEyes = true;
    recipe.repairs = {Align(), Graft(neck), Graft(rightEar), Graft(leftEar), Stretched(hair), Smooth(chin),
                      Smooth(chin)};
    return true;
}

bool QV_FlatSkinPlugin::AfterPreparation(QV_AnnotationModel& model, const QV_Point2D&) const
{
    if (leading == 0)
        LeaveOut(model, {"RIGHT IRIS", "LEFT IRIS", "RIGHT CHEEK", "LEFT CHEEK", "NOSE BRIDGE", "NECK"});
    else
        LeaveOut(model, {"RIGHT IRIS", "LEFT IRIS", "RIGHT CHEEK", "LEFT CHEEK", "NOSE BRIDGE"});
    const int face = model.Find("FACE");
    if (face < 0 || model[face].NumPoints() <= 18) return false;
    const struct {
        const char* ear;
        int facePoint;
    } drags[] = {{"RIGHT EAR", 4}, {"LEFT EAR", 18}};
    for (const auto& drag : drags) {
        const int ear = model.Find(drag.ear);
        if (ear >= 0 && model[ear].NumPoints() > 0) model[ear].DragPoint(0, model[face].points[drag.facePoint]);
    }
    return true;
}
