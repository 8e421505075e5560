// The photograph as the program works on it: read from a file and resized to
// 512 rows with its aspect kept, for display, the finders and the search.
#pragma once

#include "QV_Image.h"
#include "QV_String.h"

inline constexpr int kQV_PhotographRows = 512;
// A working photograph at most this many times as wide as tall; a wider strip
// would make the 512-row copy absurdly large (a 1 x 4200 picture alone would
// need gigabytes) and holds no face to find anyway.
inline constexpr int kQV_MaxPhotographAspect = 16;

// Reads the picture at `path` into `out` at kQV_PhotographRows rows. False,
// with `out` empty, when it does not read, is empty or is wider than
// kQV_MaxPhotographAspect times its height.
bool QV_LoadWorkingPhotograph(const QV_String& path, QV_Image& out);
