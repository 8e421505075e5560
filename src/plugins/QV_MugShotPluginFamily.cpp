// Names and head model records of the plug-ins built on the 2D-3D mugshot.
#include "QV_MugShotPluginFamily.h"

#include "QV_PluginNames.h"
#include "QV_VertexList.h"

QV_String QV_PlainHeadPlugin::Name() const { return QV_PluginNames::kPlainHead; }
void QV_PlainHeadPlugin::Records(QV_HeadRecordIO& io) { io.MugShot2D3D(mugshot).Annotation(frontReference); }
bool QV_PlainHeadPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    return LoadMugShotFiles(directory, TargetFolder(Name()), {}, nullptr, error);
}

void QV_ScaledHeadPlugin::Records(QV_HeadRecordIO& io)
{
    io.MugShot2D3D(mugshot).Annotation(frontReference).FloatPair(referenceScale);
}
bool QV_ScaledHeadPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    return LoadMugShotFiles(directory, TargetFolder(Name()), {}, &loadScale, error);
}
QV_String QV_PlainHeadPlugin2::Name() const { return QV_PluginNames::kPlainHead2; }
QV_String QV_PlainHeadPlugin3::Name() const { return QV_PluginNames::kPlainHead3; }
QV_String QV_IrisTeethPlugin::Name() const { return QV_PluginNames::kIrisTeeth; }

QV_String QV_EarNeckHeadPlugin::Name() const { return QV_PluginNames::kEarNeck; }
bool QV_EarNeckHeadPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    const QV_Point2D scale{321.0f, 330.0f};
    const bool all = LoadMugShotFiles(
        directory, TargetFolder(Name()) + "/Head",
        {{"RightEar.verts", &rightEar}, {"LeftEar.verts", &leftEar}, {"Neck.verts", &neck}, {"TopNeck.verts", &topNeck}},
        &scale, error, {ImageEntry("Ref.jpg", referenceTexture)});
    if (!Exporting())
        mouthParts = QV_GroupsVertexList(mugshot.templateMesh, {"Sock", "Tongue", "TeethLower", "TeethUpper"});
    return all;
}
void QV_EarNeckHeadPlugin::Records(QV_HeadRecordIO& io)
{
    io.MugShot2D3D(mugshot).Annotation(frontReference).FloatPair(referenceScale);
    io.IndexList(rightEar).IndexList(leftEar).IndexList(neck).IndexList(topNeck).IndexList(mouthParts);
    io.Image(referenceTexture);
}

QV_String QV_SkinnedXmlPlugin::Name() const { return QV_PluginNames::kSkinnedXml; }
bool QV_SkinnedXmlPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    const QV_Point2D scale{1.89f, 1.9f};
    return LoadMugShotFiles(
        directory, TargetFolder(Name()) + "/" + kCharacterFolder, {}, &scale, error,
        {{"Ref_vbw.txt", [this](const QV_String& p) { return QV_LoadBoneWeights(p, boneWeights); },
          [this](const QV_String& p) { return WrittenIf(QV_SaveBoneWeights(p, boneWeights)); }},
         {"Skeleton.xml", [this](const QV_String& p) { return QV_LoadFileBytes(p, skeletonText); },
          [this](const QV_String& p) { return WrittenIf(QV_SaveFileBytes(p, skeletonText)); }},
         {"Bonemap.xml", [this](const QV_String& p) { return QV_LoadFileBytes(p, bonemapText); },
          [this](const QV_String& p) { return WrittenIf(QV_SaveFileBytes(p, bonemapText)); }},
         VertexListEntry({"Head.verts", &head}),
         ImageEntry("RefA.jpg", referenceTexture)});
}
void QV_SkinnedXmlPlugin::Records(QV_HeadRecordIO& io)
{
    io.Int(leading).MugShot2D3D(mugshot).Annotation(frontReference).FloatPair(referenceScale);
    io.ByteArray(skeletonText).ByteArray(bonemapText).TripleList(boneWeights);
    io.Float(blendSample.x).Float(blendSample.y).IndexList(head).Byte(flag).Image(referenceTexture);
}

QV_String QV_BodySkinPlugin::Name() const { return QV_PluginNames::kBodySkin; }
void QV_BodySkinPlugin::Records(QV_HeadRecordIO& io)
{
    io.MugShot2D3D(mugshot).Annotation(frontReference).FloatPair(referenceScale).CountedInts(countedInts);
    io.IndexList(neck).IndexList(rightEar).IndexList(leftEar);
}
bool QV_BodySkinPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    const QV_Point2D scale{90.18f, 100.0f};
    return LoadMugShotFiles(directory, TargetFolder(Name()) + "/Male",
                            {{"Neck.verts", &neck}, {"RightEar.verts", &rightEar}, {"LeftEar.verts", &leftEar}},
                            &scale, error);
}

QV_String QV_NeckBlendPlugin::Name() const { return QV_PluginNames::kNeckBlend; }
void QV_NeckBlendPlugin::Records(QV_HeadRecordIO& io)
{
    io.MugShot2D3D(mugshot).Annotation(frontReference).FloatPair(referenceScale).Int(slots[0]).Int(slots[1]);
    io.IndexList(head).IndexList(neck);
}
bool QV_NeckBlendPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    const QV_Point2D scale{61.0f, 77.0f};
    return LoadMugShotFiles(directory, TargetFolder(Name()) + "/Male", {{"Head.verts", &head}, {"Neck.verts", &neck}},
                            &scale, error);
}

QV_String QV_EyePartsHeadPlugin::Name() const { return QV_PluginNames::kEyeParts; }
bool QV_EyePartsHeadPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    const QV_Point2D scale{177.2f, 181.9f};
    const bool all = LoadMugShotFiles(directory, TargetFolder(Name()) + "/Female",
                                      {{"Head.verts", &head},
                                       {"Rear.verts", &rear},
                                       {"Lear.verts", &lear},
                                       {"Blip.verts", &blip},
                                       {"Tlip.verts", &tlip},
                                       {"Smooth.verts", &smooth}},
                                      &scale, error);
    // Kept in the head record as it is made here.
    if (!Exporting())
        derived = QV_GroupsVertexList(mugshot.templateMesh, {kPartGroups[0], kPartGroups[1], kPartGroups[2],
                                                         kPartGroups[3], kPartGroups[4], kPartGroups[5]});
    return all;
}
void QV_EyePartsHeadPlugin::Records(QV_HeadRecordIO& io)
{
    io.MugShot2D3D(mugshot).Annotation(frontReference).FloatPair(referenceScale).CountedInts(countedInts);
    io.IndexList(head).IndexList(derived).IndexList(rear).IndexList(lear).IndexList(smooth).IndexList(blip).IndexList(
        tlip);
}

void QV_SolidHeadPlugin::Records(QV_HeadRecordIO& io)
{
    QV_StandardHeadPlugin::Records(io);
    io.IndexList(neck);
}

bool QV_SolidHeadPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    return LoadStandardFiles(directory, "QuorSolid/Normal", {VertexListEntry({"Neck.verts", &neck})}, error);
}

bool QV_SolidHeadPlugin::SaveFromApplication(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    return QV_AvatarPlugin::SaveFromApplication(mesh, path, error);
}

QV_String QV_AnimatedFacePlugin::Name() const { return QV_PluginNames::kMaker; }
void QV_AnimatedFacePlugin::Records(QV_HeadRecordIO& io)
{
    io.MugShot2D3D(mugshot).Annotation(frontReference).FloatPair(referenceScale);
    io.IndexList(neck).IndexList(nonFace).Mesh(blink).Mesh(halfBlink).Mesh(smile);
}
bool QV_AnimatedFacePlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    const QV_Point2D scale{373.4f, 587.1f};
    return LoadMugShotFiles(directory, kLoadFolder, {{"Neck.verts", &neck}, {"NonFace2.verts", &nonFace}}, &scale,
                            error,
                            {MeshEntry("Blink.obj", blink), MeshEntry("HBlink.obj", halfBlink), MeshEntry("Smile.obj", smile)});
}

QV_String QV_FlatSkinPlugin::Name() const { return QV_PluginNames::kMaker; }
bool QV_FlatSkinPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    const QV_Point2D scale{54.1f, 81.7f};
    return LoadMugShotFiles(directory, QV_String(kLoadFolder) + "/Female", {}, &scale, error,
                            {ImageEntry("Ref.jpg", reference),
                             VertexListEntry({"Neck.verts", &neck}), VertexListEntry({"RightEar.verts", &rightEar}),
                             VertexListEntry({"LeftEar.verts", &leftEar}), VertexListEntry({"Chin.verts", &chin}),
                             VertexListEntry({"Hair.verts", &hair}),
                             ImageEntry("Torso.jpg", torso)});
}
void QV_FlatSkinPlugin::DeriveLists()
{
    rightEye = QV_GroupVertices(referenceMesh, "Eye_Right");
    leftEye = QV_GroupVertices(referenceMesh, "Eye_Left");
    blendSample = leading == 0 ? QV_Point2D{0.325f, 0.515f} : QV_Point2D{0.2923f, 0.521f};
    mugshot.blendSample = blendSample;
}
void QV_FlatSkinPlugin::Records(QV_HeadRecordIO& io)
{
    io.Byte(leading).MugShot2D3D(mugshot).Annotation(frontReference).FloatPair(referenceScale).Image(torso);
    io.IndexList(neck).IndexList(rightEar).IndexList(leftEar).IndexList(hair).IndexList(chin);
}
