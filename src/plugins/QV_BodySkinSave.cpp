// The body-skin target's save: the head as OBJ and JPEG scaled to a body's
// height, and the head, torso and legs skins cut from its texture.
#include <cmath>

#include "QV_ImageRegion.h"
#include "QV_MugShotPluginFamily.h"
#include "QV_ObjJpegSave.h"

namespace {

// The mesh with fresh normals and box, scaled about the mean of its vertices
// so that its box is `height` tall. A mesh with no height is left its size.
QV_Mesh ScaledToHeight(const QV_Mesh& mesh, float height)
{
    QV_Mesh out = mesh;
    out.ComputeFaceNormals(true);
    out.ComputeVertexNormals();
    out.UpdateBounds();
    if (out.vertices.Empty() || !(out.size.y > 0.0f) || !std::isfinite(out.size.y)) return out;
    double sum[3] = {0.0, 0.0, 0.0};
    for (unsigned i = 0; i < out.vertices.Size(); ++i) {
        const QV_Point3D& v = out.vertices[static_cast<int>(i)];
        sum[0] += v.x, sum[1] += v.y, sum[2] += v.z;
    }
    const double n = static_cast<double>(out.vertices.Size());
    const QV_Point3D centroid(static_cast<float>(sum[0] / n), static_cast<float>(sum[1] / n),
                              static_cast<float>(sum[2] / n));
    const float factor = height / out.size.y;
    for (unsigned i = 0; i < out.vertices.Size(); ++i) {
        QV_Point3D& v = out.vertices[static_cast<int>(i)];
        v = QV_Point3D(centroid.x + (v.x - centroid.x) * factor, centroid.y + (v.y - centroid.y) * factor,
                       centroid.z + (v.z - centroid.z) * factor);
    }
    out.UpdateBounds();
    return out;
}

}  // namespace

bool QV_BodySkinPlugin::SaveFromApplication(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    error = "";
    const QV_Mesh scaled = ScaledToHeight(mesh, kBodyHeight);
    if (!QV_SaveObjWithJpeg(scaled, path, "This Avatar can only be saved to an obj file", error)) {
        error += "\nFailed to save: ";
        error += path;
        return false;
    }

    // The skins are quarters of the texture at 1024 x 1024 (row 0 at the
    // bottom): the head skin from the upper left, torso and legs from the
    // lower half.
    QV_Image texture = mesh.texture;
    const bool haveTexture = mesh.hasTexture && texture.Rows() > 0 && texture.Cols() > 0;
    if (haveTexture) texture.Resize(kSkinAtlasSide, kSkinAtlasSide, true);
    const int half = kSkinAtlasSide / 2;
    struct Skin {
        const char* suffix;
        int firstRow, firstCol;
    };
    const Skin skins[] = {{"_Head.jpg", half, 0}, {"_Torso.jpg", 0, 0}, {"_Legs.jpg", 0, half}};
    const QV_String base = path.StripExtension();
    bool all = true;
    for (const Skin& skin : skins) {
        const QV_String name = base + skin.suffix;
        // An untextured head has no skins to give: each is reported unsaved.
        if (!haveTexture || !QV_CopyImageRegion(texture, skin.firstRow, skin.firstCol, half, half).SaveJPEG(name)) {
            error += "Failed to save: ";
            error += name;
            error += "\n";
            all = false;
        }
    }
    return all;
}
