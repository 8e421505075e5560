// A standard head plug-in built on the synthetic mugshot of the head synthesis
// tests, with eye and ear groups on its grid, and a data directory holding it
// with a photograph and the fitted annotation of that photograph.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "MugShotTestFixture.h"
#include "QV_HeadModelFile.h"
#include "QV_StandardHeadPlugin.h"
#include "TestSupport.h"

namespace app_fixture {

// The two triangles of grid quad (r, c) of the synthetic template.
inline void AddQuadGroup(QV_Mesh& mesh, const char* name, int r, int c)
{
    QV_Feature f;
    f.name = name;
    const int quad = r * (mugshot_fixture::kGridCols - 1) + c;
    f.faceIndices.Append(2 * quad);
    f.faceIndices.Append(2 * quad + 1);
    mesh.features.Append(f);
}

// Appends back vertices up to `total` as a strip of triangles (k, k+1, k+2),
// so that vertices beyond the grid have neighbours.
inline void GrowTemplate(QV_Mesh& mesh, int total)
{
    const int first = mesh.VertexCount();
    for (int k = first; k < total; ++k)
        mesh.vertices.Append(QV_Point3D(-80.0f + 0.25f * (k - first), -100.0f + 7.0f * ((k * 37) % 11),
                                        -70.0f - 3.0f * ((k * 13) % 5)));
    QV_Feature& all = mesh.features[0];
    for (int k = first; k + 2 < total; ++k) {
        mesh.faces.Append(QV_Face(k, k + 1, k + 2));
        all.faceIndices.Append(mesh.FaceCount() - 1);
    }
    mesh.UpdateBounds();
}

// The synthetic mugshot with groups: the eyes on the quads under the two eye
// annotations, the ears on quads at the two sides of the grid.
inline QV_MugShot2D3D GroupedMugShot(int vertexCount = 0, bool ears = true)
{
    QV_MugShot2D3D mug = mugshot_fixture::MugShot();
    QV_Mesh& t = mug.templateMesh;
    AddQuadGroup(t, "RightEye", 7, 2);
    AddQuadGroup(t, "LeftEye", 7, 6);
    if (ears) {
        AddQuadGroup(t, "RightEar", 5, 0);
        AddQuadGroup(t, "LeftEar", 5, 8);
    }
    if (vertexCount > t.VertexCount()) GrowTemplate(t, vertexCount);
    mug.DeriveAssociations();
    return mug;
}

// Writes a head model file of the standard plug-in around the mugshot.
inline void WriteStandardHead(const std::string& path, const QV_MugShot2D3D& mug)
{
    QV_StandardHeadPlugin plugin;
    plugin.SetTypeCode(0);
    plugin.mugshot = mug;
    plugin.referenceScale = {QV_StandardHeadPlugin::kScaleX, QV_StandardHeadPlugin::kScaleY};
    ASSERT_TRUE(QV_SaveHeadModel(path.c_str(), plugin));
}

// A plug-in as the application gets it: read from a head model file, so that
// its derived lists are built as after any read. Null unless the file reads
// as a plug-in of class T.
template <class T>
std::unique_ptr<T> ReadPlugin(const std::string& path)
{
    QV_String error;
    std::unique_ptr<QV_AvatarPlugin> p = LoadHeadModel(path.c_str(), error);
    EXPECT_TRUE(p) << error.CStr();
    auto* typed = dynamic_cast<T*>(p.get());
    if (!typed) return nullptr;
    p.release();
    return std::unique_ptr<T>(typed);
}

inline std::unique_ptr<QV_StandardHeadPlugin> LoadStandard(const visagen_test::TempDir& dir,
                                                           const QV_MugShot2D3D& mug)
{
    const std::string path = dir.File("Standard.qvhead");
    WriteStandardHead(path, mug);
    return ReadPlugin<QV_StandardHeadPlugin>(path);
}

// A data directory: "Standard.qvhead", photograph "face.jpg" and its fitted
// annotation "face.ana".
struct DataDir {
    visagen_test::TempDir dir;
    std::string photo = dir.File("face.jpg");
    std::string annotation = dir.File("face.ana");

    DataDir()
    {
        WriteStandardHead(dir.File("Standard.qvhead"), GroupedMugShot());
        EXPECT_TRUE(mugshot_fixture::Photo(100).SaveJPEG(photo.c_str()));
        EXPECT_TRUE(mugshot_fixture::FrontAnnotation().Save(annotation.c_str()));
    }
};

}  // namespace app_fixture
