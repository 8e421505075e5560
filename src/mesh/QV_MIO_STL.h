// QV_MIO_STL: the mesh file object for STL, read as ASCII or binary (told apart
// by the second line) and written as ASCII, or binary when switched to it.
#pragma once

#include "QV_MeshIO.h"

class QV_MIO_STL : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;

    // Reads every triangle as three new vertices, then welds the vertices
    // within 0.001 of each other and recomputes the normals. An ASCII file
    // stops at a facet with fewer than three vertices; a binary file is read
    // record by record to its end (its count is not trusted).
    bool Load(QV_Mesh& mesh) override;
    // Triangulates a copy and writes one facet per triangle with its normal.
    bool Save(const QV_Mesh& mesh) override;

    void SetBinary(bool on) { binary = on; }
    bool Binary() const { return binary; }

private:
    bool binary = false;
};
