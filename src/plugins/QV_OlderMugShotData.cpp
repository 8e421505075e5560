// Data folders of the plug-ins built on the older mugshot: the files each
// reads, in order, to build its head model record.
#include "QV_OlderMugShotPlugins.h"
#include "QV_VertexList.h"

QV_AvatarPlugin::DataFile QV_OlderMugShotPlugin::ListEntry(const char* name, QV_List<int>& list)
{
    return {name, [&list](const QV_String& p) { return QV_LoadVertexList(p, list); },
            [&list](const QV_String& p) { return WrittenIf(QV_SaveVertexList(p, list)); }};
}

bool QV_OlderMugShotPlugin::LoadOlderFiles(const QV_String& directory, const char* profileAnnotation,
                                           const char* profilePicture, const std::vector<DataFile>& after,
                                           QV_String& error)
{
    std::vector<DataFile> files = {
        AnnotationEntry(profileAnnotation, profileReference),
        ImageEntry(profilePicture, profileImage),
        AnnotationEntry("Front.mma", frontReference),
        MugShotFile("MUG.mug", mugshot),
    };
    files.insert(files.end(), after.begin(), after.end());
    const bool all = LoadFileList(directory, TargetFolder(Name()).CStr(), files, error);
    if (Exporting()) return all;
    // The lists read only non-negative numbers, so the checks of a read pass.
    return AfterRead() && all;
}

bool QV_BodyAvatarPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    std::vector<DataFile> after = {MeshEntry("Ref.obj", referenceMesh), ImageEntry("EarsMask.bmp", masks[0]),
                                   ImageEntry("MouthMask.bmp", masks[1]), ImageEntry("NeckMask.bmp", masks[2]),
                                   ImageEntry("TorsoMask.bmp", torsoMask)};
    for (int k = 0; k < 6; ++k) after.push_back(MeshEntry(kBodyMeshFiles[k], bodyMeshes[k]));
    after.push_back(ListEntry("FNeckBlend.verts", femaleNeckBlend));
    after.push_back(ListEntry("MNeckBlend.verts", maleNeckBlend));
    return LoadOlderFiles(directory, "Right.mma", "Right.jpg", after, error);
}

bool QV_EyeRigHeadPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    return LoadOlderFiles(directory, "NewRight.mma", "NewRight.jpg",
                          {MeshEntry("Ref.obj", referenceMesh), MeshEntry("OriginalRef.obj", originalReferenceMesh),
                           MeshEntry(kHeadFile, targetHead), ImageEntry("TexMask.bmp", mugshot.mask), ListEntry("Neck.verts", neck),
                           ListEntry("TopLip.verts", topLip), ListEntry("BotLip.verts", botLip)},
                          error);
}

bool QV_FigureHeadPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    return LoadOlderFiles(directory, "Right.mma", "Right.jpg",
                          {ImageEntry("TexMask.bmp", mugshot.mask),
                           ListEntry("Smooth.verts", smooth),
                           ListEntry("HeadBack.verts", headBack),
                           ListEntry("HeadCorrespondance.verts", headCorrespondance),
                           ListEntry("HeadNeckCorres.verts", headNeckCorres),
                           ListEntry("BodyNeckCorres.verts", bodyNeckCorres),
                           {"BodyHeadCorrespondance.verts",
                            [this](const QV_String& p) {
                                QV_List<int> read;
                                if (!QV_LoadVertexList(p, read)) return false;
                                bodyHeadCorrespondance.Resize(static_cast<int>(read.Size()));
                                for (unsigned i = 0; i < read.Size(); ++i) bodyHeadCorrespondance[i] = read[i];
                                return true;
                            },
                            [this](const QV_String& p) {
                                QV_List<int> list;
                                for (int32_t v : bodyHeadCorrespondance) list.Append(v);
                                return WrittenIf(QV_SaveVertexList(p, list));
                            }},
                           ListEntry("BodySmooth.verts", bodySmooth),
                           ListEntry("BodyBodyCorrespondance.verts", bodyBodyCorrespondance),
                           MeshEntry("QuorFemale.obj", female),
                           MeshEntry("QuorMale.obj", male),
                           MeshEntry("QuorFemaleHead.obj", femaleHead),
                           ImageEntry("TransparencyMap.jpg", transparencyMap),
                           ImageEntry("NormTransparencyMap.jpg", normTransparencyMap)},
                          error);
}
