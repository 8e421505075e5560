// Command numbers of the main window's menus, accelerators and control-bar
// buttons, and the status-bar prompt of each.
#pragma once

namespace QV_Command {
constexpr int kOpenImage = 57601;
constexpr int kSaveAvatar = 57603;
constexpr int kUndo = 57643;
constexpr int kAbout = 57664;
constexpr int kExit = 57665;
constexpr int kToggleWireframe = 32771;
constexpr int kToggleTexture = 32772;
constexpr int kCameraMode = 32773;
constexpr int kLightMode = 32774;
constexpr int kShowLines = 32775;
constexpr int kShowLandmarks = 32776;
constexpr int kShowPoints = 32777;
constexpr int kManipulateAll = 32778;
constexpr int kManipulateSingle = 32779;
constexpr int kManipulatePoints = 32780;
constexpr int kAutoCreate = 32783;
constexpr int kRecreate = 32788;
constexpr int kStretchContrast = 32789;
constexpr int kNothing1 = 32790;
constexpr int kNothing2 = 32791;
constexpr int kFemaleBody = 32792;
constexpr int kChooseSkinFolder = 32793;
constexpr int kClearSkinFolder = 32794;
constexpr int kHighResTexture = 32800;
constexpr int kSaveFullAvatar = 32801;
constexpr int kCtrlQ = 32805;
constexpr int kSetEyes = 32810;
constexpr int kTutorial = 32811;
constexpr int kChildFace = 32812;
constexpr int kFirstPlugin = 32900;
constexpr int kLastPlugin = 33100;
}  // namespace QV_Command

// The status-bar prompt of a command, or null when it has none.
const char* QV_CommandPrompt(int command);
