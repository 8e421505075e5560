// Head creation by recipe for the plug-ins built on the 2D-3D mugshot: the
// annotation prepared on a copy, the mugshot's front creation, the repairs.
#include "QV_AnnotationPreparation.h"
#include "QV_FaceSearch.h"
#include "QV_MugShotHeadPlugin.h"
#include "QV_VertexList.h"

bool QV_MugShotHeadPlugin::EyeParts(const QV_AnnotationModel& model, const QV_Point2D& imageSize,
                                    std::vector<QV_RigidPart>& parts) const
{
    return QV_AnnotationPreparation::GivenEyeParts(model, imageSize, rightEye, leftEye, parts);
}

bool QV_MugShotHeadPlugin::Repair(const std::vector<QV_RepairStep>& steps, QV_Mesh& out) const
{
    for (const QV_RepairStep& step : steps) {
        // A list the target's data did not provide leaves its step out.
        if (step.list && step.list->Empty()) continue;
        const std::vector<int> list = step.list ? QV_IndexVector(*step.list) : std::vector<int>();
        bool done = false;
        switch (step.kind) {
        case QV_RepairStep::kAlignToReference: done = QV_HeadRepair::AlignToReference(out, referenceMesh); break;
        case QV_RepairStep::kGraft: done = QV_HeadRepair::Graft(out, referenceMesh, list, false); break;
        case QV_RepairStep::kStretchedGraft:
            done = QV_HeadRepair::StretchedGraft(out, referenceMesh, list, false);
            break;
        case QV_RepairStep::kSmooth: done = QV_HeadRepair::Smooth(out, list, neighbours); break;
        case QV_RepairStep::kAlignWholeHead: done = QV_HeadRepair::AlignWholeHead(out, referenceMesh, list); break;
        }
        if (!done) return false;
    }
    return true;
}

bool QV_MugShotHeadPlugin::CreateFromFront(const QV_FaceSearch& shapeModel, const QV_Image& photo,
                                           const QV_AnnotationModel& model, QV_Mesh& out, bool highRes,
                                           QV_String& error)
{
    QV_CreationRecipe recipe;
    if (!Recipe(recipe)) return false;
    const QV_Point2D size(static_cast<float>(photo.Cols()), static_cast<float>(photo.Rows()));
    const QV_OutlineCompleter completer = [&shapeModel](QV_AnnotationModel& m, const QV_Point2D& s) {
        return shapeModel.CompleteOutline(m, s);
    };
    const QV_ReferenceAnnotation reference{frontReference, referenceScale};
    QV_AnnotationModel copy(model);
    QV_AnnotationModel prepared;
    std::vector<QV_RigidPart> parts;
    if (!BeforePreparation(copy, size) ||
        !QV_AnnotationPreparation::Prepare(copy, size, recipe.completeOutline ? &completer : nullptr,
                                           recipe.alignAnnotation ? &reference : nullptr, prepared) ||
        !AfterPreparation(prepared, size) ||
        (recipe.placeEyes && !EyeParts(prepared, size, parts)) ||
        !mugshot.CreateFromFront(photo, prepared, parts, highRes, out) || !Repair(recipe.repairs, out) ||
        !AfterRepairs(out)) {
        error = kMugShotFailed;
        return false;
    }
    if (recipe.rebuildNormals)
        QV_HeadRepair::Finish(out);
    else
        out.UpdateBounds();
    return true;
}
