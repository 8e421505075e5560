// Head model files (".qvhead"): a 32-bit type code choosing the plug-in
// class, then that class's head record. The factory creates the plug-in a
// file describes; the writer stores a plug-in behind its type code.
#pragma once

#include <memory>

#include "QV_AvatarPlugin.h"
#include "QV_String.h"

constexpr int kQV_HeadTypeCount = 16;

// A fresh plug-in of the class of a type code (0..15), with that type code
// set; null for any other code.
std::unique_ptr<QV_AvatarPlugin> QV_CreatePlugin(int typeCode);

// The plug-in a head model file describes, its data directory set to the
// directory part of the path. Null when the file cannot be opened or holds
// fewer than 4 bytes (error text unchanged), for an unknown type code
// ("Unrecognised head type") and when the plug-in's record does not read
// ("Failed to read head for type " and the code).
std::unique_ptr<QV_AvatarPlugin> LoadHeadModel(const QV_String& path, QV_String& error);

// Writes the plug-in's type code and its head record to a new file.
bool QV_SaveHeadModel(const QV_String& path, const QV_AvatarPlugin& plugin);
