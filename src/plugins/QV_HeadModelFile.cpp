// The plug-in factory and the head model file writer.
#include "QV_HeadModelFile.h"

#include <cstdint>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_MugShotPluginFamily.h"
#include "QV_OlderMugShotPlugins.h"
#include "QV_StandardHeadPlugin.h"

namespace {

std::unique_ptr<QV_AvatarPlugin> NewPlugin(int typeCode)
{
    switch (typeCode) {
    case 0: return std::make_unique<QV_StandardHeadPlugin>();
    case 1: return std::make_unique<QV_BodyAvatarPlugin>();
    case 2: return std::make_unique<QV_EyeRigHeadPlugin>();
    case 3: return std::make_unique<QV_FigureHeadPlugin>();
    case 4: return std::make_unique<QV_PlainHeadPlugin>();
    case 5: return std::make_unique<QV_PlainHeadPlugin2>();
    case 6: return std::make_unique<QV_EarNeckHeadPlugin>();
    case 7: return std::make_unique<QV_PlainHeadPlugin3>();
    case 8: return std::make_unique<QV_SkinnedXmlPlugin>();
    case 9: return std::make_unique<QV_BodySkinPlugin>();
    case 10: return std::make_unique<QV_NeckBlendPlugin>();
    case 11: return std::make_unique<QV_EyePartsHeadPlugin>();
    case 12: return std::make_unique<QV_SolidHeadPlugin>();
    case 13: return std::make_unique<QV_IrisTeethPlugin>();
    case 14: return std::make_unique<QV_AnimatedFacePlugin>();
    case 15: return std::make_unique<QV_FlatSkinPlugin>();
    default: return nullptr;
    }
}

}  // namespace

std::unique_ptr<QV_AvatarPlugin> QV_CreatePlugin(int typeCode)
{
    std::unique_ptr<QV_AvatarPlugin> plugin = NewPlugin(typeCode);
    if (plugin) plugin->SetTypeCode(typeCode);
    return plugin;
}

std::unique_ptr<QV_AvatarPlugin> LoadHeadModel(const QV_String& path, QV_String& error)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) return nullptr;
    int32_t code = 0;
    if (!QV_ReadI32(f.get(), code)) return nullptr;
    std::unique_ptr<QV_AvatarPlugin> plugin = QV_CreatePlugin(code);
    if (!plugin) {
        error = "Unrecognised head type";
        return nullptr;
    }
    if (!plugin->ReadHead(f.get())) {
        error = QV_String("Failed to read head for type ") + static_cast<int>(code);
        return nullptr;
    }
    plugin->SetDataDirectory(path.Directory());
    return plugin;
}

bool QV_SaveHeadModel(const QV_String& path, const QV_AvatarPlugin& plugin)
{
    QV_File f = QV_OpenFile(path, "wb");
    if (!f) {
        QV_PrintSystemError(("QV_SaveHeadModel() Error! : can't open " + path.Std()).c_str());
        return false;
    }
    if (!QV_WriteI32(f.get(), plugin.TypeCode()) || !plugin.WriteHead(f.get())) return false;
    return std::fflush(f.get()) == 0;
}
