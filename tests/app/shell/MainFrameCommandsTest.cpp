// The workspace's commands against a recording platform and a recording
// plug-in: refusals with their texts, the file commands and their dialogs,
// head creation and re-creation, plug-in selection and the switches, the
// display commands, routing, and the external finder's face box.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "MainFrameFixture.h"
#include "QV_Commands.h"
#include "QV_OlderMugShotPlugins.h"

using shell_test::FixtureDir;
using shell_test::Workspace;

namespace {

// A plug-in that records what the shell asks of it and answers as told.
class RecordingPlugin : public QV_AvatarPlugin {
public:
    bool createResult = true;
    bool saveResult = true;
    QV_String failureMessage;
    int creations = 0;
    bool lastHighRes = false;
    int lastPhotoRows = 0;
    int lastAnnotationCount = 0;
    QV_Point2D lastFirstPoint;
    std::vector<std::string> savedPaths;
    std::vector<bool> femaleCalls;

    bool WriteHead(std::FILE*) const override { return true; }
    bool ReadHead(std::FILE*) override { return true; }
    bool LoadDataDirectory(const QV_String&, QV_String&) override { return true; }
    bool SaveAvatar(const QV_Mesh&, const QV_String&, QV_String&) override { return true; }
    QV_String Name() const override { return "Recording"; }
    bool SaveFromApplication(const QV_Mesh&, const QV_String& path, QV_String& error) override
    {
        savedPaths.push_back(path.Std());
        if (!saveResult) error = failureMessage;
        return saveResult;
    }
    bool CreateFromFront(const QV_FaceSearch&, const QV_Image& photo, const QV_AnnotationModel& model, QV_Mesh& out,
                         bool highRes, QV_String& error) override
    {
        ++creations;
        lastHighRes = highRes;
        lastPhotoRows = photo.Rows();
        lastAnnotationCount = model.Count();
        if (model.Count() > 0 && model.annotations[0].points.Size() > 0)
            lastFirstPoint = model.annotations[0].points[0];
        if (!createResult) {
            error = failureMessage;
            return false;
        }
        out.Clear();
        out.vertices.Append(QV_Point3D(0, 0, 0));
        out.vertices.Append(QV_Point3D(10, 0, 0));
        out.vertices.Append(QV_Point3D(0, 10 + creations, 0));
        out.faces.Append(QV_Face(0, 1, 2));
        out.EnsureFeature();
        out.UpdateBounds();
        return true;
    }
    void SetFemaleBody(bool female) override { femaleCalls.push_back(female); }
};

// A workspace started on a fixture directory without head files, given
// recording plug-ins instead.
class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(w.frame.Create());
        Reset();
    }
    RecordingPlugin& AddPlugin(const char* label)
    {
        auto plugin = std::make_unique<RecordingPlugin>();
        RecordingPlugin& ref = *plugin;
        w.frame.plugins.push_back(std::move(plugin));
        w.frame.pluginLabels.push_back(label);
        if (!w.frame.currentPlugin) w.frame.currentPlugin = &ref;
        w.frame.pluginAvailable = true;
        return ref;
    }
    // A photograph in the image view and the face models, as Open Image
    // leaves them (without reading a file).
    void GivePhotograph(int rows = 64, int cols = 48)
    {
        QV_Image photo(rows, cols);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) photo(r, c) = QV_Colour(120, 110, 100, 255);
        w.frame.imageView.photo = photo;
        w.frame.imageView.hasImage = true;
        w.frame.imageView.hasMesh = true;
        w.frame.PhotographOpened(photo);
    }
    void GiveAnnotation() { w.frame.imageView.annotation = w.frame.headFaceModel.reference; }
    void Reset()
    {
        w.platform.messages.clear();
        w.platform.statusTexts.clear();
        w.platform.captions.clear();
        w.platform.log.clear();
        w.platform.waitCursor.clear();
    }
    int ImageRepaints() const { return w.platform.hosts[0].repaints; }
    int HeadRepaints() const { return w.platform.hosts[1].repaints; }

    FixtureDir dir;
    Workspace w{dir.Path()};
};

}  // namespace

TEST_F(Commands, RefusalsShowTheirTextAndChangeNothing)
{
    RecordingPlugin& plugin = AddPlugin("One");
    struct Case {
        const char* name;
        std::function<void()> setup;
        int command;
        std::string message;
    };
    const std::string missing = dir.File("missing.jpg");
    const std::string badAnnotation = dir.File("bad.mma");
    visagen_test::WriteFileText(badAnnotation, "not an annotation\n");
    const Case cases[] = {
        {"auto create without photograph", [] {}, QV_Command::kAutoCreate, "You must load an image first!"},
        {"re-create without photograph", [] {}, QV_Command::kRecreate, "You must load an image first!"},
        {"contrast without photograph", [] {}, QV_Command::kStretchContrast, "You must have an image loaded!"},
        {"re-create without plug-in", [&] { GivePhotograph(); w.frame.pluginAvailable = false; }, QV_Command::kRecreate,
         "You must load an Quorvex math model!"},
        {"auto create without plug-in", [&] { GivePhotograph(); w.frame.pluginAvailable = false; },
         QV_Command::kAutoCreate, "You must load an Quorvex math model!"},
        {"re-create without eyes", [&] { GivePhotograph(); }, QV_Command::kRecreate, "You must select the eyes first!"},
        {"plug-in out of range", [] {}, QV_Command::kFirstPlugin + 1, "Out of range"},
        {"plug-in at the end of the range", [] {}, QV_Command::kLastPlugin, "Out of range"},
        {"open another type", [&] { w.platform.openAnswers = {"/x/photo.GIF"}; }, QV_Command::kOpenImage,
         "Unknown file type: gif"},
        {"open missing photograph", [&] { w.platform.openAnswers = {missing.c_str()}; }, QV_Command::kOpenImage,
         "Failed to load:\n" + missing},
        {"open unreadable annotation", [&] { w.platform.openAnswers = {badAnnotation.c_str()}; },
         QV_Command::kOpenImage, "Failed to load:\n" + badAnnotation},
        {"save another type", [&] { w.platform.saveAnswers = {{dir.File("head.stl").c_str(), 1}}; },
         QV_Command::kSaveAvatar, "Unknown file type: " + dir.File("head.stl")},
    };
    for (const Case& c : cases) {
        w.frame.imageView.hasImage = false;
        w.frame.imageView.annotation = QV_AnnotationModel();
        w.frame.pluginAvailable = true;
        c.setup();
        Reset();
        testing::internal::CaptureStderr();
        EXPECT_TRUE(w.frame.OnCommand(c.command)) << c.name;
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(w.platform.MessageTexts(), std::vector<std::string>{c.message}) << c.name;
        EXPECT_TRUE(w.platform.captions.empty()) << c.name;
        EXPECT_TRUE(w.platform.WaitCursorBalanced()) << c.name;
        EXPECT_EQ(plugin.creations, 0) << c.name;
        EXPECT_TRUE(plugin.savedPaths.empty()) << c.name;
        EXPECT_FALSE(w.frame.headCreated) << c.name;
        EXPECT_EQ(w.frame.currentPlugin, &plugin) << c.name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("head.stl")));
}

TEST_F(Commands, OpenImageTakesExtensionsInAnyCaseAndPng)
{
    QV_Image photo(40, 30);
    ASSERT_TRUE(photo.Save(dir.File("FACE.JPG").c_str()));
    ASSERT_TRUE(photo.Save(dir.File("other.png").c_str()));
    w.platform.openAnswers = {dir.File("FACE.JPG").c_str(), dir.File("other.png").c_str()};

    w.frame.OnCommand(QV_Command::kOpenImage);
    ASSERT_EQ(w.platform.openFilters.size(), 1u);
    EXPECT_EQ(w.platform.openFilters[0].Std(),
              "Image files (*.jpg;*.bmp;*.tif)|*.jpg;*.bmp;*.tif|Annotation files (*.mma)|*.mma||");
    EXPECT_TRUE(w.platform.messages.empty());
    EXPECT_EQ(w.platform.captions, std::vector<QV_String>{"Heddle: FACE.JPG"});
    EXPECT_EQ(w.frame.title.Std(), "Heddle: FACE.JPG");
    EXPECT_TRUE(w.frame.imageView.hasImage);
    EXPECT_FALSE(w.frame.imageView.annotationShown);
    EXPECT_EQ(w.frame.imageView.mode, SceneView::kAnnotate);
    // The face model works on the photograph at 512 rows.
    EXPECT_EQ(w.frame.headFaceModel.image.Rows(), 512);
    EXPECT_EQ(w.frame.imageView.photo.Rows(), 512);
    EXPECT_TRUE(w.platform.WaitCursorBalanced());
    EXPECT_EQ(w.platform.waitCursor.size(), 2u);

    w.frame.OnCommand(QV_Command::kOpenImage);
    EXPECT_TRUE(w.platform.messages.empty());
    EXPECT_EQ(w.frame.title.Std(), "Heddle: other.png");

    // A strip far wider than tall has no workable size at 512 rows.
    ASSERT_TRUE(QV_Image(1, 4200).Save(dir.File("strip.png").c_str()));
    w.platform.openAnswers = {dir.File("strip.png").c_str()};
    w.frame.OnCommand(QV_Command::kOpenImage);
    EXPECT_EQ(w.platform.MessageTexts(), std::vector<std::string>{"Failed to load:\n" + dir.File("strip.png")});
    EXPECT_FALSE(w.frame.imageView.hasImage);
    EXPECT_EQ(w.frame.title.Std(), "Heddle: other.png");

    // A cancelled dialog does nothing.
    Reset();
    w.frame.OnCommand(QV_Command::kOpenImage);
    EXPECT_TRUE(w.platform.captions.empty());
    EXPECT_TRUE(w.platform.waitCursor.empty());
}

TEST_F(Commands, OpenImageReadsAnAnnotationFileAsTheUndoBase)
{
    const std::string path = dir.File("Fitted.mma");
    ASSERT_TRUE(w.frame.headFaceModel.reference.Save(path.c_str()));
    w.platform.openAnswers = {path.c_str()};
    w.frame.OnCommand(QV_Command::kOpenImage);
    EXPECT_TRUE(w.platform.messages.empty());
    EXPECT_EQ(w.frame.title.Std(), "Heddle: Fitted.mma");
    EXPECT_EQ(w.frame.imageView.annotation.Count(), w.frame.headFaceModel.reference.Count());
    EXPECT_EQ(w.frame.imageView.undoStack.size(), 1u);
    EXPECT_GT(ImageRepaints(), 0);
}

TEST_F(Commands, SaveAvatarAppliesTheDialogsExtensionRuleAndDispatchesToThePlugin)
{
    RecordingPlugin& plugin = AddPlugin("One");
    struct Case {
        std::string typed;
        int filterIndex;
        std::string saved;
        const char* caption;
    };
    const std::string d = dir.Path() + "/";
    const Case cases[] = {
        {d + "head", 2, d + "head.xml", "Heddle: head.xml"},
        {d + "head", 1, d + "head.obj", "Heddle: head.obj"},
        {d + "head.obj", 2, d + "head.obj", "Heddle: head.obj"},
        {d + "head.wrl", 1, d + "head.wrl", "Heddle: head.wrl"},
        {d + "head.3ds", 2, d + "head.3ds", "Heddle: head.3ds"},
        {d + "HEAD.OBJ", 1, d + "HEAD.OBJ", "Heddle: HEAD.OBJ"},
    };
    for (const Case& c : cases) {
        Reset();
        plugin.savedPaths.clear();
        w.platform.saveAnswers = {{c.typed.c_str(), c.filterIndex}};
        w.frame.OnCommand(QV_Command::kSaveAvatar);
        EXPECT_EQ(w.platform.saveFilters.back().Std(), "OBJ (*.obj)|*.obj|XML (*.xml)|*.xml|");
        EXPECT_EQ(plugin.savedPaths, std::vector<std::string>{c.saved}) << c.typed;
        EXPECT_EQ(w.platform.captions, std::vector<QV_String>{c.caption}) << c.typed;
        EXPECT_TRUE(w.platform.messages.empty()) << c.typed;
        EXPECT_TRUE(w.platform.WaitCursorBalanced());
    }

    // The plug-in's failure: its message, the caption kept; a failure without
    // a message still says what failed.
    plugin.saveResult = false;
    plugin.failureMessage = "Failed to save: disk full";
    Reset();
    w.platform.saveAnswers = {{(d + "x.obj").c_str(), 1}};
    w.frame.OnCommand(QV_Command::kSaveAvatar);
    EXPECT_EQ(w.platform.MessageTexts(), std::vector<std::string>{"Failed to save: disk full"});
    EXPECT_TRUE(w.platform.captions.empty());
    plugin.failureMessage = "";
    Reset();
    w.platform.saveAnswers = {{(d + "y.obj").c_str(), 1}};
    w.frame.OnCommand(QV_Command::kSaveAvatar);
    EXPECT_EQ(w.platform.MessageTexts(), std::vector<std::string>{"Failed to save: " + d + "y.obj"});
}

TEST_F(Commands, SaveAvatarWithoutPluginShowsNoDialog)
{
    w.platform.saveAnswers = {{"head.obj", 1}};
    w.frame.OnCommand(QV_Command::kSaveAvatar);
    EXPECT_TRUE(w.platform.saveFilters.empty());
    EXPECT_TRUE(w.platform.messages.empty());
}

TEST_F(Commands, RecreateUsesTheEditedAnnotationWithoutSearching)
{
    RecordingPlugin& plugin = AddPlugin("One");
    GivePhotograph(64, 48);
    GiveAnnotation();
    w.frame.imageView.annotation.annotations[0].points[0] = QV_Point2D(0.123f, 0.456f);
    w.frame.useHighResTexture = true;
    w.frame.OnCommand(QV_Command::kRecreate);

    EXPECT_EQ(plugin.creations, 1);
    EXPECT_TRUE(plugin.lastHighRes);
    EXPECT_EQ(plugin.lastPhotoRows, 64);  // the face model's working copy
    EXPECT_EQ(plugin.lastAnnotationCount, w.frame.headFaceModel.reference.Count());
    EXPECT_FLOAT_EQ(plugin.lastFirstPoint.x, 0.123f);
    EXPECT_TRUE(w.frame.headCreated);
    EXPECT_TRUE(w.frame.headView.hasMesh);
    EXPECT_EQ(w.frame.headView.mesh.VertexCount(), 3);
    EXPECT_EQ(w.frame.headView.mode, SceneView::kCamera);
    EXPECT_EQ(w.platform.statusTexts,
              std::vector<QV_String>{"Finished creating 3D, use the mouse to manipulate the viewpoint"});
    EXPECT_EQ(w.platform.waitCursor, (std::vector<bool>{true, false}));

    // A failed creation shows the plug-in's message and keeps the head.
    plugin.createResult = false;
    plugin.failureMessage = "No head for you";
    Reset();
    w.frame.OnCommand(QV_Command::kRecreate);
    EXPECT_EQ(w.platform.MessageTexts(), std::vector<std::string>{"No head for you"});
    EXPECT_TRUE(w.platform.statusTexts.empty());
    EXPECT_EQ(w.frame.headView.mesh.vertices[2].y, 11.0f);
    EXPECT_TRUE(w.platform.WaitCursorBalanced());
}

TEST_F(Commands, SwitchingPluginsBeforeAnyHeadCreatesNothing)
{
    RecordingPlugin& first = AddPlugin("First");
    RecordingPlugin& second = AddPlugin("Second");
    GivePhotograph();
    GiveAnnotation();
    w.frame.OnCommand(QV_Command::kFirstPlugin + 1);
    EXPECT_EQ(w.frame.currentPlugin, &second);
    EXPECT_EQ(second.femaleCalls, std::vector<bool>{false});
    EXPECT_EQ(first.creations + second.creations, 0);
    EXPECT_FALSE(w.frame.headView.hasMesh);
    EXPECT_TRUE(w.platform.messages.empty());

    // Once a head exists, a change of plug-in re-creates it with the new one.
    w.frame.OnCommand(QV_Command::kRecreate);
    EXPECT_EQ(second.creations, 1);
    w.frame.OnCommand(QV_Command::kFirstPlugin);
    EXPECT_EQ(w.frame.currentPlugin, &first);
    EXPECT_EQ(first.creations, 1);
}

TEST_F(Commands, SwitchesSetTheirChecksAndRecreateOnlyOnceAHeadExists)
{
    RecordingPlugin& plugin = AddPlugin("One");
    GivePhotograph();
    GiveAnnotation();

    w.frame.OnCommand(QV_Command::kFemaleBody);
    EXPECT_TRUE(w.frame.useFemaleBody);
    EXPECT_EQ(plugin.femaleCalls, std::vector<bool>{true});
    EXPECT_TRUE(w.platform.checks.at(QV_Command::kFemaleBody));
    w.frame.OnCommand(QV_Command::kHighResTexture);
    EXPECT_TRUE(w.frame.useHighResTexture);
    EXPECT_TRUE(w.platform.checks.at(QV_Command::kHighResTexture));
    EXPECT_EQ(plugin.creations, 0);

    w.frame.OnCommand(QV_Command::kRecreate);
    ASSERT_EQ(plugin.creations, 1);
    EXPECT_TRUE(plugin.lastHighRes);
    w.frame.OnCommand(QV_Command::kHighResTexture);
    EXPECT_FALSE(w.platform.checks.at(QV_Command::kHighResTexture));
    EXPECT_EQ(plugin.creations, 2);
    EXPECT_FALSE(plugin.lastHighRes);
    w.frame.OnCommand(QV_Command::kFemaleBody);
    EXPECT_EQ(plugin.femaleCalls, (std::vector<bool>{true, false}));
    EXPECT_FALSE(w.platform.checks.at(QV_Command::kFemaleBody));
    EXPECT_EQ(plugin.creations, 3);
}

TEST_F(Commands, BodyTypeWithoutPluginChangesNothing)
{
    w.frame.OnCommand(QV_Command::kFemaleBody);
    EXPECT_FALSE(w.frame.useFemaleBody);
    EXPECT_EQ(w.platform.checks.count(QV_Command::kFemaleBody), 0u);
}

TEST_F(Commands, DisplayAndManipulationCommandsSetTheViews)
{
    SceneView& image = w.frame.imageView;
    SceneView& head = w.frame.headView;
    struct Case {
        int command;
        std::function<bool()> holds;
        int imageRepaints, headRepaints;
    };
    const Case cases[] = {
        {QV_Command::kShowPoints, [&] { return !image.landmarksShown && image.pointsShown; }, 1, 0},
        {QV_Command::kShowLandmarks, [&] { return image.landmarksShown && !image.pointsShown; }, 1, 0},
        {QV_Command::kShowLines, [&] { return !image.landmarksShown && !image.pointsShown && image.linesShown; }, 1, 0},
        {QV_Command::kManipulateAll, [&] { return image.manipulateAll && !image.manipulateSingle; }, 0, 0},
        {QV_Command::kManipulateSingle, [&] { return !image.manipulateAll && image.manipulateSingle; }, 0, 0},
        {QV_Command::kManipulatePoints, [&] { return !image.manipulateAll && !image.manipulateSingle; }, 0, 0},
        {QV_Command::kToggleWireframe, [&] { return head.wireframe; }, 0, 1},
        {QV_Command::kToggleWireframe, [&] { return !head.wireframe; }, 0, 1},
        {QV_Command::kToggleTexture,
         [&] { return !head.textured && head.ambientFactor == 0.65f && head.diffuseFactor == 0.99f; }, 0, 1},
        {QV_Command::kToggleTexture,
         [&] { return head.textured && head.ambientFactor == 1.0f && head.diffuseFactor == 1.0f; }, 0, 1},
        {QV_Command::kLightMode, [&] { return head.mode == SceneView::kLight; }, 0, 0},
        {QV_Command::kCameraMode, [&] { return head.mode == SceneView::kCamera; }, 0, 0},
        {QV_Command::kSetEyes, [&] { return image.mode == SceneView::kEyeLine; }, 1, 0},
    };
    for (const Case& c : cases) {
        const int before[2] = {ImageRepaints(), HeadRepaints()};
        EXPECT_TRUE(w.frame.OnCommand(c.command)) << c.command;
        EXPECT_TRUE(c.holds()) << c.command;
        EXPECT_EQ(ImageRepaints() - before[0], c.imageRepaints) << c.command;
        EXPECT_EQ(HeadRepaints() - before[1], c.headRepaints) << c.command;
    }
    EXPECT_TRUE(w.platform.messages.empty());
}

TEST_F(Commands, RoutingInertCommandsUndoAndAbout)
{
    for (int command : {QV_Command::kNothing1, QV_Command::kNothing2, QV_Command::kSaveFullAvatar, QV_Command::kCtrlQ}) {
        EXPECT_TRUE(w.frame.OnCommand(command)) << command;
    }
    EXPECT_TRUE(w.platform.log.empty());
    EXPECT_TRUE(w.platform.messages.empty());
    // Exit is the window's own business; unknown numbers are nobody's.
    EXPECT_FALSE(w.frame.OnCommand(QV_Command::kExit));
    EXPECT_FALSE(w.frame.OnCommand(12345));

    // Undo goes to the image view first.
    GivePhotograph();
    w.frame.imageView.mode = SceneView::kAnnotate;
    EXPECT_TRUE(w.frame.OnCommand(QV_Command::kUndo));
    EXPECT_EQ(w.platform.statusTexts, std::vector<QV_String>{"No more undo"});

    EXPECT_TRUE(w.frame.OnCommand(QV_Command::kAbout));
    ASSERT_EQ(w.platform.messages.size(), 1u);
    EXPECT_NE(w.platform.messages[0].Std().find("Visagen"), std::string::npos);
}

TEST_F(Commands, TutorialOpensTheGuideInTheDataDirectory)
{
    w.frame.OnCommand(QV_Command::kTutorial);
    ASSERT_EQ(w.platform.shellOpens.size(), 1u);
    EXPECT_EQ(w.platform.shellOpens[0].first.Std(), dir.Path() + "/HeddleInstructions.pdf");
    EXPECT_EQ(w.platform.shellOpens[0].second.Std(), dir.Path());
}

TEST_F(Commands, StretchContrastChangesOnlyTheDisplayedPhotograph)
{
    GivePhotograph(32, 32);
    for (int c = 0; c < 32; ++c) w.frame.imageView.photo(0, c) = QV_Colour(10, 10, 10, 255);
    w.frame.PhotographOpened(w.frame.imageView.photo);
    w.frame.imageView.textureUploaded = true;
    const QV_Colour before = w.frame.imageView.photo(5, 5);
    const int repaints = ImageRepaints();
    w.frame.OnCommand(QV_Command::kStretchContrast);
    EXPECT_TRUE(w.platform.messages.empty());
    EXPECT_NE(w.frame.imageView.photo(5, 5).red, before.red);
    EXPECT_EQ(w.frame.headFaceModel.image(5, 5).red, before.red);
    EXPECT_FALSE(w.frame.imageView.textureUploaded);
    EXPECT_EQ(ImageRepaints(), repaints + 1);
}

TEST_F(Commands, AutoCreateWithoutAnyFaceAsksForTheEyeLine)
{
    AddPlugin("One");
    GivePhotograph(128, 96);
    w.frame.OnCommand(QV_Command::kAutoCreate);
    EXPECT_EQ(w.platform.MessageTexts(),
              std::vector<std::string>{
                  "Unable to automatically locate face!\nPlease drag the left mouse button from one eye to the other"});
    EXPECT_EQ(w.frame.imageView.mode, SceneView::kEyeLine);
    EXPECT_TRUE(w.platform.WaitCursorBalanced());
}

TEST_F(Commands, EyeLineWithoutPluginFitsAndThenAsksForOne)
{
    // Set Eyes Manually needs no plug-in, so the eye line can end in a fit
    // with nothing to create the head with.
    GivePhotograph(128, 96);
    w.frame.OnCommand(QV_Command::kSetEyes);
    w.frame.CreateFromEyes(QV_Point2D(0.35f, 0.6f), QV_Point2D(0.65f, 0.6f));
    EXPECT_GT(w.frame.imageView.annotation.Count(), 0);
    EXPECT_EQ(w.platform.MessageTexts(), std::vector<std::string>{"You must load an Quorvex math model!"});
    EXPECT_FALSE(w.frame.headCreated);
    EXPECT_FALSE(w.frame.headView.hasMesh);
    EXPECT_TRUE(w.platform.WaitCursorBalanced());

    // Without a photograph there is nothing to fit.
    w.frame.imageView.hasImage = false;
    Reset();
    w.frame.CreateFromEyes(QV_Point2D(0.35f, 0.6f), QV_Point2D(0.65f, 0.6f));
    EXPECT_EQ(w.platform.MessageTexts(), std::vector<std::string>{"You must load an image first!"});
}

TEST(MainFrameCommands, AutoCreateFallsBackToTheExternalFindersBox)
{
    FixtureDir dir;
    ASSERT_TRUE(dir.AddFinder());
    Workspace w(dir.Path());
    ASSERT_TRUE(w.frame.Create());
    ASSERT_TRUE(w.frame.finderLibrary.IsLoaded());
    auto plugin = std::make_unique<RecordingPlugin>();
    RecordingPlugin& recording = *plugin;
    w.frame.plugins.push_back(std::move(plugin));
    w.frame.currentPlugin = &recording;
    w.frame.pluginAvailable = true;

    // A plain picture: the built-in finder sees no eyes, the stand-in finder
    // answers its fixed box.
    QV_Image photo(300, 240);
    for (int r = 0; r < 300; ++r)
        for (int c = 0; c < 240; ++c) photo(r, c) = QV_Colour(static_cast<unsigned char>(r % 200), 90, 80, 255);
    w.frame.imageView.photo = photo;
    w.frame.imageView.hasImage = true;
    w.frame.PhotographOpened(photo);
    w.platform.messages.clear();
    w.platform.statusTexts.clear();

    w.frame.OnCommand(QV_Command::kAutoCreate);
    EXPECT_TRUE(w.platform.messages.empty());
    EXPECT_GT(w.frame.imageView.annotation.Count(), 0);
    EXPECT_EQ(recording.creations, 1);
    EXPECT_TRUE(w.frame.headCreated);
    // The box path shows no creation texts; the search's own messages remain.
    for (const QV_String& s : w.platform.statusTexts) {
        EXPECT_NE(s.Std(), "Creating 3D, please wait...");
        EXPECT_NE(s.Std(), "Finished creating 3D, use the mouse to manipulate the viewpoint");
    }
    EXPECT_FALSE(w.platform.statusTexts.empty());
    // The fit is the base of the undo stack.
    ASSERT_EQ(w.frame.imageView.undoStack.size(), 1u);
    EXPECT_EQ(w.frame.imageView.undoStack[0].Count(), w.frame.imageView.annotation.Count());
}

TEST_F(Commands, BodySkinFolderBelongsToTheBodyAvatarOnly)
{
    // Another plug-in: neither command asks or sets anything.
    AddPlugin("One");
    w.platform.browseAnswers.push_back({true, QV_String("/skins")});
    EXPECT_TRUE(w.frame.OnCommand(QV_Command::kChooseSkinFolder));
    EXPECT_TRUE(w.frame.OnCommand(QV_Command::kClearSkinFolder));
    EXPECT_EQ(w.platform.browseAnswers.size(), 1u);
    EXPECT_EQ(w.platform.checks.count(QV_Command::kChooseSkinFolder), 0u);

    auto body = std::make_unique<QV_BodyAvatarPlugin>();
    QV_BodyAvatarPlugin& avatar = *body;
    w.frame.plugins.push_back(std::move(body));
    w.frame.currentPlugin = &avatar;
    w.frame.OnCommand(QV_Command::kChooseSkinFolder);
    EXPECT_EQ(avatar.bodySkinFolder.Std(), "/skins");
    EXPECT_TRUE(w.platform.checks.at(QV_Command::kChooseSkinFolder));
    EXPECT_FALSE(w.platform.checks.at(QV_Command::kClearSkinFolder));

    // A cancelled browse keeps the folder and the marks, and shows nothing.
    w.frame.OnCommand(QV_Command::kChooseSkinFolder);
    EXPECT_EQ(avatar.bodySkinFolder.Std(), "/skins");
    EXPECT_TRUE(w.platform.checks.at(QV_Command::kChooseSkinFolder));
    EXPECT_TRUE(w.platform.messages.empty());

    w.frame.OnCommand(QV_Command::kClearSkinFolder);
    EXPECT_TRUE(avatar.bodySkinFolder.IsEmpty());
    EXPECT_FALSE(w.platform.checks.at(QV_Command::kChooseSkinFolder));
    EXPECT_TRUE(w.platform.checks.at(QV_Command::kClearSkinFolder));
}
