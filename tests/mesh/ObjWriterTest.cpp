// The OBJ text as written, corner item forms, the texture beside the file,
// the stream writer, write-then-read, and the MTL material block.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <iomanip>
#include <sstream>

#include "MeshTestUtil.h"
#include "QV_MIO_OBJ.h"
#include "QV_Mesh.h"
#include "TestSupport.h"

using namespace mesh_test;
using visagen_test::ReadFileText;
using visagen_test::TempDir;

namespace {

std::string Text(const QV_Mesh& m)
{
    std::ostringstream out;
    QV_MIO_OBJ::WriteText(m, out);
    return out.str();
}

QV_Image Gradient(int rows, int cols)
{
    QV_Image img(rows, cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            img(r, c) = QV_Colour(static_cast<unsigned char>(r * 255 / rows), static_cast<unsigned char>(c * 255 / cols), 90);
    return img;
}

}  // namespace

TEST(ObjWrite, ExactText)
{
    QV_Mesh m = SquareAndTriangle();
    m.vertices[4] = QV_Point3D(1.5f, -0.25f, 2);
    m.normals.Append({0, 0, 1});
    m.texCoords.Append({0.125f, 0.5f});
    AddFeature(m, "Empty", {});
    EXPECT_EQ(Text(m),
              "# Made with Visagen\n"
              "# 3D Mesh\n"
              "# Contact: info@visagen.example\n"
              "# This surface contains 3 features:\n# Square\n# Wedge\n# Empty\n"
              "   \n"
              "v 0.000000 0.000000 0.000000\nv 1.000000 0.000000 0.000000\nv 1.000000 1.000000 0.000000\n"
              "v 0.000000 1.000000 0.000000\nv 1.500000 -0.250000 2.000000\n"
              "vn 0.000000 0.000000 1.000000\n"
              "vt 0.125000 0.500000\n"
              "g Square\nf 1 2 3 4\ng Wedge\nf 2 5 3\ng Empty\n");
}

TEST(ObjWrite, NumbersAreWrittenAsPrintfWritesThem)
{
    // Rounding at the sixth place, signs of values that round to zero, large
    // and tiny magnitudes, infinities and NaN: the same digits as "%f".
    const float values[] = {0.0f,      -0.0f,     0.0000004f, -0.0000004f, 0.0000005f, -0.0000015f, 1.0f / 3.0f,
                            -2.0f / 3, 123456.79f, 1e-30f,    3.4e38f,     -1e20f,     0.1f,        0.9999996f,
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN()};
    QV_Mesh m;
    std::string expected;
    char buf[512];
    for (float v : values) {
        m.vertices.Append(QV_Point3D(v, -v, 7.25f));
        std::snprintf(buf, sizeof buf, "v %f %f %f\n", static_cast<double>(v), static_cast<double>(-v), 7.25);
        expected += buf;
    }
    const std::string text = Text(m);
    const size_t at = text.find("v ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(text.substr(at), expected);
}

TEST(ObjWrite, CornerItemForms)
{
    struct Case {
        bool meshTex, meshNormals;
        int t, n;  // the corner's indices
        const char* item;
    } cases[] = {
        {true, true, 1, 2, " 4/2/3"},  {true, true, -1, 2, " 4//3"},
        {true, false, 1, -1, " 4/2"},  {true, false, -1, -1, " 4"},
        {false, true, -1, 2, " 4//3"}, {false, false, -1, -1, " 4"},
        // A corner lacking a normal in a mesh with normals: the part is left
        // out instead of being written as 0.
        {true, true, 1, -1, " 4/2"},   {false, true, -1, -1, " 4"},
        // Indices a mesh without that list cannot use are not written.
        {false, false, 1, 2, " 4"},
    };
    for (const Case& c : cases) {
        QV_Mesh m;
        for (int i = 0; i < 4; ++i) m.vertices.Append({0, 0, 0});
        for (int i = 0; c.meshTex && i < 3; ++i) m.texCoords.Append({0, 0});
        for (int i = 0; c.meshNormals && i < 3; ++i) m.normals.Append({0, 0, 1});
        m.faces.Append(MakeFace({Corner(3, c.n, c.t), Corner(3, c.n, c.t), Corner(3, c.n, c.t)}));
        AddFeature(m, "F", {0});
        const std::string t = Text(m);
        const std::string line = std::string("f") + c.item + c.item + c.item + "\n";
        EXPECT_NE(t.find("\n" + line), std::string::npos) << c.item << "\n" << t;
    }
}

TEST(ObjWrite, WriteThenReadKeepsVerticesFacesAndFeatures)
{
    QV_Mesh m = SquareAndTriangle();
    m.vertices[4] = QV_Point3D(0.1234567f, -3.9999999f, 1e-7f);
    for (int i = 0; i < 5; ++i) m.texCoords.Append({0.1f * i, 0.3f});
    for (int c = 0; c < 4; ++c) m.faces[0].corners[c].texCoord = c;
    m.faces[1].corners[1].texCoord = 4;
    m.ComputeVertexNormals();
    AddFeature(m, "Third", {0, 1});
    TempDir dir;
    const std::string path = dir.File("round.obj");
    ASSERT_TRUE(m.Save(QV_String(path)));
    QV_Mesh back;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(back.Load(QV_String(path)));
    testing::internal::GetCapturedStderr();

    ASSERT_EQ(back.VertexCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(back.vertices[i].x, m.vertices[i].x, 5e-7);
        EXPECT_NEAR(back.vertices[i].y, m.vertices[i].y, 5e-7);
        EXPECT_NEAR(back.vertices[i].z, m.vertices[i].z, 5e-7);
    }
    EXPECT_EQ(back.vertices[4].z, 0.0f);  // six decimals
    EXPECT_EQ(back.NormalCount(), m.NormalCount());
    EXPECT_EQ(back.TexCoordCount(), 5);
    ASSERT_EQ(back.FeatureCount(), 3);
    const char* names[] = {"Square", "Wedge", "Third"};
    for (int k = 0; k < 3; ++k) EXPECT_EQ(back.features[k].name.Std(), names[k]);
    // Faces come back in feature order, each feature's faces appended anew.
    ASSERT_EQ(back.FaceCount(), 4);
    EXPECT_EQ(FaceText(back.faces[0]), FaceText(m.faces[0]));
    EXPECT_EQ(FaceText(back.faces[1]), FaceText(m.faces[1]));
    EXPECT_EQ(FaceText(back.faces[3]), FaceText(m.faces[1]));
    EXPECT_EQ(IndicesText(back.features[2].faceIndices), "2,3");
}

TEST(ObjWrite, TextureBesideTheFileAsJpegOrElseBmp)
{
    QV_Mesh m = SquareAndTriangle();
    m.texture = Gradient(8, 8);
    m.hasTexture = true;
    TempDir dir;
    ASSERT_TRUE(m.Save(QV_String(dir.File("head.obj"))));
    QV_Image jpg;
    ASSERT_TRUE(jpg.LoadJPEG(QV_String(dir.File("head.jpg"))));
    EXPECT_EQ(jpg.Rows(), 8);

    // A texture too large for JPEG (more than 65535 columns) falls back to BMP.
    QV_Mesh wide = SquareAndTriangle();
    wide.texture = Gradient(1, 70000);
    wide.hasTexture = true;
    testing::internal::CaptureStderr();
    const bool ok = wide.Save(QV_String(dir.File("wide.obj")));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(ok);
    QV_Image bmp;
    ASSERT_TRUE(bmp.LoadBMP(QV_String(dir.File("wide.bmp"))));
    EXPECT_EQ(bmp.Cols(), 70000);
}

TEST(ObjWrite, FailuresAreReported)
{
    TempDir dir;
    QV_Mesh m = SquareAndTriangle();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m.Save(QV_String(dir.File("no/such/dir/x.obj"))));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "OBJ -1\n");

    // The texture cannot be written in either form: the save is not a success.
    m.hasTexture = true;  // with an empty image
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m.Save(QV_String(dir.File("x.obj"))));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("QV_MIO_OBJ::Save() Error! : can't write the texture beside"), std::string::npos) << err;
}

TEST(ObjStreamWrite, TextAndJpegIntoTheCallersFilesOrRefusalAtOnce)
{
    TempDir dir;
    QV_Mesh m = SquareAndTriangle();
    m.texture = Gradient(16, 8);
    m.hasTexture = true;
    {
        std::ofstream closed;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(QV_MIO_OBJ::Save(m, closed, QV_OpenFile(dir.File("c.jpg").c_str(), "wb")));
        std::ofstream out(dir.File("t.obj"));
        EXPECT_FALSE(QV_MIO_OBJ::Save(m, out, QV_File()));  // a texture and no file for it
        testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(ReadFileText(dir.File("t.obj")), "");  // nothing written

    std::ofstream out(dir.File("s.obj"));
    ASSERT_TRUE(QV_MIO_OBJ::Save(m, out, QV_OpenFile(dir.File("s.jpg").c_str(), "wb")));
    EXPECT_FALSE(out.is_open());
    EXPECT_EQ(ReadFileText(dir.File("s.obj")), Text(m));
    QV_Image back;
    ASSERT_TRUE(back.LoadJPEG(QV_String(dir.File("s.jpg"))));
    EXPECT_EQ(back.Rows(), 16);
    EXPECT_EQ(back.Cols(), 8);

    m.hasTexture = false;  // without a texture no file is needed
    std::ofstream again(dir.File("u.obj"));
    EXPECT_TRUE(QV_MIO_OBJ::Save(m, again, QV_File()));
    EXPECT_EQ(ReadFileText(dir.File("u.obj")), Text(m));
}

TEST(MtlWrite, BlockWithDefaultNumbersAndMaps)
{
    const float ka[3] = {0.2f, 0.2f, 0.2f}, kd[3] = {1, 0.5f, 0.123456789f}, ks[3] = {0, 0, 0};
    std::ostringstream out;
    out << std::fixed << std::setprecision(2);  // the block uses its own formatting
    QV_MIO_OBJ::WriteMaterial(out, "Face", 1, 12.5f, 1.0f, ka, kd, ks, 1234567.0f, "Face.jpg", "FaceA.png");
    EXPECT_EQ(out.str(),
              "newmtl Face\n"
              "d 1\n"
              "Ns 12.5\n"
              "Ni 1\n"
              "Ka 0.2 0.2 0.2\n"
              "Kd 1 0.5 0.123457\n"
              "Ks 0 0 0\n"
              "Km 1.23457e+06\n"
              "map_Kd \"Face.jpg\"\n"
              "map_D \"FaceA.png\"\n"
              "\n");
    // Map names of two characters or fewer write no map line.
    out.str("");
    QV_MIO_OBJ::WriteMaterial(out, "Eyes", 0, 0.0f, 1.5f, ka, kd, ks, 0.25f, "ab", "");
    EXPECT_EQ(out.str().substr(out.str().size() - 9), "Km 0.25\n\n");
    // The caller's formatting is given back.
    out.str("");
    out << 1.0f;
    EXPECT_EQ(out.str(), "1.00");
}
