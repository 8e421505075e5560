// Writing meshes as 3DS: one vertex per texture coordinate, the triangles in
// one group, one material with the texture map, and a keyframer node.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_ChunkBuffer.h"
#include "QV_Error.h"
#include "QV_MIO_3DS.h"
#include "QV_Mesh.h"
#include "QV_MeshIndex.h"

namespace {

constexpr uint32_t kMaxCount = 65535;  // counts are 16-bit
constexpr const char* kMaterialName = "VMtl01";
constexpr uint16_t kFaceFlags = 13;

// The mesh as the file holds it: a point and a texture vertex per vertex, and
// triangles on those vertices.
struct Mesh3ds {
    std::vector<QV_Point3D> points;
    std::vector<QV_Point2D> uvs;
    std::vector<std::array<int, 3>> triangles;
};

// Vertex t is made for texture coordinate t, at the position of the first
// vertex (faces in list order, corners in order) whose corner uses t, and a
// corner on that vertex with t takes t as its vertex index. A texture
// coordinate that no corner uses keeps the origin. A corner whose texture
// coordinate belongs to another vertex that way, or that has none, would be
// moved onto another position or have no vertex at all, so each such pair of
// vertex and texture coordinate gets one extra vertex after those (with the
// texture vertex (0, 0) when there is no texture coordinate). The faces the
// features list are then split into fans as Triangulate splits them; a face
// with a corner on no valid vertex, or with fewer than three corners, is left
// out.
Mesh3ds Convert(const QV_Mesh& mesh)
{
    Mesh3ds out;
    const unsigned texCount = mesh.texCoords.Size();
    out.points.assign(texCount, QV_Point3D());
    out.uvs.reserve(texCount);
    for (unsigned t = 0; t < texCount; ++t) out.uvs.push_back(mesh.texCoords[t]);
    std::vector<int> owner(texCount, -1);  // the vertex each texture coordinate's point is taken from
    for (unsigned f = 0; f < mesh.faces.Size(); ++f) {
        const QV_Face& face = mesh.faces[f];
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
            const QV_Corner& corner = face.corners[c];
            if (!QV_ValidIndex(corner.vertex, mesh.vertices.Size()) || !QV_ValidIndex(corner.texCoord, texCount) ||
                owner[static_cast<size_t>(corner.texCoord)] >= 0)
                continue;
            out.points[static_cast<size_t>(corner.texCoord)] = mesh.vertices[corner.vertex];
            owner[static_cast<size_t>(corner.texCoord)] = corner.vertex;
        }
    }

    std::unordered_map<uint64_t, int> extra;  // (vertex, texture coordinate + 1) -> extra vertex
    // For a corner on a valid vertex.
    auto vertexOf = [&](const QV_Corner& corner) -> int {
        const bool hasTex = QV_ValidIndex(corner.texCoord, texCount);
        if (hasTex && owner[static_cast<size_t>(corner.texCoord)] == corner.vertex) return corner.texCoord;
        const uint64_t key = (static_cast<uint64_t>(corner.vertex) << 32) |
                             static_cast<uint32_t>(hasTex ? corner.texCoord + 1 : 0);
        const auto [it, added] = extra.emplace(key, static_cast<int>(out.points.size()));
        if (added) {
            out.points.push_back(mesh.vertices[corner.vertex]);
            out.uvs.push_back(hasTex ? mesh.texCoords[corner.texCoord] : QV_Point2D(0.0f, 0.0f));
        }
        return it->second;
    };
    for (unsigned k = 0; k < mesh.features.Size(); ++k) {
        const QV_Feature& feature = mesh.features[k];
        for (unsigned j = 0; j < feature.faceIndices.Size(); ++j) {
            const int fi = feature.faceIndices[j];
            if (!QV_ValidIndex(fi, mesh.faces.Size())) continue;
            const QV_Face& face = mesh.faces[fi];
            const int n = face.count < QV_Face::kMaxCorners ? face.count : QV_Face::kMaxCorners;
            if (n < 3) continue;
            bool valid = true;
            for (int c = 0; c < n; ++c) valid = valid && QV_ValidIndex(face.corners[c].vertex, mesh.vertices.Size());
            if (!valid) continue;
            int v[QV_Face::kMaxCorners];
            for (int c = 0; c < n; ++c) v[c] = vertexOf(face.corners[c]);
            for (int i = 2; i < n; ++i) out.triangles.push_back({v[0], v[i - 1], v[i]});
        }
    }
    return out;
}

void Colour24(QV_ChunkBuffer& b, uint16_t id, unsigned char grey)
{
    b.Begin(id);
    b.Begin(0x0011);
    const unsigned char rgb[3] = {grey, grey, grey};
    b.Raw(rgb, sizeof rgb);
    b.End();
    b.End();
}

void Percentage(QV_ChunkBuffer& b, int16_t value)
{
    b.Begin(0x0030);
    b.I16(value);
    b.End();
}

void PercentageChunk(QV_ChunkBuffer& b, uint16_t id, int16_t value)
{
    b.Begin(id);
    Percentage(b, value);
    b.End();
}

void Material(QV_ChunkBuffer& b, const std::string& mapName)
{
    b.Begin(0xAFFF);
    b.Begin(0xA000);
    b.Text(kMaterialName);
    b.End();
    Colour24(b, 0xA010, 200);  // ambient
    Colour24(b, 0xA020, 250);  // diffuse
    Colour24(b, 0xA030, 0);    // specular
    for (uint16_t id : {0xA040, 0xA041, 0xA050, 0xA052, 0xA053}) PercentageChunk(b, id, 0);
    b.Begin(0xA100);  // shading
    b.I16(3);
    b.End();
    b.Begin(0xA08A);
    b.End();
    PercentageChunk(b, 0xA084, 100);  // self-illumination
    b.Begin(0xA087);                  // wire size
    b.F32(1.0f);
    b.End();
    b.Begin(0xA200);  // texture map
    Percentage(b, 100);
    b.Begin(0xA300);
    b.Text(mapName);
    b.End();
    b.Begin(0xA351);  // tiling
    b.I16(0);
    b.End();
    b.Begin(0xA353);  // blur
    b.F32(0.0f);
    b.End();
    b.End();
    b.End();
}

void TriangleMesh(QV_ChunkBuffer& b, const Mesh3ds& m)
{
    const auto pointCount = static_cast<uint16_t>(m.points.size());
    const auto faceCount = static_cast<uint16_t>(m.triangles.size());
    b.Begin(0x4100);
    b.Begin(0x4110);
    b.U16(pointCount);
    for (const QV_Point3D& p : m.points) {
        b.F32(p.x);
        b.F32(p.y);
        b.F32(p.z);
    }
    b.End();
    b.Begin(0x4140);
    b.U16(pointCount);
    for (const QV_Point2D& t : m.uvs) {
        b.F32(t.x);
        b.F32(t.y);
    }
    b.End();
    b.Begin(0x4120);
    b.U16(faceCount);
    for (const std::array<int, 3>& t : m.triangles) {
        for (int v : t) b.U16(static_cast<uint16_t>(v));
        b.U16(kFaceFlags);
    }
    b.Begin(0x4130);  // every face in the one material
    b.Text(kMaterialName);
    b.U16(faceCount);
    for (uint16_t i = 0; i < faceCount; ++i) b.U16(i);
    b.End();
    b.Begin(0x4150);  // every face in smoothing group 1
    for (uint16_t i = 0; i < faceCount; ++i) b.I32(1);
    b.End();
    b.End();
    // Local axes: the X, Y and Z axes rotated 90 degrees about X, then the
    // origin.
    b.Begin(0x4160);
    for (float v : {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, -1.0f, 0.0f, 0.0f, 0.0f, 0.0f}) b.F32(v);
    b.End();
    b.End();
}

// A track header (flags, 8 unused bytes, key count) and its one key at frame
// 0 with no spline data; the caller adds the key's values.
void TrackHeader(QV_ChunkBuffer& b)
{
    b.U16(0);
    b.U32(0);
    b.U32(0);
    b.U32(1);
    b.U32(0);
    b.U16(0);
}

void Keyframer(QV_ChunkBuffer& b, const std::string& objectName)
{
    b.Begin(0xB000);
    b.Begin(0xB00A);  // header: revision, name, animation length
    b.I16(5);
    b.Text("QUOR3DS");
    b.I32(100);
    b.End();
    b.Begin(0xB008);  // segment
    b.I32(0);
    b.I32(100);
    b.End();
    b.Begin(0xB009);  // current time
    b.I32(0);
    b.End();
    b.Begin(0xB002);  // object node
    b.Begin(0xB030);
    b.I16(0);
    b.End();
    b.Begin(0xB010);
    b.Text(objectName);
    b.U16(0x4000);
    b.U16(0);
    b.I16(-1);
    b.End();
    b.Begin(0xB013);  // pivot
    for (int i = 0; i < 3; ++i) b.F32(0.0f);
    b.End();
    b.Begin(0xB020);  // position
    TrackHeader(b);
    for (int i = 0; i < 3; ++i) b.F32(0.0f);
    b.End();
    b.Begin(0xB021);  // rotation: angle, axis
    TrackHeader(b);
    for (int i = 0; i < 4; ++i) b.F32(0.0f);
    b.End();
    b.Begin(0xB022);  // scale
    TrackHeader(b);
    for (int i = 0; i < 3; ++i) b.F32(1.0f);
    b.End();
    b.End();
    b.End();
}

}  // namespace

bool QV_MIO_3DS::Load(QV_Mesh&)
{
    QV_PrintError("QV_MIO_3DS::Load() not implemented\n");
    return false;
}

bool QV_MIO_3DS::Save(const QV_Mesh& mesh)
{
    if (mesh.vertices.Empty()) {
        QV_PrintError(("QV_MIO_3DS::Save() Error! : no vertices to write to " + path.Std() + "\n").c_str());
        return false;
    }
    const Mesh3ds m = Convert(mesh);
    // Larger counts would wrap in their 16-bit fields and give a file whose
    // faces name the wrong vertices.
    if (m.points.size() > kMaxCount || m.triangles.size() > kMaxCount) {
        QV_PrintError(("QV_MIO_3DS::Save() Error! : " + std::to_string(m.points.size()) + " vertices and " +
                       std::to_string(m.triangles.size()) + " triangles do not fit a 3DS file (at most " +
                       std::to_string(kMaxCount) + " each): " + path.Std() + "\n")
                          .c_str());
        return false;
    }
    // The object is named by the first 8 characters of the file title, and
    // the texture goes beside the file under that name.
    const std::string objectName = path.FileName().Std().substr(0, 8);
    const std::string mapName = objectName + ".jpg";
    const QV_String directory = path.Directory();
    const bool hasDirectory = directory.Length() != path.Length();
    const QV_String texturePath = hasDirectory ? directory + "/" + mapName.c_str() : QV_String(mapName);

    QV_ChunkBuffer b;
    b.Begin(0x4D4D);
    b.Begin(0x3D3D);
    b.Begin(0x3D3E);  // mesh version
    b.I32(3);
    b.End();
    b.Begin(0x0100);  // master scale
    b.F32(1.0f);
    b.End();
    Material(b, mapName);
    b.Begin(0x4000);
    b.Text(objectName);
    TriangleMesh(b, m);
    b.End();
    b.End();
    Keyframer(b, objectName);
    b.End();

    QV_File f = QV_OpenFile(path, "wb");
    if (!f) {
        QV_PrintSystemError(("QV_MIO_3DS::Save() Error! : can't open " + path.Std()).c_str());
        return false;
    }
    const bool written = QV_WriteBytes(f.get(), b.Bytes().data(), b.Bytes().size());
    // A failed flush at close loses the end of the file.
    const bool closed = std::fclose(f.release()) == 0;
    if (!written || !closed) {
        QV_PrintError(("QV_MIO_3DS::Save() Error! : can't write " + path.Std() + "\n").c_str());
        return false;
    }
    // A mesh without a texture has no image to put beside the file.
    if (mesh.hasTexture && !mesh.texture.Save(texturePath)) {
        QV_PrintError(("QV_MIO_3DS::Save() Error! : can't write the texture " + texturePath.Std() + "\n").c_str());
        return false;
    }
    return true;
}
