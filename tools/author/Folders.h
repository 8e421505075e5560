// Output folders of the authoring subcommands: made before any long work, so
// a wrong path fails at once rather than after the training.
#pragma once

#include <string>

// Creates `path` unless it is already a folder. On failure prints why,
// prefixed with `command` (say "visagen-author make-head"), and returns false.
bool MakeFolder(const char* command, const std::string& path);
