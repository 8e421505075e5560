// Reading the OBJ subset: vertices, normals, texture coordinates, faces of up
// to five corners (fans beyond that) and "g" groups as features.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "QV_Error.h"
#include "QV_MIO_OBJ.h"
#include "QV_Mesh.h"

namespace {

// Reads a file line by line through its own buffer. A line is returned whole,
// however long, NUL bytes included, without its newline and without a
// carriage return before it.
class LineReader {
public:
    explicit LineReader(std::FILE* file) : f(file) {}

    // False at the end of the file when nothing was read.
    bool Next(std::string& line)
    {
        line.clear();
        bool any = false;
        for (;;) {
            if (pos == end) {
                end = std::fread(buffer, 1, sizeof buffer, f);
                pos = 0;
                if (end == 0) break;
            }
            any = true;
            const char* start = buffer + pos;
            const void* nl = std::memchr(start, '\n', end - pos);
            if (nl) {
                const size_t n = static_cast<size_t>(static_cast<const char*>(nl) - start);
                line.append(start, n);
                pos += n + 1;
                break;
            }
            line.append(start, end - pos);
            pos = end;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return any;
    }

private:
    std::FILE* f;
    char buffer[65536];
    size_t pos = 0;
    size_t end = 0;
};

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

// Up to max numbers from position `from`: each starts at the first digit or
// '-' (anything else before it, '+' and '.' included, is skipped) and runs to
// the next blank or the end of the line; its leading decimal text is the value
// (0 when there is none). Returns how many were found.
int ReadNumbers(const std::string& line, size_t from, float* out, int max)
{
    int n = 0;
    size_t pos = from;
    while (n < max) {
        while (pos < line.size() && !(line[pos] == '-' || (line[pos] >= '0' && line[pos] <= '9'))) ++pos;
        if (pos >= line.size()) break;
        size_t end = pos;
        while (end < line.size() && !IsSeparator(line[end])) ++end;
        float value = 0.0f;
        const std::from_chars_result r = std::from_chars(line.data() + pos, line.data() + end, value);
        if (r.ec != std::errc()) value = 0.0f;
        out[n++] = value;
        pos = end;
    }
    return n;
}

// One part of a corner item: empty means none (-1); otherwise it must be a
// 1-based number of an existing entry of a list of `count`, and gives the
// 0-based index. False for anything else.
bool ParseIndex(const std::string& part, unsigned count, int& index)
{
    if (part.empty()) {
        index = -1;
        return true;
    }
    int64_t value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > static_cast<int64_t>(count)) return false;
    }
    if (value < 1) return false;
    index = static_cast<int>(value - 1);
    return true;
}

// A corner item v, v/t, v//n or v/t/n, checked against the lists read so far.
bool ParseCorner(const std::string& item, const QV_Mesh& mesh, QV_Corner& corner)
{
    std::string parts[3];
    int slashes = 0;
    for (char c : item) {
        if (c == '/') {
            if (++slashes > 2) return false;
        } else {
            parts[slashes] += c;
        }
    }
    if (parts[0].empty()) return false;
    return ParseIndex(parts[0], mesh.vertices.Size(), corner.vertex) &&
           ParseIndex(parts[1], mesh.texCoords.Size(), corner.texCoord) &&
           ParseIndex(parts[2], mesh.normals.Size(), corner.normal);
}

class ObjParser {
public:
    explicit ObjParser(QV_Mesh& m) : mesh(m) {}

    // False when a face line names an entry that does not exist.
    bool Line(const std::string& line)
    {
        if (line.compare(0, 2, "v ") == 0) {
            float p[3];
            if (ReadNumbers(line, 2, p, 3) == 3) mesh.vertices.Append(QV_Point3D(p[0], p[1], p[2]));
        } else if (line.compare(0, 2, "vn") == 0) {
            float p[3];
            if (ReadNumbers(line, 2, p, 3) == 3) mesh.normals.Append(QV_Point3D(p[0], p[1], p[2]));
        } else if (line.compare(0, 2, "vt") == 0) {
            float p[2];
            if (ReadNumbers(line, 2, p, 2) == 2) mesh.texCoords.Append(QV_Point2D(p[0], p[1]));
        } else if (line.compare(0, 2, "fo") == 0) {
            return Face(line, 2);
        } else if (line.compare(0, 2, "f ") == 0) {
            return Face(line, 1);
        } else if (line.compare(0, 2, "g ") == 0) {
            QV_Feature feature;
            feature.name = line.substr(2);
            mesh.features.Append(feature);
            current = static_cast<int>(mesh.features.Size()) - 1;
        }
        return true;
    }

private:
    bool Face(const std::string& line, size_t from)
    {
        corners.clear();
        size_t pos = from;
        while (pos < line.size()) {
            while (pos < line.size() && IsSeparator(line[pos])) ++pos;
            if (pos >= line.size()) break;
            size_t end = pos;
            while (end < line.size() && !IsSeparator(line[end])) ++end;
            QV_Corner corner;
            if (!ParseCorner(line.substr(pos, end - pos), mesh, corner)) return false;
            corners.push_back(corner);
            pos = end;
        }
        const size_t n = corners.size();
        if (n < 3) return true;
        if (n <= static_cast<size_t>(QV_Face::kMaxCorners)) {
            QV_Face face;
            for (const QV_Corner& c : corners) face.Add(c);
            Append(face);
            return true;
        }
        // A fan (c0, c1, c2), (c0, c2, c3), ... that keeps the polygon's
        // winding, as Triangulate does, so its normals face the same way.
        for (size_t i = 2; i < n; ++i) {
            QV_Face face;
            face.Add(corners[0]);
            face.Add(corners[i - 1]);
            face.Add(corners[i]);
            Append(face);
        }
        return true;
    }

    void Append(const QV_Face& face)
    {
        if (current < 0) {
            QV_Feature feature;
            feature.name = "FirstFeature";
            mesh.features.Append(feature);
            current = static_cast<int>(mesh.features.Size()) - 1;
        }
        mesh.faces.Append(face);
        mesh.features[current].faceIndices.Append(static_cast<int>(mesh.faces.Size()) - 1);
    }

    QV_Mesh& mesh;
    int current = -1;  // feature that takes new faces
    std::vector<QV_Corner> corners;
};

}  // namespace

bool QV_MIO_OBJ::Load(QV_Mesh& mesh)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintSystemError(("QV_MIO_OBJ::Load() Error! : can't open " + path.Std()).c_str());
        return false;
    }
    mesh.Clear();
    ObjParser parser(mesh);
    auto lines = std::make_unique<LineReader>(f.get());
    std::string line;
    for (long lineNumber = 1; lines->Next(line); ++lineNumber) {
        if (!parser.Line(line)) {
            QV_PrintError(("QV_MIO_OBJ::Load() Error! : bad face on line " + std::to_string(lineNumber) + " of " +
                           path.Std() + "\n")
                              .c_str());
            mesh.Clear();
            return false;
        }
    }
    f.reset();

    mesh.hasTexture = !mesh.texCoords.Empty() && mesh.texture.LoadAnyExtension(path);
    if (!mesh.hasTexture) mesh.texture.Resize(0, 0);
    mesh.name = path;
    if (mesh.normals.Empty()) mesh.ComputeVertexNormals();
    mesh.EnsureFeature();
    mesh.UpdateBounds();
    return true;
}
