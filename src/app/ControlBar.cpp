// The control bar's buttons and their hover state.
#include "ControlBar.h"

#include "QV_Commands.h"

ControlBar::ControlBar(std::function<void(const QV_String&)> statusSink) : status(std::move(statusSink))
{
    using namespace QV_Command;
    // Left to right: window number, normal icon, hover icon, hover text, command.
    buttons = {
        {1008, 137, 144, "Open Image", kOpenImage},
        {1009, 138, 145, "Save Avatar", kSaveAvatar},
        {1010, 139, 177, "Stretch Image Contrast", kStretchContrast},
        {1011, 178, 179, "Manually locate eyes", kSetEyes},
        {1012, 136, 146, "Automatically create avatar", kAutoCreate},
        {1014, 163, 147, "Re-create avatar", kRecreate},
        {1015, 142, 185, "Display Annotation Lines", kShowLines},
        {1016, 150, 184, "Display Annotation Landmarks", kShowLandmarks},
        {1017, 151, 186, "Display Annotation Points", kShowPoints},
        {1018, 154, 181, "Manipulate All Annotations", kManipulateAll},
        {1019, 160, 182, "Manipulate Single Annotations", kManipulateSingle},
        {1020, 161, 183, "Manipulate Annotation points", kManipulatePoints},
        {1021, 143, 149, "Toggle Wireframe Display", kToggleWireframe},
        {1022, 172, 174, "Toggle Texture Display", kToggleTexture},
        {1023, 162, 180, "Manipulate 3D camera viewpoint", kCameraMode},
        {1024, 164, 173, "Manipulate 3D light position", kLightMode},
        {1025, 153, 155, "Tutotial Help", kTutorial},
    };
}

bool ControlBar::PointerOverButton(int index)
{
    if (index < 0 || index >= static_cast<int>(buttons.size())) return ResetAll();
    bool changed = false;
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        const bool hover = i == index;
        IconButton& b = buttons[static_cast<size_t>(i)];
        if (b.hover != hover) changed = true;
        b.hover = hover;
    }
    if (status) status(QV_String(buttons[static_cast<size_t>(index)].text));
    return changed;
}

bool ControlBar::ResetAll()
{
    bool changed = false;
    for (IconButton& b : buttons) {
        if (b.hover) changed = true;
        b.hover = false;
    }
    return changed;
}

int ControlBar::CurrentIcon(int index) const
{
    if (index < 0 || index >= static_cast<int>(buttons.size())) return 0;
    const IconButton& b = buttons[static_cast<size_t>(index)];
    return b.hover ? b.hoverIcon : b.normalIcon;
}

int ControlBar::CommandOf(int id) const
{
    for (const IconButton& b : buttons)
        if (b.id == id) return b.command;
    return 0;
}
