// QV_MeshIO: the family of mesh file objects, one class per format, each made
// for one path and one call; QV_MeshIO::Create picks the class by extension.
#pragma once

#include <memory>

#include "QV_String.h"

class QV_Mesh;

class QV_MeshIO {
public:
    explicit QV_MeshIO(const QV_String& filePath) : path(filePath) {}
    virtual ~QV_MeshIO() = default;
    QV_MeshIO(const QV_MeshIO&) = delete;
    QV_MeshIO& operator=(const QV_MeshIO&) = delete;

    // A format that cannot do one of these returns false for it.
    virtual bool Load(QV_Mesh& mesh) = 0;
    virtual bool Save(const QV_Mesh& mesh) = 0;

    const QV_String& Path() const { return path; }

    // The object for the path's extension (lower-cased, A-Z only): obj, wrl,
    // vrml, amx, stl, 3ds, xml, gmesh, range, echo. Null for any other.
    static std::unique_ptr<QV_MeshIO> Create(const QV_String& path);

protected:
    QV_String path;
};

// The binary mesh file: exactly one mesh record, read "rb" and written "wb".
class QV_MIO_AMX : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;
    bool Load(QV_Mesh& mesh) override;
    bool Save(const QV_Mesh& mesh) override;
};
