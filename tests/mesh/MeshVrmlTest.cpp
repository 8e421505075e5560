// VRML: the text as written (material, texture, names, viewpoint), write-then-
// read, and the reader on hand-written, malformed and truncated files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "MeshTestUtil.h"
#include "QV_MIO_VRML.h"
#include "QV_Mesh.h"
#include "TestSupport.h"

using namespace mesh_test;
using visagen_test::ReadFileBytes;
using visagen_test::ReadFileText;
using visagen_test::TempDir;
using visagen_test::WriteFileText;

namespace {

bool SaveVrml(const QV_Mesh& m, const std::string& path, std::string* err = nullptr)
{
    testing::internal::CaptureStderr();
    QV_MIO_VRML io(path.c_str());
    const bool ok = io.Save(m);
    const std::string text = testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return ok;
}

bool LoadVrml(QV_Mesh& m, const std::string& path, std::string* err = nullptr)
{
    testing::internal::CaptureStderr();
    QV_MIO_VRML io(path.c_str());
    const bool ok = io.Load(m);
    const std::string text = testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return ok;
}

QV_Mesh LoadText(TempDir& dir, const std::string& text, std::string* err = nullptr)
{
    const std::string path = dir.File("in.wrl");
    WriteFileText(path, text);
    QV_Mesh m;
    EXPECT_TRUE(LoadVrml(m, path, err));
    return m;
}

size_t Count(const std::string& s, char c) { return static_cast<size_t>(std::count(s.begin(), s.end(), c)); }

// A 3x3 grid of vertices in z = 0, four quads, one texture coordinate per
// vertex (u = x / 2, v = y / 2) and a small texture.
QV_Mesh TexturedGrid()
{
    QV_Mesh m;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            m.vertices.Append({x * 0.5f, y * 0.25f, 0.125f * x * y});
            m.texCoords.Append({x / 2.0f, y / 2.0f});
        }
    QV_Feature f;
    f.name = "Grid";
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            const int a = y * 3 + x;
            m.faces.Append(MakeFace({Corner(a, -1, a), Corner(a + 1, -1, a + 1), Corner(a + 4, -1, a + 4),
                                     Corner(a + 3, -1, a + 3)}));
            f.faceIndices.Append(m.FaceCount() - 1);
        }
    m.features.Append(f);
    m.texture = QV_Image(8, 8);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) m.texture(r, c) = QV_Colour(static_cast<unsigned char>(r * 30), 90, 200);
    m.hasTexture = true;
    return m;
}

}  // namespace

TEST(VrmlWrite, ExactTextOfAMaterialFeature)
{
    TempDir dir;
    const std::string path = dir.File("solo.wrl");
    QV_Mesh m;
    m.vertices.Append({0, 0, 0});
    m.vertices.Append({2, 0, 0});
    m.vertices.Append({0, 4, 1});
    m.vertices.Append({50, 50, 50});  // only in the hidden feature
    m.faces.Append(QV_Face(0, 1, 2));
    m.faces.Append(QV_Face(3, 1, 2));
    AddFeature(m, "Tri", {0});
    AddFeature(m, "Hidden", {1});
    m.features[1].visible = false;
    QV_Material& mat = m.features[0].material;
    const float ambient[4] = {0.2f, 0.4f, 0.9f, 1.0f}, diffuse[4] = {0.5f, 0.25f, 0.125f, 1.0f};
    std::copy(ambient, ambient + 4, mat.ambient);
    std::copy(diffuse, diffuse + 4, mat.diffuse);
    mat.mode = 1;  // emissive colour on
    mat.opacity = 0.75f;
    mat.shininess = 0.5f;
    ASSERT_TRUE(SaveVrml(m, path));

    // The box over the visible feature: centre (1, 2, 0.5), height 4.
    char viewpoint[200];
    std::snprintf(viewpoint, sizeof viewpoint, "  position\t%.6f %.6f %.6f\n", -1.0, -2.0,
                  -(0.5 - 0.5 * 4.0 / std::tan(5.0 * M_PI / 180.0)));
    const std::string text = ReadFileText(path);
    const std::string expected = std::string(
                                     "#VRML V2.0 utf8\n\n"
                                     "# Made with Visagen\n\n"
                                     "DEF solo Transform {\n"
                                     "  translation 0.00 0.00 0.00\n"
                                     "  children [\n\n"
                                     "    DEF Tri Transform {\n"
                                     "    translation\t0 0 0\n"
                                     "\t   children\t[\n"
                                     "\t     Shape {\n"
                                     "        appearance Appearance {\n"
                                     "          material Material {\n"
                                     "            ambientIntensity 0.50000\n"
                                     "            diffuseColor 0.50000 0.25000 0.12500\n"
                                     "            emissiveColor 0.70000 0.10000 0.25000\n"
                                     "            shininess 0.50000\n"
                                     "            specularColor 0.10000 0.10000 0.10000\n"
                                     "            transparency 0.25000\n"
                                     "          }\n"
                                     "        }\n\n"
                                     "        geometry DEF Tri-FACES IndexedFaceSet {\n"
                                     "          coord DEF Tri-COORD Coordinate {\n"
                                     "            point\t[\n"
                                     "                 0.00000 0.00000 0.00000,\n"
                                     "                 2.00000 0.00000 0.00000,\n"
                                     "                 0.00000 4.00000 1.00000]\n"
                                     "           }\n"
                                     "           coordIndex\t[\n"
                                     "           0 1 2 -1]\n"
                                     "       }\n"
                                     "     }\n"
                                     "    ]\n"
                                     // Not the mesh's last feature (the hidden one is).
                                     "  },\n"
                                     "    ]\t\n"
                                     "}\n"
                                     "Viewpoint {\n") +
                                 viewpoint +
                                 "  orientation\t0.00000000 0.000000 0.00000000  0.00000\n"
                                 "  fieldOfView\t0.174533\n"
                                 "}\n";
    EXPECT_EQ(text, expected);
}

TEST(VrmlWrite, MaterialValuesAndNames)
{
    TempDir dir;
    const std::string path = dir.File("my head.v2.wrl");
    QV_Mesh m = SquareAndTriangle();
    m.features[0].name = "No label";
    m.features[1].name = "3d \"part\"";
    m.features[1].material.ambient[0] = 5.0f;  // mean above 1
    m.features[1].material.ambient[1] = 5.0f;
    m.features[0].material.ambient[0] = -3.0f;  // mean below 0
    ASSERT_TRUE(SaveVrml(m, path));
    const std::string text = ReadFileText(path);
    EXPECT_NE(text.find("DEF my_head_v2 Transform {\n"), std::string::npos);
    EXPECT_NE(text.find("    DEF No_label Transform {\n"), std::string::npos);
    EXPECT_NE(text.find("geometry DEF _3d__part_-FACES IndexedFaceSet"), std::string::npos);
    EXPECT_NE(text.find("ambientIntensity 0.00000\n"), std::string::npos);
    EXPECT_NE(text.find("ambientIntensity 1.00000\n"), std::string::npos);
    // The mode is 0: no emissive colour; the last feature closes without a comma.
    EXPECT_EQ(text.find("emissiveColor"), std::string::npos);
    EXPECT_NE(text.find("    ]\n  }\n    ]\t\n}\n"), std::string::npos);
    EXPECT_EQ(Count(text, '['), Count(text, ']'));
    EXPECT_EQ(Count(text, '{'), Count(text, '}'));
}

TEST(VrmlWrite, TexturedFeatureWritesImageAndTextureCoordinates)
{
    TempDir dir;
    const std::string path = dir.File("grid.wrl");
    const QV_Mesh m = TexturedGrid();
    ASSERT_TRUE(SaveVrml(m, path));
    const std::string text = ReadFileText(path);
    EXPECT_NE(text.find("          texture ImageTexture {\n"
                        "            url \"grid.jpg\"\n"
                        "            repeatS FALSE\n"
                        "            repeatT FALSE\n"
                        "          }\n"),
              std::string::npos);
    EXPECT_EQ(text.find("material"), std::string::npos);
    EXPECT_NE(text.find("      texCoord\tDEF Grid-TEXCOORD TextureCoordinate {\n          point [\n"
                        "        0.0000 0.0000,\n        0.5000 0.0000,\n"),
              std::string::npos);
    // Indices are local to the feature, in order of first use.
    EXPECT_NE(text.find("           coordIndex\t[\n           0 1 2 3 -1,\n           1 4 5 2 -1,\n"),
              std::string::npos);
    EXPECT_NE(text.find("           texCoordIndex\t[\n           0 1 2 3 -1,\n           1 4 5 2 -1,\n"),
              std::string::npos);
    QV_Image jpg;
    ASSERT_TRUE(jpg.Load(dir.File("grid.jpg")));
    EXPECT_EQ(jpg.Rows(), 8);

    // One corner without a texture coordinate: a material and no texture
    // coordinate node, and no image is written.
    QV_Mesh partly = TexturedGrid();
    partly.faces[2].corners[1].texCoord = -1;
    const std::string path2 = dir.File("partly.wrl");
    ASSERT_TRUE(SaveVrml(partly, path2));
    const std::string text2 = ReadFileText(path2);
    EXPECT_NE(text2.find("material Material {"), std::string::npos);
    EXPECT_EQ(text2.find("texCoord"), std::string::npos);
    EXPECT_EQ(text2.find("ImageTexture"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("partly.jpg")));

    // Texture coordinates but no image: the coordinates go out, with a material.
    QV_Mesh noImage = TexturedGrid();
    noImage.hasTexture = false;
    noImage.texture.Resize(0, 0);
    ASSERT_TRUE(SaveVrml(noImage, dir.File("noimage.wrl")));
    const std::string text3 = ReadFileText(dir.File("noimage.wrl"));
    EXPECT_NE(text3.find("material Material {"), std::string::npos);
    EXPECT_NE(text3.find("TextureCoordinate"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("noimage.jpg")));
}

TEST(VrmlWrite, EmptyFeatureAndFailedTextureKeepTheFileSound)
{
    TempDir dir;
    QV_Mesh m = SquareAndTriangle();
    AddFeature(m, "Empty", {});
    const std::string path = dir.File("e.wrl");
    ASSERT_TRUE(SaveVrml(m, path));
    const std::string text = ReadFileText(path);
    EXPECT_EQ(Count(text, '['), Count(text, ']'));
    QV_Mesh back;
    ASSERT_TRUE(LoadVrml(back, path));
    EXPECT_EQ(back.FaceCount(), 2);

    // The image cannot be written where a folder stands: the save fails.
    std::filesystem::create_directory(dir.File("g.jpg"));
    std::string err;
    EXPECT_FALSE(SaveVrml(TexturedGrid(), dir.File("g.wrl"), &err));
    EXPECT_NE(err.find("can't write the texture"), std::string::npos) << err;
}

TEST(VrmlRoundTrip, PositionsFacesAndTextureCoordinatesComeBack)
{
    TempDir dir;
    const std::string path = dir.File("grid.wrl");
    const QV_Mesh m = TexturedGrid();
    ASSERT_TRUE(SaveVrml(m, path));
    QV_Mesh back;
    ASSERT_TRUE(LoadVrml(back, path));
    ASSERT_EQ(back.VertexCount(), m.VertexCount());
    ASSERT_EQ(back.TexCoordCount(), m.TexCoordCount());
    // The points come back in order of first use; every corner stands where
    // it stood, with the texture coordinate it had.
    ASSERT_EQ(back.FaceCount(), m.FaceCount());
    for (int f = 0; f < m.FaceCount(); ++f) {
        ASSERT_EQ(back.faces[f].count, 4);
        for (int c = 0; c < 4; ++c) {
            const QV_Corner& got = back.faces[f].corners[c];
            const QV_Corner& want = m.faces[f].corners[c];
            ASSERT_GE(got.texCoord, 0);
            const QV_Point3D& p = m.vertices[want.vertex];
            ExpectPoint(back.vertices[got.vertex], p.x, p.y, p.z, 1e-5f);
            EXPECT_NEAR(back.texCoords[got.texCoord].x, m.texCoords[want.texCoord].x, 1e-4f);
            EXPECT_NEAR(back.texCoords[got.texCoord].y, m.texCoords[want.texCoord].y, 1e-4f);
        }
    }
    EXPECT_TRUE(back.hasTexture);
    EXPECT_EQ(back.texture.Rows(), 8);
    EXPECT_EQ(back.NormalCount(), 9);
    ASSERT_EQ(back.FeatureCount(), 1);
    EXPECT_EQ(back.features[0].name.Std(), "grid");
    EXPECT_EQ(back.name.Std(), path);

    // Untextured features each number their own points; read back, every
    // face still stands on its own corners.
    const QV_Mesh two = SquareAndTriangle();
    ASSERT_TRUE(SaveVrml(two, dir.File("two.wrl")));
    QV_Mesh back2;
    ASSERT_TRUE(LoadVrml(back2, dir.File("two.wrl")));
    EXPECT_FALSE(back2.hasTexture);
    ASSERT_EQ(back2.FaceCount(), 2);
    for (int f = 0; f < 2; ++f) {
        ASSERT_EQ(back2.faces[f].count, two.faces[f].count);
        for (int c = 0; c < two.faces[f].count; ++c) {
            const QV_Point3D& want = two.vertices[two.faces[f].corners[c].vertex];
            ExpectPoint(back2.vertices[back2.faces[f].corners[c].vertex], want.x, want.y, want.z);
            EXPECT_EQ(back2.faces[f].corners[c].texCoord, -1);
        }
    }
}

TEST(VrmlRead, IndexListsFacesAndTheirFaults)
{
    TempDir dir;
    std::string err;
    // No texture coordinates: faces load, without texture indices. Faces: a
    // triangle, a 7-corner polygon (a fan of 5), one naming point 9 (dropped),
    // one with -2 (dropped), one with 1.5 (dropped), a 2-corner one (dropped)
    // and a last quad without its closing -1.
    const QV_Mesh m = LoadText(dir,
                               "#VRML V2.0 utf8\n"
                               "Shape { geometry IndexedFaceSet {\n"
                               "  coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0, 2 0 0, 2 1 0, 2 2 0 ] }\n"
                               "  coordIndex [ 0 1 2 -1, 0 1 4 5 6 2 3 -1, 0 1 9 -1 0 -2 1 -1\n"
                               "    0 1.5 2 -1 3 2 -1 0 1 2 3 ]\n"
                               "} }\n",
                               &err);
    ASSERT_EQ(m.VertexCount(), 7);
    EXPECT_EQ(m.TexCoordCount(), 0);
    EXPECT_EQ(FacesText(m),
              "[0/-1/0 1/-1/1 2/-1/2]"
              "[0/-1/0 1/-1/1 4/-1/4][0/-1/0 4/-1/4 5/-1/5][0/-1/0 5/-1/5 6/-1/6][0/-1/0 6/-1/6 2/-1/2]"
              "[0/-1/0 2/-1/2 3/-1/3]"
              "[0/-1/0 1/-1/1 2/-1/2 3/-1/3]");
    EXPECT_NE(err.find("4 faces with a bad or missing index dropped"), std::string::npos) << err;
    ASSERT_EQ(m.FeatureCount(), 1);
    EXPECT_EQ(m.features[0].faceIndices.Size(), 7u);

    // When every face is dropped the file is refused, and says both.
    WriteFileText(dir.File("bad.wrl"), "Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] }\ncoordIndex [ 0 1 7 -1 ]\n");
    QV_Mesh none;
    EXPECT_FALSE(LoadVrml(none, dir.File("bad.wrl"), &err));
    EXPECT_NE(err.find("1 faces with a bad or missing index dropped"), std::string::npos) << err;
    EXPECT_NE(err.find("no faces in"), std::string::npos) << err;
    EXPECT_EQ(none.VertexCount(), 0);

    // Texture coordinates fewer than the points: corners beyond them get none.
    const QV_Mesh t = LoadText(dir,
                               "Coordinate { point [ 0 0 0 1 0 0 1 1 0 0 1 0 ] }\n"
                               "TextureCoordinate { point [ 0 0, 1 0, 1 1 ] }\n"
                               "coordIndex [ 0 1 2 3 -1 ]\n");
    EXPECT_EQ(FacesText(t), "[0/0/0 1/1/1 2/2/2 3/-1/3]");
}

TEST(VrmlRead, NumbersKeywordsAndWhereReadingStops)
{
    TempDir dir;
    // A point list on one line of about 3600 characters: numbers that cross
    // the 1024-character pieces are read whole. Exponents are numbers.
    std::string longLine = "coord Coordinate { point [";
    for (int i = 0; i < 225; ++i) longLine += " 0.125 -0.25 5e-1,";
    longLine += " 1.5E+1 2e0 -3.25e-2 ] }\n";
    const QV_Mesh a = LoadText(dir, "#VRML V2.0 utf8\n" + longLine + "coordIndex [ 0 1 225 -1 ]\n");
    ASSERT_EQ(a.VertexCount(), 226);
    for (int i = 0; i < 225; ++i) ExpectPoint(a.vertices[i], 0.125f, -0.25f, 0.5f);
    ExpectPoint(a.vertices[225], 15.0f, 2.0f, -0.0325f);
    EXPECT_EQ(a.FaceCount(), 1);

    // A name after DEF or a word that merely contains a keyword opens no
    // list; once texture coordinates and faces have followed the points,
    // the rest of the file is not read.
    const QV_Mesh b = LoadText(dir,
                               "DEF Coordinate Transform { translation 7 8 9\n"
                               "children [ DEF MyCoordinate_2 Group {}\n"
                               "Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                               "TextureCoordinate { point [ 0 0, 1 0, 0 1 ] }\n"
                               "coordIndex [ 0 1 2 -1 ]\n"
                               "Coordinate { point [ 5 5 5, 6 6 6, 7 7 7 ] }\n"
                               "coordIndex [ 0 1 2 -1 ]\n");
    ASSERT_EQ(b.VertexCount(), 3);
    ExpectPoint(b.vertices[1], 1, 0, 0);
    EXPECT_EQ(b.TexCoordCount(), 3);
    EXPECT_EQ(FacesText(b), "[0/0/0 1/1/1 2/2/2]");
}

TEST(VrmlRead, TruncatedAndGarbageFilesDoNotBreakTheReader)
{
    TempDir dir;
    const std::string whole = "Coordinate { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0 ] }\n"
                              "TextureCoordinate { point [ 0 0, 1 0, 0 1, 1 1 ] }\n"
                              "coordIndex [ 0 1 2 -1, 2 1 3 -1 ]\n";
    // A cut before the first whole face leaves no face: the file is refused
    // with its message rather than read as an empty mesh.
    const size_t firstFace = whole.find("-1");
    for (size_t n = 0; n < whole.size(); n += 7) {
        WriteFileText(dir.File("cut.wrl"), whole.substr(0, n));
        QV_Mesh m;
        std::string err;
        const bool ok = LoadVrml(m, dir.File("cut.wrl"), &err);
        EXPECT_EQ(ok, n > firstFace) << n;
        EXPECT_EQ(ok, m.FaceCount() > 0) << n;
        if (!ok) {
            EXPECT_NE(err.find("QV_MIO_VRML::Load() Error! : no faces in "), std::string::npos) << n;
        }
        for (int f = 0; f < m.FaceCount(); ++f)
            for (int c = 0; c < m.faces[f].count; ++c) {
                ASSERT_LT(m.faces[f].corners[c].vertex, m.VertexCount()) << n;
                ASSERT_LT(m.faces[f].corners[c].texCoord, m.TexCoordCount()) << n;
                ASSERT_GE(m.faces[f].corners[c].vertex, 0) << n;
            }
    }
    // NUL bytes, a run of 5000 digits and an index beyond every integer type.
    std::string junk = "Coordinate [ 1 2 3 ";
    junk += std::string(5000, '9') + " 4 5 ";
    junk += std::string("\0\0\x01\xff", 4) + " 6 7 8 ] coordIndex [ 0 1 2 99999999999999999999999 -1 0 1 2 -1 ]";
    const QV_Mesh j = LoadText(dir, junk);
    ASSERT_EQ(j.VertexCount(), 3);
    ExpectPoint(j.vertices[0], 1, 2, 3);
    ExpectPoint(j.vertices[1], 0, 4, 5);  // the over-long run counts as 0
    ExpectPoint(j.vertices[2], 6, 7, 8);
    EXPECT_EQ(j.FaceCount(), 1);
    QV_Mesh none;
    EXPECT_FALSE(LoadVrml(none, dir.File("missing.wrl")));
}
