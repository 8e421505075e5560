// Reading the keyboard's lock indicators (caps, num, scroll lock) for the
// status bar's lock-key panes.
#pragma once

struct QV_LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// The indicators of the display's core keyboard. False when they cannot be
// read: not on an X display (for example the off-screen platform), or a
// build without the X keyboard extension.
bool QV_ReadLockKeys(QV_LockKeyState& state);
