// QV_MIO_VRML: the mesh file object for VRML 2.0 text (wrl, vrml), read and written.
#pragma once

#include "QV_MeshIO.h"

class QV_MIO_VRML : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;
    bool Load(QV_Mesh& mesh) override;
    bool Save(const QV_Mesh& mesh) override;
};
