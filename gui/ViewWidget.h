// ViewWidget: the window of one SceneView, an OpenGL widget with a
// compatibility-profile context (the views draw with fixed-function GL),
// depth and stencil buffers; it forwards painting, resizing and the mouse.
#pragma once

#include <QOpenGLWidget>
#include <QSurfaceFormat>

#include "QV_Platform.h"
#include "SceneView.h"

class ViewWidget : public QOpenGLWidget, public QV_ViewHost {
    Q_OBJECT
public:
    ViewWidget(SceneView& view, const QString& windowText, int childId, QWidget* parent);
    ~ViewWidget() override;

    // The context every view asks for: OpenGL 2.1 compatibility profile,
    // RGBA 8-8-8, 24-bit depth, 8-bit stencil, double-buffered.
    static QSurfaceFormat Format();
    // Whether a context of that format can be created on this display.
    static bool ContextAvailable();

    // QV_ViewHost: draws now.
    void Repaint() override;

    SceneView& View() { return view; }
    int ChildId() const { return childId; }
    // Paints done so far (start-up timing and tests).
    int PaintCount() const { return paintCount; }
    // Whether InitialiseGL accepted the context.
    bool Initialised() const { return initialised; }

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    SceneView::Buttons Held(const QMouseEvent* event) const;

    SceneView& view;
    int childId;
    int paintCount = 0;
    bool initialised = false;
};
