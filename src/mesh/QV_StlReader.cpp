// Reading STL files, ASCII or binary: every triangle as three new vertices,
// welded afterwards.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_MIO_STL.h"
#include "QV_Mesh.h"
#include "QV_MeshLineReader.h"

namespace {

constexpr size_t kMaxLine = 1024;
constexpr long kBinaryHeader = 84;  // 80 bytes of text and the facet count
constexpr size_t kBinaryRecord = 50;  // normal, three corners, two attribute bytes
constexpr float kWeldTolerance = 0.001f;

// The first line is skipped; the file is ASCII when its second line holds
// "facet". Only the first kMaxLine characters of that line are looked at.
bool SecondLineHasFacet(std::FILE* f)
{
    int c;
    while ((c = std::getc(f)) != EOF && c != '\n') {
    }
    std::string line;
    while ((c = std::getc(f)) != EOF && c != '\n' && line.size() < kMaxLine) line += static_cast<char>(c);
    return line.find("facet") != std::string::npos;
}

// Three numbers after position `from`, separated by blanks; false when there
// are fewer or one of them is not a number.
bool ReadTriple(const std::string& line, size_t from, float (&out)[3])
{
    size_t pos = from;
    for (float& v : out) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos < line.size() && line[pos] == '+') ++pos;
        const char* begin = line.data() + pos;
        const char* end = line.data() + line.size();
        const std::from_chars_result r = std::from_chars(begin, end, v);
        if (r.ec != std::errc() || r.ptr == begin) return false;
        pos = static_cast<size_t>(r.ptr - line.data());
    }
    return true;
}

void AddTriangle(QV_Mesh& mesh, const QV_Point3D& a, const QV_Point3D& b, const QV_Point3D& c)
{
    const int first = mesh.VertexCount();
    mesh.vertices.Append(a);
    mesh.vertices.Append(b);
    mesh.vertices.Append(c);
    mesh.faces.Append(QV_Face(first, first + 1, first + 2));
}

// Facets one after the other: "facet normal" opens one (its normal is not
// kept), each "vertex" line with three numbers adds a corner, and the third
// corner makes the triangle. A facet that closes, is followed by another or
// meets the end of the file with fewer than three corners stops the reading.
// False on a read error.
bool ReadAscii(std::FILE* f, QV_Mesh& mesh, const QV_String& path)
{
    QV_MeshLineReader lines(f, kMaxLine);
    std::string line;
    bool lineEnds = true;
    bool inFacet = false;
    int corners = 0;
    QV_Point3D p[3];
    auto shortFacet = [&] {
        QV_PrintError(("QV_MIO_STL::Load() : facet " + std::to_string(mesh.FaceCount() + 1) +
                       " has fewer than three vertices; reading of " + path.Std() + " stopped there\n")
                          .c_str());
    };
    while (lines.Next(line, lineEnds)) {
        if (line.find("facet normal") != std::string::npos) {
            if (inFacet && corners < 3) {
                shortFacet();
                return true;
            }
            inFacet = true;
            corners = 0;
            continue;
        }
        const size_t at = line.find("vertex");
        if (at != std::string::npos) {
            float v[3];
            if (!inFacet || corners >= 3 || !ReadTriple(line, at + 6, v)) continue;
            p[corners++] = QV_Point3D(v[0], v[1], v[2]);
            if (corners == 3) AddTriangle(mesh, p[0], p[1], p[2]);
            continue;
        }
        if (line.find("endloop") != std::string::npos || line.find("endfacet") != std::string::npos) {
            if (inFacet && corners < 3) {
                shortFacet();
                return true;
            }
            inFacet = false;
        }
    }
    if (lines.Failed()) return false;
    if (inFacet && corners < 3) shortFacet();
    return true;
}

// Records of 50 bytes after the header until the end of the file; bytes left
// over after the last whole record are ignored. False on a read error.
bool ReadBinary(std::FILE* f, QV_Mesh& mesh)
{
    unsigned char record[kBinaryRecord];
    while (std::fread(record, 1, sizeof record, f) == sizeof record) {
        float v[12];
        std::memcpy(v, record, sizeof v);
        AddTriangle(mesh, QV_Point3D(v[3], v[4], v[5]), QV_Point3D(v[6], v[7], v[8]), QV_Point3D(v[9], v[10], v[11]));
    }
    return std::ferror(f) == 0;
}

}  // namespace

bool QV_MIO_STL::Load(QV_Mesh& mesh)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintSystemError(("QV_MIO_STL::Load() Error! : can't open " + path.Std()).c_str());
        return false;
    }
    mesh.Clear();
    const bool ascii = SecondLineHasFacet(f.get());
    bool read = false;
    if (ascii) {
        read = std::fseek(f.get(), 0, SEEK_SET) == 0 && ReadAscii(f.get(), mesh, path);
    } else {
        // Shorter than the header: not an STL file at all.
        if (std::fseek(f.get(), 0, SEEK_END) != 0 || std::ftell(f.get()) < kBinaryHeader) {
            QV_PrintError(("QV_MIO_STL::Load() Error! : " + path.Std() + " is too short for an STL file\n").c_str());
            return false;
        }
        read = std::fseek(f.get(), kBinaryHeader, SEEK_SET) == 0 && ReadBinary(f.get(), mesh);
    }
    if (!read) {
        QV_PrintError(("QV_MIO_STL::Load() Error! : can't read " + path.Std() + "\n").c_str());
        mesh.Clear();
        return false;
    }
    f.reset();
    // No whole triangle: a truncated file, not an empty solid to pass on.
    if (mesh.faces.Size() == 0) {
        QV_PrintError(("QV_MIO_STL::Load() Error! : no triangles in " + path.Std() + "\n").c_str());
        mesh.Clear();
        return false;
    }
    mesh.name = path;
    mesh.EnsureFeature();
    mesh.Weld(kWeldTolerance);
    mesh.ComputeVertexNormals();
    mesh.UpdateBounds();
    return true;
}
