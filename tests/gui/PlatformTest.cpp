#include "PlatformTest.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <QTest>

#include <gtest/gtest.h>

#include "DesktopApp.h"
#include "FrameWindow.h"
#include "QtPlatform.h"
#include "TestSupport.h"

namespace {

QString Str(const QV_String& s)
{
    return QString::fromLocal8Bit(s.CStr());
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name_, const std::string& value) : name(name_)
    {
        if (const char* old = std::getenv(name)) {
            had = true;
            previous = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (had)
            setenv(name, previous.c_str(), 1);
        else
            unsetenv(name);
    }

private:
    const char* name;
    bool had = false;
    std::string previous;
};

}  // namespace

void PlatformTest::enumerateFilesMatchesWithoutCaseAndSorts()
{
    visagen_test::TempDir dir;
    for (const char* name : {"b.qvhead", "A.QVHEAD", "c.qvhead.bak", "notes.txt", "qvhead"})
        visagen_test::WriteFileText(dir.File(name), "x");
    std::filesystem::create_directory(dir.File("d.qvhead"));
    std::filesystem::create_symlink(dir.File("b.qvhead"), dir.File("e.qvhead"));
    std::filesystem::create_symlink(dir.File("missing"), dir.File("f.qvhead"));

    QtPlatform platform;
    const QStringList expected = {QString::fromStdString(dir.File("A.QVHEAD")),
                                  QString::fromStdString(dir.File("b.qvhead")),
                                  QString::fromStdString(dir.File("e.qvhead"))};
    // The same listing whether the directory is given plainly, with a
    // trailing separator, or with '\' separators.
    std::string backslashed = dir.Path();
    for (char& c : backslashed)
        if (c == '/')
            c = '\\';
    for (const std::string& given : {dir.Path(), dir.Path() + "/", backslashed}) {
        QStringList got;
        for (const QV_String& p : platform.EnumerateFiles(QV_String(given), "*.qvhead"))
            got << Str(p);
        QCOMPARE(got, expected);
    }
}

void PlatformTest::enumerateFilesOfAMissingDirectoryIsEmpty()
{
    visagen_test::TempDir dir;
    QtPlatform platform;
    QVERIFY(platform.EnumerateFiles(QV_String(dir.File("absent")), "*.qvhead").empty());
}

void PlatformTest::shellOpenPassesThePathAsOneArgument()
{
    visagen_test::TempDir dir;
    QtPlatform platform;
    // A program that creates the file it is given, so the argument that
    // arrived can be seen; run in the working directory given.
    platform.openProgram = QStringLiteral("touch");
    const std::string name = "it's a \"guide\" $(id) & more;.pdf";
    QVERIFY(platform.ShellOpen(QV_String(name), QV_String(dir.Path())));
    platform.WaitForOpeners();
    QVERIFY(std::filesystem::exists(dir.File(name)));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++entries;
    QCOMPARE(entries, 1);
}

void PlatformTest::shellOpenOfAMissingProgramFails()
{
    visagen_test::TempDir dir;
    QtPlatform platform;
    platform.openProgram = QStringLiteral("visagen-no-such-opener");
    testing::internal::CaptureStderr();
    QVERIFY(!platform.ShellOpen(QV_String(dir.File("guide.pdf")), QV_String(dir.Path())));
    const std::string printed = testing::internal::GetCapturedStderr();
    QCOMPARE(QString::fromStdString(printed),
             QStringLiteral("QtPlatform::ShellOpen() Error! : cannot start visagen-no-such-opener for %1: %2\n")
                 .arg(QString::fromStdString(dir.File("guide.pdf")), QString::fromLocal8Bit(std::strerror(ENOENT))));
    platform.openProgram = QStringLiteral("touch");
    QVERIFY(!platform.ShellOpen(QV_String(dir.File("guide.pdf")), QV_String(dir.File("no-such-directory"))));
}

void PlatformTest::dataDirOverrideReplacesTheStore()
{
    const ScopedEnv store("VISAGEN_SETTINGS", "/nonexistent/visagen/settings.ini");
    QtPlatform platform(QStringLiteral("/opt/heads/data"));
    QV_String out;
    QVERIFY(platform.ReadSettingString("SOFTWARE\\Quorvex", "Heddle", out));
    QCOMPARE(Str(out), QStringLiteral("/opt/heads/data"));
}

void PlatformTest::storeIsReadWithoutOverride()
{
    visagen_test::TempDir dir;
    visagen_test::WriteFileText(dir.File("settings.ini"), "[SOFTWARE\\Quorvex]\nHeddle=/srv/visagen/data\n");
    {
        const ScopedEnv store("VISAGEN_SETTINGS", dir.File("settings.ini"));
        QtPlatform platform;
        QV_String out;
        QVERIFY(platform.ReadSettingString("SOFTWARE\\Quorvex", "Heddle", out));
        QCOMPARE(Str(out), QStringLiteral("/srv/visagen/data"));
    }
    {
        const ScopedEnv store("VISAGEN_SETTINGS", dir.File("absent.ini"));
        QtPlatform platform;
        QV_String out;
        QVERIFY(!platform.ReadSettingString("SOFTWARE\\Quorvex", "Heddle", out));
        QVERIFY(Str(out).startsWith(QStringLiteral("RegOpenKeyEx Error, subKey=")));
    }
}

void PlatformTest::scriptedDialogsAnswerAndCancel()
{
    QtPlatform platform;
    QV_String path;
    platform.nextOpenPath = QStringLiteral("/photos/FACE.JPG");
    QVERIFY(platform.OpenFileDialog("Image files (*.jpg;*.bmp;*.tif)|*.jpg;*.bmp;*.tif|Annotation files (*.mma)|*.mma||",
                                    path));
    QCOMPARE(Str(path), QStringLiteral("/photos/FACE.JPG"));
    QCOMPARE(platform.lastNameFilters,
             QStringList({QStringLiteral("Image files (*.jpg *.bmp *.tif)"), QStringLiteral("Annotation files (*.mma)")}));
    QVERIFY(!platform.nextOpenPath);

    platform.nextOpenPath = QString();
    QVERIFY(!platform.OpenFileDialog("OBJ (*.obj)|*.obj|", path));

    int index = 0;
    platform.nextSave = QtPlatform::SaveAnswer{QStringLiteral("/out/head"), 2};
    QVERIFY(platform.SaveFileDialog("OBJ (*.obj)|*.obj|XML (*.xml)|*.xml|", path, index));
    QCOMPARE(Str(path), QStringLiteral("/out/head"));
    QCOMPARE(index, 2);
    QCOMPARE(platform.lastNameFilters, QStringList({QStringLiteral("OBJ (*.obj)"), QStringLiteral("XML (*.xml)")}));

    QV_String folder;
    platform.nextFolder = QString();
    QVERIFY(!platform.BrowseFolder("Choose the torso skins", folder));
    QCOMPARE(Str(folder), QStringLiteral("Cancel button pressed"));
    platform.nextFolder = QStringLiteral("/skins");
    QVERIFY(platform.BrowseFolder("Choose the torso skins", folder));
    QCOMPARE(Str(folder), QStringLiteral("/skins"));
}

void PlatformTest::startUpOnEmptyDataDirFails()
{
    visagen_test::TempDir dir;
    DesktopApp app(QString::fromStdString(dir.Path()));
    app.platform.quietMessages = true;
    QVERIFY(!app.Start());
    QCOMPARE(app.platform.messages, std::vector<QString>({QStringLiteral("Could not load face finder")}));
    QVERIFY(app.platform.Window() == nullptr);
    QVERIFY(app.platform.Loading() == nullptr);
}
