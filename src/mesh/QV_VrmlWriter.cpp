// Writing meshes as VRML 2.0 text: a Transform per visible feature holding an
// IndexedFaceSet on the feature's own vertices, with the mesh's texture or the
// feature's material, and a viewpoint that frames the bounding box.
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_MIO_VRML.h"
#include "QV_Mesh.h"

namespace {

// Half the 10 degree field of view, in radians.
constexpr double kHalfView = 0.08726646259971647;

class VrmlText {
public:
    VrmlText& operator<<(const char* s)
    {
        text += s;
        return *this;
    }
    VrmlText& operator<<(const std::string& s)
    {
        text += s;
        return *this;
    }
    __attribute__((format(printf, 2, 3))) void Format(const char* format, ...)
    {
        char buf[512];
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(buf, sizeof buf, format, args);
        va_end(args);
        if (n < 0) return;
        if (static_cast<size_t>(n) < sizeof buf) {
            text.append(buf, static_cast<size_t>(n));
            return;
        }
        // Only a value near the float limit in fixed notation is this long.
        std::string big(static_cast<size_t>(n) + 1, '\0');
        va_start(args, format);
        std::vsnprintf(big.data(), big.size(), format, args);
        va_end(args);
        text.append(big.data(), static_cast<size_t>(n));
    }
    const std::string& Text() const { return text; }

private:
    std::string text;
};

// A name usable after DEF: characters that may not appear in a VRML name
// (blanks, controls, quotes, '#', ',', '.', brackets, braces, backslash) become
// '_', and a name that would start with a digit, '+' or '-' gets a leading '_'.
// Feature names such as the default "No label" would otherwise break the file.
std::string VrmlName(const QV_String& name)
{
    std::string out;
    for (char ch : name.Std()) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool bad = c <= 0x20 || c == 0x7F || c == '"' || c == '#' || c == '\'' || c == ',' || c == '.' ||
                         c == '[' || c == ']' || c == '\\' || c == '{' || c == '}';
        out += bad ? '_' : ch;
    }
    if (out.empty() || (out[0] >= '0' && out[0] <= '9') || out[0] == '+' || out[0] == '-') return '_' + out;
    return out;
}

// A VRML string: the text in double quotes, with '"' and '\' escaped.
std::string VrmlString(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// The ambient colour is RGBA and VRML takes one intensity: the mean of red,
// green and blue, clamped to 0..1 (NaN counts as 0).
float AmbientIntensity(const QV_Material& m)
{
    const float v = (m.ambient[0] + m.ambient[1] + m.ambient[2]) / 3.0f;
    if (!(v > 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

// The feature alone, compacted so that its indices are local. The texture
// and normals are not needed and not copied.
QV_Mesh FeatureMesh(const QV_Mesh& mesh, const QV_Feature& feature)
{
    QV_Mesh part;
    part.vertices = mesh.vertices;
    part.texCoords = mesh.texCoords;
    part.faces = mesh.faces;
    part.features.Append(feature);
    part.Compact();
    return part;
}

// True when the feature has faces and every corner has a texture coordinate
// (Compact leaves -1 for a missing or invalid one).
bool EveryCornerTextured(const QV_Mesh& part)
{
    if (part.faces.Empty()) return false;
    for (unsigned f = 0; f < part.faces.Size(); ++f) {
        const QV_Face& face = part.faces[f];
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c)
            if (face.corners[c].texCoord < 0) return false;
    }
    return true;
}

void WriteMaterial(VrmlText& out, const QV_Material& m)
{
    out << "          material Material {\n";
    out.Format("            ambientIntensity %.5f\n", static_cast<double>(AmbientIntensity(m)));
    out.Format("            diffuseColor %.5f %.5f %.5f\n", static_cast<double>(m.diffuse[0]),
               static_cast<double>(m.diffuse[1]), static_cast<double>(m.diffuse[2]));
    if (m.mode == 1)
        out.Format("            emissiveColor %.5f %.5f %.5f\n", static_cast<double>(m.emissive[0]),
                   static_cast<double>(m.emissive[1]), static_cast<double>(m.emissive[2]));
    out.Format("            shininess %.5f\n", static_cast<double>(m.shininess));
    out.Format("            specularColor %.5f %.5f %.5f\n", static_cast<double>(m.specular[0]),
               static_cast<double>(m.specular[1]), static_cast<double>(m.specular[2]));
    out.Format("            transparency %.5f\n", static_cast<double>(1.0f - m.opacity));
}

// One index list, a face a line: `indent` spaces, each corner's index and a
// space, then "-1," or "-1]" after the last face. An empty list is closed on
// a line of its own so that the brackets still match.
void WriteIndexList(VrmlText& out, const QV_Mesh& part, bool texture, const char* indent)
{
    if (part.faces.Empty()) out << indent << "]\n";
    for (unsigned f = 0; f < part.faces.Size(); ++f) {
        const QV_Face& face = part.faces[f];
        out << indent;
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c)
            out.Format("%d ", texture ? face.corners[c].texCoord : face.corners[c].vertex);
        out << (f + 1 < part.faces.Size() ? "-1,\n" : "-1]\n");
    }
}

class VrmlWriter {
public:
    VrmlWriter(const QV_Mesh& m, const QV_String& outputPath) : mesh(m), path(outputPath) {}

    // The whole text; false when the texture had to be written and could not.
    bool Build()
    {
        out << "#VRML V2.0 utf8\n\n";
        // The maker line; any comment would do.
        out << "# Made with Visagen\n\n";
        out << "DEF " << VrmlName(path.FileName()) << " Transform {\n";
        out << "  translation 0.00 0.00 0.00\n";
        out << "  children [\n\n";
        for (unsigned k = 0; k < mesh.features.Size(); ++k) {
            const QV_Feature& feature = mesh.features[k];
            if (!feature.visible) continue;
            if (!Feature(feature)) return false;
            out << (k + 1 < mesh.features.Size() ? "  },\n" : "  }\n");
        }
        out << "    ]\t\n";
        out << "}\n";
        Viewpoint();
        return true;
    }

    const std::string& Text() const { return out.Text(); }

private:
    bool Feature(const QV_Feature& feature)
    {
        const std::string name = VrmlName(feature.name);
        const QV_Mesh part = FeatureMesh(mesh, feature);
        // Texture coordinates go out whenever every corner has one; the image
        // node needs the image too, and without it the material stands in.
        const bool textured = EveryCornerTextured(part);
        const bool imaged = textured && mesh.hasTexture;

        out << "    DEF " << name << " Transform {\n";
        out << "    translation\t0 0 0\n";
        out << "\t   children\t[\n";
        out << "\t     Shape {\n";
        out << "        appearance Appearance {\n";
        if (imaged) {
            if (!SaveTexture()) return false;
            out << "          texture ImageTexture {\n";
            out << "            url " << VrmlString(path.FileName().Std() + ".jpg") << "\n";
            out << "            repeatS FALSE\n";
            out << "            repeatT FALSE\n";
        } else {
            WriteMaterial(out, feature.material);
        }
        out << "          }\n";
        out << "        }\n\n";

        out << "        geometry DEF " << name << "-FACES IndexedFaceSet {\n";
        out << "          coord DEF " << name << "-COORD Coordinate {\n";
        out << "            point\t[\n";
        if (part.vertices.Empty()) out << "                 ]\n";
        for (unsigned i = 0; i < part.vertices.Size(); ++i) {
            const QV_Point3D& p = part.vertices[i];
            out.Format("                 %.5f %.5f %.5f", static_cast<double>(p.x), static_cast<double>(p.y),
                       static_cast<double>(p.z));
            out << (i + 1 < part.vertices.Size() ? ",\n" : "]\n");
        }
        out << "           }\n";
        if (textured) {
            out << "      texCoord\tDEF " << name << "-TEXCOORD TextureCoordinate {\n";
            out << "          point [\n";
            for (unsigned i = 0; i < part.texCoords.Size(); ++i) {
                const QV_Point2D& t = part.texCoords[i];
                out.Format("        %.4f %.4f", static_cast<double>(t.x), static_cast<double>(t.y));
                out << (i + 1 < part.texCoords.Size() ? ",\n" : "]\n");
            }
            out << "        }\n";
        }
        out << "           coordIndex\t[\n";
        WriteIndexList(out, part, false, "           ");
        if (textured) {
            out << "           texCoordIndex\t[\n";
            WriteIndexList(out, part, true, "           ");
        }
        out << "       }\n";
        out << "     }\n";
        out << "    ]\n";
        return true;
    }

    // The texture goes beside the file as JPEG once, for the first feature
    // that shows it.
    bool SaveTexture()
    {
        if (textureSaved) return true;
        QV_String texturePath = path;
        texturePath.ReplaceExtension("jpg");
        if (!mesh.texture.Save(texturePath)) {
            QV_PrintError(("QV_MIO_VRML::Save() Error! : can't write the texture " + texturePath.Std() + "\n").c_str());
            return false;
        }
        textureSaved = true;
        return true;
    }

    // A camera on the z axis far enough back for a 10 degree view to take in
    // the height of the box over the visible features.
    void Viewpoint()
    {
        QV_Point3D lo(FLT_MAX, FLT_MAX, FLT_MAX), hi(-FLT_MAX, -FLT_MAX, -FLT_MAX);
        for (int k = 0; k < mesh.FeatureCount(); ++k) {
            if (!mesh.features[k].visible) continue;
            QV_Point3D a, b;
            mesh.FeatureBounds(k, a, b);
            lo = QV_Point3D(std::fmin(lo.x, a.x), std::fmin(lo.y, a.y), std::fmin(lo.z, a.z));
            hi = QV_Point3D(std::fmax(hi.x, b.x), std::fmax(hi.y, b.y), std::fmax(hi.z, b.z));
        }
        // No visible corner: a camera at the origin rather than at infinity.
        if (lo.x > hi.x) lo = hi = QV_Point3D();
        const QV_Point3D centre = (hi + lo) / 2.0f;
        const double height = static_cast<double>(hi.y) - lo.y;
        out << "Viewpoint {\n";
        out.Format("  position\t%.6f %.6f %.6f\n", -static_cast<double>(centre.x), -static_cast<double>(centre.y),
                   -(static_cast<double>(centre.z) - 0.5 * height / std::tan(kHalfView)));
        out << "  orientation\t0.00000000 0.000000 0.00000000  0.00000\n";
        out << "  fieldOfView\t0.174533\n";
        out << "}\n";
    }

    const QV_Mesh& mesh;
    const QV_String& path;
    VrmlText out;
    bool textureSaved = false;
};

}  // namespace

bool QV_MIO_VRML::Save(const QV_Mesh& mesh)
{
    QV_File f = QV_OpenFile(path, "w");
    if (!f) {
        QV_PrintSystemError(("QV_MIO_VRML::Save() Error! : can't open " + path.Std()).c_str());
        return false;
    }
    VrmlWriter writer(mesh, path);
    if (!writer.Build()) return false;
    const std::string& text = writer.Text();
    const bool written = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
    // A failed flush at close loses the end of the text.
    const bool closed = std::fclose(f.release()) == 0;
    if (!written || !closed) {
        QV_PrintError(("QV_MIO_VRML::Save() Error! : can't write " + path.Std() + "\n").c_str());
        return false;
    }
    return true;
}
