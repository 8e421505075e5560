// The staged data directory of the build tree and the install script that
// copies it with the programs and writes the settings store.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

#ifdef VISAGEN_HAVE_SHELL
#include "MainFrame.h"
#include "SettingsStore.h"
#endif

namespace {

namespace fs = std::filesystem;
using visagen_test::ReadFileText;
using visagen_test::RunProgram;
using visagen_test::TempDir;
using visagen_test::WriteFileText;

int Stage(const std::string& source, const std::string& stage, const std::string& finder)
{
    return RunProgram({VISAGEN_CMAKE, "-DSOURCE_DATA=" + source, "-DSTAGE_DIR=" + stage, "-DFINDER=" + finder,
                       "-DKEEP=HeddleInstructions.pdf", "-P", VISAGEN_STAGE_SCRIPT});
}

TEST(StagedData, EveryEntryOfTheSourceIsLinkedWithTheFinderAndStaleLinksGo)
{
    TempDir dir;
    const fs::path source = fs::path(dir.Path()) / "data", stage = fs::path(dir.Path()) / "stage";
    fs::create_directories(source / "QuorHeadLoadDir");
    WriteFileText((source / "Head.qvface").string(), "face");
    WriteFileText((source / "Old.qvhead").string(), "old");
    WriteFileText((source / "QuorHeadLoadDir" / "Front.mma").string(), "mma");
    WriteFileText((fs::path(dir.Path()) / "libfinder.so").string(), "finder");
    fs::create_directories(stage);
    WriteFileText((stage / "HeddleInstructions.pdf").string(), "%PDF-built");

    ASSERT_EQ(Stage(source.string(), stage.string(), dir.File("libfinder.so")), 0);
    EXPECT_EQ(fs::read_symlink(stage / "Head.qvface"), source / "Head.qvface");
    EXPECT_EQ(ReadFileText((stage / "QuorHeadLoadDir" / "Front.mma").string()), "mma");
    EXPECT_EQ(ReadFileText((stage / "libQVFaceNet.so").string()), "finder");
    EXPECT_TRUE(fs::is_directory(stage / "PosnNets"));
    EXPECT_FALSE(fs::is_symlink(stage / "HeddleInstructions.pdf"));

    // An entry removed from the source, one added, and a second run.
    fs::remove(source / "Old.qvhead");
    WriteFileText((source / "New.qvhead").string(), "new");
    ASSERT_EQ(Stage(source.string(), stage.string(), ""), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(stage / "Old.qvhead")));
    EXPECT_EQ(ReadFileText((stage / "New.qvhead").string()), "new");
    EXPECT_FALSE(fs::exists(fs::symlink_status(stage / "libQVFaceNet.so")));  // no finder this time
    EXPECT_EQ(ReadFileText((stage / "HeddleInstructions.pdf").string()), "%PDF-built");
}

TEST(StagedData, ASourcePosnNetsFolderIsLinkedRatherThanMade)
{
    TempDir dir;
    const fs::path source = fs::path(dir.Path()) / "data", stage = fs::path(dir.Path()) / "stage";
    fs::create_directories(source / "PosnNets");
    WriteFileText((source / "PosnNets" / "net.xml").string(), "net");
    ASSERT_EQ(Stage(source.string(), stage.string(), ""), 0);
    EXPECT_TRUE(fs::is_symlink(stage / "PosnNets"));
    EXPECT_EQ(ReadFileText((stage / "PosnNets" / "net.xml").string()), "net");
}

TEST(StagedData, AMissingSourceFolderFailsTheStep)
{
    TempDir dir;
    testing::internal::CaptureStderr();
    EXPECT_NE(Stage(dir.File("nothing"), dir.File("stage"), ""), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no data directory at " + dir.File("nothing")),
              std::string::npos);
}

TEST(StagedData, TheBuildTreeHoldsTheShippedDataTheTutorialAndTheFinder)
{
    const fs::path stage = VISAGEN_STAGED_DATA_DIR;
    for (const auto& entry : fs::directory_iterator(VISAGEN_SOURCE_DATA_DIR)) {
        const fs::path staged = stage / entry.path().filename();
        ASSERT_TRUE(fs::exists(staged)) << staged;
        EXPECT_TRUE(fs::equivalent(staged, entry.path())) << staged;
    }
    EXPECT_TRUE(fs::is_regular_file(stage / "HeddleInstructions.pdf"));
    EXPECT_TRUE(fs::is_regular_file(stage / "libQVFaceNet.so"));
    EXPECT_TRUE(fs::is_directory(stage / "PosnNets"));
}

// A build tree with stand-in programs and a small staged data directory.
struct FakeBuild {
    TempDir dir;
    fs::path build = fs::path(dir.Path()) / "build";
    fs::path destdir = fs::path(dir.Path()) / "dest";
    fs::path staged = build / "gui" / "data";

    FakeBuild()
    {
        fs::create_directories(build / "cli");
        fs::create_directories(staged / "QuorHeadLoadDir");
        for (const char* program : {"gui/visagen", "cli/visagen-cli", "cli/visagen-render"}) {
            WriteFileText((build / program).string(), "#!/bin/sh\nexit 0\n");
            fs::permissions(build / program, fs::perms::owner_all);
        }
        WriteFileText((fs::path(dir.Path()) / "Head.qvface").string(), "face");
        fs::create_symlink(fs::path(dir.Path()) / "Head.qvface", staged / "Head.qvface");
        WriteFileText((staged / "HeddleInstructions.pdf").string(), "%PDF-");
        WriteFileText((staged / "libQVFaceNet.so").string(), "so");
        WriteFileText((staged / "QuorHeadLoadDir" / "Front.mma").string(), "mma");
    }

    int Install(const std::string& prefix, std::string& errors)
    {
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        const int status = RunProgram({"bash", VISAGEN_INSTALL_SCRIPT, "--build", build.string(), "--prefix", prefix,
                                       "--destdir", destdir.string()});
        testing::internal::GetCapturedStdout();
        errors = testing::internal::GetCapturedStderr();
        return status;
    }
};

TEST(InstallScript, InstallsProgramsDataAndSettingsUnderDestdir)
{
    FakeBuild fake;
    std::string errors;
    ASSERT_EQ(fake.Install("/opt/vg", errors), 0) << errors;
    const fs::path root = fake.destdir / "opt/vg";
    for (const char* program : {"bin/visagen", "bin/visagen-cli", "bin/visagen-render"}) {
        struct stat info {};
        ASSERT_EQ(stat((root / program).c_str(), &info), 0) << program;
        EXPECT_EQ(info.st_mode & 0777, 0755u) << program;
    }
    const fs::path data = root / "share/visagen/data";
    // Copies, not links back into the build tree.
    EXPECT_FALSE(fs::is_symlink(data / "Head.qvface"));
    EXPECT_EQ(ReadFileText((data / "Head.qvface").string()), "face");
    EXPECT_EQ(ReadFileText((data / "QuorHeadLoadDir/Front.mma").string()), "mma");
    EXPECT_EQ(ReadFileText((data / "libQVFaceNet.so").string()), "so");
    EXPECT_EQ(ReadFileText((data / "HeddleInstructions.pdf").string()), "%PDF-");
    struct stat info {};
    ASSERT_EQ(stat(data.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);

    const std::string settings = (fake.destdir / "etc/visagen/settings.ini").string();
    EXPECT_EQ(ReadFileText(settings), "[SOFTWARE\\Quorvex]\nHeddle=/opt/vg/share/visagen/data\n");
#ifdef VISAGEN_HAVE_SHELL
    // The program's own settings reader finds the installed data directory.
    QV_String value;
    ASSERT_TRUE(SettingsStore(settings.c_str())
                    .ReadString(SettingsStore::kLocalMachine, MainFrame::kSettingsKey, MainFrame::kSettingsValue,
                                value))
        << value.CStr();
    EXPECT_STREQ(value.CStr(), "/opt/vg/share/visagen/data");
#endif
    // Nothing is written outside DESTDIR.
    for (const auto& entry : fs::directory_iterator(fake.destdir))
        EXPECT_TRUE(entry.path().filename() == "opt" || entry.path().filename() == "etc") << entry.path();
}

TEST(InstallScript, ReinstallingReplacesTheDataDirectory)
{
    FakeBuild fake;
    std::string errors;
    ASSERT_EQ(fake.Install("/usr/local", errors), 0) << errors;
    fs::remove_all(fake.staged / "QuorHeadLoadDir");
    WriteFileText((fake.staged / "HeddleInstructions.pdf").string(), "%PDF-2");
    ASSERT_EQ(fake.Install("/usr/local", errors), 0) << errors;
    const fs::path data = fake.destdir / "usr/local/share/visagen/data";
    EXPECT_FALSE(fs::exists(data / "QuorHeadLoadDir"));
    EXPECT_EQ(ReadFileText((data / "HeddleInstructions.pdf").string()), "%PDF-2");
    // No temporary folders left beside it.
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(data.parent_path())) entries += entry.path() == data ? 0 : 1;
    EXPECT_EQ(entries, 0);
}

TEST(InstallScript, RefusesAnIncompleteBuildOrABadPrefix)
{
    const struct {
        const char* remove;  // relative to the build folder
        const char* prefix;
        const char* message;
    } cases[] = {
        {"gui/visagen", "/usr/local", "install-visagen: no desktop program at "},
        {"cli/visagen-cli", "/usr/local", "install-visagen: no command-line tool at "},
        {"gui/data/HeddleInstructions.pdf", "/usr/local", "install-visagen: the staged data directory has no HeddleInstructions.pdf"},
        {"gui/data/Head.qvface", "/usr/local", "install-visagen: the staged data directory has no Head.qvface"},
        {"gui/data", "/usr/local", "install-visagen: no staged data directory at "},
        {nullptr, "relative/prefix", "install-visagen: the prefix must be an absolute path: relative/prefix"},
    };
    for (const auto& c : cases) {
        FakeBuild fake;
        if (c.remove) fs::remove_all(fake.build / c.remove);
        std::string errors;
        EXPECT_NE(fake.Install(c.prefix, errors), 0) << c.message;
        EXPECT_EQ(errors.rfind(c.message, 0), 0u) << errors;
        EXPECT_FALSE(fs::exists(fake.destdir / "etc/visagen/settings.ini")) << c.message;
    }
}

TEST(InstallScript, WithoutTheFinderItWarnsAndInstalls)
{
    FakeBuild fake;
    fs::remove(fake.staged / "libQVFaceNet.so");
    std::string errors;
    ASSERT_EQ(fake.Install("/usr/local", errors), 0) << errors;
    EXPECT_NE(errors.find("no libQVFaceNet.so"), std::string::npos);
    EXPECT_TRUE(fs::exists(fake.destdir / "usr/local/share/visagen/data/Head.qvface"));
}

}  // namespace
