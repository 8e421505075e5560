// Where a front end looks for its data without --data-dir: the build's own
// folder, else the folder the settings store names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "QV_DefaultDataDir.h"
#include "SettingsStore.h"
#include "TestSupport.h"

namespace {

// Points the settings store at a file for the life of the object.
class StoreFile {
public:
    explicit StoreFile(const std::string& path)
    {
        if (const char* old = std::getenv(SettingsStore::kPathVariable)) saved = old, hadOld = true;
        setenv(SettingsStore::kPathVariable, path.c_str(), 1);
    }
    ~StoreFile()
    {
        if (hadOld) setenv(SettingsStore::kPathVariable, saved.c_str(), 1);
        else unsetenv(SettingsStore::kPathVariable);
    }

private:
    std::string saved;
    bool hadOld = false;
};

}  // namespace

TEST(DefaultDataDir, BuildFolderWithItsFaceModelWinsOverTheStore)
{
    visagen_test::TempDir built, installed;
    visagen_test::WriteFileText(built.File("Head.qvface"), "model");
    visagen_test::WriteFileText(installed.File("settings.ini"),
                                "[SOFTWARE\\Quorvex]\nHeddle=" + installed.Path() + "\n");
    StoreFile store(installed.File("settings.ini"));
    EXPECT_EQ(QV_DefaultDataDir(QV_String(built.Path())).Std(), built.Path());
}

TEST(DefaultDataDir, InstalledProgramFindsItsDataThroughTheStore)
{
    visagen_test::TempDir missingBuild, installed;
    visagen_test::WriteFileText(installed.File("settings.ini"),
                                "# written by the installer\n[SOFTWARE\\Quorvex]\nHeddle=/opt/visagen/data\n");
    StoreFile store(installed.File("settings.ini"));
    EXPECT_EQ(QV_DefaultDataDir(QV_String(missingBuild.File("data"))).Std(), "/opt/visagen/data");
}

TEST(DefaultDataDir, WithoutBuildFolderOrStoreTheBuildPathIsKeptForTheMessages)
{
    visagen_test::TempDir nothing;
    StoreFile store(nothing.File("no-such-settings.ini"));
    EXPECT_EQ(QV_DefaultDataDir(QV_String(nothing.File("data"))).Std(), nothing.File("data"));
}
