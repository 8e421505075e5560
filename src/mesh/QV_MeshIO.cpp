// Choosing the mesh file object by extension, the mesh's Load and Save that
// go through it, and the binary mesh file.
#include "QV_MeshIO.h"

#include <string>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_MIO_3DS.h"
#include "QV_MIO_OBJ.h"
#include "QV_MIO_STL.h"
#include "QV_MIO_Scan.h"
#include "QV_MIO_VRML.h"
#include "QV_MIO_XML.h"
#include "QV_Mesh.h"

std::unique_ptr<QV_MeshIO> QV_MeshIO::Create(const QV_String& path)
{
    // A name without a dot after its last separator has no extension.
    if (path.StripExtension().Length() == path.Length()) return nullptr;
    QV_String ext = path.Extension();
    ext.ToLower();
    const std::string& e = ext.Std();
    if (e == "obj") return std::make_unique<QV_MIO_OBJ>(path);
    if (e == "wrl" || e == "vrml") return std::make_unique<QV_MIO_VRML>(path);
    if (e == "amx") return std::make_unique<QV_MIO_AMX>(path);
    if (e == "stl") return std::make_unique<QV_MIO_STL>(path);
    if (e == "3ds") return std::make_unique<QV_MIO_3DS>(path);
    if (e == "xml") return std::make_unique<QV_MIO_XML>(path);
    if (e == "gmesh") return std::make_unique<QV_MIO_GMesh>(path);
    if (e == "range") return std::make_unique<QV_MIO_Range>(path);
    if (e == "echo") return std::make_unique<QV_MIO_Echo>(path);
    return nullptr;
}

bool QV_Mesh::Load(const QV_String& path)
{
    std::unique_ptr<QV_MeshIO> io = QV_MeshIO::Create(path);
    if (!io) {
        QV_PrintError(("QV_Mesh::Load() Error! : unknown mesh file type: " + path.Std() + "\n").c_str());
        return false;
    }
    return io->Load(*this);
}

bool QV_Mesh::Save(const QV_String& path) const
{
    std::unique_ptr<QV_MeshIO> io = QV_MeshIO::Create(path);
    if (!io) {
        QV_PrintError(("QV_Mesh::Save() Error! : unknown mesh file type: " + path.Std() + "\n").c_str());
        return false;
    }
    return io->Save(*this);
}

bool QV_MIO_AMX::Load(QV_Mesh& mesh)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintSystemError(("QV_MIO_AMX::Load() Error! : can't open " + path.Std()).c_str());
        return false;
    }
    if (!mesh.Read(f.get())) return false;
    // As after every reader: the mesh is named after its file, and has
    // normals and at least one feature.
    mesh.name = path;
    if (mesh.normals.Empty()) mesh.ComputeVertexNormals();
    mesh.EnsureFeature();
    mesh.UpdateBounds();
    return true;
}

bool QV_MIO_AMX::Save(const QV_Mesh& mesh)
{
    QV_File f = QV_OpenFile(path, "wb");
    if (!f) {
        QV_PrintSystemError(("QV_MIO_AMX::Save() Error! : can't open " + path.Std()).c_str());
        return false;
    }
    if (!mesh.Write(f.get())) return false;
    // A failed flush at close loses the end of the record.
    return std::fclose(f.release()) == 0;
}
