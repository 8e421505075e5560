// Small meshes for the renderer tests: an axis-aligned box with outward
// quads and per-face normals, and a camera-facing textured square.
#pragma once

#include "QV_Mesh.h"

namespace render_test {

// A box from lo to hi, six outward-facing quads in one feature, each with
// its face normal and texture coordinates covering the whole texture.
inline QV_Mesh Box(QV_Point3D lo, QV_Point3D hi)
{
    QV_Mesh m;
    for (int i = 0; i < 8; ++i)
        m.vertices.Append(QV_Point3D(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z));
    const QV_Point2D uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const QV_Point2D& t : uv) m.texCoords.Append(t);
    // Corners counter-clockwise seen from outside.
    const int quads[6][4] = {{4, 5, 7, 6}, {1, 0, 2, 3}, {5, 1, 3, 7}, {0, 4, 6, 2}, {6, 7, 3, 2}, {0, 1, 5, 4}};
    const QV_Point3D normals[6] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    QV_Feature feature;
    feature.name = "Box";
    for (int f = 0; f < 6; ++f) {
        m.normals.Append(normals[f]);
        QV_Face face;
        for (int k = 0; k < 4; ++k) face.Add(QV_Corner{quads[f][k], f, k});
        m.faces.Append(face);
        feature.faceIndices.Append(f);
    }
    m.features.Append(feature);
    return m;
}

// A square in the plane z = 0 from (-1, -1) to (1, 1), facing +z, textured
// with the given image.
inline QV_Mesh TexturedSquare(const QV_Image& texture)
{
    QV_Mesh m;
    const QV_Point3D v[4] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    const QV_Point2D uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k < 4; ++k) {
        m.vertices.Append(v[k]);
        m.texCoords.Append(uv[k]);
    }
    m.normals.Append(QV_Point3D(0, 0, 1));
    QV_Face face;
    for (int k = 0; k < 4; ++k) face.Add(QV_Corner{k, 0, k});
    m.faces.Append(face);
    QV_Feature feature;
    feature.name = "Face";
    feature.faceIndices.Append(0);
    m.features.Append(feature);
    m.texture = texture;
    m.hasTexture = true;
    return m;
}

}  // namespace render_test
