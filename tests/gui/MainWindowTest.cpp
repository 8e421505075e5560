#include "MainWindowTest.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "ControlBarWidget.h"
#include "DesktopApp.h"
#include "FrameWindow.h"
#include "GuiTestSupport.h"
#include "LockKeys.h"
#include "LoadingDialog.h"
#include "QV_Commands.h"
#include "QV_GLMatrix.h"
#include "TestSupport.h"
#include "ViewWidget.h"

#if __has_include(<X11/XKBlib.h>)
#include <QtGui/qguiapplication_platform.h>
#include <X11/XKBlib.h>
#define VISAGEN_TEST_XKB 1
#endif

using visagen_gui_test::CountDiffering;
using visagen_gui_test::DistanceFromGrey;
using visagen_gui_test::Hover;

namespace {

// The views' clear colour, 0.9 grey.
constexpr int kClearGrey = 230;

// Where an annotation point of the image view lies in its widget, in pixels
// from the top-left corner.
QPoint WidgetPointOf(const SceneView& view, const QV_Point2D& p)
{
    const QV_Point3D scene(p.x * static_cast<float>(view.photo.Cols()), p.y * static_cast<float>(view.photo.Rows()),
                           0.0f);
    QV_Point3D window;
    QV_GLProject(scene, view.ModelViewMatrix(), view.ProjectionMatrix(), view.viewportWidth, view.viewportHeight,
                 window);
    return QPoint(qRound(window.x), qRound(static_cast<float>(view.viewportHeight) - window.y));
}

int ButtonWithCommand(const ControlBar& bar, int command)
{
    for (size_t i = 0; i < bar.buttons.size(); ++i)
        if (bar.buttons[i].command == command)
            return static_cast<int>(i);
    return -1;
}

bool MakeActive(QWidget* window)
{
    window->activateWindow();
    if (QTest::qWaitForWindowActive(window, 2000))
        return true;
    QApplication::setActiveWindow(window);
    return QApplication::activeWindow() == window;
}

}  // namespace

MainWindowTest::MainWindowTest() = default;
MainWindowTest::~MainWindowTest() = default;

void MainWindowTest::initTestCase()
{
    app = std::make_unique<DesktopApp>(QStringLiteral(VISAGEN_DATA_DIR));
    app->platform.quietMessages = true;
    QVERIFY(app->Start());
    QVERIFY(app->WaitUntilPainted(30000));
    QVERIFY(QTest::qWaitForWindowExposed(app->platform.Window()));
}

void MainWindowTest::cleanupTestCase()
{
    app.reset();
}

void MainWindowTest::startUpPlacesWindowAndViews()
{
    QtPlatform& platform = app->platform;
    FrameWindow* window = platform.Window();
    QCOMPARE(platform.Caption(), QStringLiteral("Heddle: "));
    QCOMPARE(window->windowTitle(), QStringLiteral("Heddle: "));

    // On the 1280 x 1024 test screen: 0.65 of the width, 0.55 of that high,
    // centred.
    QCOMPARE(window->geometry(), QRect(224, 283, 832, 458));

    // The loading dialog went from 1 to 100 without going back and is gone.
    const std::vector<int>& progress = platform.ProgressSeen();
    QVERIFY(progress.size() >= 6);
    QCOMPARE(progress.front(), 1);
    QCOMPARE(progress.back(), 100);
    for (size_t i = 1; i < progress.size(); ++i)
        QVERIFY2(progress[i] >= progress[i - 1], "progress went back");
    QVERIFY(platform.Loading() != nullptr);
    QVERIFY(!platform.Loading()->isVisible());
    QCOMPARE(platform.Loading()->Text(), QStringLiteral("Please wait, Heddle is loading...."));

    // Control bar across the top, 40 pixels; the views share the rest down
    // to the status bar, half each.
    const QWidget* client = window->ClientArea();
    const int w = client->width();
    const int h = client->height();
    QCOMPARE(platform.ControlBarWindow()->geometry(), QRect(0, 0, w, 40));
    QCOMPARE(platform.ViewWindow(app->frame.imageView)->geometry(), QRect(0, 40, w / 2, h - 40));
    QCOMPARE(platform.ViewWindow(app->frame.headView)->geometry(), QRect(w / 2, 40, w / 2, h - 40));
    QCOMPARE(platform.ViewWindow(app->frame.imageView)->windowTitle(), QStringLiteral("Image"));
    QCOMPARE(platform.ViewWindow(app->frame.headView)->windowTitle(), QStringLiteral("3D"));
    QVERIFY(platform.ViewWindow(app->frame.imageView)->Initialised());
    QVERIFY(platform.ViewWindow(app->frame.headView)->Initialised());

    // A resize lays the children out again.
    window->resize(900, 600);
    QTRY_COMPARE(platform.ViewWindow(app->frame.headView)->geometry().width(), client->width() / 2);
    QCOMPARE(platform.ViewWindow(app->frame.headView)->geometry().height(), client->height() - 40);
    window->setGeometry(224, 283, 832, 458);
    QTRY_COMPARE(platform.ViewWindow(app->frame.imageView)->geometry().height(), client->height() - 40);

    // Status bar: text pane and the three lock panes.
    for (const char* name : {"CAP", "NUM", "SCRL"}) {
        const QLabel* pane = window->findChild<QLabel*>(QString::fromLatin1(name));
        QVERIFY2(pane && pane->isVisible(), name);
        QCOMPARE(pane->text(), QString::fromLatin1(name));
    }

    // Without the finder library in the data directory the start-up says so
    // and goes on.
    const bool finderShipped = std::filesystem::exists(std::string(VISAGEN_DATA_DIR) + "/libQVFaceNet.so");
    const bool finderMessage =
        std::find(platform.messages.begin(), platform.messages.end(),
                  QStringLiteral("Error, failed to load QVFaceNet DLL")) != platform.messages.end();
    QCOMPARE(finderMessage, !finderShipped);
}

void MainWindowTest::menuBarHasTheFourMenus()
{
    FrameWindow* window = app->platform.Window();
    QStringList titles;
    for (QAction* a : window->menuBar()->actions())
        titles << a->text();
    QCOMPARE(titles, QStringList({QStringLiteral("&File"), QStringLiteral("Switches"), QStringLiteral("&Help"),
                                  QStringLiteral("Avatar &Plugins")}));

    // One plug-in entry per loaded head model file, numbered from 32900.
    QMenu* plugins = window->menuBar()->actions().last()->menu();
    QVERIFY(plugins);
    QCOMPARE(plugins->actions().size(), static_cast<qsizetype>(app->frame.plugins.size()));
    QVERIFY(!plugins->actions().isEmpty());
    QCOMPARE(plugins->actions().first()->text(), QStringLiteral("Standard"));
    QCOMPARE(window->Action(QV_Command::kFirstPlugin), plugins->actions().first());

    QMenu* switches = window->menuBar()->actions()[1]->menu();
    QStringList items;
    for (QAction* a : switches->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items, QStringList({QStringLiteral("Use Female Body"), QStringLiteral("Use High Res texture"),
                                 QStringLiteral("-"), QStringLiteral("Use Child Face")}));
    QCOMPARE(window->Action(QV_Command::kTutorial)->statusTip(), QStringLiteral("Display Tutorial"));
    QCOMPARE(window->Action(QV_Command::kFemaleBody)->statusTip(), QStringLiteral("toggle body type"));
    QVERIFY(window->Action(QV_Command::kUndo)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Z)));
    QVERIFY(window->Action(QV_Command::kUndo)->shortcuts().contains(QKeySequence(Qt::ALT | Qt::Key_Backspace)));
}

void MainWindowTest::lockPanesFollowTheKeyboard()
{
#ifdef VISAGEN_TEST_XKB
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("the lock keys are read from an X display");
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    QVERIFY(x11 && x11->display());
    Display* display = x11->display();
    FrameWindow* window = app->platform.Window();
    const QLabel* cap = window->findChild<QLabel*>(QStringLiteral("CAP"));
    const QLabel* num = window->findChild<QLabel*>(QStringLiteral("NUM"));
    QVERIFY(cap && num);
    // Caps lock is the lock modifier: locking it lights the indicator.
    for (const bool on : {true, false, true, false}) {
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, on ? LockMask : 0);
        XSync(display, False);
        QV_LockKeyState state;
        QVERIFY(QV_ReadLockKeys(state));
        QCOMPARE(state.caps, on);
        QVERIFY(window->UpdateLockPanes());
        QCOMPARE(cap->isEnabled(), on);
        QCOMPARE(num->isEnabled(), state.num);
    }
#else
    QSKIP("built without the X keyboard extension's header");
#endif
}

void MainWindowTest::switchesKeepTheirMarksToTheWorkspace()
{
    FrameWindow* window = app->platform.Window();
    QVERIFY(!app->frame.headCreated);

    // The shipped data directory has no child face model: the switch cannot
    // turn on and its item stays unchecked.
    QAction* child = window->Action(QV_Command::kChildFace);
    child->trigger();
    QVERIFY(!child->isChecked());
    QVERIFY(!app->frame.useChildFace);

    QAction* highRes = window->Action(QV_Command::kHighResTexture);
    highRes->trigger();
    QVERIFY(highRes->isChecked());
    QVERIFY(app->frame.useHighResTexture);
    QVERIFY(!app->frame.headView.hasMesh);  // no head yet: nothing re-created
    highRes->trigger();
    QVERIFY(!highRes->isChecked());
    QVERIFY(!app->frame.useHighResTexture);

    // Choosing the plug-in before any head creates nothing.
    window->Action(QV_Command::kFirstPlugin)->trigger();
    QVERIFY(!app->frame.headView.hasMesh);
    QVERIFY(app->platform.messages.empty() ||
            app->platform.messages.back() != QStringLiteral("Out of range"));
}

void MainWindowTest::controlBarHoverAndClick()
{
    ControlBarWidget* bar = app->platform.ControlBarWindow();
    ControlBar& logic = app->frame.controlBar;
    QCOMPARE(static_cast<int>(logic.buttons.size()), 17);

    Hover(bar, ControlBarWidget::ButtonRect(0).center());
    QCOMPARE(logic.CurrentIcon(0), 144);
    QCOMPARE(app->platform.StatusText(), QStringLiteral("Open Image"));
    Hover(bar, ControlBarWidget::ButtonRect(1).center());
    QCOMPARE(logic.CurrentIcon(0), 137);
    QCOMPARE(logic.CurrentIcon(1), 145);
    QCOMPARE(app->platform.StatusText(), QStringLiteral("Save Avatar"));
    // The bar's background resets every button.
    Hover(bar, QPoint(bar->width() - 2, 20));
    QCOMPARE(logic.CurrentIcon(1), 138);

    // A click runs the button's command: the wireframe switch of the 3D view.
    const int wire = ButtonWithCommand(logic, QV_Command::kToggleWireframe);
    QVERIFY(wire >= 0);
    const bool before = app->frame.headView.wireframe;
    QTest::mouseClick(bar, Qt::LeftButton, {}, ControlBarWidget::ButtonRect(wire).center());
    QCOMPARE(app->frame.headView.wireframe, !before);
    // A press on one button released over another does nothing.
    QTest::mousePress(bar, Qt::LeftButton, {}, ControlBarWidget::ButtonRect(wire).center());
    QTest::mouseRelease(bar, Qt::LeftButton, {}, ControlBarWidget::ButtonRect(wire - 1).center());
    QCOMPARE(app->frame.headView.wireframe, !before);
    QTest::mouseClick(bar, Qt::LeftButton, {}, ControlBarWidget::ButtonRect(wire).center());
    QCOMPARE(app->frame.headView.wireframe, before);
}

void MainWindowTest::openAndAutoCreateDrawBothViews()
{
    ViewWidget* imageWidget = app->platform.ViewWindow(app->frame.imageView);
    ViewWidget* headWidget = app->platform.ViewWindow(app->frame.headView);
    // Before anything is opened both views show only the clear colour.
    QCOMPARE(CountDiffering(imageWidget->grabFramebuffer(), imageWidget->rect(), kClearGrey, 3), 0);
    QCOMPARE(CountDiffering(headWidget->grabFramebuffer(), headWidget->rect(), kClearGrey, 3), 0);

    app->OpenImage(QStringLiteral(VISAGEN_SAMPLE_PHOTO));
    QVERIFY(app->frame.imageView.hasImage);
    QCOMPARE(app->platform.Caption(), QStringLiteral("Heddle: grace_hopper.jpg"));

    // Auto Create Avatar from its control-bar button.
    const size_t messagesBefore = app->platform.messages.size();
    const int autoCreate = ButtonWithCommand(app->frame.controlBar, QV_Command::kAutoCreate);
    QTest::mouseClick(app->platform.ControlBarWindow(), Qt::LeftButton, {},
                      ControlBarWidget::ButtonRect(autoCreate).center());
    QCOMPARE(app->platform.messages.size(), messagesBefore);
    QVERIFY(app->frame.headCreated);
    QVERIFY(app->frame.headView.hasMesh);
    QVERIFY(app->frame.imageView.annotation.Count() > 0);
    QCOMPARE(app->platform.StatusText(),
             QStringLiteral("Finished creating 3D, use the mouse to manipulate the viewpoint"));
    QCOMPARE(app->platform.WaitCursorDepth(), 0);

    // The photograph fills the middle of the image view and the head the
    // middle of the 3D view; the corners keep the clear colour.
    const QImage image = imageWidget->grabFramebuffer();
    const QImage head = headWidget->grabFramebuffer();
    const QRect imageMiddle(image.width() / 2 - 20, image.height() / 2 - 20, 40, 40);
    const QRect headMiddle(head.width() / 2 - 20, head.height() / 2 - 20, 40, 40);
    QVERIFY(CountDiffering(image, imageMiddle, kClearGrey, 12) > 1200);
    QVERIFY(CountDiffering(head, headMiddle, kClearGrey, 12) > 1200);
    QVERIFY(DistanceFromGrey(image, 1, 1, kClearGrey) <= 3);
    QVERIFY(DistanceFromGrey(head, 1, 1, kClearGrey) <= 3);
    QVERIFY(DistanceFromGrey(head, head.width() - 2, head.height() - 2, kClearGrey) <= 3);
}

void MainWindowTest::dragOfAPointIsUndoneByBothAccelerators()
{
    QVERIFY(app->frame.headCreated);
    SceneView& view = app->frame.imageView;
    ViewWidget* widget = app->platform.ViewWindow(view);
    FrameWindow* window = app->platform.Window();
    QVERIFY(MakeActive(window));

    const int mouth = view.annotation.Find("OUTER MOUTH");
    QVERIFY(mouth >= 0);
    const struct {
        Qt::Key key;
        Qt::KeyboardModifier modifier;
        int point;
    } accelerators[] = {{Qt::Key_Z, Qt::ControlModifier, 0}, {Qt::Key_Backspace, Qt::AltModifier, 6}};
    for (const auto& accelerator : accelerators) {
        const QV_Point2D original = view.annotation[mouth].points[accelerator.point];
        const QPoint at = WidgetPointOf(view, original);
        QVERIFY(widget->rect().contains(at));

        QTest::mousePress(widget, Qt::LeftButton, {}, at);
        QVERIFY(view.leftGrab);
        const int grabbed = view.selectedAnnotation;
        const int grabbedPoint = view.selectedPoint;
        QVERIFY(grabbed >= 0 && grabbedPoint >= 0);
        const QV_Point2D grabbedAt = view.annotation[grabbed].points[grabbedPoint];
        QTest::mouseMove(widget, at + QPoint(12, 9));
        QTest::mouseMove(widget, at + QPoint(25, 18));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, at + QPoint(25, 18));
        const QV_Point2D moved = view.annotation[grabbed].points[grabbedPoint];
        QVERIFY(std::fabs(moved.x - grabbedAt.x) > 0.01f);
        QVERIFY(std::fabs(moved.y - grabbedAt.y) > 0.01f);
        // Right and down on the screen: larger x, smaller y (rows count
        // from the bottom).
        QVERIFY(moved.x > grabbedAt.x);
        QVERIFY(moved.y < grabbedAt.y);

        QTest::keyClick(window, accelerator.key, accelerator.modifier);
        const QV_Point2D restored = view.annotation[grabbed].points[grabbedPoint];
        QCOMPARE(restored.x, grabbedAt.x);
        QCOMPARE(restored.y, grabbedAt.y);
        QCOMPARE(app->platform.StatusText(), QStringLiteral("Ready"));
    }
    // Back at the fitted annotation: nothing more to undo.
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(app->platform.StatusText(), QStringLiteral("No more undo"));
}

void MainWindowTest::recreateAfterADragUsesTheEditedContours()
{
    QVERIFY(app->frame.headCreated);
    SceneView& view = app->frame.imageView;
    ViewWidget* widget = app->platform.ViewWindow(view);
    const int face = view.annotation.Find("FACE");
    QVERIFY(face >= 0);
    const int last = view.annotation[face].NumPoints() - 1;
    QVERIFY(last > 0);
    const QV_Point2D before = view.annotation[face].points[last];
    std::vector<QV_Point3D> headBefore;
    for (int i = 0; i < app->frame.headView.mesh.VertexCount(); ++i)
        headBefore.push_back(app->frame.headView.mesh.vertices[i]);

    // Drag one contour point well away, then Re-create from its button.
    const QPoint at = WidgetPointOf(view, before);
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseMove(widget, at + QPoint(-20, 0));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at + QPoint(-20, 0));
    QVERIFY(view.annotation[face].points[last].x < before.x - 0.02f);
    const QV_AnnotationModel edited = view.annotation;

    const int recreate = ButtonWithCommand(app->frame.controlBar, QV_Command::kRecreate);
    QTest::mouseClick(app->platform.ControlBarWindow(), Qt::LeftButton, {},
                      ControlBarWidget::ButtonRect(recreate).center());
    QCOMPARE(app->platform.StatusText(),
             QStringLiteral("Finished creating 3D, use the mouse to manipulate the viewpoint"));
    // No new search: the contours are the edited ones, and the head changed.
    QCOMPARE(view.annotation[face].points[last].x, edited[face].points[last].x);
    const QV_Mesh& head = app->frame.headView.mesh;
    QCOMPARE(static_cast<size_t>(head.VertexCount()), headBefore.size());
    bool changed = false;
    for (int i = 0; i < head.VertexCount() && !changed; ++i)
        changed = std::fabs(head.vertices[i].x - headBefore[static_cast<size_t>(i)].x) > 1e-4f;
    QVERIFY(changed);

    QTest::keyClick(app->platform.Window(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(view.annotation[face].points[last].x, before.x);
}

void MainWindowTest::saveAvatarWritesAnObjFile()
{
    QVERIFY(app->frame.headCreated);
    visagen_test::TempDir dir;
    // Typed without an extension, with the OBJ entry chosen.
    app->platform.nextSave = QtPlatform::SaveAnswer{QString::fromStdString(dir.File("my head")), 1};
    const int save = ButtonWithCommand(app->frame.controlBar, QV_Command::kSaveAvatar);
    QTest::mouseClick(app->platform.ControlBarWindow(), Qt::LeftButton, {}, ControlBarWidget::ButtonRect(save).center());
    const std::string obj = dir.File("my head.obj");
    QVERIFY(std::filesystem::exists(obj));
    const std::vector<unsigned char> bytes = visagen_test::ReadFileBytes(obj);
    const std::string text(bytes.begin(), bytes.end());
    QVERIFY(text.find("\nv ") != std::string::npos || text.rfind("v ", 0) == 0);
    QVERIFY(text.find("\nf ") != std::string::npos);
    QCOMPARE(app->platform.Caption(), QStringLiteral("Heddle: my head.obj"));
    QCOMPARE(app->platform.lastNameFilters,
             QStringList({QStringLiteral("OBJ (*.obj)"), QStringLiteral("XML (*.xml)")}));
}

void MainWindowTest::windowGrabShowsPhotoAndHead()
{
    QVERIFY(app->frame.headCreated);
    const QImage shot = app->GrabWindow();
    QCOMPARE(shot.size(), app->platform.Window()->size());
    for (const SceneView* view : {&app->frame.imageView, &app->frame.headView}) {
        const ViewWidget* widget = app->platform.ViewWindow(*view);
        const QRect r = QRect(widget->mapTo(app->platform.Window(), QPoint(0, 0)), widget->size());
        const QRect middle(r.center().x() - 20, r.center().y() - 20, 40, 40);
        QVERIFY(CountDiffering(shot, middle, kClearGrey, 12) > 1200);
    }
}
