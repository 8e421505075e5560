#include "DialogTest.h"

#include <functional>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "QtPlatform.h"
#include "TestSupport.h"

namespace {

const char* const kSaveFilter = "OBJ (*.obj)|*.obj|XML (*.xml)|*.xml|";
const char* const kOpenFilter = "Image files (*.jpg;*.bmp;*.tif)|*.jpg;*.bmp;*.tif|Annotation files (*.mma)|*.mma||";

// Runs `act` on the first file dialog that opens (polling while the caller
// sits in the dialog's own event loop).
void WhenDialogOpens(std::function<void(QFileDialog*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(dialog);
        // A failed check above leaves the dialog open: close it so the test
        // ends instead of waiting for a user.
        QPointer<QFileDialog> open(dialog);
        QTimer::singleShot(5000, [open] {
            if (open && open->isVisible())
                open->reject();
        });
    });
    timer->start();
}

// Types a name into the dialog's name field and presses Return.
void TypeAndConfirm(QFileDialog* dialog, const QString& name)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
}

QString Str(const QV_String& s)
{
    return QString::fromLocal8Bit(s.CStr());
}

}  // namespace

void DialogTest::saveDialogReportsTheTypedNameAndTheChosenEntry_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("index");
    // No suffix is added by the dialog: the workspace's rule does that.
    QTest::newRow("bare name, XML") << "head" << "XML (*.xml)" << 2;
    QTest::newRow("obj name, XML") << "head.obj" << "XML (*.xml)" << 2;
    QTest::newRow("bare name, OBJ") << "my head" << "OBJ (*.obj)" << 1;
    QTest::newRow("wrl name, OBJ") << "head.wrl" << "OBJ (*.obj)" << 1;
}

void DialogTest::saveDialogReportsTheTypedNameAndTheChosenEntry()
{
    QFETCH(QString, typed);
    QFETCH(QString, entry);
    QFETCH(int, index);
    visagen_test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Path());
    WhenDialogOpens([&](QFileDialog* dialog) {
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(dialog->defaultSuffix().isEmpty());
        dialog->setDirectory(folder);
        dialog->selectNameFilter(entry);
        TypeAndConfirm(dialog, typed);
    });
    QtPlatform platform;
    QV_String path;
    int filterIndex = 0;
    QVERIFY(platform.SaveFileDialog(kSaveFilter, path, filterIndex));
    QCOMPARE(Str(path), folder + QLatin1Char('/') + typed);
    QCOMPARE(filterIndex, index);
}

void DialogTest::openDialogReturnsTheChosenFile()
{
    visagen_test::TempDir dir;
    visagen_test::WriteFileText(dir.File("FACE.JPG"), "not really a picture");
    const QString folder = QString::fromStdString(dir.Path());
    WhenDialogOpens([&](QFileDialog* dialog) {
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog->nameFilters(),
                 QStringList({QStringLiteral("Image files (*.jpg *.bmp *.tif)"),
                              QStringLiteral("Annotation files (*.mma)")}));
        dialog->setDirectory(folder);
        TypeAndConfirm(dialog, QStringLiteral("FACE.JPG"));
    });
    QtPlatform platform;
    QV_String path;
    QVERIFY(platform.OpenFileDialog(kOpenFilter, path));
    QCOMPARE(Str(path), folder + QStringLiteral("/FACE.JPG"));
}

void DialogTest::cancelledDialogsReturnFalse()
{
    QtPlatform platform;
    QV_String path("unchanged");
    int filterIndex = 7;
    WhenDialogOpens([](QFileDialog* dialog) { dialog->reject(); });
    QVERIFY(!platform.SaveFileDialog(kSaveFilter, path, filterIndex));
    QCOMPARE(Str(path), QStringLiteral("unchanged"));
    QCOMPARE(filterIndex, 7);

    WhenDialogOpens([](QFileDialog* dialog) { dialog->reject(); });
    QVERIFY(!platform.OpenFileDialog(kOpenFilter, path));

    WhenDialogOpens([](QFileDialog* dialog) { dialog->reject(); });
    QV_String message;
    QVERIFY(!platform.BrowseFolder("Choose the folder of the torso skin JPEG images", message));
    QCOMPARE(Str(message), QStringLiteral("Cancel button pressed"));
}
