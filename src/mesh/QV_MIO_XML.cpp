// XML mesh export: the whole mesh as one submesh "QuorAvatar" of triangles,
// its material script and its texture beside it. Meshes are not read back.
#include "QV_MIO_XML.h"

#include <sstream>
#include <string>
#include <vector>

#include "QV_Error.h"
#include "QV_Mesh.h"
#include "QV_MeshIndex.h"
#include "QV_MeshXml.h"
#include "QV_TextFile.h"

namespace {

// One normal per vertex. A mesh whose normal list is one per vertex keeps
// it; any other gets vertex normals, each vertex then taking the normal its
// corners use (vertices no face uses have none and are written with zero).
std::vector<QV_Point3D> VertexNormals(QV_Mesh& mesh)
{
    std::vector<QV_Point3D> out(mesh.vertices.Size());
    if (mesh.NormalCount() == mesh.VertexCount()) {
        for (unsigned i = 0; i < mesh.normals.Size(); ++i) out[i] = mesh.normals[i];
        return out;
    }
    mesh.ComputeVertexNormals();
    for (unsigned f = 0; f < mesh.faces.Size(); ++f) {
        const QV_Face& face = mesh.faces[f];
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
            const QV_Corner& corner = face.corners[c];
            if (QV_ValidIndex(corner.vertex, mesh.vertices.Size()) && QV_ValidIndex(corner.normal, mesh.normals.Size()))
                out[static_cast<size_t>(corner.vertex)] = mesh.normals[corner.normal];
        }
    }
    return out;
}

// Per vertex, the first texture coordinate its corners use; (0, 0) for a
// vertex whose corners carry none.
std::vector<QV_Point2D> FirstTexCoords(const QV_Mesh& mesh)
{
    std::vector<std::vector<int>> used;
    mesh.BuildVertexTexCoords(used);
    std::vector<QV_Point2D> out(mesh.vertices.Size());
    for (size_t v = 0; v < used.size(); ++v)
        if (!used[v].empty()) out[v] = mesh.texCoords[used[v].front()];
    return out;
}

}  // namespace

bool QV_MIO_XML::Load(QV_Mesh&) { return false; }

bool QV_MIO_XML::Save(const QV_Mesh& mesh)
{
    static const char* const kWho = "QV_MIO_XML::Save()";
    QV_Mesh copy = mesh;
    QV_Feature all;
    all.name = "QuorAvatar";
    for (int f = 0; f < copy.FaceCount(); ++f) all.faceIndices.Append(f);
    copy.features.Clear();
    copy.features.Append(all);
    copy.Triangulate();
    const std::vector<QV_Point3D> normals = VertexNormals(copy);

    // The material script and the texture go beside the mesh file; inside
    // the files they are named without a folder, as they sit together.
    const std::string title = path.FileName().Std();
    const std::string folder = QV_PathFolder(path);
    const std::string texture = title + ".jpg";

    std::ostringstream xml;
    QV_WriteMeshXml(xml, copy, normals, FirstTexCoords(copy), title + ".skeleton", nullptr);
    if (!QV_WriteTextFile(path.Std(), xml.str(), kWho)) return false;
    std::ostringstream material;
    QV_WriteMaterialScript(material, copy, texture, std::string());
    if (!QV_WriteTextFile(folder + title + ".material", material.str(), kWho)) return false;

    if (!copy.hasTexture || copy.texture.Empty()) return true;
    if (copy.texture.Save(QV_String((folder + texture).c_str()))) return true;
    QV_PrintError(("QV_MIO_XML::Save() Error! : can't write the texture " + folder + texture + "\n").c_str());
    return false;
}
