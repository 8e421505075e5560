// File-dialog filters in the "|" form ("Text|*.a;*.b|Other|*.c||"): their
// (text, pattern) entries, the save dialog's extension rule, and the same
// filter in the "Text (*.a *.b);;Other (*.c)" form of the desktop's dialogs.
#pragma once

#include <string>
#include <vector>

#include "QV_String.h"

struct QV_FilterEntry {
    QV_String text;     // what the dialog lists ("OBJ (*.obj)")
    QV_String pattern;  // ";"-separated wildcards ("*.obj" or "*.jpg;*.bmp")
};

// The entries of a "|" filter, in order: texts are the odd fields, patterns
// the even ones. An empty field ends the list (the "||" terminator); a text
// without a pattern is dropped.
std::vector<QV_FilterEntry> QV_ParseFilter(const QV_String& filter);

// The extension a save dialog gives entry `filterIndex` (1-based): the text of
// its first pattern after "*.". Empty when the index is out of range or the
// pattern names no single extension ("*", "*.*").
QV_String QV_FilterExtension(const QV_String& filter, int filterIndex);

// The save rule: a name typed without an extension gets "." and the chosen
// entry's extension; a name typed with one is kept as typed.
QV_String QV_ApplySaveExtension(const QV_String& typedPath, const QV_String& filter, int filterIndex);

// Each entry as "Text (*.a *.b)": the text without a trailing bracketed
// pattern list it may carry, then its patterns separated by blanks.
std::vector<std::string> QV_FilterToDialogEntries(const QV_String& filter);
// The entries joined by ";;".
std::string QV_FilterToDialogForm(const QV_String& filter);
