// The class name of an avatar plug-in object, which decides how the 3D view
// frames the heads that plug-in makes.
#pragma once

#include <string>

class QV_AvatarPlugin;

// The plug-in's most derived class ("QV_StandardHeadPlugin", ...); empty for
// a null plug-in.
std::string QV_PluginClassName(const QV_AvatarPlugin* plugin);
