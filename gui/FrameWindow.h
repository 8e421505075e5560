// FrameWindow: the main window on Qt: the menu bar ("&File", "Switches",
// "&Help" and the pop-ups appended later), the accelerators, the status bar
// (text pane and the CAP / NUM / SCRL lock panes) and the client area in
// which the control bar and the two views are placed by hand. Every menu
// item and accelerator is handed to `command` with its command number.
#pragma once

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include <QMainWindow>

class QLabel;
class QMenu;

class FrameWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit FrameWindow(std::function<void(int)> command);
    ~FrameWindow() override;

    // Called with the client area's new size on every resize, and with the
    // pointer's y over the client area's own background.
    std::function<void(int, int)> clientResized;
    std::function<void(int)> pointerMoved;

    // The widget that holds the control bar and the views.
    QWidget* ClientArea() const { return client; }

    // A pop-up menu appended after the others; items are (command, text).
    QMenu* AppendMenu(const QString& title, const std::vector<std::pair<int, QString>>& items);
    // The menu item or accelerator of a command number (the first one made),
    // or null.
    QAction* Action(int command) const;
    // Menu check marks: only what SetCheck sets; a click on a checkable item
    // does not change its mark by itself.
    void SetCheck(int command, bool checked);
    bool Checked(int command) const;

    // The status bar with its four panes.
    void CreateStatusPanes();
    bool HasStatusPanes() const { return textPane != nullptr; }
    void SetStatusText(const QString& text);
    QString StatusText() const;
    int StatusPaneHeight() const;
    // The lock panes ("CAP", "NUM", "SCRL"), enabled while their lock is on.
    QLabel* LockPane(int index) const { return lockPanes[index]; }
    // Re-reads the lock keys; false when they cannot be read here (the panes
    // are then shown plain, enabled).
    bool UpdateLockPanes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* MakeAction(QMenu* menu, int command, const QString& text, bool checkable);
    void Trigger(int command);
    void BuildMenus();
    void BuildAccelerators();

    std::function<void(int)> command;
    QWidget* client = nullptr;
    QLabel* textPane = nullptr;
    QLabel* lockPanes[3] = {nullptr, nullptr, nullptr};
    std::map<int, QAction*> actions;
    std::map<int, bool> checks;
};
