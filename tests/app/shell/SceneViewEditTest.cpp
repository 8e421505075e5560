// The image view without a window: opening photographs and annotations, the
// photograph rectangle, hit tests, point and contour dragging, the eye line
// and the undo stack.
#include <gtest/gtest.h>

#include <cmath>

#include "SceneView.h"
#include "SceneViewTestSupport.h"

using namespace visagen_test;

namespace {

constexpr int kSide = 400;

// An image view at 400 x 400 with a 512 x 512 photograph, framed, in
// Annotate mode, with the given annotation opened from a file.
class ImageViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.owner = &owner;
        view.isImageView = true;
        view.Resize(kSide, kSide);
        ASSERT_TRUE(view.OpenPhotograph(WritePhoto(dir, "face.png", 256, 256, QV_Colour(90, 90, 90)).c_str()));
        view.FitCamera();
        view.mode = SceneView::kAnnotate;
    }

    void OpenAnnotationFile(const QV_AnnotationModel& model)
    {
        const std::string path = dir.File("face.mma");
        ASSERT_TRUE(model.Save(path.c_str()));
        ASSERT_TRUE(view.OpenAnnotation(path.c_str()));
    }

    // A press-move-release with the given button from one photograph point to another.
    void Drag(QV_Point2D from, QV_Point2D to, SceneView::Buttons held)
    {
        const QV_Point2D a = WindowPoint(view, from), b = WindowPoint(view, to);
        view.MouseMove(a.x, a.y, SceneView::Buttons{});
        if (held.left) view.LeftButtonDown(a.x, a.y, held);
        if (held.right) view.RightButtonDown(a.x, a.y, held);
        view.MouseMove(b.x, b.y, held);
        if (held.left) view.LeftButtonUp(b.x, b.y, held);
        if (held.right) view.RightButtonUp(b.x, b.y, held);
    }
    void LeftDrag(QV_Point2D from, QV_Point2D to) { Drag(from, to, SceneView::Buttons{true, false, false, false}); }

    QV_Point2D Point(int contour, int index) const { return view.annotation[contour].points[index]; }

    TempDir dir;
    RecordingOwner owner;
    SceneView view;
};

void ExpectNear(const QV_Point2D& got, const QV_Point2D& want, float tolerance = 1e-3f)
{
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
}

}  // namespace

// ---- photograph ----

struct RowsCase {
    int rows, cols;
    int wantCols;
};

class PhotographRowsTest : public ::testing::TestWithParam<RowsCase> {};

TEST_P(PhotographRowsTest, ShownAndHandedOnAt512Rows)
{
    TempDir dir;
    RecordingOwner owner;
    SceneView view;
    view.owner = &owner;
    const RowsCase c = GetParam();
    ASSERT_TRUE(view.OpenPhotograph(WritePhoto(dir, "p.png", c.rows, c.cols, QV_Colour(1, 2, 3)).c_str()));
    EXPECT_EQ(view.photo.Rows(), 512);
    EXPECT_EQ(view.photo.Cols(), c.wantCols);
    ASSERT_EQ(owner.openedRows.size(), 1u);
    EXPECT_EQ(owner.openedRows[0], 512);
    EXPECT_TRUE(view.hasImage);
    EXPECT_TRUE(view.hasMesh);
    EXPECT_FALSE(view.textureUploaded);
}

INSTANTIATE_TEST_SUITE_P(Heights, PhotographRowsTest,
                         ::testing::Values(RowsCase{1024, 768, 384}, RowsCase{300, 150, 256}, RowsCase{512, 100, 100}));

TEST(SceneViewPhotograph, RectangleCoversThePhotographInPixels)
{
    TempDir dir;
    SceneView view;  // no owner: nothing to tell
    ASSERT_TRUE(view.OpenPhotograph(WritePhoto(dir, "Portrait.Of.Me.png", 256, 128, QV_Colour(1, 2, 3)).c_str()));
    const QV_Mesh& m = view.mesh;
    ASSERT_EQ(m.VertexCount(), 4);
    const QV_Point3D corners[4] = {{0, 0, 0}, {0, 512, 0}, {256, 512, 0}, {256, 0, 0}};
    const QV_Point2D uv[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    ASSERT_EQ(m.TexCoordCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.vertices[i], corners[i]) << i;
        EXPECT_EQ(m.texCoords[i], uv[i]) << i;
    }
    ASSERT_EQ(m.NormalCount(), 1);
    EXPECT_EQ(m.normals[0], QV_Point3D(0, 0, 1));
    ASSERT_EQ(m.FaceCount(), 1);
    ASSERT_EQ(m.faces[0].count, 4);
    const int order[4] = {3, 2, 1, 0};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(m.faces[0].corners[k].vertex, order[k]);
        EXPECT_EQ(m.faces[0].corners[k].texCoord, order[k]);
        EXPECT_EQ(m.faces[0].corners[k].normal, 0);
    }
    ASSERT_EQ(m.FeatureCount(), 1);
    EXPECT_STREQ(m.features[0].name.CStr(), "Portrait.Of");
    EXPECT_TRUE(m.features[0].visible);
    EXPECT_TRUE(m.hasTexture);
    EXPECT_EQ(m.size, QV_Point3D(256, 512, 0));
}

TEST(SceneViewPhotograph, UnreadableFileLeavesNoPhotograph)
{
    TempDir dir;
    RecordingOwner owner;
    SceneView view;
    view.owner = &owner;
    ASSERT_TRUE(view.OpenPhotograph(WritePhoto(dir, "good.png", 64, 64, QV_Colour(1, 2, 3)).c_str()));
    WriteFileText(dir.File("bad.png"), "not a picture");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(view.OpenPhotograph(dir.File("bad.png").c_str()));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(view.hasImage);
    EXPECT_FALSE(view.hasMesh);
    EXPECT_EQ(owner.openedRows.size(), 1u);  // only the good one was handed on
    EXPECT_FALSE(view.mesh.hasTexture);
}

TEST(SceneViewPhotograph, DoubleClickFramesTheWholeRectangle)
{
    TempDir dir;
    SceneView view;
    view.isImageView = true;
    view.Resize(300, 300);
    ASSERT_TRUE(view.OpenPhotograph(WritePhoto(dir, "p.png", 512, 256, QV_Colour(1, 2, 3)).c_str()));
    view.LeftDoubleClick(10, 10, SceneView::Buttons{});
    EXPECT_EQ(view.camera.target, QV_Point3D(128, 256, 0));
    // The photograph's height x 1.1 fills the vertical field of view.
    const QV_Point2D top = WindowPoint(view, QV_Point2D(0.5f, 1.0f));
    const QV_Point2D bottom = WindowPoint(view, QV_Point2D(0.5f, 0.0f));
    EXPECT_NEAR(bottom.y - top.y, 300.0f / 1.1f, 0.5f);
}

// ---- annotation files and undo ----

TEST_F(ImageViewTest, OpeningAnAnnotationShowsItForEditing)
{
    view.landmarksShown = true;
    view.pointsShown = true;
    view.manipulateAll = true;
    view.mode = SceneView::kCamera;
    OpenAnnotationFile(OneContour({{0.2f, 0.2f}, {0.8f, 0.8f}}));
    EXPECT_TRUE(view.annotationShown);
    EXPECT_TRUE(view.linesShown);
    EXPECT_FALSE(view.landmarksShown);
    EXPECT_FALSE(view.pointsShown);
    EXPECT_FALSE(view.manipulateAll);
    EXPECT_EQ(view.mode, SceneView::kAnnotate);
    ASSERT_EQ(view.undoStack.size(), 1u);
    ExpectNear(Point(0, 1), {0.8f, 0.8f});
}

TEST_F(ImageViewTest, UnreadableAnnotationKeepsAnnotationAndStack)
{
    OpenAnnotationFile(OneContour({{0.2f, 0.2f}}));
    LeftDrag({0.2f, 0.2f}, {0.3f, 0.3f});
    WriteFileText(dir.File("broken.mma"), "garbage\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(view.OpenAnnotation(dir.File("broken.mma").c_str()));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(view.undoStack.size(), 2u);
    ExpectNear(Point(0, 0), {0.3f, 0.3f});
}

TEST_F(ImageViewTest, UndoWalksBackThroughDragsToTheOpenedFile)
{
    OpenAnnotationFile(OneContour({{0.2f, 0.2f}, {0.8f, 0.8f}}));
    view.Undo();
    EXPECT_EQ(owner.LastStatus(), "No more undo");

    LeftDrag({0.2f, 0.2f}, {0.3f, 0.25f});
    LeftDrag({0.8f, 0.8f}, {0.7f, 0.6f});
    ExpectNear(Point(0, 0), {0.3f, 0.25f});
    ExpectNear(Point(0, 1), {0.7f, 0.6f});

    ASSERT_TRUE(view.OnCommand(SceneView::kUndoCommand));
    EXPECT_EQ(owner.LastStatus(), "Ready");
    ExpectNear(Point(0, 0), {0.3f, 0.25f});
    ExpectNear(Point(0, 1), {0.8f, 0.8f});

    view.Undo();
    EXPECT_EQ(owner.LastStatus(), "Ready");
    ExpectNear(Point(0, 0), {0.2f, 0.2f});

    view.Undo();
    EXPECT_EQ(owner.LastStatus(), "No more undo");
    ExpectNear(Point(0, 0), {0.2f, 0.2f});
}

TEST_F(ImageViewTest, FirstDragAfterAFitCanBeUndoneBackToTheFit)
{
    // A search writes the annotation directly, then marks it as fitted.
    view.annotation = OneContour({{0.4f, 0.4f}, {0.6f, 0.6f}});
    view.annotationShown = true;
    view.AnnotationFitted();
    view.Undo();
    EXPECT_EQ(owner.LastStatus(), "No more undo");

    LeftDrag({0.4f, 0.4f}, {0.45f, 0.5f});
    ExpectNear(Point(0, 0), {0.45f, 0.5f});
    view.Undo();
    EXPECT_EQ(owner.LastStatus(), "Ready");
    ExpectNear(Point(0, 0), {0.4f, 0.4f});
}

TEST_F(ImageViewTest, FittingReplacesTheStackOfAnEarlierFile)
{
    OpenAnnotationFile(OneContour({{0.2f, 0.2f}}));
    LeftDrag({0.2f, 0.2f}, {0.3f, 0.3f});
    view.annotation = OneContour({{0.5f, 0.5f}});
    view.AnnotationFitted();
    ASSERT_EQ(view.undoStack.size(), 1u);
    view.Undo();
    EXPECT_EQ(owner.LastStatus(), "No more undo");
    ExpectNear(Point(0, 0), {0.5f, 0.5f});
}

TEST_F(ImageViewTest, UndoIsOnlyACommandOfTheImageView)
{
    OpenAnnotationFile(OneContour({{0.2f, 0.2f}}));
    LeftDrag({0.2f, 0.2f}, {0.3f, 0.3f});
    SceneView head;
    EXPECT_FALSE(head.OnCommand(SceneView::kUndoCommand));
    EXPECT_FALSE(view.OnCommand(12345));
    // Outside Annotate mode the image view takes the command but undoes nothing.
    view.mode = SceneView::kEyeLine;
    EXPECT_TRUE(view.OnCommand(SceneView::kUndoCommand));
    ExpectNear(Point(0, 0), {0.3f, 0.3f});
}

// ---- hit tests and grabbing ----

struct HitCase {
    float offset;
    bool grabs;
};

class HitRadiusTest : public ImageViewTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(HitRadiusTest, PressGrabsOnlyWithinTheRadius)
{
    OpenAnnotationFile(OneContour({{0.3f, 0.3f}, {0.5f, 0.5f}, {0.7f, 0.7f}}));
    const QV_Point2D press(0.5f + GetParam().offset, 0.5f);
    const QV_Point2D w = WindowPoint(view, press);
    view.MouseMove(w.x, w.y, SceneView::Buttons{});
    view.LeftButtonDown(w.x, w.y, SceneView::Buttons{true, false, false, false});
    EXPECT_EQ(view.leftGrab, GetParam().grabs);
    if (GetParam().grabs) {
        EXPECT_EQ(view.selectedAnnotation, 0);
        EXPECT_EQ(view.selectedPoint, 1);
    }
    const QV_Point2D to = WindowPoint(view, QV_Point2D(0.9f, 0.1f));
    view.MouseMove(to.x, to.y, SceneView::Buttons{true, false, false, false});
    view.LeftButtonUp(to.x, to.y, SceneView::Buttons{});
    if (GetParam().grabs) {
        ExpectNear(Point(0, 1), {0.9f, 0.1f});
        EXPECT_EQ(view.undoStack.size(), 2u);
    } else {
        ExpectNear(Point(0, 1), {0.5f, 0.5f});
        EXPECT_EQ(view.undoStack.size(), 1u);  // a press on nothing leaves no undo step
    }
    EXPECT_FALSE(view.leftGrab);
}

INSTANTIATE_TEST_SUITE_P(Offsets, HitRadiusTest,
                         ::testing::Values(HitCase{0.06f, false}, HitCase{-0.06f, false}, HitCase{0.04f, true},
                                           HitCase{-0.04f, true}, HitCase{0.0f, true}));

TEST_F(ImageViewTest, StatusNamesTheContourAndPointUnderTheGrab)
{
    OpenAnnotationFile(OneContour({{0.3f, 0.3f}, {0.5f, 0.5f}}, {}, "LEFT EYE"));
    const QV_Point2D w = WindowPoint(view, QV_Point2D(0.5f, 0.5f));
    view.LeftButtonDown(w.x, w.y, SceneView::Buttons{true, false, false, false});
    view.MouseMove(w.x + 3, w.y, SceneView::Buttons{true, false, false, false});
    EXPECT_EQ(owner.LastStatus(), "LEFT EYE 1");
}

TEST_F(ImageViewTest, WithLandmarksShownOnlyLandmarksAreGrabbedAndNeighboursFollow)
{
    OpenAnnotationFile(OneContour({{0.2f, 0.5f}, {0.3f, 0.5f}, {0.4f, 0.5f}, {0.5f, 0.5f}, {0.6f, 0.5f}}, {0, 2, 4}));
    view.landmarksShown = true;
    view.pointsShown = false;

    // Point 1 is no landmark, and both landmarks beside it are 0.1 away.
    LeftDrag({0.3f, 0.5f}, {0.3f, 0.6f});
    ExpectNear(Point(0, 1), {0.3f, 0.5f});

    LeftDrag({0.4f, 0.5f}, {0.4f, 0.6f});
    ExpectNear(Point(0, 2), {0.4f, 0.6f});
    EXPECT_GT(Point(0, 1).y, 0.51f);  // the neighbours follow part of the way
    EXPECT_LT(Point(0, 1).y, 0.6f);
    EXPECT_GT(Point(0, 3).y, 0.51f);
    ExpectNear(Point(0, 0), {0.2f, 0.5f});  // the next landmarks stay
    ExpectNear(Point(0, 4), {0.6f, 0.5f});
}

TEST_F(ImageViewTest, WithPointsShownSinglePointsMoveAlone)
{
    OpenAnnotationFile(OneContour({{0.2f, 0.5f}, {0.3f, 0.5f}, {0.4f, 0.5f}}, {0, 2}));
    view.landmarksShown = true;
    view.pointsShown = true;
    LeftDrag({0.3f, 0.5f}, {0.3f, 0.7f});
    ExpectNear(Point(0, 1), {0.3f, 0.7f});
    ExpectNear(Point(0, 0), {0.2f, 0.5f});
    ExpectNear(Point(0, 2), {0.4f, 0.5f});
}

TEST_F(ImageViewTest, ContourAndWholeAnnotationMoveWithTheGrab)
{
    QV_AnnotationModel model = OneContour({{0.3f, 0.3f}, {0.4f, 0.3f}});
    QV_Annotation other;
    other.label = "MOUTH";
    other.points.Append(QV_Point2D(0.5f, 0.2f));
    model.annotations.Append(other);
    OpenAnnotationFile(model);

    view.manipulateSingle = true;
    LeftDrag({0.3f, 0.3f}, {0.35f, 0.4f});
    ExpectNear(Point(0, 0), {0.35f, 0.4f});
    ExpectNear(Point(0, 1), {0.45f, 0.4f});
    ExpectNear(Point(1, 0), {0.5f, 0.2f});

    view.manipulateSingle = false;
    view.manipulateAll = true;
    LeftDrag({0.5f, 0.2f}, {0.4f, 0.1f});
    ExpectNear(Point(0, 0), {0.25f, 0.3f});
    ExpectNear(Point(1, 0), {0.4f, 0.1f});

    // Right drags turn, both buttons scale; single points do neither.
    const QV_Point2D before = Point(0, 0);
    view.manipulateAll = false;
    Drag({0.4f, 0.1f}, {0.4f, 0.3f}, SceneView::Buttons{false, true, false, false});
    ExpectNear(Point(0, 0), before);
    view.manipulateSingle = true;
    Drag({0.25f, 0.3f}, {0.25f, 0.4f}, SceneView::Buttons{false, true, false, false});
    // The contour turned by 0.1 x 50 = 5 degrees about its centroid.
    EXPECT_NEAR(std::abs(Point(0, 0).y - Point(0, 1).y), 0.1f * std::sin(5.0f * 3.14159265f / 180.0f), 5e-4f);
}

TEST_F(ImageViewTest, CtrlRightDragPansInsteadOfMovingPoints)
{
    OpenAnnotationFile(OneContour({{0.5f, 0.5f}}));
    const QV_Point3D offsetBefore = view.camera.cameraOffset;
    Drag({0.5f, 0.5f}, {0.6f, 0.6f}, SceneView::Buttons{false, true, true, false});
    ExpectNear(Point(0, 0), {0.5f, 0.5f});
    EXPECT_NE(view.camera.cameraOffset.x, offsetBefore.x);
    EXPECT_NE(view.camera.cameraOffset.y, offsetBefore.y);
    EXPECT_EQ(view.camera.rotation.m[0], 1.0f);
    // The pan was no edit, so there is nothing to undo.
    view.Undo();
    EXPECT_EQ(owner.LastStatus(), "No more undo");
}

// ---- eye line ----

TEST_F(ImageViewTest, EyeLineGivesTheSameEyesWhicheverWayItIsDrawn)
{
    const QV_Point2D right(0.35f, 0.62f), left(0.66f, 0.6f);
    for (bool leftToRight : {true, false}) {
        view.mode = SceneView::kEyeLine;
        LeftDrag(leftToRight ? right : left, leftToRight ? left : right);
        EXPECT_EQ(view.mode, SceneView::kAnnotate);
    }
    ASSERT_EQ(owner.eyeCalls.size(), 2u);
    for (const auto& call : owner.eyeCalls) {
        ExpectNear(call.first, right);
        ExpectNear(call.second, left);
    }
    EXPECT_EQ(owner.statusTexts.front(), "Click and drag the left mouse button from one eye to the other");
}

TEST_F(ImageViewTest, EyeLineNeedsAPhotograph)
{
    SceneView empty;
    empty.owner = &owner;
    empty.Resize(kSide, kSide);
    empty.mode = SceneView::kEyeLine;
    empty.LeftButtonDown(100, 100, SceneView::Buttons{true, false, false, false});
    empty.LeftButtonUp(200, 100, SceneView::Buttons{});
    EXPECT_TRUE(owner.eyeCalls.empty());
    EXPECT_EQ(empty.mode, SceneView::kEyeLine);
}
