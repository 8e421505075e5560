// Small file helpers of the mesh writers: a whole text written to a new
// file in one go, and the folder part of a path.
#pragma once

#include <string>

#include "QV_String.h"

// Writes text to a new file (bytes as they are); false, with
// "<who> Error! : can't write <path>" printed, when it cannot be opened or written.
bool QV_WriteTextFile(const std::string& path, const std::string& text, const char* who);

// The folder part of a path with its last separator ('\\' or '/'), "" when
// the path names no folder.
std::string QV_PathFolder(const QV_String& path);
