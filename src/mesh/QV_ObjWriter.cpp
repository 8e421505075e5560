// Writing meshes as OBJ text, with the texture beside the file or into a file
// the caller opened, and the MTL material block.
#include <algorithm>
#include <charconv>
#include <ostream>
#include <string>

#include "QV_Error.h"
#include "QV_MIO_OBJ.h"
#include "QV_Mesh.h"
#include "QV_MeshIndex.h"

namespace {

// The OBJ text is put together in memory and written in one go; numbers are
// formatted with to_chars, which gives the same digits as "%f" (six places,
// correctly rounded) and "%d" at a fraction of a stream's cost.
class ObjText {
public:
    ObjText() { text.reserve(1 << 20); }
    ObjText& operator<<(const char* s)
    {
        text += s;
        return *this;
    }
    ObjText& operator<<(const QV_String& s) { return *this << s.CStr(); }
    ObjText& operator<<(char c)
    {
        text += c;
        return *this;
    }
    ObjText& operator<<(long long v)
    {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        text.append(buf, r.ptr);
        return *this;
    }
    ObjText& operator<<(int v) { return *this << static_cast<long long>(v); }
    ObjText& operator<<(unsigned v) { return *this << static_cast<long long>(v); }
    ObjText& operator<<(float v)
    {
        // A float goes through double, as a stream would print it.
        char buf[400];
        const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::fixed, 6);
        text.append(buf, r.ptr);
        return *this;
    }
    const std::string& Text() const { return text; }

private:
    std::string text;
};

// One corner item: the vertex number, then "/t" when the mesh has texture
// coordinates and the corner one, then the normal as "/n" after a texture
// number or "//n" without one, when the mesh has normals and the corner one.
// Numbers are 1-based. A missing part is left out rather than written as 0,
// which no reader would accept.
void WriteCorner(ObjText& out, const QV_Corner& c, bool hasTexCoords, bool hasNormals)
{
    out << ' ' << c.vertex + 1;
    const bool t = hasTexCoords && c.texCoord >= 0;
    if (t) out << '/' << c.texCoord + 1;
    if (hasNormals && c.normal >= 0) out << (t ? "/" : "//") << c.normal + 1;
}

}  // namespace

void QV_MIO_OBJ::WriteText(const QV_Mesh& mesh, std::ostream& stream, const MaterialLinks* links)
{
    ObjText out;
    out << "# Made with Visagen\n";
    out << "# 3D Mesh\n";
    out << "# Contact: info@visagen.example\n";
    out << "# This surface contains " << mesh.FeatureCount() << " features:\n";
    for (unsigned k = 0; k < mesh.features.Size(); ++k) out << "# " << mesh.features[k].name << "\n";
    out << "   \n";
    if (links) out << "mtllib " << links->library << "\n";
    for (unsigned i = 0; i < mesh.vertices.Size(); ++i) {
        const QV_Point3D& p = mesh.vertices[i];
        out << "v " << p.x << " " << p.y << " " << p.z << "\n";
    }
    for (unsigned i = 0; i < mesh.normals.Size(); ++i) {
        const QV_Point3D& n = mesh.normals[i];
        out << "vn " << n.x << " " << n.y << " " << n.z << "\n";
    }
    for (unsigned i = 0; i < mesh.texCoords.Size(); ++i) {
        const QV_Point2D& t = mesh.texCoords[i];
        out << "vt " << t.x << " " << t.y << "\n";
    }
    const bool hasTexCoords = !mesh.texCoords.Empty();
    const bool hasNormals = !mesh.normals.Empty();
    for (unsigned k = 0; k < mesh.features.Size(); ++k) {
        const QV_Feature& feature = mesh.features[k];
        out << "g " << feature.name << "\n";
        if (links && std::find(links->materials.begin(), links->materials.end(), feature.name) != links->materials.end())
            out << "usemtl " << feature.name << "\n";
        for (unsigned j = 0; j < feature.faceIndices.Size(); ++j) {
            const int fi = feature.faceIndices[j];
            if (!QV_ValidIndex(fi, mesh.faces.Size())) continue;
            const QV_Face& face = mesh.faces[fi];
            out << "f";
            for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c)
                WriteCorner(out, face.corners[c], hasTexCoords, hasNormals);
            out << "\n";
        }
    }
    stream.write(out.Text().data(), static_cast<std::streamsize>(out.Text().size()));
}

bool QV_MIO_OBJ::Save(const QV_Mesh& mesh)
{
    std::ofstream out(QV_SystemPath(path.CStr()));
    if (!out.is_open()) {
        QV_PrintError("OBJ -1\n");
        return false;
    }
    WriteText(mesh, out);
    out.close();
    if (out.fail()) {
        QV_PrintError(("QV_MIO_OBJ::Save() Error! : can't write " + path.Std() + "\n").c_str());
        return false;
    }
    if (!mesh.hasTexture) return true;
    QV_String texturePath = path;
    if (mesh.texture.Save(texturePath.ReplaceExtension("jpg"))) return true;
    if (mesh.texture.Save(texturePath.ReplaceExtension("bmp"))) return true;
    QV_PrintError(("QV_MIO_OBJ::Save() Error! : can't write the texture beside " + path.Std() + "\n").c_str());
    return false;
}

bool QV_MIO_OBJ::Save(const QV_Mesh& mesh, std::ofstream& out, QV_File textureFile)
{
    if (!out.is_open()) {
        QV_PrintError("QV_MIO_OBJ::Save() Error! : the output stream is not open\n");
        return false;
    }
    if (mesh.hasTexture && !textureFile) {
        QV_PrintError("QV_MIO_OBJ::Save() Error! : no file for the texture\n");
        return false;
    }
    WriteText(mesh, out);
    out.close();
    if (out.fail()) {
        QV_PrintError("QV_MIO_OBJ::Save() Error! : can't write the OBJ text\n");
        return false;
    }
    if (!mesh.hasTexture) return true;
    const bool written = mesh.texture.WriteJPEG(textureFile.get());
    // A failed flush at close loses the end of the JPEG.
    const bool closed = std::fclose(textureFile.release()) == 0;
    if (!written || !closed) {
        QV_PrintError("QV_MIO_OBJ::Save() Error! : can't write the texture\n");
        return false;
    }
    return true;
}

void QV_MIO_OBJ::WriteMaterial(std::ostream& out, const QV_String& name, int d, float ns, float ni,
                               const float ka[3], const float kd[3], const float ks[3], float km,
                               const QV_String& diffuseMap, const QV_String& opacityMap)
{
    const std::ios_base::fmtflags oldFlags = out.flags();
    const std::streamsize oldPrecision = out.precision();
    out.unsetf(std::ios_base::floatfield);
    out.precision(6);
    out << "newmtl " << name << "\n";
    out << "d " << d << "\n";
    out << "Ns " << ns << "\n";
    out << "Ni " << ni << "\n";
    out << "Ka " << ka[0] << " " << ka[1] << " " << ka[2] << "\n";
    out << "Kd " << kd[0] << " " << kd[1] << " " << kd[2] << "\n";
    out << "Ks " << ks[0] << " " << ks[1] << " " << ks[2] << "\n";
    out << "Km " << km << "\n";
    if (diffuseMap.Length() > 2) out << "map_Kd \"" << diffuseMap << "\"\n";
    if (opacityMap.Length() > 2) out << "map_D \"" << opacityMap << "\"\n";
    out << "\n";
    out.flags(oldFlags);
    out.precision(oldPrecision);
}
