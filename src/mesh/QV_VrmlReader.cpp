// Reading the VRML subset: the numbers of Coordinate, TextureCoordinate and
// coordIndex lists, the texture beside the file, and normals recomputed.
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_MIO_VRML.h"
#include "QV_Mesh.h"
#include "QV_MeshLineReader.h"

namespace {

constexpr size_t kMaxLine = 1024;
// Longer runs of number characters are not numbers anyone wrote; they are
// not kept whole, so a run costs no more than this.
constexpr size_t kMaxNumberText = 64;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

enum class ListKind { kNone, kTexCoords, kCoords, kIndices };

// The keywords that open a list, earliest in the text first. A keyword counts
// only as a whole word and not as the name after DEF or USE, so a node or
// feature named for instance "MyCoordinate" or "Coordinate" opens nothing.
struct Keyword {
    const char* text;
    ListKind kind;
};
constexpr Keyword kKeywords[] = {
    {"TextureCoordinate", ListKind::kTexCoords},
    {"Coordinate", ListKind::kCoords},
    {"coordIndex", ListKind::kIndices},
};

bool AfterDefOrUse(const std::string& text, size_t at)
{
    size_t end = at;
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    if (end == at) return false;
    size_t start = end;
    while (start > 0 && IsNameChar(text[start - 1])) --start;
    const std::string word = text.substr(start, end - start);
    return word == "DEF" || word == "USE";
}

// The first keyword at or after `from`; npos when there is none.
size_t FindKeyword(const std::string& text, size_t from, ListKind& kind, size_t& length)
{
    size_t best = std::string::npos;
    for (const Keyword& k : kKeywords) {
        const size_t n = std::char_traits<char>::length(k.text);
        for (size_t at = text.find(k.text, from); at != std::string::npos; at = text.find(k.text, at + 1)) {
            const bool whole = (at == 0 || !IsNameChar(text[at - 1])) &&
                               (at + n >= text.size() || !IsNameChar(text[at + n]));
            if (!whole || AfterDefOrUse(text, at)) continue;
            if (at < best) {
                best = at;
                kind = k.kind;
                length = n;
            }
            break;
        }
    }
    return best;
}

// Collects the lists into the mesh. Vertex and texture indices count from the
// start of the latest Coordinate and TextureCoordinate lists, so a file of
// several shapes, each indexing its own points, keeps its faces right.
class VrmlParser {
public:
    explicit VrmlParser(QV_Mesh& m) : mesh(m) {}

    // One piece of a line; false once the lists wanted have all been read.
    bool Piece(const std::string& text, bool lineEnds)
    {
        size_t pos = 0;
        while (pos < text.size()) {
            if (list == ListKind::kNone) {
                size_t length = 0;
                ListKind kind = ListKind::kNone;
                const size_t at = FindKeyword(text, pos, kind, length);
                if (at == std::string::npos) break;
                StartList(kind);
                pos = at + length;
                continue;
            }
            const char c = text[pos++];
            if (IsNumberChar(c)) {
                if (number.size() < kMaxNumberText)
                    number += c;
                else
                    numberTooLong = true;
                continue;
            }
            EndNumber();
            if (c == ']' && EndList()) return false;
        }
        if (lineEnds) EndNumber();
        return true;
    }

    // At the end of the file: a list left open ends there.
    void Finish()
    {
        EndNumber();
        if (list != ListKind::kNone) EndList();
    }

    int DroppedFaces() const { return dropped; }

private:
    // Digits, '-' and '.'; also an exponent ('e' or 'E' after a digit, then an
    // optional sign), which VRML allows and which would otherwise split one
    // number into two and shift every later coordinate.
    bool IsNumberChar(char c) const
    {
        if (IsDigit(c) || c == '-' || c == '.') return true;
        if (c == 'e' || c == 'E') {
            bool digit = false;
            for (char d : number) {
                if (d == 'e' || d == 'E') return false;
                digit = digit || IsDigit(d);
            }
            return digit;
        }
        return c == '+' && !number.empty() && (number.back() == 'e' || number.back() == 'E');
    }

    void StartList(ListKind kind)
    {
        list = kind;
        count = 0;
        number.clear();
        numberTooLong = false;
        if (kind == ListKind::kCoords) vertexBase = mesh.VertexCount();
        if (kind == ListKind::kTexCoords) texBase = mesh.TexCoordCount();
        if (kind == ListKind::kIndices) {
            corners.clear();
            faceBad = false;
        }
    }

    // True when reading should stop: texture coordinates and face indices
    // have both been read after the coordinates.
    bool EndList()
    {
        const ListKind ended = list;
        list = ListKind::kNone;
        if (ended == ListKind::kCoords) {
            haveCoords = true;
            texAfterCoords = indicesAfterCoords = false;
        } else if (ended == ListKind::kTexCoords) {
            texAfterCoords = texAfterCoords || haveCoords;
        } else if (ended == ListKind::kIndices) {
            // VRML lets the last face go without its closing -1.
            if (!corners.empty() || faceBad) CloseFace();
            indicesAfterCoords = indicesAfterCoords || haveCoords;
        }
        return texAfterCoords && indicesAfterCoords;
    }

    void EndNumber()
    {
        if (number.empty()) return;
        const std::string text = number;
        const bool tooLong = numberTooLong;
        number.clear();
        numberTooLong = false;
        if (list == ListKind::kIndices) {
            Index(text, tooLong);
            return;
        }
        // The leading decimal text is the value; a run without one, such as
        // a lone '-', counts as 0 so that the triples stay in step.
        float value = 0.0f;
        if (!tooLong) {
            const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), value);
            if (r.ec != std::errc()) value = 0.0f;
        }
        values[count++] = value;
        if (list == ListKind::kCoords && count == 3) {
            mesh.vertices.Append(QV_Point3D(values[0], values[1], values[2]));
            count = 0;
        } else if (list == ListKind::kTexCoords && count == 2) {
            mesh.texCoords.Append(QV_Point2D(values[0], values[1]));
            count = 0;
        }
    }

    // -1 closes a face; any other index must be a whole number naming a
    // point of the latest Coordinate list, or the face it is in is dropped.
    void Index(const std::string& text, bool tooLong)
    {
        int64_t i = 0;
        const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), i);
        const bool whole = !tooLong && r.ec == std::errc() && r.ptr == text.data() + text.size();
        if (whole && i == -1) {
            CloseFace();
            return;
        }
        if (!whole || i < 0 || i >= mesh.VertexCount() - vertexBase) {
            faceBad = true;
            return;
        }
        QV_Corner corner;
        corner.vertex = static_cast<int>(vertexBase + i);
        // The texture coordinate of the same number, when there is one; a
        // corner never names an element that does not exist.
        if (i < mesh.TexCoordCount() - texBase) corner.texCoord = static_cast<int>(texBase + i);
        corners.push_back(corner);
    }

    // Faces of 3 to 5 corners are kept as they are; a longer one becomes a
    // fan of triangles that keeps its winding. A face with a bad index or
    // fewer than 3 corners is dropped.
    void CloseFace()
    {
        const size_t n = corners.size();
        if (faceBad || n < 3) {
            if (faceBad || n > 0) ++dropped;
        } else if (n <= static_cast<size_t>(QV_Face::kMaxCorners)) {
            QV_Face face;
            for (const QV_Corner& c : corners) face.Add(c);
            mesh.faces.Append(face);
        } else {
            for (size_t i = 2; i < n; ++i) {
                QV_Face face;
                face.Add(corners[0]);
                face.Add(corners[i - 1]);
                face.Add(corners[i]);
                mesh.faces.Append(face);
            }
        }
        corners.clear();
        faceBad = false;
    }

    QV_Mesh& mesh;
    ListKind list = ListKind::kNone;
    std::string number;
    bool numberTooLong = false;
    float values[3] = {0.0f, 0.0f, 0.0f};
    int count = 0;
    int64_t vertexBase = 0;
    int64_t texBase = 0;
    std::vector<QV_Corner> corners;
    bool faceBad = false;
    int dropped = 0;
    bool haveCoords = false;
    bool texAfterCoords = false;
    bool indicesAfterCoords = false;
};

}  // namespace

bool QV_MIO_VRML::Load(QV_Mesh& mesh)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintSystemError(("QV_MIO_VRML::Load() Error! : can't open " + path.Std()).c_str());
        return false;
    }
    mesh.Clear();
    VrmlParser parser(mesh);
    QV_MeshLineReader lines(f.get(), kMaxLine);
    std::string line;
    bool lineEnds = true;
    bool stopped = false;
    while (!stopped && lines.Next(line, lineEnds)) stopped = !parser.Piece(line, lineEnds);
    if (!stopped) {
        if (lines.Failed()) {
            QV_PrintError(("QV_MIO_VRML::Load() Error! : can't read " + path.Std() + "\n").c_str());
            mesh.Clear();
            return false;
        }
        parser.Finish();
    }
    f.reset();
    if (parser.DroppedFaces() > 0)
        QV_PrintError(("QV_MIO_VRML::Load() : " + std::to_string(parser.DroppedFaces()) +
                       " faces with a bad or missing index dropped from " + path.Std() + "\n")
                          .c_str());
    // A file that gave no face is not a mesh this reader knows (an empty or
    // truncated file, or another format under this extension).
    if (mesh.faces.Size() == 0) {
        QV_PrintError(("QV_MIO_VRML::Load() Error! : no faces in " + path.Std() + "\n").c_str());
        mesh.Clear();
        return false;
    }

    QV_String texturePath = path;
    texturePath.ReplaceExtension("jpg");
    mesh.hasTexture = mesh.texture.LoadAnyExtension(texturePath);
    if (!mesh.hasTexture) mesh.texture.Resize(0, 0);
    mesh.name = path;
    mesh.ComputeVertexNormals();
    mesh.EnsureFeature();
    mesh.UpdateBounds();
    return true;
}
