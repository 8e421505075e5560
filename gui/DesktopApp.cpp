#include "DesktopApp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QThread>

#include "FrameWindow.h"
#include "QV_Commands.h"
#include "ViewWidget.h"

DesktopApp::DesktopApp(const QString& dataDirOverride) : platform(dataDirOverride), frame(platform)
{
    platform.Attach(frame);
}

DesktopApp::~DesktopApp()
{
    // The windows go first: the views' widgets refer to the workspace's views.
    platform.DestroyWindows();
}

bool DesktopApp::Start()
{
    if (!frame.Create()) {
        platform.DestroyWindows();
        return false;
    }
    platform.ShowFrame();
    return true;
}

bool DesktopApp::WaitUntilPainted(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    const auto painted = [this] {
        const ViewWidget* image = platform.ViewWindow(frame.imageView);
        const ViewWidget* head = platform.ViewWindow(frame.headView);
        return platform.Window() && platform.Window()->isVisible() && image && head && image->PaintCount() > 0 &&
               head->PaintCount() > 0;
    };
    while (!painted()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!painted())
            QThread::msleep(1);
    }
    return true;
}

void DesktopApp::OpenImage(const QString& path)
{
    platform.nextOpenPath = path;
    frame.OnCommand(QV_Command::kOpenImage);
    platform.nextOpenPath.reset();
}

QImage DesktopApp::GrabWindow()
{
    FrameWindow* window = platform.Window();
    if (!window)
        return QImage();
    QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Draw the views from their frame buffers, in case the widget grab left
    // them blank on this display.
    QPainter painter(&image);
    for (const SceneView* view : {&frame.imageView, &frame.headView}) {
        ViewWidget* widget = platform.ViewWindow(*view);
        if (!widget)
            continue;
        const QPoint at = widget->mapTo(window, QPoint(0, 0));
        painter.drawImage(QRect(at, widget->size()), widget->grabFramebuffer());
    }
    return image;
}

void QV_SetDefaultSurfaceFormat()
{
    QSurfaceFormat::setDefaultFormat(ViewWidget::Format());
}
