// Writing the XML mesh tree and its material script, and the rigged export.
#include "QV_MeshXml.h"

#include <locale>
#include <sstream>

#include "QV_Error.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_MeshIndex.h"
#include "QV_TextFile.h"

namespace {

// A name inside an attribute value: the characters XML gives a meaning to
// are written as entities, so a feature named with a quote or an ampersand
// still gives a well-formed file.
std::string Escaped(const std::string& name)
{
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// The feature's faces that can be written as triangles: listed by a valid
// index, with at least three corners on valid vertices.
std::vector<int> WritableTriangles(const QV_Mesh& mesh, const QV_Feature& feature)
{
    std::vector<int> out;
    for (unsigned j = 0; j < feature.faceIndices.Size(); ++j) {
        const int fi = feature.faceIndices[j];
        if (!QV_ValidIndex(fi, mesh.faces.Size())) continue;
        const QV_Face& face = mesh.faces[fi];
        if (face.count < 3) continue;
        bool valid = true;
        for (int c = 0; c < 3; ++c) valid = valid && QV_ValidIndex(face.corners[c].vertex, mesh.vertices.Size());
        if (valid) out.push_back(fi);
    }
    return out;
}

// A stream with the classic locale and the default float formatting (six
// significant digits), whatever the process's global locale is.
class XmlText : public std::ostringstream {
public:
    XmlText() { imbue(std::locale::classic()); }
};

bool SaveTexture(const QV_Image& texture, const std::string& path, int quality, const char* who)
{
    QV_Image copy = texture;
    if (quality >= 0) copy.SetJPEGQuality(quality);
    if (copy.Save(QV_String(path.c_str()))) return true;
    QV_PrintError((std::string(who) + " Error! : can't write the texture " + path + "\n").c_str());
    return false;
}

bool HasTexture(const QV_Mesh& mesh) { return mesh.hasTexture && !mesh.texture.Empty(); }

}  // namespace

void QV_WriteMeshXml(std::ostream& out, const QV_Mesh& mesh, const std::vector<QV_Point3D>& vertexNormals,
                     const std::vector<QV_Point2D>& texCoordEntries, const std::string& skeletonName,
                     const std::vector<QV_BoneAssignment>* bones)
{
    XmlText x;
    x << "<mesh>\n";
    x << "\t<sharedgeometry vertexcount=\"" << mesh.VertexCount() << "\">\n";
    x << "\t\t<vertexbuffer positions=\"true\" normals=\"true\">\n";
    for (int i = 0; i < mesh.VertexCount(); ++i) {
        const QV_Point3D& p = mesh.vertices[i];
        const QV_Point3D n = static_cast<size_t>(i) < vertexNormals.size() ? vertexNormals[i] : QV_Point3D();
        x << "\t\t\t<vertex>\n";
        x << "\t\t\t\t<position x=\"" << p.x << "\" y=\"" << p.y << "\" z=\"" << p.z << "\" />\n";
        x << "\t\t\t\t<normal x=\"" << n.x << "\" y=\"" << n.y << "\" z=\"" << n.z << "\" />\n";
        x << "\t\t\t</vertex>\n";
    }
    x << "\t\t</vertexbuffer>\n";
    x << "\t\t<vertexbuffer colours_diffuse=\"true\" texture_coord_dimensions_0=\"2\" texture_coords=\"1\" >\n";
    for (const QV_Point2D& t : texCoordEntries) {
        x << "\t\t\t<vertex>\n";
        x << "\t\t\t\t<colour_diffuse value=\"1 1 1 1\" />\n";
        x << "\t\t\t\t<texcoord u=\"" << t.x << "\" v=\"" << t.y << "\" />\n";
        x << "\t\t\t</vertex>\n";
    }
    x << "\t\t</vertexbuffer>\n";
    x << "\t</sharedgeometry>\n";
    x << "\t<submeshes>\n";
    for (int f = 0; f < mesh.FeatureCount(); ++f) {
        const QV_Feature& feature = mesh.features[f];
        const std::vector<int> triangles = WritableTriangles(mesh, feature);
        x << "\t\t<submesh material=\"" << Escaped(feature.name.Std())
          << "\" usesharedvertices=\"true\" operationtype=\"triangle_list\">\n";
        x << "\t\t\t<faces count=\"" << triangles.size() << "\">\n";
        for (int fi : triangles) {
            const QV_Face& face = mesh.faces[fi];
            x << "\t\t\t\t<face v1=\"" << face.corners[0].vertex << "\" v2=\"" << face.corners[1].vertex
              << "\" v3=\"" << face.corners[2].vertex << "\" />\n";
        }
        x << "\t\t\t</faces>\n";
        x << "\t\t\t<boneassignments />\n";
        x << "\t\t</submesh>\n";
    }
    x << "\t</submeshes>\n";
    x << "\t<skeletonlink name=\"" << Escaped(skeletonName) << "\" />\n";
    x << "\t<boneassignments>\n";
    if (bones)
        for (const QV_BoneAssignment& b : *bones)
            x << "\t\t<vertexboneassignment vertexindex=\"" << b.vertex << "\" boneindex=\"" << b.bone
              << "\" weight=\"" << b.weight << "\" />\n";
    x << "\t</boneassignments>\n";
    x << "\t<submeshnames>\n";
    for (int f = 0; f < mesh.FeatureCount(); ++f)
        x << "\t\t<submeshname name=\"" << Escaped(mesh.features[f].name.Std()) << "\" index=\"" << f << "\" />\n";
    x << "\t</submeshnames>\n";
    x << "</mesh>\n";
    const std::string text = x.str();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void QV_WriteMaterialScript(std::ostream& out, const QV_Mesh& mesh, const std::string& texture,
                            const std::string& alphaTexture)
{
    XmlText x;
    for (int f = 0; f < mesh.FeatureCount(); ++f) {
        x << "material " << mesh.features[f].name.Std() << "\n{\n";
        x << "\ttechnique Default\n\t{\n\t\tpass Main\n\t\t{\n";
        x << "\t\t\tambient 0.588235 0.588235 0.588235 1\n";
        x << "\t\t\tspecular 0.6 0.6 0.6 1 0.1\n\n";
        x << "\t\t\tvertex_program_ref BlinnVP\n\t\t\t{\n\t\t\t}\n\n";
        x << "\t\t\tfragment_program_ref Blinn_DiffuseMap_FP\n\t\t\t{\n";
        x << "\t\t\t\tparam_named ambientColor float4 0.588235 0.588235 0.588235 1\n";
        x << "\t\t\t\tparam_named diffuseColor float4 0.588235 0.588235 0.588235 1\n";
        x << "\t\t\t\tparam_named glossLevel float4 10 0 0 0\n";
        x << "\t\t\t\tparam_named specularColor float4 0.9 0.9 0.9 1\n";
        x << "\t\t\t\tparam_named specularLevel float4 0 0 0 0\n";
        x << "\t\t\t}\n\n";
        x << "\t\t\ttexture_unit\n\t\t\t{\n\t\t\t\ttexture_alias diffuse\n";
        x << "\t\t\t\ttexture " << texture << " -1\n\t\t\t}\n";
        if (!alphaTexture.empty()) {
            x << "\t\t\ttexture_unit\n\t\t\t{\n\t\t\t\ttexture_alias opacity\n";
            x << "\t\t\t\ttexture " << alphaTexture << " -1\n\t\t\t}\n";
        }
        x << "\t\t}\n\n\t}\n\n}\n";
    }
    const std::string text = x.str();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

bool QV_SaveRiggedMeshXml(const QV_String& path, const QV_Mesh& mesh, const QV_MeshRig& rig)
{
    static const char* const kWho = "QV_SaveRiggedMeshXml()";
    QV_Mesh copy = mesh;
    copy.Triangulate();
    for (unsigned i = 0; i < copy.texCoords.Size(); ++i) copy.texCoords[i].y = 1.0f - copy.texCoords[i].y;

    const std::string base = path.StripExtension().Std();
    const std::string title = path.FileName().Std();
    const std::string texture = title + ".jpg";
    const std::string alphaTexture = rig.alpha ? title + "A.jpg" : std::string();

    // The normals are taken as they are, one per vertex; a vertex past the
    // end of the list is written with a zero normal rather than read beyond it.
    std::vector<QV_Point3D> normals(copy.normals.Size());
    for (unsigned i = 0; i < copy.normals.Size(); ++i) normals[i] = copy.normals[i];
    std::vector<QV_Point2D> entries(copy.texCoords.Size());
    for (unsigned i = 0; i < copy.texCoords.Size(); ++i) entries[i] = copy.texCoords[i];

    std::ostringstream xml;
    QV_WriteMeshXml(xml, copy, normals, entries, title + ".mesh.skeleton", &rig.bones);
    if (!QV_WriteTextFile(base + ".mesh.xml", xml.str(), kWho)) return false;
    std::ostringstream material;
    QV_WriteMaterialScript(material, copy, texture, alphaTexture);
    if (!QV_WriteTextFile(base + ".mesh.material", material.str(), kWho)) return false;
    if (!QV_WriteTextFile(base + ".mesh.skeleton.xml", rig.skeleton, kWho)) return false;
    if (!QV_WriteTextFile(base + ".bonemap.xml", rig.boneMap, kWho)) return false;

    if (!HasTexture(copy)) return true;
    if (!SaveTexture(copy.texture, base + ".jpg", 75, kWho)) return false;
    if (!rig.alpha) return true;
    QV_GreyImage alpha;
    copy.texture.ExtractChannel(alpha, 3);
    QV_Image grey;
    grey.FromGrey(alpha);
    return SaveTexture(grey, base + "A.jpg", 75, kWho);
}
