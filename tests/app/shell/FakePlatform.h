// FakePlatform: a recording stand-in for the desktop. Every call is logged in
// order and kept by kind; answers (settings, screen and client size, dialog
// results, window creation) come from scripted values.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ControlBar.h"
#include "QV_Pipeline.h"
#include "QV_Platform.h"
#include "SceneView.h"
#include "SettingsStore.h"

namespace shell_test {

// Counts the repaints a view asks for.
class CountingHost : public QV_ViewHost {
public:
    void Repaint() override { ++repaints; }
    int repaints = 0;
};

class FakePlatform : public QV_Platform {
public:
    // ---- scripted answers ----
    // The settings value: either a store file read through SettingsStore, or
    // a fixed answer.
    std::string settingsFile;
    bool settingsResult = true;
    QV_String settingsValue;
    // Files of a directory: the real listing unless scripted.
    bool scriptedFiles = false;
    std::vector<QV_String> files;
    bool shellOpenResult = true;
    bool frameResult = true;
    bool controlBarResult = true;
    bool statusBarResult = true;
    int statusBarHeight = 20;
    // CreateView answers from the front of this queue (true when empty).
    std::deque<bool> viewResults;
    int screenWidth = 1280, screenHeight = 1024;
    int clientWidth = 816, clientHeight = 400;
    // Dialog answers, one per dialog shown; an empty queue means cancel.
    std::deque<QV_String> openAnswers;
    std::deque<std::pair<QV_String, int>> saveAnswers;
    std::deque<std::pair<bool, QV_String>> browseAnswers;

    // ---- what was asked ----
    std::vector<std::string> log;  // every call, in order
    std::vector<QV_String> messages, captions, statusTexts;
    std::vector<int> progress;
    std::vector<std::pair<QV_String, std::vector<std::pair<int, QV_String>>>> menus;
    std::map<int, bool> checks;
    std::vector<bool> waitCursor;
    std::vector<bool> statusUnderWait;  // per status text: whether the wait cursor was on
    std::vector<std::pair<QV_String, QV_String>> shellOpens;
    std::vector<QV_String> openFilters, saveFilters;
    std::vector<std::pair<QV_String, QV_String>> settingsAsked;  // (sub-key, value name)
    std::vector<std::pair<QV_String, QV_WindowRect>> views;      // (window text, rect) created
    std::map<const SceneView*, QV_WindowRect> viewRects;
    QV_WindowRect frameRect, controlBarRect;
    int controlBarChanges = 0;
    bool loadingShown = false;
    CountingHost hosts[2];
    int viewsMade = 0;

    bool ReadSettingString(const QV_String& subKey, const QV_String& valueName, QV_String& out) override
    {
        settingsAsked.emplace_back(subKey, valueName);
        Log("settings");
        if (!settingsFile.empty())
            return SettingsStore(settingsFile.c_str()).ReadString(SettingsStore::kLocalMachine, subKey, valueName, out);
        out = settingsValue;
        return settingsResult;
    }
    std::vector<QV_String> EnumerateFiles(const QV_String& directory, const QV_String& pattern) override
    {
        Log("enumerate " + pattern.Std());
        return scriptedFiles ? files : QV_HeadModelFiles(directory);
    }
    bool ShellOpen(const QV_String& path, const QV_String& workingDirectory) override
    {
        shellOpens.emplace_back(path, workingDirectory);
        Log("shell " + path.Std());
        return shellOpenResult;
    }
    bool CreateFrame() override
    {
        Log("frame");
        return frameResult;
    }
    bool CreateControlBar(ControlBar&) override
    {
        Log("controlbar");
        return controlBarResult;
    }
    void ControlBarChanged() override { ++controlBarChanges; }
    bool CreateStatusBar() override
    {
        Log("statusbar");
        return statusBarResult;
    }
    int StatusBarHeight() override { return statusBarHeight; }
    bool CreateView(SceneView& view, const QV_String& windowText, int childId, const QV_WindowRect& rect) override
    {
        Log("view " + windowText.Std() + " " + std::to_string(childId));
        bool ok = true;
        if (!viewResults.empty()) {
            ok = viewResults.front();
            viewResults.pop_front();
        }
        if (!ok) return false;
        views.emplace_back(windowText, rect);
        if (viewsMade < 2) view.host = &hosts[viewsMade++];
        return true;
    }
    void ScreenSize(int& width, int& height) override
    {
        width = screenWidth;
        height = screenHeight;
    }
    void ClientSize(int& width, int& height) override
    {
        width = clientWidth;
        height = clientHeight;
    }
    void SetFrameRect(const QV_WindowRect& rect) override
    {
        frameRect = rect;
        Log("framerect");
    }
    void PlaceControlBar(const QV_WindowRect& rect) override { controlBarRect = rect; }
    void PlaceView(SceneView& view, const QV_WindowRect& rect) override { viewRects[&view] = rect; }
    void MessageBox(const QV_String& text) override
    {
        messages.push_back(text);
        Log("message " + text.Std());
    }
    void SetCaption(const QV_String& text) override { captions.push_back(text); }
    void SetStatusText(const QV_String& text) override
    {
        statusTexts.push_back(text);
        statusUnderWait.push_back(!waitCursor.empty() && waitCursor.back());
        Log("status " + text.Std());
    }
    void SetWaitCursor(bool on) override { waitCursor.push_back(on); }
    void ShowLoadingDialog() override
    {
        loadingShown = true;
        Log("loading shown");
    }
    void SetLoadingProgress(int position) override
    {
        progress.push_back(position);
        Log("progress " + std::to_string(position));
    }
    void HideLoadingDialog() override
    {
        loadingShown = false;
        Log("loading hidden");
    }
    void AppendPopupMenu(const QV_String& title, const std::vector<std::pair<int, QV_String>>& items) override
    {
        menus.emplace_back(title, items);
        Log("menu " + title.Std());
    }
    void SetMenuCheck(int command, bool checked) override { checks[command] = checked; }
    bool OpenFileDialog(const QV_String& filter, QV_String& path) override
    {
        openFilters.push_back(filter);
        if (openAnswers.empty()) return false;
        path = openAnswers.front();
        openAnswers.pop_front();
        return true;
    }
    bool SaveFileDialog(const QV_String& filter, QV_String& typedPath, int& filterIndex) override
    {
        saveFilters.push_back(filter);
        if (saveAnswers.empty()) return false;
        typedPath = saveAnswers.front().first;
        filterIndex = saveAnswers.front().second;
        saveAnswers.pop_front();
        return true;
    }
    bool BrowseFolder(const QV_String&, QV_String& pathOrMessage) override
    {
        if (browseAnswers.empty()) {
            pathOrMessage = "Cancel button pressed";
            return false;
        }
        const bool ok = browseAnswers.front().first;
        pathOrMessage = browseAnswers.front().second;
        browseAnswers.pop_front();
        return ok;
    }

    // Whether every wait cursor turned on was turned off again.
    bool WaitCursorBalanced() const
    {
        int depth = 0;
        for (bool on : waitCursor) {
            depth += on ? 1 : -1;
            if (depth < 0) return false;
        }
        return depth == 0;
    }
    std::vector<std::string> MessageTexts() const
    {
        std::vector<std::string> out;
        for (const QV_String& m : messages) out.push_back(m.Std());
        return out;
    }

private:
    void Log(const std::string& entry) { log.push_back(entry); }
};

}  // namespace shell_test
