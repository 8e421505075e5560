// The standard head plug-in's creation from a front photograph (and from a
// front and a profile) and its save from the application.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "AppTestFixture.h"
#include "QV_FaceSearch.h"
#include "QV_HeadRepair.h"

using namespace app_fixture;
using visagen_test::TempDir;

namespace {

struct Creation {
    TempDir dir;
    std::unique_ptr<QV_StandardHeadPlugin> plugin;
    QV_Image photo = mugshot_fixture::Photo(100);
    QV_AnnotationModel model = mugshot_fixture::FrontAnnotation();
    QV_FaceSearch search;
    QV_Mesh out;
    QV_String error;

    explicit Creation(int vertexCount = 0) : plugin(LoadStandard(dir, GroupedMugShot(vertexCount))) {}
    bool Run(bool highRes = false)
    {
        return plugin && plugin->CreateFromFront(search, photo, model, out, highRes, error);
    }
};

}  // namespace

QV_Point3D Centroid(const QV_Mesh& m)
{
    QV_Point3D c;
    for (int v = 0; v < m.VertexCount(); ++v) c += m.vertices[v];
    return c / static_cast<float>(m.VertexCount());
}

float SpreadAbout(const QV_Mesh& m, const QV_Point3D& c)
{
    float sum = 0.0f;
    for (int v = 0; v < m.VertexCount(); ++v) {
        const float d = Distance(m.vertices[v], c);
        sum += d * d;
    }
    return sum;
}

TEST(StandardHeadCreate, HeadTakesTheReferencePositionAndSize)
{
    // Without ear groups nothing moves after the alignment: the similarity
    // maps the head's centroid onto the reference's and matches the spread
    // of the vertices about it.
    TempDir dir;
    std::unique_ptr<QV_StandardHeadPlugin> plugin = LoadStandard(dir, GroupedMugShot(0, false));
    ASSERT_TRUE(plugin);
    ASSERT_TRUE(plugin->rightEar.empty());
    QV_Mesh out;
    QV_String error;
    const QV_FaceSearch search;
    ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), mugshot_fixture::FrontAnnotation(),
                                        out, false, error))
        << error.CStr();
    const QV_Mesh& ref = plugin->referenceMesh;
    ASSERT_EQ(out.VertexCount(), ref.VertexCount());
    const QV_Point3D a = Centroid(out), b = Centroid(ref);
    EXPECT_LT(Distance(a, b), 1e-2f);
    EXPECT_NEAR(SpreadAbout(out, a) / SpreadAbout(ref, b), 1.0f, 1e-3f);
    // The photograph's head is a quarter of the template's size, so the
    // alignment really scaled it.
    EXPECT_GT(out.size.y, 0.6f * ref.size.y);
    EXPECT_TRUE(out.hasTexture);
    EXPECT_EQ(out.FaceCount(), ref.FaceCount());
    // Derived data recomputed: one normal per face and unit vertex normals.
    EXPECT_EQ(out.faceNormals.Size(), out.faces.Size());
    ASSERT_GT(out.NormalCount(), 0);
    EXPECT_NEAR(Distance(out.normals[0], QV_Point3D(0, 0, 0)), 1.0f, 1e-3f);
}

TEST(StandardHeadCreate, EarsKeepTheReferenceShapeAndTheUserModelIsUntouched)
{
    Creation c;
    ASSERT_TRUE(c.plugin);
    // Distort the annotation points over the right ear so that the mapped ear
    // is no longer a similar copy of the reference ear.
    const std::vector<int>& ear = c.plugin->rightEar;
    ASSERT_EQ(ear.size(), 4u);
    c.model[0].points[ear[0]] = c.model[0].points[ear[0]] + QV_Point2D(0.03f, 0.0f);
    const QV_AnnotationModel given = c.model;
    ASSERT_TRUE(c.Run()) << c.error.CStr();
    for (int a = 0; a < given.Count(); ++a)
        for (int k = 0; k < given[a].NumPoints(); ++k) {
            EXPECT_EQ(c.model[a].points[k].x, given[a].points[k].x);
            EXPECT_EQ(c.model[a].points[k].y, given[a].points[k].y);
        }
    // Every distance between ear vertices is the reference distance times one
    // common factor.
    const QV_Mesh& ref = c.plugin->referenceMesh;
    const float factor = Distance(c.out.vertices[ear[0]], c.out.vertices[ear[1]]) /
                         Distance(ref.vertices[ear[0]], ref.vertices[ear[1]]);
    for (size_t i = 0; i < ear.size(); ++i)
        for (size_t j = i + 1; j < ear.size(); ++j)
            EXPECT_NEAR(Distance(c.out.vertices[ear[i]], c.out.vertices[ear[j]]),
                        factor * Distance(ref.vertices[ear[i]], ref.vertices[ear[j]]), 1e-3f)
                << ear[i] << " " << ear[j];
}

TEST(StandardHeadCreate, AverageFixSetsTheTwoVerticesToTheirNeighboursMean)
{
    // A template large enough to hold vertices 729 and 733 (not neighbours
    // of each other, so each ends at the mean of its neighbours' final places;
    // the similarity applied afterwards keeps means).
    Creation c(740);
    ASSERT_TRUE(c.plugin);
    const QV_VertexNeighbours& n = c.plugin->neighbours;
    ASSERT_EQ(n.VertexCount(), 740);
    for (int v : {729, 733}) {
        const std::vector<int>& around = n.Of(v);
        ASSERT_FALSE(around.empty());
        ASSERT_EQ(std::find(around.begin(), around.end(), v == 729 ? 733 : 729), around.end());
    }
    ASSERT_TRUE(c.Run()) << c.error.CStr();
    for (int v : {729, 733}) {
        QV_Point3D mean;
        for (int k : n.Of(v)) mean += c.out.vertices[k];
        mean = mean / static_cast<float>(n.Of(v).size());
        EXPECT_LT(Distance(c.out.vertices[v], mean), 1e-3f) << v;
    }
    // An unfixed vertex of the strip is not at its neighbours' mean.
    QV_Point3D mean;
    for (int k : n.Of(731)) mean += c.out.vertices[k];
    mean = mean / static_cast<float>(n.Of(731).size());
    EXPECT_GT(Distance(c.out.vertices[731], mean), 0.1f);
}

TEST(StandardHeadCreate, FailuresGiveTheMugshotMessage)
{
    struct Case {
        const char* name;
        void (*spoil)(QV_AnnotationModel&, QV_Image&);
    };
    const Case cases[] = {
        {"no left eye", [](QV_AnnotationModel& m, QV_Image&) { m[m.Find("LEFT EYE")].label = "SOMETHING"; }},
        {"grid too short", [](QV_AnnotationModel& m, QV_Image&) { m[0].points.Clear(); }},
        {"all points coincide",
         [](QV_AnnotationModel& m, QV_Image&) {
             for (int a = 0; a < m.Count(); ++a)
                 for (int k = 0; k < m[a].NumPoints(); ++k) m[a].points[k] = QV_Point2D(0.5f, 0.5f);
         }},
        {"no photograph", [](QV_AnnotationModel&, QV_Image& p) { p = QV_Image(); }},
    };
    for (const Case& k : cases) {
        Creation c;
        ASSERT_TRUE(c.plugin);
        k.spoil(c.model, c.photo);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(c.Run()) << k.name;
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.error.Std(), "Failed to get mugshot mesh") << k.name;
    }
}

TEST(StandardHeadCreate, FrontAndProfile)
{
    Creation c;
    ASSERT_TRUE(c.plugin);
    QV_Mesh out;
    QV_String error;
    // The fixture's annotation has no profile line: normalisation reports it
    // and the creation goes on.
    testing::internal::CaptureStderr();
    const bool made =
        c.plugin->CreateFromFrontAndProfile(c.search, c.photo, c.model, c.photo, c.model, out, false, error);
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(made) << error.CStr();
    EXPECT_EQ(out.VertexCount(), c.plugin->referenceMesh.VertexCount());
    EXPECT_TRUE(out.hasTexture);

    // The front-only mugshot refuses it with the plug-in's text.
    c.plugin->mugshot.frontOnly = 1;
    QV_Mesh refused;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(
        c.plugin->CreateFromFrontAndProfile(c.search, c.photo, c.model, c.photo, c.model, refused, false, error));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(error.Std(), "Failed to get mugshot mesh");
    EXPECT_EQ(refused.VertexCount(), 0);
}

TEST(StandardHeadSave, ObjInAnyCaseWritesTheTextureBesideIt)
{
    Creation c;
    ASSERT_TRUE(c.plugin);
    ASSERT_TRUE(c.Run()) << c.error.CStr();
    for (const char* name : {"Head.OBJ", "head2.obj", "Mixed.oBj"}) {
        const std::string path = c.dir.File(name);
        QV_String error;
        ASSERT_TRUE(c.plugin->SaveFromApplication(c.out, path.c_str(), error)) << name;
        const std::string stem = path.substr(0, path.size() - 3);
        QV_Mesh back;
        ASSERT_TRUE(back.Load(path.c_str())) << name;
        EXPECT_EQ(back.VertexCount(), c.out.VertexCount()) << name;
        QV_Image texture;
        ASSERT_TRUE(texture.LoadJPEG((stem + "jpg").c_str())) << name;
        EXPECT_EQ(texture.Rows(), c.out.texture.Rows()) << name;
        EXPECT_EQ(texture.Cols(), c.out.texture.Cols()) << name;
    }
}

TEST(StandardHeadSave, OtherExtensionsAreRefusedAndWriteNothing)
{
    TempDir dir;
    QV_StandardHeadPlugin plugin;
    const QV_Mesh mesh = mugshot_fixture::TemplateMesh();
    for (const char* name : {"head.wrl", "head.xml", "head.objx", "head", "head.ob", "obj.dir/head.3ds"}) {
        QV_String error;
        EXPECT_FALSE(plugin.SaveFromApplication(mesh, dir.File(name).c_str(), error)) << name;
        EXPECT_EQ(error.Std(), "A Quorvex Avatar can only be saved to an obj file") << name;
        EXPECT_TRUE(visagen_test::ReadFileBytes(dir.File(name)).empty()) << name;
    }
    EXPECT_TRUE(visagen_test::ReadFileBytes(dir.File("head.jpg")).empty());
}

TEST(StandardHeadSave, UntexturedHeadLeavesNoPictureAndUnwritablePathsFail)
{
    TempDir dir;
    QV_StandardHeadPlugin plugin;
    QV_Mesh mesh = mugshot_fixture::TemplateMesh();
    mesh.hasTexture = false;
    QV_String error;
    ASSERT_TRUE(plugin.SaveFromApplication(mesh, dir.File("plain.obj").c_str(), error));
    EXPECT_FALSE(visagen_test::ReadFileBytes(dir.File("plain.obj")).empty());
    EXPECT_TRUE(visagen_test::ReadFileBytes(dir.File("plain.jpg")).empty());

    const std::string missing = dir.File("no/such/folder/head.obj");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(plugin.SaveFromApplication(mugshot_fixture::TemplateMesh(), missing.c_str(), error));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(error.Std(), "Failed to save: " + missing);
}

// A save that fails keeps the files an earlier save wrote; one that succeeds
// leaves nothing but its two files.
TEST(StandardHeadSave, FailedSaveKeepsTheEarlierFiles)
{
    TempDir dir;
    QV_StandardHeadPlugin plugin;
    const QV_Mesh mesh = mugshot_fixture::TemplateMesh();
    QV_String error;
    visagen_test::WriteFileText(dir.File("head.obj"), "# the user's earlier head\n");
    // The texture's place is taken by a folder, so the picture cannot be written.
    ASSERT_EQ(mkdir(dir.File("head.jpg").c_str(), 0755), 0);
    EXPECT_FALSE(plugin.SaveFromApplication(mesh, dir.File("head.obj").c_str(), error));
    EXPECT_EQ(error.Std(), "Failed to save: " + dir.File("head.obj"));
    EXPECT_EQ(visagen_test::ReadFileText(dir.File("head.obj")), "# the user's earlier head\n");
    ASSERT_EQ(rmdir(dir.File("head.jpg").c_str()), 0);

    ASSERT_TRUE(plugin.SaveFromApplication(mesh, dir.File("head.obj").c_str(), error)) << error.Std();
    QV_Mesh back;
    ASSERT_TRUE(back.Load(dir.File("head.obj").c_str()));
    EXPECT_EQ(back.VertexCount(), mesh.VertexCount());
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"head.jpg", "head.obj"}));
}
