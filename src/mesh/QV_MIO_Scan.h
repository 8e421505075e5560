// The mesh file objects for scanner data, read only: grid meshes (gmesh),
// cylindrical range scans (range) and Echo scans (echo).
#pragma once

#include "QV_MeshIO.h"

class QV_MIO_GMesh : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;
    bool Load(QV_Mesh& mesh) override;
    bool Save(const QV_Mesh& mesh) override;
};

class QV_MIO_Range : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;
    bool Load(QV_Mesh& mesh) override;
    bool Save(const QV_Mesh& mesh) override;
};

class QV_MIO_Echo : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;
    bool Load(QV_Mesh& mesh) override;
    bool Save(const QV_Mesh& mesh) override;
};
