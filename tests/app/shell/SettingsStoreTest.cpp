// The file-backed settings store: the key lookup with its backslash retry,
// value reads, and the messages of each failure with the system's texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SettingsStore.h"
#include "TestSupport.h"

namespace {

std::string OpenFailure(const std::string& subKey, int error)
{
    return "RegOpenKeyEx Error, subKey=" + subKey + "\nError msg=" + std::strerror(error);
}

std::string QueryFailure(const std::string& subKey, const std::string& name, int error)
{
    return "RegQueryValueEx Error, subKey=" + subKey + ", name=" + name + "\nError msg=" + std::strerror(error);
}

}  // namespace

TEST(SettingsStore, ReadsAValueUnderEitherFormOfTheKey)
{
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"plain key", "[SOFTWARE\\Quorvex]\nHeddle=/opt/data\n", "/opt/data"},
        {"key with backslash", "[\\SOFTWARE\\Quorvex]\nHeddle=/opt/data\n", "/opt/data"},
        {"case, blanks, CRLF, comments", "# made by the installer\r\n; another comment\r\n[software\\QUORVEX]\r\n"
                                         "  heddle =  /path with spaces/data  \r\n", "/path with spaces/data"},
        {"other keys around", "[Other]\nHeddle=/wrong\n[SOFTWARE\\Quorvex]\nOther=1\nHeddle=/right\n[Next]\n",
         "/right"},
        {"no final newline", "[SOFTWARE\\Quorvex]\nHeddle=/d", "/d"},
        {"value of 1023 characters", "[SOFTWARE\\Quorvex]\nHeddle=" + std::string(1023, 'x') + "\n",
         std::string(1023, 'x')},
    };
    visagen_test::TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.File("settings.ini");
        visagen_test::WriteFileText(path, c.text);
        SettingsStore store(path.c_str());
        QV_String value;
        EXPECT_TRUE(store.ReadString(SettingsStore::kLocalMachine, "SOFTWARE\\Quorvex", "Heddle", value)) << c.name;
        EXPECT_EQ(value.Std(), c.expected) << c.name;
    }
}

TEST(SettingsStore, OpenKeyTriesTheBackslashFormFirst)
{
    visagen_test::TempDir dir;
    const std::string path = dir.File("s.ini");
    visagen_test::WriteFileText(path, "[SOFTWARE\\Quorvex]\nHeddle=/a\n[\\SOFTWARE\\Quorvex]\nHeddle=/b\n");
    SettingsStore store(path.c_str());
    SettingsStore::Key key;
    QV_String message;
    ASSERT_TRUE(store.OpenKey(SettingsStore::kLocalMachine, "SOFTWARE\\Quorvex", SettingsStore::kRead, key, message));
    EXPECT_TRUE(key.open);
    EXPECT_EQ(key.name.Std(), "\\SOFTWARE\\Quorvex");
    QV_String value;
    ASSERT_TRUE(store.ReadString(SettingsStore::kLocalMachine, "SOFTWARE\\Quorvex", "Heddle", value));
    EXPECT_EQ(value.Std(), "/b");
}

TEST(SettingsStore, FailuresCarryTheSystemText)
{
    struct Case {
        const char* name;
        const char* text;  // null: no file
        std::string expected;
    };
    const Case cases[] = {
        {"missing file", nullptr, OpenFailure("SOFTWARE\\Quorvex", ENOENT)},
        {"missing key", "[SOFTWARE\\Other]\nHeddle=/x\n", OpenFailure("SOFTWARE\\Quorvex", ENOENT)},
        {"value outside any key", "Heddle=/x\n", OpenFailure("SOFTWARE\\Quorvex", ENOENT)},
        {"missing value", "[SOFTWARE\\Quorvex]\nOther=/x\n", QueryFailure("SOFTWARE\\Quorvex", "Heddle", ENOENT)},
        {"unterminated key line", "[SOFTWARE\\Quorvex\nHeddle=/x\n", OpenFailure("SOFTWARE\\Quorvex", ENOENT)},
    };
    visagen_test::TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.File(std::string(c.name) + ".ini");
        if (c.text) visagen_test::WriteFileText(path, c.text);
        SettingsStore store(path.c_str());
        QV_String out = "untouched";
        EXPECT_FALSE(store.ReadString(SettingsStore::kLocalMachine, "SOFTWARE\\Quorvex", "Heddle", out)) << c.name;
        EXPECT_EQ(out.Std(), c.expected) << c.name;
    }
}

TEST(SettingsStore, ValueLongerThanTheBufferAndOversizedFilesAreRefused)
{
    visagen_test::TempDir dir;
    const std::string path = dir.File("long.ini");
    visagen_test::WriteFileText(path, "[SOFTWARE\\Quorvex]\nHeddle=" + std::string(1024, 'x') + "\n");
    QV_String out;
    EXPECT_FALSE(SettingsStore(path.c_str()).ReadString(SettingsStore::kLocalMachine, "SOFTWARE\\Quorvex", "Heddle", out));
    EXPECT_EQ(out.Std(), QueryFailure("SOFTWARE\\Quorvex", "Heddle", EOVERFLOW));

    // A file of several megabytes is not a settings file: refused, not read whole.
    const std::string huge = dir.File("huge.ini");
    visagen_test::WriteFileText(huge, "[SOFTWARE\\Quorvex]\nHeddle=/x\n" + std::string(3 << 20, '#'));
    EXPECT_FALSE(SettingsStore(huge.c_str()).ReadString(SettingsStore::kLocalMachine, "SOFTWARE\\Quorvex", "Heddle", out));
    EXPECT_EQ(out.Std(), OpenFailure("SOFTWARE\\Quorvex", EFBIG));
}

TEST(SettingsStore, DefaultPathFollowsTheEnvironment)
{
    const char* saved = std::getenv(SettingsStore::kPathVariable);
    const std::string restore = saved ? saved : "";
    setenv(SettingsStore::kPathVariable, "/tmp/elsewhere.ini", 1);
    EXPECT_EQ(SettingsStore::DefaultPath().Std(), "/tmp/elsewhere.ini");
    EXPECT_EQ(SettingsStore().Path().Std(), "/tmp/elsewhere.ini");
    unsetenv(SettingsStore::kPathVariable);
    EXPECT_EQ(SettingsStore::DefaultPath().Std(), "/etc/visagen/settings.ini");
    setenv(SettingsStore::kPathVariable, "", 1);
    EXPECT_EQ(SettingsStore::DefaultPath().Std(), "/etc/visagen/settings.ini");
    if (saved)
        setenv(SettingsStore::kPathVariable, restore.c_str(), 1);
    else
        unsetenv(SettingsStore::kPathVariable);
}
