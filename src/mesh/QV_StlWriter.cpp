// Writing meshes as STL, ASCII or binary: one facet per triangle of a
// triangulated, compacted copy, with the triangle's normal.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_MIO_STL.h"
#include "QV_Mesh.h"
#include "QV_MeshIndex.h"

namespace {

struct Facet {
    QV_Point3D normal;
    QV_Point3D corner[3];
};

float Dot(const QV_Point3D& a, const QV_Point3D& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The triangles of the mesh with their normals. The copy is triangulated,
// compacted and given vertex normals, which also fills its face normal list;
// each triangle's normal is then computed again, and a triangle whose normal
// does not point the way of its listed one has corners 1 and 2 swapped. As the
// two agree for any triangle with an area, only zero-area triangles (normal
// (0, 0, 0)) are turned, which changes nothing about them. A face that is not
// a triangle on three valid vertices (none is built, but a mesh can hold one)
// is left out rather than written with a corner that does not exist.
std::vector<Facet> Facets(const QV_Mesh& mesh)
{
    QV_Mesh copy;
    copy.vertices = mesh.vertices;
    copy.faces = mesh.faces;
    copy.features = mesh.features;
    copy.Triangulate();
    copy.Compact();
    copy.ComputeVertexNormals();
    std::vector<Facet> facets;
    facets.reserve(copy.faces.Size());
    for (unsigned i = 0; i < copy.faces.Size(); ++i) {
        QV_Face face = copy.faces[i];
        if (face.count != 3) continue;
        bool valid = true;
        for (int c = 0; c < 3; ++c) valid = valid && QV_ValidIndex(face.corners[c].vertex, copy.vertices.Size());
        if (!valid) continue;
        QV_Point3D normal = copy.FaceNormal(face);
        if (!(Dot(normal, copy.faceNormals[i]) > 0.0f)) {
            std::swap(face.corners[1], face.corners[2]);
            normal = copy.FaceNormal(face);
        }
        Facet facet;
        facet.normal = normal;
        for (int c = 0; c < 3; ++c) facet.corner[c] = copy.vertices[face.corners[c].vertex];
        facets.push_back(facet);
    }
    return facets;
}

bool Print(std::FILE* f, const char* format, double x, double y, double z)
{
    return std::fprintf(f, format, x, y, z) >= 0;
}

bool WriteAscii(std::FILE* f, const std::vector<Facet>& facets, const QV_String& path)
{
    if (std::fprintf(f, "solid %s\n", path.CStr()) < 0) return false;
    for (const Facet& t : facets) {
        bool ok = Print(f, "  facet normal %.7f %.7f %.7f\n", t.normal.x, t.normal.y, t.normal.z) &&
                  std::fputs("    outer loop\n", f) >= 0;
        for (const QV_Point3D& p : t.corner) ok = ok && Print(f, "      vertex %.7f %.7f %.7f\n", p.x, p.y, p.z);
        ok = ok && std::fputs("    endloop\n", f) >= 0 && std::fputs("  endfacet\n", f) >= 0;
        if (!ok) return false;
    }
    return std::fprintf(f, "endsolid %s\n", path.CStr()) >= 0;
}

// An 80-byte header of "solid " and the path, padded with spaces or cut;
// the facet count; then per facet 12 floats and two space bytes.
bool WriteBinary(std::FILE* f, const std::vector<Facet>& facets, const QV_String& path)
{
    std::string header = "solid " + path.Std();
    header.resize(80, ' ');
    if (!QV_WriteBytes(f, header.data(), header.size())) return false;
    if (!QV_WriteU32(f, static_cast<uint32_t>(facets.size()))) return false;
    for (const Facet& t : facets) {
        unsigned char record[50];
        const float v[12] = {t.normal.x,    t.normal.y,    t.normal.z,    t.corner[0].x, t.corner[0].y, t.corner[0].z,
                             t.corner[1].x, t.corner[1].y, t.corner[1].z, t.corner[2].x, t.corner[2].y, t.corner[2].z};
        std::memcpy(record, v, sizeof v);
        record[48] = record[49] = 0x20;
        if (!QV_WriteBytes(f, record, sizeof record)) return false;
    }
    return true;
}

}  // namespace

bool QV_MIO_STL::Save(const QV_Mesh& mesh)
{
    const std::vector<Facet> facets = Facets(mesh);
    QV_File f = QV_OpenFile(path, binary ? "wb" : "w");
    if (!f) {
        QV_PrintSystemError(("QV_MIO_STL::Save() Error! : can't open " + path.Std()).c_str());
        return false;
    }
    const bool written = binary ? WriteBinary(f.get(), facets, path) : WriteAscii(f.get(), facets, path);
    // A failed flush at close loses the end of the file.
    const bool closed = std::fclose(f.release()) == 0;
    if (!written || !closed) {
        QV_PrintError(("QV_MIO_STL::Save() Error! : can't write " + path.Std() + "\n").c_str());
        return false;
    }
    return true;
}
