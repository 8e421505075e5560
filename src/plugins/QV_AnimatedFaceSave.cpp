// The animated-face target's save: the mesh, then five expression frames as
// PNG pictures, each handed to the target's frame converter when its data
// directory carries one.
#include <chrono>
#include <filesystem>
#include <thread>

#include "QV_BinaryIO.h"
#include "QV_ExpressionMorph.h"
#include "QV_MugShotPluginFamily.h"
#include "QV_RunProgram.h"

namespace {

// A path as the file system and a program started elsewhere see it.
std::string AbsoluteSystemPath(const QV_String& path)
{
    std::error_code ignored;
    const std::filesystem::path p = std::filesystem::absolute(QV_SystemPath(path.CStr()), ignored);
    return p.empty() ? QV_SystemPath(path.CStr()) : p.string();
}

}  // namespace

bool QV_AnimatedFacePlugin::SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    if (!SaveMeshByExtension(mesh, path, error)) return false;

    const QV_Mesh& rest = mugshot.templateMesh;
    const QV_Mesh halfBlinked = QV_MorphExpression(mesh, rest, halfBlink, 1.0f);
    const QV_Mesh blinked = QV_MorphExpression(mesh, rest, blink, 1.0f);
    const QV_Mesh smiling = QV_MorphExpression(mesh, rest, smile, 1.0f);
    const QV_Mesh halfSmiling = QV_MorphExpression(mesh, rest, smile, kHalfSmileWeight);
    const std::vector<const QV_Mesh*> meshes = {&mesh, &halfBlinked, &blinked, &smiling, &halfSmiling};
    const char* const suffixes[] = {"_neutral", "_hblink", "_blink", "_smile", "_hsmile"};
    const QV_String base = path.StripExtension();

    std::vector<QV_Image> frames;
    QV_String why;
    if (!frameRenderer || !frameRenderer->RenderFrames(meshes, kFrameWidth, kFrameHeight, frames, why) ||
        frames.size() != meshes.size()) {
        error = "Failed to save: " + base + suffixes[0] + ".png";
        if (!frameRenderer) why = "no frame renderer";
        if (!why.Std().empty()) error += "\n" + why;
        return false;
    }

    // The converter is used when it is there to be read.
    const QV_String converter = DataDirectory() + "/" + kFrameConverter;
    const bool convert = static_cast<bool>(QV_OpenFile(converter, "rb"));
    const std::string program = AbsoluteSystemPath(converter);
    const std::string programFolder = std::filesystem::path(program).parent_path().string();
    for (size_t k = 0; k < frames.size(); ++k) {
        const QV_String frameBase = base + suffixes[k];
        const QV_String png = frameBase + ".png";
        if (!frames[k].SavePNG(png)) {
            error = "Failed to save: " + png;
            return false;
        }
        if (!convert) continue;
        // The converter runs in its own folder, so it is given whole paths.
        const std::string swf = AbsoluteSystemPath(frameBase + ".swf");
        std::string message;
        if (!QV_RunProgramAndWait(program, {program, "-o", swf, AbsoluteSystemPath(png)}, programFolder, message)) {
            error = QV_String("Failed to create SWF files: ") + QV_String(swf) + "\n" + QV_String(message);
            return false;
        }
        // Some converters finish writing after they have exited.
        std::this_thread::sleep_for(std::chrono::milliseconds(converterSettleMilliseconds));
    }
    return true;
}
