#include "DialogTest.h"

#include <functional>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "QtPlatform.h"
#include "TestSupport.h"

namespace {

const char* const kSaveFilter = "OBJ (*.obj)|*.obj|XML (*.xml)|*.xml|";
const char* const kOpenFilter = "Image files (*.jpg;*.bmp;*.tif)|*.jpg;*.bmp;*.tif|Annotation files (*.mma)|*.mma||";

// Runs `act` on the first modal window of type T that opens (polling while
// the caller sits in the window's own event loop).
template <typename T>
void WhenModalOpens(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(window);
        // A failed check above leaves the window open: close it so the test
        // ends instead of waiting for a user.
        QPointer<T> open(window);
        QTimer::singleShot(5000, [open] {
            if (open && open->isVisible())
                open->close();
        });
    });
    timer->start();
}

void WhenDialogOpens(std::function<void(QFileDialog*)> act)
{
    WhenModalOpens<QFileDialog>(std::move(act));
}

// Types a name into the dialog's name field and presses Return, as a user
// does: into the active window, with the field focused. The dialog reacts to
// typing differently without focus (a name typed earlier stays selected in its
// list, and Save stays disabled), which a window shown again after a question
// may still lack on a busy machine.
void TypeAndConfirm(QFileDialog* dialog, const QString& name)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
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

void DialogTest::saveDialogAsksBeforeReplacingTheExtendedName_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("replace") << true;
    QTest::newRow("keep and choose another name") << false;
}

// "head" typed with the XML entry is saved as head.xml: when that exists the
// question is asked about it, though the dialog itself only saw "head".
void DialogTest::saveDialogAsksBeforeReplacingTheExtendedName()
{
    QFETCH(bool, replace);
    visagen_test::TempDir dir;
    visagen_test::WriteFileText(dir.File("head.xml"), "earlier head");
    const QString folder = QString::fromStdString(dir.Path());
    QString asked;
    WhenDialogOpens([&](QFileDialog* dialog) {
        dialog->setDirectory(folder);
        dialog->selectNameFilter(QStringLiteral("XML (*.xml)"));
        WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
            asked = box->text();
            if (!replace)
                WhenDialogOpens([](QFileDialog* again) { TypeAndConfirm(again, QStringLiteral("other")); });
            box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        TypeAndConfirm(dialog, QStringLiteral("head"));
    });
    QtPlatform platform;
    QV_String path;
    int filterIndex = 0;
    QVERIFY(platform.SaveFileDialog(kSaveFilter, path, filterIndex));
    QCOMPARE(asked, QStringLiteral("head.xml already exists.\nDo you want to replace it?"));
    QCOMPARE(Str(path), folder + (replace ? QStringLiteral("/head") : QStringLiteral("/other")));
    QCOMPARE(filterIndex, 2);
}
