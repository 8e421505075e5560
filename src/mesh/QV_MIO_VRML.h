// QV_MIO_VRML: the mesh file object for VRML 2.0 text (wrl, vrml): the writer of
// one shape per visible feature and the reader of the coordinate subset.
#pragma once

#include "QV_MeshIO.h"

class QV_MIO_VRML : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;

    // Reads the points, texture coordinates and coordIndex faces (lines of up
    // to 1024 characters) until the end of the file or until texture
    // coordinates and faces have both followed the coordinates; takes the
    // texture found beside the file by base name and recomputes the normals.
    // Faces with an index outside the latest Coordinate list are dropped.
    // False only when the file cannot be opened or read.
    bool Load(QV_Mesh& mesh) override;
    // Writes the text and, when a feature shows the texture, the texture
    // beside the file as JPEG. False at the first failed write.
    bool Save(const QV_Mesh& mesh) override;
};
