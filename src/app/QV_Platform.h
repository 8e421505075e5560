// QV_Platform: everything the workspace and its commands ask of the desktop
// (windows, menus, dialogs, messages, settings, files, the shell). The Qt
// front end implements it; the logic tests use a recording fake.
#pragma once

#include <utility>
#include <vector>

#include "QV_String.h"

class SceneView;
class ControlBar;

// A window rectangle in pixels, relative to the parent's client area (or to
// the screen for the main window).
struct QV_WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const QV_WindowRect&) const = default;
};

// Lets a SceneView ask its window for a synchronous repaint; set by the
// platform when it creates the view's window.
class QV_ViewHost {
public:
    virtual ~QV_ViewHost() = default;
    // Draws the view now (makes its context current and calls Paint).
    virtual void Repaint() = 0;
};

class QV_Platform {
public:
    virtual ~QV_Platform() = default;

    // ---- settings and files ----
    // A string value of the machine-wide settings store. On success `out`
    // holds the value; on failure it holds the store's message.
    virtual bool ReadSettingString(const QV_String& subKey, const QV_String& valueName, QV_String& out) = 0;
    // Full paths of the regular files of `directory` whose names match
    // `pattern` ("*.qvhead": the extension compared without case), in the
    // order the directory lists them (by name here).
    virtual std::vector<QV_String> EnumerateFiles(const QV_String& directory, const QV_String& pattern) = 0;
    // Opens a document with the desktop's default program (no shell, the
    // path passed as one argument). False when that could not be started.
    virtual bool ShellOpen(const QV_String& path, const QV_String& workingDirectory) = 0;

    // ---- windows ----
    // The main window itself; false ends the application.
    virtual bool CreateFrame() = 0;
    // The row of icon buttons across the top; the platform draws
    // `bar.buttons` and reports the pointer and clicks back to the bar.
    virtual bool CreateControlBar(ControlBar& bar) = 0;
    // The control bar's buttons changed their icon (hover state).
    virtual void ControlBarChanged() = 0;
    // Status bar: one text pane, then the caps-, num- and scroll-lock panes.
    virtual bool CreateStatusBar() = 0;
    virtual int StatusBarHeight() = 0;
    // A child OpenGL view (double-buffered RGBA with depth and stencil) for
    // `view`, which the platform gives a QV_ViewHost; false when no OpenGL
    // context can be had.
    virtual bool CreateView(SceneView& view, const QV_String& windowText, int childId, const QV_WindowRect& rect) = 0;
    virtual void ScreenSize(int& width, int& height) = 0;
    virtual void ClientSize(int& width, int& height) = 0;
    virtual void SetFrameRect(const QV_WindowRect& rect) = 0;
    virtual void PlaceControlBar(const QV_WindowRect& rect) = 0;
    virtual void PlaceView(SceneView& view, const QV_WindowRect& rect) = 0;

    // ---- texts ----
    virtual void MessageBox(const QV_String& text) = 0;
    virtual void SetCaption(const QV_String& text) = 0;
    virtual void SetStatusText(const QV_String& text) = 0;
    virtual void SetWaitCursor(bool on) = 0;

    // ---- loading dialog ----
    virtual void ShowLoadingDialog() = 0;
    virtual void SetLoadingProgress(int position) = 0;  // 0 .. 100
    virtual void HideLoadingDialog() = 0;

    // ---- menus ----
    // Appends a pop-up menu as the last top-level menu; items are
    // (command number, text).
    virtual void AppendPopupMenu(const QV_String& title, const std::vector<std::pair<int, QV_String>>& items) = 0;
    virtual void SetMenuCheck(int command, bool checked) = 0;

    // ---- dialogs ----
    // Open dialog with a "|"-separated filter ("Text|*.a;*.b|...||"). False
    // when cancelled.
    virtual bool OpenFileDialog(const QV_String& filter, QV_String& path) = 0;
    // Save dialog (overwrite prompt on): the name as the user typed it and
    // the 1-based index of the filter entry chosen. False when cancelled.
    virtual bool SaveFileDialog(const QV_String& filter, QV_String& typedPath, int& filterIndex) = 0;
    // Folder browser: true with the folder path, or false with a message
    // ("Cancel button pressed" when the user cancels).
    virtual bool BrowseFolder(const QV_String& title, QV_String& pathOrMessage) = 0;
};
