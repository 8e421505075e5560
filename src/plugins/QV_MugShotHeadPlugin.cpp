// Checks and derived data common to the plug-ins built on the 2D-3D mugshot.
#include "QV_MugShotHeadPlugin.h"

#include <string>

#include "QV_AnnotationPreparation.h"
#include "QV_Error.h"
#include "QV_VertexList.h"

bool QV_MugShotHeadPlugin::AfterRead()
{
    const int vertexCount = mugshot.templateMesh.VertexCount();
    for (const QV_List<int>* list : VertexLists()) {
        if (!IndicesBelow(*list, vertexCount)) {
            QV_PrintError(("QV_AvatarPlugin::ReadHead() Error! : a vertex list names a vertex the template head (" +
                           std::to_string(vertexCount) + " vertices) does not have\n")
                              .c_str());
            return false;
        }
    }
    Derive();
    return true;
}

void QV_MugShotHeadPlugin::Derive()
{
    mugshot.blendSample = blendSample;
    referenceMesh = mugshot.templateMesh;
    QV_AnnotationPreparation::EyeVertexLists(referenceMesh, rightEye, leftEye);
    neighbours.Build(referenceMesh);
    DeriveLists();
}

QV_MugShotHeadPlugin::DataFile QV_MugShotHeadPlugin::MugShotEntry() { return MugShotFile("MUG.mug2d3d", mugshot); }

bool QV_MugShotHeadPlugin::LoadMugShotFiles(const QV_String& directory, const QV_String& subdirectory,
                                            const std::vector<VertexListFile>& lists, const QV_Point2D* scale,
                                            QV_String& error, const std::vector<DataFile>& after)
{
    std::vector<DataFile> files = {
        AnnotationEntry("Front.mma", frontReference),
        MugShotEntry(),
        ImageEntry("TexMask.bmp", mugshot.mask),
    };
    for (const VertexListFile& file : lists) files.push_back(VertexListEntry(file));
    files.insert(files.end(), after.begin(), after.end());
    const bool all = LoadFileList(directory, subdirectory.CStr(), files, error);
    if (Exporting()) return all;
    if (scale) referenceScale = *scale;
    Derive();
    return all;
}

QV_AvatarPlugin::DataFile QV_MugShotHeadPlugin::VertexListEntry(const VertexListFile& file)
{
    QV_List<int>* target = file.list;
    return {file.name,
            [this, target](const QV_String& p) {
                QV_List<int> read;
                if (!QV_LoadVertexList(p, read) || !IndicesBelow(read, mugshot.templateMesh.VertexCount()))
                    return false;
                *target = read;
                return true;
            },
            [target](const QV_String& p) { return WrittenIf(QV_SaveVertexList(p, *target)); }};
}
