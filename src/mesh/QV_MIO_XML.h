// QV_MIO_XML: the mesh file object for XML mesh export, written only.
#pragma once

#include "QV_MeshIO.h"

class QV_MIO_XML : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;
    bool Load(QV_Mesh& mesh) override;
    bool Save(const QV_Mesh& mesh) override;
};
