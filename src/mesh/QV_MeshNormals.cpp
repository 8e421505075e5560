// Face and vertex normals of QV_Mesh and the per-vertex and per-texture-
// coordinate adjacency lists that head synthesis uses.
#include <algorithm>
#include <cmath>

#include "QV_Mesh.h"
#include "QV_MeshIndex.h"

namespace {

QV_Point3D Cross(const QV_Point3D& a, const QV_Point3D& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// (P1 - P0) x (P2 - P0), normalised; a zero vector stays zero.
QV_Point3D TriangleNormal(const QV_Point3D& p0, const QV_Point3D& p1, const QV_Point3D& p2)
{
    QV_Point3D n = Cross(p1 - p0, p2 - p0);
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length > 0.0f) n = n / length;
    return n;
}

void AddOnce(std::vector<int>& list, int value)
{
    if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

}  // namespace

// A triangle takes the normal of its three corners. A quad takes the mean,
// not renormalised, of the normals of its four corner triples (c0,c1,c2),
// (c1,c2,c3), (c2,c3,c0), (c3,c0,c1); a five-corner face is treated the same
// way with its five cyclic triples. A triple with a corner whose vertex index
// is missing or out of range contributes (0, 0, 0), and a face of fewer than
// three corners has the normal (0, 0, 0).
QV_Point3D QV_Mesh::FaceNormal(const QV_Face& face) const
{
    const int n = std::min(face.count, QV_Face::kMaxCorners);
    if (n < 3) return {};
    auto triple = [&](int a, int b, int c) -> QV_Point3D {
        const int va = face.corners[a].vertex, vb = face.corners[b].vertex, vc = face.corners[c].vertex;
        if (!QV_ValidIndex(va, vertices.Size()) || !QV_ValidIndex(vb, vertices.Size()) ||
            !QV_ValidIndex(vc, vertices.Size()))
            return {};
        return TriangleNormal(vertices[va], vertices[vb], vertices[vc]);
    };
    if (n == 3) return triple(0, 1, 2);
    QV_Point3D sum;
    for (int i = 0; i < n; ++i) sum += triple(i, (i + 1) % n, (i + 2) % n);
    return sum / static_cast<float>(n);
}

void QV_Mesh::ComputeFaceNormals(bool force)
{
    if (!force && faceNormals.Size() == faces.Size()) return;
    faceNormals.Clear();
    for (unsigned i = 0; i < faces.Size(); ++i) faceNormals.Append(FaceNormal(faces[i]));
}

void QV_Mesh::ComputeVertexNormals()
{
    ComputeFaceNormals(true);
    std::vector<std::vector<int>> vertexFaces;
    BuildVertexFaces(vertexFaces);

    normals.Clear();
    // Every corner's old normal index is void once the list is replaced;
    // corners on a valid vertex get their new index below.
    for (unsigned f = 0; f < faces.Size(); ++f)
        for (QV_Corner& c : faces[f].corners) c.normal = -1;

    for (size_t v = 0; v < vertexFaces.size(); ++v) {
        const std::vector<int>& around = vertexFaces[v];
        if (around.empty()) continue;
        QV_Point3D sum;
        for (int f : around) sum += faceNormals[f];
        normals.Append(sum / static_cast<float>(around.size()));
        const int newIndex = static_cast<int>(normals.Size()) - 1;
        for (int f : around) {
            QV_Face& face = faces[f];
            for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c)
                if (face.corners[c].vertex == static_cast<int>(v)) face.corners[c].normal = newIndex;
        }
    }
}

void QV_Mesh::BuildVertexFaces(std::vector<std::vector<int>>& out) const
{
    out.assign(vertices.Size(), {});
    for (unsigned f = 0; f < faces.Size(); ++f) {
        const QV_Face& face = faces[f];
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
            const int v = face.corners[c].vertex;
            if (QV_ValidIndex(v, vertices.Size())) out[static_cast<size_t>(v)].push_back(static_cast<int>(f));
        }
    }
}

void QV_Mesh::BuildVertexTexCoords(std::vector<std::vector<int>>& out) const
{
    out.assign(vertices.Size(), {});
    for (unsigned f = 0; f < faces.Size(); ++f) {
        const QV_Face& face = faces[f];
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
            const QV_Corner& corner = face.corners[c];
            if (QV_ValidIndex(corner.vertex, vertices.Size()) && QV_ValidIndex(corner.texCoord, texCoords.Size()))
                AddOnce(out[static_cast<size_t>(corner.vertex)], corner.texCoord);
        }
    }
}

void QV_Mesh::BuildTexCoordVertices(std::vector<std::vector<int>>& out) const
{
    out.assign(texCoords.Size(), {});
    for (unsigned f = 0; f < faces.Size(); ++f) {
        const QV_Face& face = faces[f];
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
            const QV_Corner& corner = face.corners[c];
            if (QV_ValidIndex(corner.vertex, vertices.Size()) && QV_ValidIndex(corner.texCoord, texCoords.Size()))
                AddOnce(out[static_cast<size_t>(corner.texCoord)], corner.vertex);
        }
    }
}
