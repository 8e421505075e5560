// DesktopApp: the desktop program's parts put together: the Qt platform, the
// workspace over it, and what the program's options ask for after start-up
// (open a picture, create the head, save a picture of the window).
#pragma once

#include <QImage>
#include <QString>

#include "MainFrame.h"
#include "QtPlatform.h"

class DesktopApp {
public:
    explicit DesktopApp(const QString& dataDirOverride = QString());
    ~DesktopApp();
    DesktopApp(const DesktopApp&) = delete;
    DesktopApp& operator=(const DesktopApp&) = delete;

    // The workspace's start-up, then the main window is shown. False when
    // the workspace could not be created.
    bool Start();
    // Runs the event loop until the window and both views have been drawn
    // once (at most `timeoutMs`); false on time-out.
    bool WaitUntilPainted(int timeoutMs);
    // Open Image with a given file, as if chosen in the dialog.
    void OpenImage(const QString& path);
    // The whole main window as it looks on screen, the views included.
    QImage GrabWindow();

    QtPlatform platform;
    MainFrame frame;
};

// The format every OpenGL widget of the program gets by default; set before
// the application object is made.
void QV_SetDefaultSurfaceFormat();
