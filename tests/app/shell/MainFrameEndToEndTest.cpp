// The whole road on the shipped data: open the portrait through the open
// dialog, create the avatar automatically, undo back to the fit, save an OBJ
// through the save dialog; and the child-face fit from given eyes.
#include <gtest/gtest.h>

#include <filesystem>

#include "MainFrameFixture.h"
#include "QV_Commands.h"
#include "QV_FindEyes.h"

using shell_test::FixtureDir;
using shell_test::Workspace;

namespace {

int IndexOf(const std::vector<QV_String>& texts, const char* text)
{
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i].Std() == text) return static_cast<int>(i);
    return -1;
}

}  // namespace

TEST(MainFrameEndToEnd, OpenAutoCreateUndoAndSaveOnTheShippedData)
{
    Workspace w(VISAGEN_DATA_DIR);
    ASSERT_TRUE(w.frame.Create());
    w.platform.messages.clear();

    w.platform.openAnswers = {shell_test::Sample("grace_hopper.jpg").c_str()};
    w.frame.OnCommand(QV_Command::kOpenImage);
    ASSERT_TRUE(w.frame.imageView.hasImage);
    EXPECT_EQ(w.frame.title.Std(), "Heddle: grace_hopper.jpg");

    const int repaintsBefore = w.platform.hosts[0].repaints;
    w.frame.OnCommand(QV_Command::kAutoCreate);
    EXPECT_TRUE(w.platform.messages.empty()) << (w.platform.messages.empty() ? "" : w.platform.messages[0].Std());
    ASSERT_TRUE(w.frame.headCreated);
    EXPECT_TRUE(w.frame.headView.hasMesh);
    EXPECT_GT(w.frame.headView.mesh.VertexCount(), 100);
    EXPECT_EQ(w.frame.headView.mode, SceneView::kCamera);
    EXPECT_TRUE(w.platform.WaitCursorBalanced());

    // The eyes found lie in the picture, the right eye (eyeA) on the left.
    EXPECT_LT(w.frame.imageView.eyeA.x, w.frame.imageView.eyeB.x);
    EXPECT_GT(w.frame.imageView.eyeA.x, 0.0f);
    EXPECT_LT(w.frame.imageView.eyeB.x, 1.0f);

    // The search reported through the status bar and repainted each time,
    // then the creation texts came in order, last of all.
    const std::vector<QV_String>& status = w.platform.statusTexts;
    const int creating = IndexOf(status, "Creating 3D, please wait...");
    const int finished = IndexOf(status, "Finished creating 3D, use the mouse to manipulate the viewpoint");
    ASSERT_GT(creating, 0);
    EXPECT_EQ(finished, static_cast<int>(status.size()) - 1);
    EXPECT_LT(creating, finished);
    EXPECT_GE(w.platform.hosts[0].repaints - repaintsBefore, creating + 2);
    // The search's progress texts all came while the wait cursor showed.
    ASSERT_EQ(w.platform.statusUnderWait.size(), status.size());
    for (int i = 0; i < creating; ++i) EXPECT_TRUE(w.platform.statusUnderWait[i]) << status[i].Std();

    // The annotation shown as lines; the fit is the base of the undo stack.
    const SceneView& image = w.frame.imageView;
    EXPECT_TRUE(image.annotationShown);
    EXPECT_TRUE(image.linesShown);
    EXPECT_FALSE(image.landmarksShown);
    EXPECT_FALSE(image.pointsShown);
    ASSERT_EQ(image.undoStack.size(), 1u);
    ASSERT_GT(image.annotation.Count(), 0);
    EXPECT_EQ(image.undoStack[0][0].points[0].x, image.annotation[0].points[0].x);

    // A user's edit after the fit can be undone back to it.
    const QV_Point2D fitted = w.frame.imageView.annotation[0].points[0];
    w.frame.imageView.annotation[0].points[0] = QV_Point2D(fitted.x + 0.05f, fitted.y);
    w.frame.imageView.undoStack.push_back(w.frame.imageView.annotation);
    w.frame.OnCommand(QV_Command::kUndo);
    EXPECT_EQ(w.frame.imageView.annotation[0].points[0].x, fitted.x);
    EXPECT_EQ(w.platform.statusTexts.back().Std(), "Ready");

    // Save through the dialog: a name without extension takes the OBJ entry's.
    visagen_test::TempDir out;
    w.platform.saveAnswers = {{out.File("avatar").c_str(), 1}};
    w.frame.OnCommand(QV_Command::kSaveAvatar);
    EXPECT_TRUE(w.platform.messages.empty()) << (w.platform.messages.empty() ? "" : w.platform.messages[0].Std());
    ASSERT_TRUE(std::filesystem::exists(out.File("avatar.obj")));
    const std::vector<unsigned char> obj = visagen_test::ReadFileBytes(out.File("avatar.obj"));
    const std::string text(obj.begin(), obj.end());
    EXPECT_NE(text.find("\nv "), std::string::npos);
    EXPECT_NE(text.find("\nf "), std::string::npos);
    EXPECT_EQ(w.frame.title.Std(), "Heddle: avatar.obj");
}

TEST(MainFrameEndToEnd, ChildFaceFitRebuildsTheReferenceContours)
{
    FixtureDir dir;
    dir.Link("Head.qvface", "Child.qvface");
    dir.AddStandardHead("Standard.qvhead");
    Workspace w(dir.Path());
    ASSERT_TRUE(w.frame.Create());
    ASSERT_TRUE(w.frame.childFaceAvailable);
    w.platform.openAnswers = {shell_test::Sample("grace_hopper.jpg").c_str()};
    w.frame.OnCommand(QV_Command::kOpenImage);
    ASSERT_TRUE(w.frame.imageView.hasImage);
    // Both face models work on the opened photograph.
    EXPECT_EQ(w.frame.childFaceModel.image.Rows(), 512);
    w.frame.OnCommand(QV_Command::kChildFace);
    ASSERT_EQ(w.frame.currentFaceModel, &w.frame.childFaceModel);
    w.platform.messages.clear();

    QV_Point2D eyeA, eyeB;
    ASSERT_TRUE(FindEyes(w.frame.imageView.photo, eyeA, eyeB));
    w.frame.CreateFromEyes(eyeA, eyeB);
    EXPECT_EQ(w.frame.childFaceModel.refine, 0);
    EXPECT_EQ(w.frame.imageView.annotation.version, 1);
    const QV_AnnotationModel& reference = w.frame.headFaceModel.reference;
    ASSERT_EQ(w.frame.imageView.annotation.Count(), reference.Count());
    for (int i = 0; i < reference.Count(); ++i)
        EXPECT_EQ(w.frame.imageView.annotation[i].label.Std(), reference[i].label.Std()) << i;
    EXPECT_TRUE(w.frame.headCreated);
    EXPECT_TRUE(w.platform.messages.empty()) << (w.platform.messages.empty() ? "" : w.platform.messages[0].Std());
}
