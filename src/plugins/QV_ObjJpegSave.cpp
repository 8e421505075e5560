// OBJ text with the texture as a JPEG beside it.
#include "QV_ObjJpegSave.h"

#include <fstream>

#include "QV_BinaryIO.h"
#include "QV_MIO_OBJ.h"

bool QV_SaveObjWithJpeg(const QV_Mesh& mesh, const QV_String& path, const char* wrongExtension, QV_String& error)
{
    QV_String extension = path.Extension();
    extension.ToLower();
    if (extension.Std() != "obj") {
        error = wrongExtension;
        return false;
    }
    std::string textPath = path.Std();
    for (char& c : textPath)
        if (c == '\\') c = '/';
    std::ofstream text(textPath);
    // The texture file is only made for a textured mesh, so that an untextured
    // head leaves no empty picture behind.
    QV_File texture;
    if (mesh.hasTexture) {
        QV_String texturePath = path;
        texturePath.ReplaceExtension("jpg");
        texture = QV_OpenFile(texturePath, "wb");
    }
    if (!text.is_open() || (mesh.hasTexture && !texture) || !QV_MIO_OBJ::Save(mesh, text, std::move(texture))) {
        error = QV_String("Failed to save: ") + path;
        return false;
    }
    return true;
}
