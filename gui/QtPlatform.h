// QtPlatform: the desktop operations the workspace asks for (QV_Platform),
// on Qt 6: the main window, control bar, status bar, the two OpenGL views,
// message boxes, file and folder dialogs, the loading dialog, the settings
// store and opening documents with the desktop's default program.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QPointer>
#include <QString>
#include <QStringList>

#include "QV_Platform.h"

class ControlBarWidget;
class FrameWindow;
class LoadingDialog;
class MainFrame;
class ViewWidget;

class QtPlatform : public QV_Platform {
public:
    // dataDirOverride: the data directory given on the command line; it
    // replaces the settings store's value when not empty.
    explicit QtPlatform(const QString& dataDirOverride = QString());
    ~QtPlatform() override;
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    // The workspace that receives commands, layout and pointer reports.
    void Attach(MainFrame& frame);
    // Shows the main window once the workspace is created.
    void ShowFrame();
    // Destroys every window (before the workspace that the views draw goes).
    void DestroyWindows();

    // ---- QV_Platform ----
    bool ReadSettingString(const QV_String& subKey, const QV_String& valueName, QV_String& out) override;
    std::vector<QV_String> EnumerateFiles(const QV_String& directory, const QV_String& pattern) override;
    bool ShellOpen(const QV_String& path, const QV_String& workingDirectory) override;
    bool CreateFrame() override;
    bool CreateControlBar(ControlBar& bar) override;
    void ControlBarChanged() override;
    bool CreateStatusBar() override;
    int StatusBarHeight() override;
    bool CreateView(SceneView& view, const QV_String& windowText, int childId, const QV_WindowRect& rect) override;
    void ScreenSize(int& width, int& height) override;
    void ClientSize(int& width, int& height) override;
    void SetFrameRect(const QV_WindowRect& rect) override;
    void PlaceControlBar(const QV_WindowRect& rect) override;
    void PlaceView(SceneView& view, const QV_WindowRect& rect) override;
    void MessageBox(const QV_String& text) override;
    void SetCaption(const QV_String& text) override;
    void SetStatusText(const QV_String& text) override;
    void SetWaitCursor(bool on) override;
    void ShowLoadingDialog() override;
    void SetLoadingProgress(int position) override;
    void HideLoadingDialog() override;
    void AppendPopupMenu(const QV_String& title, const std::vector<std::pair<int, QV_String>>& items) override;
    void SetMenuCheck(int command, bool checked) override;
    bool OpenFileDialog(const QV_String& filter, QV_String& path) override;
    bool SaveFileDialog(const QV_String& filter, QV_String& typedPath, int& filterIndex) override;
    bool BrowseFolder(const QV_String& title, QV_String& pathOrMessage) override;

    // ---- the windows, for the program and its tests ----
    FrameWindow* Window() const { return window.get(); }
    ControlBarWidget* ControlBarWindow() const { return controlBar; }
    // The view window of a SceneView, or null.
    ViewWidget* ViewWindow(const SceneView& view) const;
    LoadingDialog* Loading() const { return loading.get(); }
    QString Caption() const { return caption; }
    QString StatusText() const { return statusText; }
    // Every progress position the loading dialog was given, in order.
    const std::vector<int>& ProgressSeen() const { return progressSeen; }
    int WaitCursorDepth() const { return waitDepth; }

    // ---- scripted answers (automation and tests) ----
    // When set, the next dialog of that kind returns this answer at once
    // instead of showing itself; an empty path answers as Cancel.
    struct SaveAnswer {
        QString path;
        int filterIndex = 1;
    };
    std::optional<QString> nextOpenPath;
    std::optional<SaveAnswer> nextSave;
    std::optional<QString> nextFolder;
    // The name filters the last file dialog was given (Qt's form).
    QStringList lastNameFilters;

    // Messages: shown as modal boxes unless `quietMessages`, in which case
    // they go to the error stream (no one is there to close a box: timing
    // runs, screenshots, tests). Every text is kept in `messages`.
    bool quietMessages = false;
    std::vector<QString> messages;

    // The program that opens documents ("xdg-open"), looked up on PATH.
    QString openProgram = QStringLiteral("xdg-open");
    // Waits for the document openers started so far to end (tests).
    void WaitForOpeners();

private:
    void Command(int command);
    void ReapOpeners(bool wait);

    QString dataDirOverride;
    MainFrame* frame = nullptr;
    std::unique_ptr<LoadingDialog> loading;
    std::unique_ptr<FrameWindow> window;
    ControlBarWidget* controlBar = nullptr;  // children of `window`
    std::map<const SceneView*, ViewWidget*> views;
    QString caption;
    QString statusText;
    std::vector<int> progressSeen;
    int waitDepth = 0;
    std::vector<long> openers;  // process ids of started openers
};
