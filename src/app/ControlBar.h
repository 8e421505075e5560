// ControlBar: the row of icon buttons across the top of the main window,
// each with a normal and a hover icon, a hover text and a command; the
// platform draws it and reports pointer movement and clicks.
#pragma once

#include <functional>
#include <vector>

#include "QV_String.h"

struct IconButton {
    int id;          // window number (1008 ...)
    int normalIcon;  // icon numbers; the platform draws one picture per number
    int hoverIcon;
    const char* text;  // hover text for the status bar
    int command;
    bool hover = false;
};

class ControlBar {
public:
    static constexpr int kHeight = 40;        // pixels
    static constexpr int kResetBelow = 34;    // main-window y below which buttons reset

    // status: where hover texts go (the main window's status bar).
    explicit ControlBar(std::function<void(const QV_String&)> status = nullptr);

    std::vector<IconButton> buttons;  // left to right

    // The pointer is over button `index`: every button back to normal, this
    // one to its hover icon, its text to the status bar. True when an icon
    // changed.
    bool PointerOverButton(int index);
    // The pointer is over the bar's background or the main window below
    // kResetBelow: every button back to normal. True when an icon changed.
    bool ResetAll();
    // The icon a button shows now.
    int CurrentIcon(int index) const;
    // The command of the button with this window number, or 0.
    int CommandOf(int id) const;

private:
    std::function<void(const QV_String&)> status;
};
