// Clearing, features, lookups and the bounding box of QV_Mesh.
#include "QV_Mesh.h"

#include <algorithm>
#include <cfloat>

#include "QV_MeshIndex.h"

void QV_Mesh::Clear()
{
    name = QV_String();
    vertices.Clear();
    normals.Clear();
    texCoords.Clear();
    faces.Clear();
    features.Clear();
    faceNormals.Clear();
    texture.Resize(0, 0);
    hasTexture = false;
}

void QV_Mesh::EnsureFeature()
{
    if (!features.Empty()) return;
    QV_Feature feature;
    feature.name = name.IsEmpty() ? QV_String("Single Feature") : name.FileName();
    for (int i = 0; i < FaceCount(); ++i) feature.faceIndices.Append(i);
    features.Append(feature);
}

void QV_Mesh::ExtendBoxOverFeature(const QV_Feature& feature, QV_Point3D& lo, QV_Point3D& hi) const
{
    for (unsigned j = 0; j < feature.faceIndices.Size(); ++j) {
        const int fi = feature.faceIndices[j];
        if (!QV_ValidIndex(fi, faces.Size())) continue;
        const QV_Face& face = faces[fi];
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
            const int vi = face.corners[c].vertex;
            if (!QV_ValidIndex(vi, vertices.Size())) continue;
            const QV_Point3D& p = vertices[vi];
            lo = QV_Point3D(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
            hi = QV_Point3D(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
        }
    }
}

void QV_Mesh::UpdateBounds()
{
    if (vertices.Empty()) return;
    QV_Point3D lo(FLT_MAX, FLT_MAX, FLT_MAX);
    QV_Point3D hi(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    for (unsigned k = 0; k < features.Size(); ++k)
        if (features[k].visible) ExtendBoxOverFeature(features[k], lo, hi);
    bboxMin = lo;
    bboxMax = hi;
    size = hi - lo;
    centre = (hi + lo) / 2.0f;
}

int QV_Mesh::FeatureIndex(const QV_String& featureName) const
{
    for (unsigned k = 0; k < features.Size(); ++k)
        if (features[k].name.Std() == featureName.Std()) return static_cast<int>(k);
    return -1;
}

bool QV_Mesh::FeatureBounds(int index, QV_Point3D& min, QV_Point3D& max) const
{
    if (!QV_ValidIndex(index, features.Size())) return false;
    QV_Point3D lo(FLT_MAX, FLT_MAX, FLT_MAX);
    QV_Point3D hi(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    ExtendBoxOverFeature(features[index], lo, hi);
    min = lo;
    max = hi;
    return true;
}

int QV_Mesh::FeatureIndexSet(int index, QV_List<int>& out, char kind) const
{
    if (!QV_ValidIndex(index, features.Size())) return 0;
    if (kind != 'v' && kind != 'n' && kind != 't') return 0;
    const QV_Feature& feature = features[index];
    const unsigned limit = kind == 'v' ? vertices.Size() : kind == 'n' ? normals.Size() : texCoords.Size();
    // Membership of what out already holds, so the walk stays linear. Only
    // indices of existing list entries are ever appended.
    std::vector<bool> held(limit, false);
    for (unsigned k = 0; k < out.Size(); ++k)
        if (QV_ValidIndex(out[k], limit)) held[static_cast<size_t>(out[k])] = true;
    for (unsigned j = 0; j < feature.faceIndices.Size(); ++j) {
        const int fi = feature.faceIndices[j];
        if (!QV_ValidIndex(fi, faces.Size())) continue;
        const QV_Face& face = faces[fi];
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
            const QV_Corner& corner = face.corners[c];
            const int i = kind == 'v' ? corner.vertex : kind == 'n' ? corner.normal : corner.texCoord;
            if (!QV_ValidIndex(i, limit) || held[static_cast<size_t>(i)]) continue;
            out.Append(i);
            held[static_cast<size_t>(i)] = true;
        }
    }
    return 1;
}
