// QV_MIO_3DS: the mesh file object for 3DS chunk files, written only.
#pragma once

#include "QV_MeshIO.h"

class QV_MIO_3DS : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;
    bool Load(QV_Mesh& mesh) override;
    bool Save(const QV_Mesh& mesh) override;
};
