// The standard head plug-in's record, data directory and derived lists.
#include "QV_StandardHeadPlugin.h"

#include "QV_PluginNames.h"

QV_StandardHeadPlugin::QV_StandardHeadPlugin() : QV_MugShotHeadPlugin({0.362f, 0.562f}) {}

QV_String QV_StandardHeadPlugin::Name() const { return QV_PluginNames::kMaker; }

void QV_StandardHeadPlugin::Records(QV_HeadRecordIO& io)
{
    io.MugShot2D3D(mugshot).Annotation(frontReference).Annotation(profileReference).Image(profileImage).FloatPair(
        referenceScale);
}

bool QV_StandardHeadPlugin::LoadStandardFiles(const QV_String& directory, const char* subdirectory,
                                              const std::vector<DataFile>& extra, QV_String& error)
{
    std::vector<DataFile> files = {
        AnnotationEntry("Front.mma", frontReference),
        AnnotationEntry("Right.mma", profileReference),
        ImageEntry("Right.jpg", profileImage),
        MugShotEntry(),
        ImageEntry("TexMask.bmp", mugshot.mask),
    };
    files.insert(files.end(), extra.begin(), extra.end());
    const bool all = LoadFileList(directory, subdirectory, files, error);
    if (Exporting()) return all;
    referenceScale = QV_Point2D{kScaleX, kScaleY};
    Derive();
    return all;
}

bool QV_StandardHeadPlugin::LoadDataDirectory(const QV_String& directory, QV_String& error)
{
    return LoadStandardFiles(directory, "QuorHeadLoadDir", {}, error);
}

void QV_StandardHeadPlugin::DeriveLists()
{
    rightEar = QV_GroupVertices(referenceMesh, "RightEar");
    leftEar = QV_GroupVertices(referenceMesh, "LeftEar");
}
