// The ear-and-neck target's save: one picture per material cut from the
// texture atlas, and the mesh, turned to the target's pose, without texture.
#include "QV_MugShotPluginFamily.h"
#include "QV_TextureAtlas.h"

bool QV_EarNeckHeadPlugin::SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    QV_Mesh copy = mesh;
    QV_RotateMeshAboutX(copy, kPoseAngleX);
    const int tiles = QV_RemapAtlasCoordinates(copy);
    const QV_String base = path.StripExtension();
    for (int k = 0; k < copy.FeatureCount(); ++k) {
        const QV_String name = base + "_" + copy.features[k].name + ".jpg";
        // A material past the atlas has no tile, and an untextured head has
        // no pictures to give.
        if (!copy.hasTexture) break;
        if (k >= tiles || !QV_AtlasTile(copy.texture, k, kTileSide).SaveJPEG(name)) {
            error = "Failed to save: " + name;
            return false;
        }
    }
    copy.hasTexture = false;
    copy.texture = QV_Image();
    return SaveMeshByExtension(copy, path, error);
}
