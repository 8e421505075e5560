// The target names the plug-in classes return from Name(); the shell finds
// the figure plug-in by its name.
#pragma once

namespace QV_PluginNames {
constexpr const char* kMaker = "Quorvex";  // types 0, 12, 14 and 15
constexpr const char* kBodyAvatar = "BodyAvatar";
constexpr const char* kEyeRig = "EyeRig";
constexpr const char* kFigure = "Figure";
constexpr const char* kPlainHead = "PlainHead";
constexpr const char* kPlainHead2 = "PlainHead2";
constexpr const char* kEarNeck = "EarNeck";
constexpr const char* kPlainHead3 = "PlainHead3";
constexpr const char* kSkinnedXml = "SkinnedXml";
constexpr const char* kBodySkin = "BodySkin";
constexpr const char* kNeckBlend = "NeckBlend";
constexpr const char* kEyeParts = "EyeParts";
constexpr const char* kIrisTeeth = "IrisTeeth";
}  // namespace QV_PluginNames
