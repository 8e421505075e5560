// QV_MIO_3DS: the mesh file object for 3DS chunk files, written only: one
// triangle mesh object with one textured material and a keyframer node.
#pragma once

#include "QV_MeshIO.h"

class QV_MIO_3DS : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;

    // Prints "QV_MIO_3DS::Load() not implemented\n" and returns false.
    bool Load(QV_Mesh& mesh) override;
    // Writes the chunk tree and, when the mesh has a texture, the texture as
    // JPEG beside it under the object's 8-character name. False, with nothing
    // written, for a mesh without vertices or one whose vertices or triangles
    // do not fit the format's 16-bit counts.
    bool Save(const QV_Mesh& mesh) override;
};
