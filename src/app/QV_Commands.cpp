// The status-bar prompts of the commands.
#include "QV_Commands.h"

const char* QV_CommandPrompt(int command)
{
    using namespace QV_Command;
    switch (command) {
    case kOpenImage: return "Open image file";
    case kSaveAvatar: return "Save Avatar mesh";
    case kStretchContrast: return "Enhance the image contrast";
    case kSetEyes: return "Use the mouse to drag a line from one eye to the other";
    case kAutoCreate: return "Auto Find Face and create 3D avatar";
    case kRecreate: return "Re-create 3D";
    case kShowLines: return "Display annotation lines";
    case kShowLandmarks: return "Display annotation landmarks";
    case kShowPoints: return "Display annotation points";
    case kManipulateAll: return "Manipulate all annotations";
    case kManipulateSingle: return "Manipulate single annotations";
    case kManipulatePoints: return "Manipulate annotation points";
    case kToggleWireframe: return "Display 3D wireframe";
    case kToggleTexture: return "Display 3D texture";
    case kCameraMode: return "Manipulate 3D camera";
    case kLightMode: return "Manipulate 3D light position";
    case kTutorial: return "Display Tutorial";
    case kFemaleBody: return "toggle body type";
    case kChooseSkinFolder: return "choose a folder containing body skins";
    case kClearSkinFolder: return "disable body skin folder selection";
    case kUndo: return "Undo the last action";
    case kAbout: return "Display program information, version number and copyright";
    case kExit: return "Quit the application";
    default: return nullptr;
    }
}
