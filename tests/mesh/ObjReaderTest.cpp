// Reading the OBJ subset: numbers, corner forms, fans, groups, the texture
// beside the file, long lines and files that must be refused.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "MeshTestUtil.h"
#include "QV_MIO_OBJ.h"
#include "QV_Mesh.h"
#include "TestSupport.h"

using namespace mesh_test;
using visagen_test::TempDir;
using visagen_test::WriteFileText;

namespace {

// Loads text as an OBJ file through the mesh's dispatch; error output is
// returned in err.
bool LoadText(const std::string& text, QV_Mesh& m, std::string* err = nullptr, const char* name = "m.obj")
{
    TempDir dir;
    const std::string path = dir.File(name);
    WriteFileText(path, text);
    testing::internal::CaptureStderr();
    const bool ok = m.Load(QV_String(path));
    const std::string e = testing::internal::GetCapturedStderr();
    if (err) *err = e;
    return ok;
}

const char* kSquare =
    "v 0 0 0\n"
    "v 1 0 0\n"
    "v 1 1 0\n"
    "v 0 1 0\n";

}  // namespace

TEST(ObjRead, NumbersSkipLeadingSignsAndPoints)
{
    struct Case {
        const char* line;
        int count;  // vertices made
        float x, y, z;
    } cases[] = {
        {"v 1.5 -2 3e2", 1, 1.5f, -2, 300},
        {"v .5 1 2", 1, 5, 1, 2},          // the leading point is skipped
        {"v +7 1 2", 1, 7, 1, 2},          // and so is a plus sign
        {"v -.25 1 2", 1, -0.25f, 1, 2},
        {"v 1 2", 0, 0, 0, 0},             // too few numbers
        {"v 1\t2\t3", 1, 1, 2, 3},
        {"v - 2 3", 1, 0, 2, 3},           // a lone minus reads as 0
        {"vertex 1 2 3", 0, 0, 0, 0},     // not "v "
    };
    for (const Case& c : cases) {
        QV_Mesh m;
        ASSERT_TRUE(LoadText(std::string(c.line) + "\n", m)) << c.line;
        ASSERT_EQ(m.VertexCount(), c.count) << c.line;
        if (c.count) ExpectPoint(m.vertices[0], c.x, c.y, c.z);
    }
}

TEST(ObjRead, NormalsAndTextureCoordinates)
{
    QV_Mesh m;
    ASSERT_TRUE(LoadText("vn 0 0 1\nvn 1 2\nvt 0.25 0.75 0.5\nvt 0.5\n", m));
    ASSERT_EQ(m.NormalCount(), 1);
    ExpectPoint(m.normals[0], 0, 0, 1);
    ASSERT_EQ(m.TexCoordCount(), 1);
    EXPECT_EQ(m.texCoords[0], QV_Point2D(0.25f, 0.75f));
}

TEST(ObjRead, CornerForms)
{
    const std::string lists = std::string(kSquare) + "vt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\nvn 0 0 -1\nvn 1 0 0\n";
    struct Case {
        const char* face;
        const char* expect;  // v/t/n per corner, 0-based
    } cases[] = {
        {"f 1 2 3", "[0/-1/-1 1/-1/-1 2/-1/-1]"},
        {"f 1/1 2/2 3/3", "[0/0/-1 1/1/-1 2/2/-1]"},
        {"f 1//3 2//3 3//3", "[0/-1/2 1/-1/2 2/-1/2]"},
        {"f 1/1/1 2/2/2 3/3/3 4/1/1", "[0/0/0 1/1/1 2/2/2 3/0/0]"},
        {"f  1 2   3 4 ", "[0/-1/-1 1/-1/-1 2/-1/-1 3/-1/-1]"},
        {"fo 4 3 2", "[3/-1/-1 2/-1/-1 1/-1/-1]"},
        {"f 1 2 3 4 1", "[0/-1/-1 1/-1/-1 2/-1/-1 3/-1/-1 0/-1/-1]"},
        {"f 1 2", ""},  // fewer than three corners add nothing
        {"f", ""},
    };
    for (const Case& c : cases) {
        QV_Mesh m;
        ASSERT_TRUE(LoadText(lists + c.face + "\n", m)) << c.face;
        EXPECT_EQ(FacesText(m), c.expect) << c.face;
        EXPECT_EQ(m.NormalCount(), 3) << "normals read are kept";
    }
}

TEST(ObjRead, MoreThanFiveCornersMakeAFanThatKeepsTheWinding)
{
    std::string text;
    for (int i = 0; i < 7; ++i) {
        const double a = 6.283185307 * i / 7;
        text += "v " + std::to_string(std::cos(a)) + " " + std::to_string(std::sin(a)) + " 0\n";
    }
    text += "f 1 2 3 4 5 6 7\n";
    QV_Mesh m;
    ASSERT_TRUE(LoadText(text, m));
    // Normals were computed, one per vertex, so normal i belongs to vertex i.
    EXPECT_EQ(FacesText(m),
              "[0/-1/0 1/-1/1 2/-1/2][0/-1/0 2/-1/2 3/-1/3][0/-1/0 3/-1/3 4/-1/4]"
              "[0/-1/0 4/-1/4 5/-1/5][0/-1/0 5/-1/5 6/-1/6]");
    EXPECT_EQ(IndicesText(m.features[0].faceIndices), "0,1,2,3,4");
    // A counter-clockwise polygon gives triangles facing +z, like its normals.
    m.ComputeFaceNormals(true);
    for (int i = 0; i < 5; ++i) EXPECT_GT(m.faceNormals[i].z, 0.99f);
    ASSERT_EQ(m.NormalCount(), 7);
    EXPECT_GT(m.normals[0].z, 0.99f);
}

TEST(ObjRead, GroupsBecomeFeaturesInOrder)
{
    const std::string text = std::string(kSquare) +
                             "f 1 2 3\n"
                             "g Left Eye\n"
                             "usemtl skin\n"
                             "f 1 3 4\n"
                             "f 2 3 4\n"
                             "g \n"
                             "g Left Eye\n"
                             "f 4 3 2 1\n";
    QV_Mesh m;
    ASSERT_TRUE(LoadText(text, m));
    std::string features;
    for (int k = 0; k < m.FeatureCount(); ++k)
        features += m.features[k].name.Std() + ":" + IndicesText(m.features[k].faceIndices) + ";";
    EXPECT_EQ(features, "FirstFeature:0;Left Eye:1,2;:;Left Eye:3;");
}

TEST(ObjRead, AfterReadingNameNormalsFeatureAndBox)
{
    TempDir dir;
    const std::string path = dir.File("Head.obj");
    WriteFileText(path, std::string(kSquare) + "v 5 5 5\nf 1 2 3\nf 1 3 4\n");
    QV_Mesh m;
    m.vertices.Append({9, 9, 9});  // a previous mesh is replaced
    m.hasTexture = true;
    ASSERT_TRUE(m.Load(QV_String(path)));
    EXPECT_EQ(m.name.Std(), path);
    EXPECT_EQ(m.VertexCount(), 5);
    EXPECT_EQ(m.NormalCount(), 4);  // vertex 5 is unused
    EXPECT_EQ(FacesText(m), "[0/-1/0 1/-1/1 2/-1/2][0/-1/0 2/-1/2 3/-1/3]");
    ASSERT_EQ(m.FeatureCount(), 1);
    EXPECT_EQ(m.features[0].name.Std(), "FirstFeature");
    ExpectPoint(m.bboxMax, 1, 1, 0);
    EXPECT_FALSE(m.hasTexture);
}

TEST(ObjRead, TextureFoundBesideTheFileOnlyWithTextureCoordinates)
{
    TempDir dir;
    QV_Image img(4, 6);
    for (int i = 0; i < img.Count(); ++i) img.Data()[i] = QV_Colour(10, static_cast<unsigned char>(i * 10), 200);
    ASSERT_TRUE(img.SavePNG(QV_String(dir.File("face.png"))));
    const std::string body = std::string(kSquare) + "f 1/1 2/2 3/3\n";

    WriteFileText(dir.File("face.obj"), "vt 0 0\nvt 1 0\nvt 1 1\n" + body);
    QV_Mesh m;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(m.Load(QV_String(dir.File("face.obj"))));
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(m.hasTexture);
    EXPECT_EQ(m.texture.Rows(), 4);
    EXPECT_EQ(m.texture.Cols(), 6);
    EXPECT_EQ(m.texture(1, 2), img(1, 2));

    // The same image beside a file without texture coordinates is not taken.
    std::string noTex = std::string(kSquare) + "f 1 2 3\n";
    WriteFileText(dir.File("face.obj"), noTex);
    QV_Mesh n;
    ASSERT_TRUE(n.Load(QV_String(dir.File("face.obj"))));
    EXPECT_FALSE(n.hasTexture);
    EXPECT_TRUE(n.texture.Empty());
}

TEST(ObjRead, LongLinesAreReadWhole)
{
    // A group name, a comment and a face line far beyond a 256-character
    // line: none may be split into pieces read as lines of their own. Each
    // hides "v ..." where a 255-character piece would begin.
    const std::string name = std::string(253, 'a') + "v 7 7 7 " + std::string(1000, 'b');
    std::string text;
    for (int i = 0; i < 400; ++i) text += "v " + std::to_string(i) + " 0 " + std::to_string(i % 7) + "\n";
    text += "g " + name + "\n";
    text += '#';
    text.append(254, ' ');
    text += "v 1 2 3\n";
    std::string face = "f";
    for (int i = 1; i <= 400; ++i) (face += ' ') += std::to_string(i);
    text += face + "\n";
    QV_Mesh m;
    std::string err;
    ASSERT_TRUE(LoadText(text, m, &err)) << err;
    EXPECT_EQ(m.VertexCount(), 400);
    ASSERT_EQ(m.FeatureCount(), 1);
    EXPECT_EQ(m.features[0].name.Std(), name);
    EXPECT_EQ(m.FaceCount(), 398);
    EXPECT_EQ(FaceText(m.faces[397]), "[0/-1/0 398/-1/398 399/-1/399]");
}

TEST(ObjRead, BadIndicesAndGarbageFailCleanly)
{
    const std::string lists = std::string(kSquare) + "vt 0 0\nvn 0 0 1\n";
    struct Case {
        const char* line;
    } cases[] = {
        {"f 1 2 5"},          // past the vertices
        {"f 0 1 2"},          // zero
        {"f -1 -2 -3"},       // relative numbers are not part of the subset
        {"f 1/2 2/1 3/1"},    // past the texture coordinates
        {"f 1//2 2//1 3//1"}, // past the normals
        {"f 1/1/1/1 2 3"},    // too many parts
        {"f /1 2 3"},         // no vertex
        {"f 1 2 x"},          // garbage
        {"f 1 2 3.5"},
        {"f 1 2 99999999999999999999"},
        {"f 1 2 2147483648"},
    };
    for (const Case& c : cases) {
        QV_Mesh m;
        std::string err;
        EXPECT_FALSE(LoadText(lists + c.line + "\nf 1 2 3\n", m, &err)) << c.line;
        EXPECT_NE(err.find("QV_MIO_OBJ::Load() Error! : bad face on line 7 of "), std::string::npos)
            << c.line << ": " << err;
        EXPECT_EQ(m.VertexCount() + m.FaceCount() + m.FeatureCount(), 0) << c.line;
    }
    // A face may only name what came before it.
    QV_Mesh m;
    EXPECT_FALSE(LoadText("f 1 2 3\n" + std::string(kSquare), m));
}

TEST(ObjRead, NulBytesAndMissingFile)
{
    // A NUL byte does not cut a line short, so the next line is still read.
    QV_Mesh n;
    ASSERT_TRUE(LoadText(std::string("v 1 2 3\n# a\0b\nv 4 5 6\n", 22), n));
    EXPECT_EQ(n.VertexCount(), 2);

    TempDir dir;
    QV_Mesh missing;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(missing.Load(QV_String(dir.File("none.obj"))));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("QV_MIO_OBJ::Load() Error! : can't open "), std::string::npos) << err;
}
