// The data directory a front end uses when none is given on its command line.
#pragma once

#include "QV_String.h"

// `builtIn` (the build's own data folder) when it holds the face model, else
// the directory the settings store names (an installed program), else
// `builtIn` so that later messages name it.
QV_String QV_DefaultDataDir(const QV_String& builtIn);
