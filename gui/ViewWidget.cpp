#include "ViewWidget.h"

#include <QMouseEvent>
#include <QOpenGLContext>

ViewWidget::ViewWidget(SceneView& view_, const QString& windowText, int childId_, QWidget* parent)
    : QOpenGLWidget(parent), view(view_), childId(childId_)
{
    setFormat(Format());
    setWindowTitle(windowText);
    setObjectName(windowText);
    setAccessibleName(windowText);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    view.host = this;
}

ViewWidget::~ViewWidget()
{
    if (view.host == this)
        view.host = nullptr;
}

QSurfaceFormat ViewWidget::Format()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

bool ViewWidget::ContextAvailable()
{
    QOpenGLContext context;
    context.setFormat(Format());
    if (!context.create())
        return false;
    // The views need the fixed-function pipeline: no ES context, and no core
    // profile.
    const QSurfaceFormat got = context.format();
    return got.renderableType() != QSurfaceFormat::OpenGLES && got.profile() != QSurfaceFormat::CoreProfile;
}

void ViewWidget::Repaint()
{
    repaint();
}

void ViewWidget::initializeGL()
{
    const qreal ratio = devicePixelRatioF();
    initialised = view.InitialiseGL(qRound(width() * ratio), qRound(height() * ratio));
}

// The view works in device pixels throughout (viewport, pointer, picking);
// Qt gives the size in device-independent ones.
void ViewWidget::resizeGL(int w, int h)
{
    const qreal ratio = devicePixelRatioF();
    view.Resize(qRound(w * ratio), qRound(h * ratio));
}

void ViewWidget::paintGL()
{
    ++paintCount;
    view.Paint();
}

SceneView::Buttons ViewWidget::Held(const QMouseEvent* event) const
{
    SceneView::Buttons held;
    held.left = event->buttons().testFlag(Qt::LeftButton);
    held.right = event->buttons().testFlag(Qt::RightButton);
    held.ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    held.shift = event->modifiers().testFlag(Qt::ShiftModifier);
    return held;
}

// The views take window pixels from the top-left corner, as the widget's
// event positions are; device pixels where the screen scales.
void ViewWidget::mousePressEvent(QMouseEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    const float x = static_cast<float>(event->position().x() * ratio);
    const float y = static_cast<float>(event->position().y() * ratio);
    if (event->button() == Qt::LeftButton)
        view.LeftButtonDown(x, y, Held(event));
    else if (event->button() == Qt::RightButton)
        view.RightButtonDown(x, y, Held(event));
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    const float x = static_cast<float>(event->position().x() * ratio);
    const float y = static_cast<float>(event->position().y() * ratio);
    if (event->button() == Qt::LeftButton)
        view.LeftButtonUp(x, y, Held(event));
    else if (event->button() == Qt::RightButton)
        view.RightButtonUp(x, y, Held(event));
}

void ViewWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    const float x = static_cast<float>(event->position().x() * ratio);
    const float y = static_cast<float>(event->position().y() * ratio);
    if (event->button() == Qt::LeftButton)
        view.LeftDoubleClick(x, y, Held(event));
    else if (event->button() == Qt::RightButton)
        view.RightButtonDown(x, y, Held(event));
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    view.MouseMove(static_cast<float>(event->position().x() * ratio), static_cast<float>(event->position().y() * ratio),
                   Held(event));
}
