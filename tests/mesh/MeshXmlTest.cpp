// The XML mesh export: the plain writer through the mesh's Save, and the
// rigged writer with its skeleton, bone map and alpha texture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MeshTestUtil.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_MeshXml.h"
#include "TestSupport.h"

using mesh_test::AddFeature;
using mesh_test::Corner;
using mesh_test::MakeFace;
using visagen_test::ReadFileText;
using visagen_test::TempDir;

namespace {

// A textured unit quad in z = 0, one texture coordinate per corner.
QV_Mesh TexturedQuad()
{
    QV_Mesh m;
    m.vertices.Append({0, 0, 0});
    m.vertices.Append({1, 0, 0});
    m.vertices.Append({1, 1, 0});
    m.vertices.Append({0, 1, 0});
    m.texCoords.Append({0.0f, 0.75f});
    m.texCoords.Append({1.0f, 0.75f});
    m.texCoords.Append({1.0f, 0.25f});
    m.texCoords.Append({0.0f, 0.25f});
    m.faces.Append(MakeFace({Corner(0, -1, 0), Corner(1, -1, 1), Corner(2, -1, 2), Corner(3, -1, 3)}));
    AddFeature(m, "Skin", {0});
    m.texture = QV_Image(4, 4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.texture(r, c) = QV_Colour(200, 150, 100, static_cast<unsigned char>(60 * r));
    m.hasTexture = true;
    return m;
}

}  // namespace

TEST(MeshXml, PlainExportIsOneTriangleSubmeshWithMaterialAndTextureBesideIt)
{
    TempDir dir;
    QV_Mesh mesh = TexturedQuad();
    AddFeature(mesh, "Other", {});  // replaced: the export has one submesh of every face
    ASSERT_TRUE(mesh.Save(QV_String(dir.File("head.xml").c_str())));

    const std::string xml = ReadFileText(dir.File("head.xml"));
    EXPECT_EQ(xml.rfind("<mesh>\n\t<sharedgeometry vertexcount=\"4\">\n", 0), 0u);
    EXPECT_EQ(visagen_test::SearchAll(xml, "<submesh material=\"([^\"]*)\""), std::vector<std::string>{"QuorAvatar"});
    EXPECT_EQ(visagen_test::SearchAll(xml, "<faces count=\"(\\d+)\""), std::vector<std::string>{"2"});
    EXPECT_EQ(visagen_test::SearchAll(xml, "<face (v1=\"\\d+\" v2=\"\\d+\" v3=\"\\d+\")"),
              (std::vector<std::string>{"v1=\"0\" v2=\"1\" v3=\"2\"", "v1=\"0\" v2=\"2\" v3=\"3\""}));
    // The mesh had no normals: each vertex gets the quad's normal.
    EXPECT_EQ(visagen_test::SearchAll(xml, "<normal (x=\"[^/]*)/>").size(), 4u);
    for (const std::string& n : visagen_test::SearchAll(xml, "<normal (x=\"[^/]*)/>")) EXPECT_EQ(n, "x=\"0\" y=\"0\" z=\"1\" ");
    // One texture entry per vertex: the coordinate its corners use.
    EXPECT_EQ(visagen_test::SearchAll(xml, "<texcoord (u=\"[^/]*)/>"),
              (std::vector<std::string>{"u=\"0\" v=\"0.75\" ", "u=\"1\" v=\"0.75\" ", "u=\"1\" v=\"0.25\" ",
                                        "u=\"0\" v=\"0.25\" "}));
    EXPECT_EQ(visagen_test::SearchAll(xml, "<skeletonlink name=\"([^\"]*)\""), std::vector<std::string>{"head.skeleton"});
    EXPECT_NE(xml.find("\t<boneassignments>\n\t</boneassignments>\n"), std::string::npos);
    EXPECT_EQ(visagen_test::SearchAll(xml, "<submeshname name=\"([^\"]*)\" index=\"0\""), std::vector<std::string>{"QuorAvatar"});
    EXPECT_EQ(xml.substr(xml.size() - 8), "</mesh>\n");

    // The material script and the texture sit beside the mesh file, not in
    // the working folder, and name each other without a folder.
    const std::string material = ReadFileText(dir.File("head.material"));
    EXPECT_EQ(material.rfind("material QuorAvatar\n{\n\ttechnique Default\n", 0), 0u);
    EXPECT_NE(material.find("\t\t\t\ttexture head.jpg -1\n"), std::string::npos);
    EXPECT_EQ(material.find("opacity"), std::string::npos);
    QV_Image texture;
    ASSERT_TRUE(texture.Load(QV_String(dir.File("head.jpg").c_str())));
    EXPECT_EQ(texture.Rows(), 4);
}

TEST(MeshXml, PlainExportKeepsPerVertexNormalsAndMapsComputedOnesThroughTheCorners)
{
    TempDir dir;
    // Normals one per vertex are written as they are, normal i for vertex i.
    QV_Mesh given = TexturedQuad();
    for (int i = 0; i < 4; ++i) given.normals.Append({0.0f, static_cast<float>(i), 0.0f});
    ASSERT_TRUE(given.Save(QV_String(dir.File("given.xml").c_str())));
    EXPECT_EQ(visagen_test::SearchAll(ReadFileText(dir.File("given.xml")), "<normal x=\"0\" y=\"([^\"]*)\""),
              (std::vector<std::string>{"0", "1", "2", "3"}));

    // A vertex no face uses comes first: computed normals are one per used
    // vertex, so each vertex must take its own through its corners.
    QV_Mesh sparse;
    sparse.vertices.Append({5, 5, 5});
    sparse.vertices.Append({0, 0, 0});
    sparse.vertices.Append({0, 1, 0});
    sparse.vertices.Append({0, 0, 1});
    sparse.faces.Append(QV_Face(1, 2, 3));
    AddFeature(sparse, "Side", {0});
    // Without a texture the export still succeeds, and writes no picture.
    ASSERT_TRUE(sparse.Save(QV_String(dir.File("sparse.xml").c_str())));
    EXPECT_TRUE(visagen_test::ReadFileBytes(dir.File("sparse.jpg")).empty());
    EXPECT_FALSE(ReadFileText(dir.File("sparse.material")).empty());
    const std::vector<std::string> normals = visagen_test::SearchAll(ReadFileText(dir.File("sparse.xml")), "<normal (x=\"[^/]*)/>");
    ASSERT_EQ(normals.size(), 4u);
    EXPECT_EQ(normals[0], "x=\"0\" y=\"0\" z=\"0\" ");
    for (int i = 1; i < 4; ++i) EXPECT_EQ(normals[i], normals[1]);
    EXPECT_NE(normals[1], normals[0]);
}

TEST(MeshXml, RiggedExportFlipsRowsAndWritesEveryCompanionFile)
{
    TempDir dir;
    QV_Mesh mesh = TexturedQuad();
    for (int i = 0; i < 4; ++i) mesh.normals.Append({0, 0, 1});
    QV_MeshRig rig;
    rig.bones = {{0, 2, 0.5f}, {3, 1, 1.0f}};
    rig.skeleton = std::string("<skeleton>\0\n</skeleton>\r\n", 24);
    rig.boneMap = "<bonemap/>";
    rig.alpha = true;
    ASSERT_TRUE(QV_SaveRiggedMeshXml(QV_String(dir.File("avatar.obj").c_str()), mesh, rig));

    const std::string xml = ReadFileText(dir.File("avatar.mesh.xml"));
    // One entry per texture coordinate, rows flipped.
    EXPECT_EQ(visagen_test::SearchAll(xml, "<texcoord u=\"[^\"]*\" v=\"([^\"]*)\""),
              (std::vector<std::string>{"0.25", "0.25", "0.75", "0.75"}));
    EXPECT_EQ(visagen_test::SearchAll(xml, "<skeletonlink name=\"([^\"]*)\""), std::vector<std::string>{"avatar.mesh.skeleton"});
    EXPECT_EQ(visagen_test::SearchAll(xml, "<vertexboneassignment (.*) />"),
              (std::vector<std::string>{"vertexindex=\"0\" boneindex=\"2\" weight=\"0.5\"",
                                        "vertexindex=\"3\" boneindex=\"1\" weight=\"1\""}));
    EXPECT_EQ(visagen_test::SearchAll(xml, "<submesh material=\"([^\"]*)\""), std::vector<std::string>{"Skin"});

    EXPECT_EQ(ReadFileText(dir.File("avatar.mesh.skeleton.xml")), rig.skeleton);
    EXPECT_EQ(ReadFileText(dir.File("avatar.bonemap.xml")), rig.boneMap);
    const std::string material = ReadFileText(dir.File("avatar.mesh.material"));
    EXPECT_NE(material.find("texture avatar.jpg -1\n"), std::string::npos);
    EXPECT_NE(material.find("\t\t\t\ttexture_alias opacity\n\t\t\t\ttexture avatarA.jpg -1\n"), std::string::npos);

    // The alpha channel goes out as a grey picture: rows of alpha 0, 60, 120, 180.
    QV_Image alpha;
    ASSERT_TRUE(alpha.Load(QV_String(dir.File("avatarA.jpg").c_str())));
    ASSERT_EQ(alpha.Rows(), 4);
    for (int r = 0; r < 4; ++r) {
        EXPECT_NEAR(alpha(r, 1).red, 60 * r, 12) << r;
        EXPECT_NEAR(alpha(r, 1).green, alpha(r, 1).red, 2) << r;
    }
    QV_Image texture;
    ASSERT_TRUE(texture.Load(QV_String(dir.File("avatar.jpg").c_str())));
    EXPECT_NEAR(texture(1, 1).red, 200, 8);
}

TEST(MeshXml, NamesAreEscapedAndUnwritableTargetsFail)
{
    TempDir dir;
    QV_Mesh mesh = TexturedQuad();
    mesh.features[0].name = "a\"b&<c>";
    QV_MeshRig rig;
    ASSERT_TRUE(QV_SaveRiggedMeshXml(QV_String(dir.File("n.x").c_str()), mesh, rig));
    const std::string xml = ReadFileText(dir.File("n.mesh.xml"));
    EXPECT_EQ(visagen_test::SearchAll(xml, "<submesh material=\"([^\"]*)\""), std::vector<std::string>{"a&quot;b&amp;&lt;c&gt;"});
    // Without bone assignments the element is empty.
    EXPECT_NE(xml.find("\t<boneassignments>\n\t</boneassignments>\n"), std::string::npos);

    const QV_String missing((dir.Path() + "/no/such/folder/head.xml").c_str());
    EXPECT_FALSE(mesh.Save(missing));
    EXPECT_FALSE(QV_SaveRiggedMeshXml(missing, mesh, rig));
}
