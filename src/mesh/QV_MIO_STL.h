// QV_MIO_STL: the mesh file object for STL, ASCII or binary, read and written.
#pragma once

#include "QV_MeshIO.h"

class QV_MIO_STL : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;
    bool Load(QV_Mesh& mesh) override;
    bool Save(const QV_Mesh& mesh) override;
};
