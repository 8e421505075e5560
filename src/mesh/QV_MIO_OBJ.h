// QV_MIO_OBJ: the mesh file object for Wavefront OBJ: the reader of the
// accepted subset, the file and stream writers, and the MTL material block.
#pragma once

#include <fstream>
#include <ostream>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_MeshIO.h"
#include "QV_String.h"

class QV_MIO_OBJ : public QV_MeshIO {
public:
    using QV_MeshIO::QV_MeshIO;

    // Reads the OBJ at the path into the mesh (cleared first), with the
    // texture found beside it by base name. False when the file cannot be
    // opened, or when a face names an element that does not exist (the mesh
    // is then left empty).
    bool Load(QV_Mesh& mesh) override;
    // Writes the OBJ text and, when the mesh has a texture, the texture beside
    // it as JPEG (as BMP when the JPEG cannot be written).
    bool Save(const QV_Mesh& mesh) override;

    // The same text into a stream the caller opened, which is closed when the
    // text is written; the texture, when the mesh has one, goes as JPEG into
    // the given file, which is closed too. Fails at once when the stream is not
    // open, or when the mesh has a texture and no file is given.
    static bool Save(const QV_Mesh& mesh, std::ofstream& out, QV_File textureFile);

    // Links from an OBJ to the MTL file written beside it: the library's file
    // name, and the materials whose groups get a "usemtl" line.
    struct MaterialLinks {
        QV_String library;
        std::vector<QV_String> materials;
    };

    // The OBJ text alone, in fixed notation with six decimals. With links, a
    // "mtllib" line follows the header comments and each group named like one
    // of the materials is followed by "usemtl" and its name.
    static void WriteText(const QV_Mesh& mesh, std::ostream& out, const MaterialLinks* links = nullptr);

    // Appends one MTL material block ("newmtl" to the empty line ending it),
    // numbers in the stream's default notation with 6 significant digits.
    // A map line is written only for a file name longer than 2 characters.
    static void WriteMaterial(std::ostream& out, const QV_String& name, int d, float ns, float ni,
                              const float ka[3], const float kd[3], const float ks[3], float km,
                              const QV_String& diffuseMap, const QV_String& opacityMap);
};
