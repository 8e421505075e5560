// The saves of the targets that add a file or two to the plain mesh save: the
// rigged XML export, the flat skins and the iris-and-teeth target's
// application save.
#include <string>

#include "QV_MeshXml.h"
#include "QV_MugShotPluginFamily.h"

namespace {

std::string BytesText(const QV_Array<unsigned char>& bytes)
{
    const unsigned char* first = bytes.Data();
    return first ? std::string(first, first + bytes.Count()) : std::string();
}

}  // namespace

bool QV_SkinnedXmlPlugin::SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    QV_String extension = path.Extension();
    extension.ToLower();
    if (extension.Std() != "xml") return SaveMeshByExtension(mesh, path, error);
    QV_MeshRig rig;
    rig.bones.reserve(boneWeights.size());
    for (const QV_VertexBoneWeight& w : boneWeights) rig.bones.push_back({w.vertex, w.bone, w.weight});
    rig.skeleton = BytesText(skeletonText);
    rig.boneMap = BytesText(bonemapText);
    rig.alpha = flag != 0;
    if (QV_SaveRiggedMeshXml(path, mesh, rig)) return true;
    error = "Failed to save: " + path;
    return false;
}

bool QV_FlatSkinPlugin::SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    if (!SaveMeshByExtension(mesh, path, error)) return false;
    const QV_String base = path.StripExtension();
    const QV_String face = base + "_Face.png";
    // An untextured head has no face skin to give.
    if (!mesh.hasTexture || !mesh.texture.SavePNG(face)) {
        error = "Failed to save: " + face;
        return false;
    }
    const QV_String body = base + "_Torso.png";
    if (!torso.SavePNG(body)) {
        error = "Failed to save: " + body;
        return false;
    }
    return true;
}

bool QV_IrisTeethPlugin::SaveFromApplication(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    // Writes what the target's own save writes, so that a save reported as
    // done has made its file.
    return SaveAvatar(mesh, path, error);
}
