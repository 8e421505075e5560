// Rebuilding the face and element lists of QV_Mesh: triangulation into fans
// and compaction to what the features use; the vertices of a named group.
#include <vector>

#include "QV_Mesh.h"
#include "QV_MeshIndex.h"

void QV_Mesh::Triangulate()
{
    QV_List<QV_Face> rebuilt(faces.Size() ? faces.Size() * 2 : 16);
    for (unsigned k = 0; k < features.Size(); ++k) {
        QV_Feature& feature = features[k];
        QV_List<int> indices(feature.faceIndices.Size() ? feature.faceIndices.Size() * 2 : 16);
        for (unsigned j = 0; j < feature.faceIndices.Size(); ++j) {
            const int fi = feature.faceIndices[j];
            if (!QV_ValidIndex(fi, faces.Size())) continue;
            const QV_Face& face = faces[fi];
            const int n = face.count < QV_Face::kMaxCorners ? face.count : QV_Face::kMaxCorners;
            if (n <= 3) {
                rebuilt.Append(face);
                indices.Append(static_cast<int>(rebuilt.Size()) - 1);
                continue;
            }
            // The fan (c0, c1, c2), (c0, c2, c3), ... keeps the face's winding.
            for (int i = 2; i < n; ++i) {
                QV_Face triangle;
                triangle.Add(face.corners[0]);
                triangle.Add(face.corners[i - 1]);
                triangle.Add(face.corners[i]);
                rebuilt.Append(triangle);
                indices.Append(static_cast<int>(rebuilt.Size()) - 1);
            }
        }
        feature.faceIndices = std::move(indices);
    }
    faces = std::move(rebuilt);
}

namespace {

// Old-to-new index map that numbers the entries of one list in order of
// first use; an index outside the old list maps to -1.
class FirstUseMap {
public:
    explicit FirstUseMap(unsigned oldCount) : map(oldCount, -1) {}
    int Take(int old)
    {
        if (!QV_ValidIndex(old, static_cast<unsigned>(map.size()))) return -1;
        int& slot = map[static_cast<size_t>(old)];
        if (slot < 0) {
            slot = next++;
            order.push_back(old);
        }
        return slot;
    }
    const std::vector<int>& Order() const { return order; }

private:
    std::vector<int> map;
    std::vector<int> order;  // old indices in new order
    int next = 0;
};

template <class T>
QV_List<T> Gather(const QV_List<T>& from, const std::vector<int>& order)
{
    QV_List<T> to(order.empty() ? 16u : static_cast<unsigned>(order.size()));
    for (int old : order) to.Append(from[old]);
    return to;
}

}  // namespace

void QV_Mesh::Compact()
{
    FirstUseMap vertexMap(vertices.Size()), normalMap(normals.Size()), texMap(texCoords.Size());
    QV_List<QV_Face> rebuilt(faces.Size() ? faces.Size() : 16);
    for (unsigned k = 0; k < features.Size(); ++k) {
        QV_Feature& feature = features[k];
        QV_List<int> indices(feature.faceIndices.Size() ? feature.faceIndices.Size() : 16);
        for (unsigned j = 0; j < feature.faceIndices.Size(); ++j) {
            const int fi = feature.faceIndices[j];
            if (!QV_ValidIndex(fi, faces.Size())) continue;
            const QV_Face& face = faces[fi];
            QV_Face renumbered;
            const int n = face.count < QV_Face::kMaxCorners ? face.count : QV_Face::kMaxCorners;
            for (int c = 0; c < n; ++c) {
                QV_Corner corner;
                corner.vertex = vertexMap.Take(face.corners[c].vertex);
                corner.normal = normalMap.Take(face.corners[c].normal);
                corner.texCoord = texMap.Take(face.corners[c].texCoord);
                renumbered.Add(corner);
            }
            rebuilt.Append(renumbered);
            indices.Append(static_cast<int>(rebuilt.Size()) - 1);
        }
        feature.faceIndices = std::move(indices);
    }
    vertices = Gather(vertices, vertexMap.Order());
    normals = Gather(normals, normalMap.Order());
    texCoords = Gather(texCoords, texMap.Order());
    faces = std::move(rebuilt);
}

std::vector<int> QV_GroupVertices(const QV_Mesh& mesh, const char* group)
{
    std::vector<int> out;
    const int index = mesh.FeatureIndex(group);
    if (index < 0) return out;
    QV_List<int> set(64);
    mesh.FeatureIndexSet(index, set, 'v');
    out.reserve(set.Size());
    for (unsigned i = 0; i < set.Size(); ++i) out.push_back(set[static_cast<int>(i)]);
    return out;
}

std::vector<int> QV_GroupsVertices(const QV_Mesh& mesh, const std::function<bool(const QV_String& name)>& take)
{
    std::vector<int> out;
    std::vector<bool> seen(static_cast<size_t>(mesh.VertexCount()), false);
    for (int g = 0; g < mesh.FeatureCount(); ++g) {
        if (!take(mesh.features[g].name)) continue;
        QV_List<int> set(64);
        mesh.FeatureIndexSet(g, set, 'v');
        for (unsigned i = 0; i < set.Size(); ++i) {
            const int v = set[static_cast<int>(i)];
            if (v >= 0 && v < mesh.VertexCount() && !seen[static_cast<size_t>(v)]) {
                seen[static_cast<size_t>(v)] = true;
                out.push_back(v);
            }
        }
    }
    return out;
}
