// OBJ text with the texture as a JPEG beside it.
#include "QV_ObjJpegSave.h"

#include <cstdio>
#include <fstream>
#include <string>

#include "QV_BinaryIO.h"
#include "QV_MIO_OBJ.h"

namespace {

// Both files are written under temporary names beside their final ones and
// take those names only when everything was written, so a failed save leaves
// the user's earlier files as they were.
constexpr const char* kPartial = ".partial";

void RemoveQuietly(const std::string& path) { std::remove(path.c_str()); }

}  // namespace

bool QV_SaveObjWithJpeg(const QV_Mesh& mesh, const QV_String& path, const char* wrongExtension, QV_String& error)
{
    QV_String extension = path.Extension();
    extension.ToLower();
    if (extension.Std() != "obj") {
        error = wrongExtension;
        return false;
    }
    const std::string textPath = QV_SystemPath(path.CStr());
    const std::string textPartial = textPath + kPartial;
    // The texture file is only made for a textured mesh, so that an untextured
    // head leaves no empty picture behind.
    std::string texturePath, texturePartial;
    if (mesh.hasTexture) {
        QV_String jpeg = path;
        jpeg.ReplaceExtension("jpg");
        texturePath = QV_SystemPath(jpeg.CStr());
        texturePartial = texturePath + kPartial;
    }
    std::ofstream text(textPartial);
    QV_File texture;
    if (mesh.hasTexture) texture = QV_OpenFile(texturePartial.c_str(), "wb");
    const bool opened = text.is_open() && (!mesh.hasTexture || texture);
    const bool written = opened && QV_MIO_OBJ::Save(mesh, text, std::move(texture));
    text.close();
    const bool placed = written && (!mesh.hasTexture || std::rename(texturePartial.c_str(), texturePath.c_str()) == 0) &&
                        std::rename(textPartial.c_str(), textPath.c_str()) == 0;
    if (!placed) {
        RemoveQuietly(textPartial);
        if (mesh.hasTexture) RemoveQuietly(texturePartial);
        error = QV_String("Failed to save: ") + path;
        return false;
    }
    return true;
}
