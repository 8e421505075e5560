// Start-up of the workspace: the steps and their order, the loading dialog's
// progress, plug-in loading with failures, the plug-in menu, the finder
// library, the views, the window placement and the layout, and every failure
// that ends the start-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "MainFrameFixture.h"
#include "QV_Commands.h"

using shell_test::FixtureDir;
using shell_test::Workspace;

namespace {

const std::string kTypeCode99("\x63\0\0\0", 4);
const std::string kTypeCode0Short("\0\0\0\0abc", 7);

bool Contains(const std::vector<std::string>& log, const std::string& entry)
{
    return std::find(log.begin(), log.end(), entry) != log.end();
}

}  // namespace

TEST(MainFrameStartup, ShippedDataGivesOnePluginTheMenuTheViewsAndTheProgressSequence)
{
    Workspace w(VISAGEN_DATA_DIR);
    ASSERT_TRUE(w.frame.Create());
    shell_test::FakePlatform& p = w.platform;

    EXPECT_EQ(w.frame.dataDir.Std(), VISAGEN_DATA_DIR);
    ASSERT_EQ(w.frame.pluginLabels.size(), 1u);
    EXPECT_EQ(w.frame.pluginLabels[0].Std(), "Standard");
    EXPECT_EQ(w.frame.currentPlugin, w.frame.plugins[0].get());
    EXPECT_TRUE(w.frame.pluginAvailable);
    EXPECT_FALSE(w.frame.headCreated);
    EXPECT_EQ(w.frame.currentFaceModel, &w.frame.headFaceModel);
    EXPECT_EQ(w.frame.headFaceModel.directory.Std(), VISAGEN_DATA_DIR);

    EXPECT_EQ(p.progress, (std::vector<int>{2, 3, 30, 50, 95, 100}));
    ASSERT_EQ(p.menus.size(), 1u);
    EXPECT_EQ(p.menus[0].first.Std(), "Avatar &Plugins");
    ASSERT_EQ(p.menus[0].second.size(), 1u);
    EXPECT_EQ(p.menus[0].second[0].first, 32900);
    EXPECT_EQ(p.menus[0].second[0].second.Std(), "Standard");
    ASSERT_EQ(p.captions.size(), 1u);
    EXPECT_EQ(p.captions[0].Std(), "Heddle: ");

    // Both settings reads ask for the data directory's value.
    ASSERT_EQ(p.settingsAsked.size(), 2u);
    for (const auto& asked : p.settingsAsked) {
        EXPECT_EQ(asked.first.Std(), "SOFTWARE\\Quorvex");
        EXPECT_EQ(asked.second.Std(), "Heddle");
    }

    // The shipped directory has no finder library.
    EXPECT_EQ(p.MessageTexts(), std::vector<std::string>{"Error, failed to load QVFaceNet DLL"});
    EXPECT_FALSE(w.frame.finderLibrary.IsLoaded());

    // The steps in their order.
    const std::vector<std::string> expected = {"settings",     "loading shown",  "progress 2",
                                               "frame",        "settings",       "progress 3",
                                               "progress 30",  "enumerate *.qvhead", "progress 50",
                                               "menu Avatar &Plugins",           "progress 95",
                                               "message Error, failed to load QVFaceNet DLL",
                                               "progress 100", "controlbar",     "statusbar",
                                               "view Image 1234", "view 3D 1234", "framerect",
                                               "loading hidden"};
    EXPECT_EQ(p.log, expected);
    EXPECT_FALSE(p.loadingShown);

    // The views: the image view configured for the photograph and its
    // annotation, both wired back to the workspace.
    const SceneView& image = w.frame.imageView;
    EXPECT_TRUE(image.isImageView);
    EXPECT_EQ(image.mode, SceneView::kAnnotate);
    EXPECT_TRUE(image.annotationShown);
    EXPECT_TRUE(image.linesShown);
    EXPECT_TRUE(image.landmarksShown);
    EXPECT_FALSE(image.pointsShown);
    EXPECT_FALSE(w.frame.headView.isImageView);
    EXPECT_EQ(image.owner, &w.frame);
    EXPECT_EQ(w.frame.headView.owner, &w.frame);
    EXPECT_TRUE(w.frame.viewsCreated);
}

TEST(MainFrameStartup, EmptyDataDirectoryStartsWithoutPluginsAndAutoCreateAsksForOne)
{
    FixtureDir dir;
    Workspace w(dir.Path());
    ASSERT_TRUE(w.frame.Create());
    EXPECT_TRUE(w.frame.plugins.empty());
    EXPECT_FALSE(w.frame.pluginAvailable);
    EXPECT_EQ(w.frame.currentPlugin, nullptr);
    ASSERT_EQ(w.platform.menus.size(), 1u);
    EXPECT_TRUE(w.platform.menus[0].second.empty());
    EXPECT_EQ(w.platform.progress, (std::vector<int>{2, 3, 30, 95, 100}));
    for (const QV_String& m : w.platform.messages)
        EXPECT_EQ(m.Std().find("Failed to load the following head data"), std::string::npos);

    w.frame.imageView.photo = QV_Image(8, 8);
    w.frame.imageView.hasImage = true;
    w.platform.messages.clear();
    w.frame.OnCommand(QV_Command::kAutoCreate);
    EXPECT_EQ(w.platform.MessageTexts(), std::vector<std::string>{"You must load an Quorvex math model!"});
    w.platform.messages.clear();
    w.frame.OnCommand(QV_Command::kRecreate);
    EXPECT_EQ(w.platform.MessageTexts(), std::vector<std::string>{"You must load an Quorvex math model!"});
}

TEST(MainFrameStartup, OneCorruptHeadFileAmongThreeIsIgnored)
{
    FixtureDir dir;
    dir.AddStandardHead("A.qvhead");
    dir.Write("B.qvhead", kTypeCode99);
    dir.AddStandardHead("C.qvhead");
    ASSERT_TRUE(dir.AddFinder());
    Workspace w(dir.Path());
    ASSERT_TRUE(w.frame.Create());

    // No message at all: the failure is dropped and the finder loaded.
    EXPECT_TRUE(w.platform.messages.empty());
    EXPECT_TRUE(w.frame.finderLibrary.IsLoaded());
    ASSERT_EQ(w.frame.plugins.size(), 2u);
    EXPECT_EQ(w.frame.currentPlugin, w.frame.plugins[0].get());
    const auto& items = w.platform.menus.at(0).second;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].first, 32900);
    EXPECT_EQ(items[0].second.Std(), "A");
    EXPECT_EQ(items[1].first, 32901);
    EXPECT_EQ(items[1].second.Std(), "C");
    // One progress step per file: 50 + round(i / 3 * 40).
    EXPECT_EQ(w.platform.progress, (std::vector<int>{2, 3, 30, 50, 63, 77, 95, 100}));
}

TEST(MainFrameStartup, NoHeadFileLoadingListsEveryFailureOnItsOwnLine)
{
    FixtureDir dir;
    dir.Write("A.qvhead", kTypeCode99);
    dir.Write("B.qvhead", kTypeCode0Short);
    dir.Write("C.qvhead", "xy");  // too short for a type code: the factory says nothing
    Workspace w(dir.Path());
    testing::internal::CaptureStderr();
    ASSERT_TRUE(w.frame.Create());
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(w.frame.pluginAvailable);
    ASSERT_GE(w.platform.messages.size(), 1u);
    EXPECT_EQ(w.platform.messages[0].Std(), "Failed to load the following head data:\n"
                                            "Unrecognised head type\n"
                                            "Failed to read head for type 0\n" +
                                                dir.File("C.qvhead") + "\n");
    EXPECT_TRUE(w.platform.menus.at(0).second.empty());
}

TEST(MainFrameStartup, WindowRectangleIsCentredWithRoundedSize)
{
    struct Case {
        int screenWidth, screenHeight;
        QV_WindowRect expected;
    };
    const Case cases[] = {
        {1280, 1024, {224, 283, 832, 458}},
        {1920, 1080, {336, 197, 1248, 686}},
        {10, 10, {1, 3, 7, 4}},      // 6.5 rounds up to 7; 3.85 to 4
        {1000, 600, {175, 121, 650, 358}},
        {0, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const QV_WindowRect r = QV_CentredFrameRect(c.screenWidth, c.screenHeight);
        EXPECT_EQ(r, c.expected) << c.screenWidth << "x" << c.screenHeight << " gave " << r.left << "," << r.top
                                 << " " << r.width << "x" << r.height;
    }
}

TEST(MainFrameStartup, WindowPlacementAndLayoutOfTheChildren)
{
    FixtureDir dir;
    Workspace w(dir.Path());
    w.platform.clientWidth = 817;
    w.platform.clientHeight = 500;
    w.platform.statusBarHeight = 22;
    ASSERT_TRUE(w.frame.Create());
    EXPECT_EQ(w.platform.frameRect, (QV_WindowRect{224, 283, 832, 458}));
    EXPECT_EQ(w.platform.controlBarRect, (QV_WindowRect{0, 0, 817, 40}));
    EXPECT_EQ(w.platform.viewRects.at(&w.frame.imageView), (QV_WindowRect{0, 40, 408, 438}));
    EXPECT_EQ(w.platform.viewRects.at(&w.frame.headView), (QV_WindowRect{408, 40, 408, 438}));
    // The views were created in the two halves of the client area.
    ASSERT_EQ(w.platform.views.size(), 2u);
    EXPECT_EQ(w.platform.views[0].second, (QV_WindowRect{0, 0, 408, 500}));
    EXPECT_EQ(w.platform.views[1].second, (QV_WindowRect{408, 0, 408, 500}));

    // A resize lays them out again; a client area lower than the bars leaves
    // the views empty rather than negative.
    w.frame.Layout(400, 300);
    EXPECT_EQ(w.platform.viewRects.at(&w.frame.headView), (QV_WindowRect{200, 40, 200, 238}));
    w.frame.Layout(400, 50);
    EXPECT_EQ(w.platform.viewRects.at(&w.frame.imageView), (QV_WindowRect{0, 40, 200, 0}));
}

TEST(MainFrameStartup, LayoutWaitsForBothViews)
{
    shell_test::FakePlatform platform;
    MainFrame frame(platform);
    frame.Layout(800, 600);
    EXPECT_TRUE(platform.viewRects.empty());
    EXPECT_EQ(platform.controlBarRect, QV_WindowRect{});
}

TEST(MainFrameStartup, DataDirectoryComesThroughTheSettingsStoreWithItsBackslashRetry)
{
    FixtureDir dir;
    visagen_test::TempDir storeDir;
    const std::string store = storeDir.File("settings.ini");
    for (const std::string section : {"[SOFTWARE\\Quorvex]", "[\\SOFTWARE\\Quorvex]"}) {
        visagen_test::WriteFileText(store, "# machine settings\n" + section + "\nHeddle=" + dir.Path() + "\n");
        Workspace w("");
        w.platform.settingsFile = store;
        ASSERT_TRUE(w.frame.Create()) << section;
        EXPECT_EQ(w.frame.dataDir.Std(), dir.Path()) << section;
    }
}

TEST(MainFrameStartup, FailuresThatEndTheStartUp)
{
    struct Case {
        const char* name;
        void (*script)(shell_test::FakePlatform&);
        bool withHeadFace;
        std::vector<std::string> messages;
        const char* lastStep;  // the last step the log shows
    };
    const Case cases[] = {
        {"settings", [](shell_test::FakePlatform& p) { p.settingsResult = false; p.settingsValue = "store says no"; },
         true, {"Failed to find data dir\nstore says no"}, "message Failed to find data dir\nstore says no"},
        {"frame", [](shell_test::FakePlatform& p) { p.frameResult = false; }, true, {}, "loading hidden"},
        {"head face model", [](shell_test::FakePlatform&) {}, false, {"Could not load face finder"},
         "message Could not load face finder"},
        {"status bar", [](shell_test::FakePlatform& p) { p.statusBarResult = false; }, true,
         {"Error, failed to load QVFaceNet DLL"}, "loading hidden"},
        {"2D view", [](shell_test::FakePlatform& p) { p.viewResults = {false}; }, true,
         {"Error, failed to load QVFaceNet DLL", "Failed to create 2D View.\nDo you have the OpenGL graphics capability?"},
         "message Failed to create 2D View.\nDo you have the OpenGL graphics capability?"},
        {"3D view", [](shell_test::FakePlatform& p) { p.viewResults = {true, false}; }, true,
         {"Error, failed to load QVFaceNet DLL", "Failed to create 3D View.\nDo you have the OpenGL graphics capability?"},
         "message Failed to create 3D View.\nDo you have the OpenGL graphics capability?"},
    };
    for (const Case& c : cases) {
        FixtureDir dir(c.withHeadFace);
        Workspace w(dir.Path());
        c.script(w.platform);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(w.frame.Create()) << c.name;
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(w.platform.MessageTexts(), c.messages) << c.name;
        EXPECT_FALSE(w.platform.loadingShown) << c.name;
        ASSERT_FALSE(w.platform.log.empty());
        EXPECT_EQ(w.platform.log.back(), c.lastStep) << c.name;
        EXPECT_FALSE(w.frame.viewsCreated) << c.name;
        EXPECT_FALSE(Contains(w.platform.log, "framerect")) << c.name;
    }
}

TEST(MainFrameStartup, MissingSettingsStoreReportsTheStoreMessage)
{
    visagen_test::TempDir storeDir;
    Workspace w("");
    w.platform.settingsFile = storeDir.File("absent.ini");
    EXPECT_FALSE(w.frame.Create());
    EXPECT_EQ(w.platform.MessageTexts(),
              std::vector<std::string>{std::string("Failed to find data dir\nRegOpenKeyEx Error, subKey=SOFTWARE\\Quorvex\n"
                                                   "Error msg=") + std::strerror(ENOENT)});
    EXPECT_FALSE(Contains(w.platform.log, "loading shown"));
}

TEST(MainFrameStartup, ChildFaceSwitchNeedsTheChildModel)
{
    {
        FixtureDir dir;
        Workspace w(dir.Path());
        ASSERT_TRUE(w.frame.Create());
        EXPECT_FALSE(w.frame.childFaceAvailable);
        w.frame.OnCommand(QV_Command::kChildFace);
        EXPECT_FALSE(w.frame.useChildFace);
        EXPECT_EQ(w.platform.checks.count(QV_Command::kChildFace), 0u);
        EXPECT_EQ(w.frame.currentFaceModel, &w.frame.headFaceModel);
    }
    {
        FixtureDir dir;
        dir.Link("Head.qvface", "Child.qvface");
        Workspace w(dir.Path());
        ASSERT_TRUE(w.frame.Create());
        ASSERT_TRUE(w.frame.childFaceAvailable);
        EXPECT_EQ(w.frame.childFaceModel.directory.Std(), dir.Path());
        w.frame.OnCommand(QV_Command::kChildFace);
        EXPECT_TRUE(w.frame.useChildFace);
        EXPECT_TRUE(w.platform.checks.at(QV_Command::kChildFace));
        EXPECT_EQ(w.frame.currentFaceModel, &w.frame.childFaceModel);
        w.frame.OnCommand(QV_Command::kChildFace);
        EXPECT_FALSE(w.platform.checks.at(QV_Command::kChildFace));
        EXPECT_EQ(w.frame.currentFaceModel, &w.frame.headFaceModel);
    }
}
