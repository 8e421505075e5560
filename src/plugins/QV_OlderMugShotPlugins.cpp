// Head model records of the plug-ins built on the older mugshot.
#include "QV_OlderMugShotPlugins.h"

#include "QV_Error.h"
#include "QV_PluginNames.h"

bool QV_OlderMugShotPlugin::AfterRead()
{
    for (const QV_List<int>* list : IndexLists()) {
        if (!IndicesNonNegative(*list)) {
            QV_PrintError("QV_AvatarPlugin::ReadHead() Error! : a vertex list holds a negative index\n");
            return false;
        }
    }
    SetBlendSample();
    return true;
}

QV_String QV_BodyAvatarPlugin::Name() const { return QV_PluginNames::kBodyAvatar; }

void QV_BodyAvatarPlugin::Records(QV_HeadRecordIO& io)
{
    io.Annotation(profileReference).Annotation(frontReference).Image(profileImage).MugShot(mugshot).Mesh(
        referenceMesh);
    for (QV_Image& mask : masks) io.Image(mask);
    for (QV_Mesh& mesh : bodyMeshes) io.Mesh(mesh);
    io.IndexList(femaleNeckBlend).IndexList(maleNeckBlend);
}

QV_String QV_EyeRigHeadPlugin::Name() const { return QV_PluginNames::kEyeRig; }

void QV_EyeRigHeadPlugin::Records(QV_HeadRecordIO& io)
{
    io.Annotation(profileReference).Annotation(frontReference).Image(profileImage).MugShot(mugshot);
    io.Mesh(referenceMesh).Mesh(originalReferenceMesh).Mesh(targetHead);
    io.IndexList(neck).IndexList(topLip).IndexList(botLip);
}

QV_String QV_FigureHeadPlugin::Name() const { return QV_PluginNames::kFigure; }

void QV_FigureHeadPlugin::Records(QV_HeadRecordIO& io)
{
    io.MugShot(mugshot).Annotation(profileReference).Annotation(frontReference).Image(profileImage);
    io.IndexList(headBack).IndexList(smooth).IndexList(bodySmooth).IndexList(headCorrespondance);
    io.IndexList(headNeckCorres).IndexList(bodyNeckCorres).IndexList(bodyBodyCorrespondance);
    io.IndexArray(bodyHeadCorrespondance).NameList(names);
    io.Mesh(femaleHead).Mesh(female).Mesh(male);
    io.Image(transparencyMap).Image(normTransparencyMap).Image(extraImage);
}

bool QV_FigureHeadPlugin::AfterRead()
{
    for (int32_t v : bodyHeadCorrespondance) {
        if (v < 0) {
            QV_PrintError("QV_AvatarPlugin::ReadHead() Error! : a vertex list holds a negative index\n");
            return false;
        }
    }
    return QV_OlderMugShotPlugin::AfterRead();
}
