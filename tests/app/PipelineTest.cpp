// The pipeline shared by the front ends: data directory, photograph and
// annotation, face location, creation and save, with the user's messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTestFixture.h"
#include "QV_ChildFaceRegions.h"
#include "QV_Pipeline.h"

using namespace app_fixture;
using visagen_test::TempDir;

namespace {

// A pipeline that collects what it tells the user.
struct Recorded {
    std::vector<std::string> messages;
    QV_Pipeline pipeline{[this](const QV_String& m) { messages.push_back(m.Std()); }};
};

}  // namespace

TEST(PipelineData, HeadModelFilesAreSortedByNameWhateverTheCase)
{
    TempDir dir;
    for (const char* name : {"b.qvhead", "A.QVHEAD", "c.qvhead.bak", "notes.txt", "a2.QvHead"})
        visagen_test::WriteFileText(dir.File(name), "x");
    const std::vector<QV_String> files = QV_HeadModelFiles(dir.Path().c_str());
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].Std(), dir.File("A.QVHEAD"));
    EXPECT_EQ(files[1].Std(), dir.File("a2.QvHead"));
    EXPECT_EQ(files[2].Std(), dir.File("b.qvhead"));
    EXPECT_TRUE(QV_HeadModelFiles(dir.File("missing").c_str()).empty());
}

TEST(PipelineData, PluginsLoadInNameOrderAndBadFilesAreDroppedSilently)
{
    TempDir dir;
    WriteStandardHead(dir.File("Zeta.qvhead"), GroupedMugShot());
    WriteStandardHead(dir.File("Alpha.qvhead"), GroupedMugShot());
    visagen_test::WriteFileBytes(dir.File("Broken.qvhead"), {0x63, 0, 0, 0});
    Recorded r;
    // Backslashes join as well as slashes.
    ASSERT_TRUE(r.pipeline.LoadPlugins((dir.Path() + "\\").c_str()));
    EXPECT_TRUE(r.messages.empty());
    ASSERT_EQ(r.pipeline.PluginCount(), 2);
    EXPECT_EQ(r.pipeline.PluginLabel(0).Std(), "Alpha");
    EXPECT_EQ(r.pipeline.PluginLabel(1).Std(), "Zeta");
    EXPECT_EQ(r.pipeline.CurrentPlugin()->Name().Std(), "Quorvex");
    ASSERT_TRUE(r.pipeline.SelectPlugin("Zeta"));
    EXPECT_FALSE(r.pipeline.SelectPlugin("Broken"));
    EXPECT_FALSE(r.pipeline.SelectPlugin("Zet"));
}

TEST(PipelineData, NoLoadableHeadListsEveryFailure)
{
    TempDir dir;
    visagen_test::WriteFileBytes(dir.File("one.qvhead"), {0x63, 0, 0, 0});
    visagen_test::WriteFileBytes(dir.File("two.qvhead"), {0x00, 0, 0});
    Recorded r;
    EXPECT_FALSE(r.pipeline.LoadPlugins(dir.Path().c_str()));
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0],
              "Failed to load the following head data:\nUnrecognised head type\n" + dir.File("two.qvhead") + "\n");

    // A folder without head files: no plug-in and no message.
    TempDir empty;
    Recorded e;
    EXPECT_FALSE(e.pipeline.LoadPlugins(empty.Path().c_str()));
    EXPECT_TRUE(e.messages.empty());
    EXPECT_EQ(e.pipeline.CurrentPlugin(), nullptr);
}

TEST(PipelineData, MissingFaceModelIsReported)
{
    TempDir dir;
    Recorded r;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(r.pipeline.LoadFaceModels(dir.Path().c_str()));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(r.pipeline.ChildFaceAvailable());
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], "Could not load face finder");
    r.pipeline.SetUseChildFace(true);
    EXPECT_FALSE(r.pipeline.UseChildFace());
}

TEST(PipelinePhotograph, OpenedPhotographsAre512RowsHigh)
{
    TempDir dir;
    struct Case {
        int rows, cols, expectCols;
    };
    // The widest workable picture, 16 times as wide as tall, among them.
    for (const Case& c : {Case{300, 200, 341}, Case{1024, 512, 256}, Case{512, 100, 100}, Case{2, 32, 8192}}) {
        const std::string path = dir.File("p.bmp");
        ASSERT_TRUE(mugshot_fixture::Solid(1, QV_Colour(1, 2, 3, 255)).SaveBMP(path.c_str()));
        QV_Image im(c.rows, c.cols);
        for (int r = 0; r < c.rows; ++r)
            for (int k = 0; k < c.cols; ++k) im.Row(r)[k] = QV_Colour(10, 20, 30, 255);
        ASSERT_TRUE(im.SaveBMP(path.c_str()));
        Recorded r;
        ASSERT_TRUE(r.pipeline.OpenPhotograph(path.c_str()));
        EXPECT_EQ(r.pipeline.Photograph().Rows(), 512) << c.rows;
        EXPECT_EQ(r.pipeline.Photograph().Cols(), c.expectCols) << c.rows;
        EXPECT_EQ(r.pipeline.HeadFaceModel().image.Rows(), 512);
    }
}

// A picture far wider than tall (here a few hundred bytes) would need
// gigabytes at 512 rows; it is refused like an unreadable one, and so is any
// strip wider than 16 times its height.
TEST(PipelinePhotograph, StripsTooWideForTheWorkingSizeAreRefused)
{
    TempDir dir;
    for (const int cols : {4200, 33}) {
        const std::string path = dir.File("strip.png");
        QV_Image strip(cols == 33 ? 2 : 1, cols);
        for (int r = 0; r < strip.Rows(); ++r)
            for (int k = 0; k < cols; ++k) strip.Row(r)[k] = QV_Colour(90, 90, 90, 255);
        ASSERT_TRUE(strip.Save(path.c_str()));
        Recorded r;
        EXPECT_FALSE(r.pipeline.OpenPhotograph(path.c_str())) << cols;
        EXPECT_FALSE(r.pipeline.HasPhotograph()) << cols;
        EXPECT_EQ(r.messages, std::vector<std::string>{"Failed to load:\n" + path}) << cols;
    }
}

TEST(PipelinePhotograph, UnreadableFilesGiveTheLoadMessage)
{
    TempDir dir;
    visagen_test::WriteFileText(dir.File("bad.jpg"), "not a picture");
    visagen_test::WriteFileText(dir.File("notes.txt"), "RIGHT EYE");
    ASSERT_TRUE(mugshot_fixture::FrontAnnotation().Save(dir.File("good.ana").c_str()));
    visagen_test::WriteFileText(dir.File("empty.ana"), "");
    Recorded r;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(r.pipeline.OpenPhotograph(dir.File("bad.jpg").c_str()));
    EXPECT_FALSE(r.pipeline.OpenPhotograph(dir.File("none.png").c_str()));
    ASSERT_TRUE(r.pipeline.OpenAnnotation(dir.File("good.ana").c_str()));
    const int contours = r.pipeline.Annotation().Count();
    EXPECT_FALSE(r.pipeline.OpenAnnotation(dir.File("notes.txt").c_str()));
    EXPECT_FALSE(r.pipeline.OpenAnnotation(dir.File("empty.ana").c_str()));
    EXPECT_FALSE(r.pipeline.OpenAnnotation(dir.File("none.mma").c_str()));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(r.pipeline.HasPhotograph());
    // The annotation that did load is kept.
    EXPECT_EQ(r.pipeline.Annotation().Count(), contours);
    const std::vector<std::string> expected = {
        "Failed to load:\n" + dir.File("bad.jpg"), "Failed to load:\n" + dir.File("none.png"),
        "Failed to load:\n" + dir.File("notes.txt"), "Failed to load:\n" + dir.File("empty.ana"),
        "Failed to load:\n" + dir.File("none.mma")};
    EXPECT_EQ(r.messages, expected);
}

TEST(PipelineSteps, RefusalsInOrderOfWhatIsMissing)
{
    Recorded r;
    QV_Mesh mesh;
    EXPECT_FALSE(r.pipeline.CreateHead(mesh, false));
    TempDir dir;
    r.pipeline.SetPhotograph(mugshot_fixture::Photo(100));
    EXPECT_FALSE(r.pipeline.CreateHead(mesh, false));
    EXPECT_FALSE(r.pipeline.SaveHead(mesh, dir.File("x.obj").c_str()));
    r.pipeline.AddPlugin(LoadStandard(dir, GroupedMugShot()), "Standard");
    EXPECT_FALSE(r.pipeline.CreateHead(mesh, false));
    QV_Point2D a, b;
    EXPECT_FALSE(r.pipeline.Fit(QV_Pipeline::Location::kEyes, a, b, nullptr));
    const std::vector<std::string> expected = {"You must load an image first!", "You must load an Quorvex math model!",
                                               "You must load an Quorvex math model!",
                                               "You must select the eyes first!", "Could not load face finder"};
    EXPECT_EQ(r.messages, expected);
}

TEST(PipelineSteps, CreateAndSaveThroughTheCurrentPlugin)
{
    TempDir dir;
    Recorded r;
    r.pipeline.AddPlugin(LoadStandard(dir, GroupedMugShot()), "Standard");
    r.pipeline.SetPhotograph(mugshot_fixture::Photo(100));
    r.pipeline.Annotation() = mugshot_fixture::FrontAnnotation();
    QV_Mesh head;
    ASSERT_TRUE(r.pipeline.CreateHead(head, false));
    EXPECT_EQ(head.VertexCount(), mugshot_fixture::kGridVertices + mugshot_fixture::kBackVertices);

    EXPECT_FALSE(r.pipeline.SaveHead(head, dir.File("head.txt").c_str()));
    EXPECT_FALSE(r.pipeline.SaveHead(head, dir.File("head.wrl").c_str()));
    ASSERT_TRUE(r.pipeline.SaveHead(head, dir.File("head.OBJ").c_str()));
    EXPECT_FALSE(visagen_test::ReadFileBytes(dir.File("head.jpg")).empty());
    const std::vector<std::string> expected = {"Unknown file type: " + dir.File("head.txt"),
                                               "A Quorvex Avatar can only be saved to an obj file"};
    EXPECT_EQ(r.messages, expected);

    // A plug-in without an application save fails the shell's save with its
    // empty text, and the user is still told what failed; the pipeline saves
    // it by the target's own save instead.
    r.pipeline.AddPlugin(QV_CreatePlugin(4), "Plain");
    ASSERT_TRUE(r.pipeline.SelectPlugin("Plain"));
    QV_String message;
    EXPECT_FALSE(QV_SaveThroughPlugin(*r.pipeline.CurrentPlugin(), head, dir.File("shell.obj").c_str(), message));
    EXPECT_EQ(message.Std(), "Failed to save: " + dir.File("shell.obj"));
    EXPECT_TRUE(visagen_test::ReadFileBytes(dir.File("shell.obj")).empty());
    ASSERT_TRUE(r.pipeline.SaveHead(head, dir.File("plain.obj").c_str()));
    QV_Mesh back;
    ASSERT_TRUE(back.Load(dir.File("plain.obj").c_str()));
    EXPECT_EQ(back.VertexCount(), head.VertexCount());
    EXPECT_FALSE(r.pipeline.SaveHead(head, dir.File("none/plain.obj").c_str()));
    EXPECT_EQ(r.messages.back(), "Failed to save: " + dir.File("none/plain.obj"));
}

TEST(PipelineSteps, UnfoundFaceWithoutFinderLibrary)
{
    TempDir dir;
    Recorded r;
    r.pipeline.SetDataDirectory(dir.Path().c_str());
    r.pipeline.SetPhotograph(mugshot_fixture::Solid(64, QV_Colour(90, 90, 90, 255)));
    QV_Point2D a, b;
    EXPECT_EQ(r.pipeline.LocateFace(a, b), QV_Pipeline::Location::kNone);
    const std::vector<std::string> expected = {
        "Error, failed to load QVFaceNet DLL",
        "Unable to automatically locate face!\nPlease drag the left mouse button from one eye to the other"};
    EXPECT_EQ(r.messages, expected);
}

namespace {

QV_Annotation Contour(const char* label, std::initializer_list<QV_Point2D> pts, std::initializer_list<int> marks = {})
{
    QV_Annotation a;
    a.label = label;
    for (const QV_Point2D& p : pts) a.points.Append(p);
    for (int m : marks) a.landmarks.Append(m);
    return a;
}

// Point i of a contour at (base + i, base + 100 + i) so that every derived
// coordinate names the points it came from.
QV_Annotation Numbered(const char* label, int n, float base)
{
    QV_Annotation a;
    a.label = label;
    for (int i = 0; i < n; ++i) a.points.Append(QV_Point2D(base + i, base + 100.0f + i));
    return a;
}

}  // namespace

TEST(ChildFaceRegions, DerivedContoursFromTheFittedOnes)
{
    QV_AnnotationModel fitted;
    fitted.annotations.Append(Numbered("RIGHT EYE", 8, 0));
    fitted.annotations.Append(Numbered("LEFT EYE", 8, 1000));
    fitted.annotations.Append(Numbered("FACE", 20, 2000));
    fitted.annotations.Append(Numbered("NOSE", 24, 3000));
    fitted.annotations.Append(Numbered("OUTER MOUTH", 12, 4000));
    fitted.version = 3;

    QV_AnnotationModel reference;
    reference.annotations.Append(Contour("RIGHT IRIS", {}, {0, 2, 7}));
    reference.annotations.Append(Contour("LEFT CHEEK", {}, {4}));
    reference.annotations.Append(Contour("NOSE BRIDGE", {}));
    reference.annotations.Append(Contour("FACE", {}, {1, 19, 25}));
    reference.annotations.Append(Contour("CHIN", {}));
    reference[1].open = 0;

    std::vector<std::string> reports;
    QV_RebuildChildFaceRegions(reference, fitted, [&](const char* m) { reports.push_back(m); });
    ASSERT_EQ(fitted.Count(), 4);
    EXPECT_EQ(fitted.version, 1);
    EXPECT_EQ(reports, std::vector<std::string>{"index<0"});

    const QV_Annotation& iris = fitted[0];
    EXPECT_EQ(iris.label.Std(), "RIGHT IRIS");
    ASSERT_EQ(iris.NumPoints(), 3);
    EXPECT_FLOAT_EQ(iris.points[0].x, 4.0f);  // mid(1, 7)
    EXPECT_FLOAT_EQ(iris.points[1].x, 4.0f);  // mid(2, 6)
    EXPECT_FLOAT_EQ(iris.points[2].y, 104.0f);
    ASSERT_EQ(iris.landmarks.Size(), 2u);  // 7 is beyond the three points

    const QV_Annotation& cheek = fitted[1];
    EXPECT_EQ(cheek.open, 0);
    ASSERT_EQ(cheek.NumPoints(), 5);
    const float expect[5][2] = {{1006, 2117}, {1007, 3116}, {1000, 2115.5f}, {1000, 4106}, {1007, 2108}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_FLOAT_EQ(cheek.points[i].x, expect[i][0]) << i;
        EXPECT_FLOAT_EQ(cheek.points[i].y, expect[i][1]) << i;
    }

    const QV_Annotation& bridge = fitted[2];
    ASSERT_EQ(bridge.NumPoints(), 7);
    for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(bridge.points[i].x, 3000 + 11.5f) << i;  // mid(i, 23 - i)
    EXPECT_FLOAT_EQ(bridge.points[6].x, 3012.0f);                                    // mid(5, 19)
    EXPECT_FLOAT_EQ(bridge.points[5].x, 3011.75f);

    const QV_Annotation& face = fitted[3];
    EXPECT_EQ(face.NumPoints(), 20);
    ASSERT_EQ(face.landmarks.Size(), 2u);
    EXPECT_EQ(face.landmarks[1], 19);
}

TEST(ChildFaceRegions, ShortSourcesAreLeftOut)
{
    QV_AnnotationModel fitted;
    fitted.annotations.Append(Numbered("RIGHT EYE", 5, 0));  // the iris reads point 7
    QV_AnnotationModel reference;
    reference.annotations.Append(Contour("RIGHT IRIS", {}));
    reference.annotations.Append(Contour("RIGHT EYE", {}));
    int reports = 0;
    QV_RebuildChildFaceRegions(reference, fitted, [&](const char*) { ++reports; });
    EXPECT_EQ(reports, 1);
    ASSERT_EQ(fitted.Count(), 1);
    EXPECT_EQ(fitted[0].label.Std(), "RIGHT EYE");
}
