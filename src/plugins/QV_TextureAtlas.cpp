// Atlas tiles and the coordinates that point into them.
#include "QV_TextureAtlas.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "QV_ImageRegion.h"

int QV_RemapAtlasCoordinates(QV_Mesh& mesh)
{
    constexpr int kTiles = kQV_AtlasTilesPerSide * kQV_AtlasTilesPerSide;
    const float step = 1.0f / kQV_AtlasTilesPerSide;
    const int original = mesh.TexCoordCount();
    std::vector<QV_Point2D> moved;
    const int features = std::min(mesh.FeatureCount(), kTiles);
    for (int k = 0; k < features; ++k) {
        const float row = static_cast<float>(k / kQV_AtlasTilesPerSide);
        const float col = static_cast<float>(k % kQV_AtlasTilesPerSide);
        std::map<int, int> entry;  // original coordinate -> this feature's copy
        const QV_List<int>& faceIndices = mesh.features[k].faceIndices;
        for (unsigned i = 0; i < faceIndices.Size(); ++i) {
            const int f = faceIndices[static_cast<int>(i)];
            if (f < 0 || f >= mesh.FaceCount()) continue;
            QV_Face& face = mesh.faces[f];
            for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
                int& t = face.corners[c].texCoord;
                if (t < 0 || t >= original) continue;
                auto [it, added] = entry.emplace(t, original + static_cast<int>(moved.size()));
                if (added) {
                    const QV_Point2D& uv = mesh.texCoords[t];
                    moved.push_back({(uv.x - step * col) * kQV_AtlasTilesPerSide,
                                     (uv.y - step * row) * kQV_AtlasTilesPerSide});
                }
                t = it->second;
            }
        }
    }
    // The originals stay where they were (vertex and face order matter to
    // the target), unused by the features that have a tile.
    for (const QV_Point2D& uv : moved) mesh.texCoords.Append(uv);
    return features;
}

QV_Image QV_AtlasTile(const QV_Image& texture, int k, int side)
{
    const int row = k / kQV_AtlasTilesPerSide, col = k % kQV_AtlasTilesPerSide;
    const int r0 = texture.Rows() * row / kQV_AtlasTilesPerSide;
    const int r1 = texture.Rows() * (row + 1) / kQV_AtlasTilesPerSide;
    const int c0 = texture.Cols() * col / kQV_AtlasTilesPerSide;
    const int c1 = texture.Cols() * (col + 1) / kQV_AtlasTilesPerSide;
    QV_Image tile = QV_CopyImageRegion(texture, r0, c0, r1 - r0, c1 - c0);
    if (tile.Rows() > 0 && tile.Cols() > 0 && (tile.Rows() != side || tile.Cols() != side))
        tile.Resize(side, side, true);
    return tile;
}

void QV_RotateMeshAboutX(QV_Mesh& mesh, float degrees)
{
    const double a = degrees * 0.017453292519943295;
    const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
    auto turn = [c, s](QV_Point3D& p) {
        const float y = p.y * c - p.z * s;
        const float z = p.y * s + p.z * c;
        p.y = y;
        p.z = z;
    };
    for (unsigned i = 0; i < mesh.vertices.Size(); ++i) turn(mesh.vertices[static_cast<int>(i)]);
    for (unsigned i = 0; i < mesh.normals.Size(); ++i) turn(mesh.normals[static_cast<int>(i)]);
    mesh.ComputeFaceNormals(true);
    mesh.UpdateBounds();
}
