// STL: the ASCII text as written, ASCII and binary round trips, the binary
// layout, welding on reading, and malformed or truncated files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "MeshTestUtil.h"
#include "QV_MIO_STL.h"
#include "QV_Mesh.h"
#include "TestSupport.h"

using namespace mesh_test;
using visagen_test::ReadFileBytes;
using visagen_test::ReadFileText;
using visagen_test::TempDir;
using visagen_test::WriteFileBytes;
using visagen_test::WriteFileText;

namespace {

bool SaveStl(const QV_Mesh& m, const std::string& path, bool binary)
{
    QV_MIO_STL io(path.c_str());
    io.SetBinary(binary);
    return io.Save(m);
}

// Loads with the error stream captured into *err.
bool LoadStl(QV_Mesh& m, const std::string& path, std::string* err = nullptr)
{
    testing::internal::CaptureStderr();
    QV_MIO_STL io(path.c_str());
    const bool ok = io.Load(m);
    const std::string text = testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return ok;
}

void PutFloat(std::vector<unsigned char>& b, float v)
{
    unsigned char c[4];
    std::memcpy(c, &v, 4);
    b.insert(b.end(), c, c + 4);
}

// A binary file: 80 header bytes, the given count, and one record per
// triangle of three points (normal 0, attribute bytes 0).
std::vector<unsigned char> BinaryStl(uint32_t count, const std::vector<std::vector<float>>& triangles)
{
    std::vector<unsigned char> b(80, 'x');
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(count >> (8 * i)));
    for (const std::vector<float>& t : triangles) {
        for (int i = 0; i < 3; ++i) PutFloat(b, 0.0f);
        for (float v : t) PutFloat(b, v);
        b.push_back(0);
        b.push_back(0);
    }
    return b;
}

float FloatAt(const std::vector<unsigned char>& b, size_t at)
{
    float v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// The corner positions of every face, in order, as one list.
std::vector<float> CornerPositions(const QV_Mesh& m)
{
    std::vector<float> out;
    for (int f = 0; f < m.FaceCount(); ++f)
        for (int c = 0; c < m.faces[f].count; ++c) {
            const QV_Point3D& p = m.vertices[m.faces[f].corners[c].vertex];
            out.insert(out.end(), {p.x, p.y, p.z});
        }
    return out;
}

}  // namespace

TEST(StlWrite, AsciiTextWithZeroAreaFacetTurned)
{
    TempDir dir;
    const std::string path = dir.File("t.stl");
    QV_Mesh m;
    for (QV_Point3D p : {QV_Point3D(0, 0, 0), QV_Point3D(0.5f, 0, 0), QV_Point3D(0, -0.25f, 0), QV_Point3D(1, 1, 1),
                         QV_Point3D(2, 2, 2)})
        m.vertices.Append(p);
    m.faces.Append(QV_Face(0, 1, 2));
    m.faces.Append(QV_Face(0, 3, 4));  // on a line: no area, normal (0, 0, 0)
    AddFeature(m, "F", {0, 1});
    ASSERT_TRUE(SaveStl(m, path, false));
    EXPECT_EQ(ReadFileText(path), "solid " + path +
                                      "\n"
                                      "  facet normal 0.0000000 0.0000000 -1.0000000\n"
                                      "    outer loop\n"
                                      "      vertex 0.0000000 0.0000000 0.0000000\n"
                                      "      vertex 0.5000000 0.0000000 0.0000000\n"
                                      "      vertex 0.0000000 -0.2500000 0.0000000\n"
                                      "    endloop\n"
                                      "  endfacet\n"
                                      "  facet normal 0.0000000 0.0000000 0.0000000\n"
                                      "    outer loop\n"
                                      "      vertex 0.0000000 0.0000000 0.0000000\n"
                                      "      vertex 2.0000000 2.0000000 2.0000000\n"
                                      "      vertex 1.0000000 1.0000000 1.0000000\n"
                                      "    endloop\n"
                                      "  endfacet\n"
                                      "endsolid " +
                                      path + "\n");
}

TEST(StlWrite, AsciiAndBinaryRoundTrips)
{
    TempDir dir;
    QV_Mesh m = SquareAndTriangle();
    m.vertices[4] = QV_Point3D(2.125f, -0.375f, 1.5f);
    QV_Mesh expected = m;
    expected.Triangulate();
    for (bool binary : {false, true}) {
        const std::string path = dir.File(binary ? "b.stl" : "a.stl");
        ASSERT_TRUE(SaveStl(m, path, binary));
        QV_Mesh back;
        std::string err;
        ASSERT_TRUE(LoadStl(back, path, &err)) << err;
        EXPECT_EQ(back.VertexCount(), 5) << binary;  // welded again
        EXPECT_EQ(back.FaceCount(), 3) << binary;
        EXPECT_EQ(CornerPositions(back), CornerPositions(expected)) << binary;
        EXPECT_EQ(back.NormalCount(), 5) << binary;
        ASSERT_EQ(back.FeatureCount(), 1) << binary;
        EXPECT_EQ(back.features[0].name.Std(), binary ? "b" : "a");
        EXPECT_EQ(back.name.Std(), path);
        ExpectPoint(back.bboxMax, 2.125f, 1, 1.5f);
    }
}

TEST(StlWrite, BinaryLayoutHeaderCountAndAttributeBytes)
{
    TempDir dir;
    const QV_Mesh m = SquareAndTriangle();
    // A short path is padded with spaces, a long one cut at 80 bytes.
    for (const std::string& name : {std::string("h.stl"), std::string(120, 'n') + ".stl"}) {
        const std::string path = dir.File(name);
        ASSERT_TRUE(SaveStl(m, path, true));
        const std::vector<unsigned char> b = ReadFileBytes(path);
        ASSERT_EQ(b.size(), 84u + 3 * 50);
        std::string header = "solid " + path;
        header.resize(80, ' ');
        EXPECT_EQ(std::string(b.begin(), b.begin() + 80), header);
        EXPECT_EQ(b[80] | b[81] << 8 | b[82] << 16 | b[83] << 24, 3);
        for (size_t r = 0; r < 3; ++r) {
            const size_t at = 84 + 50 * r;
            EXPECT_EQ(b[at + 48], 0x20) << r;
            EXPECT_EQ(b[at + 49], 0x20) << r;
        }
        // The first facet: the square's first half, normal +z.
        const float first[12] = {0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 1, 0};
        for (int i = 0; i < 12; ++i) EXPECT_EQ(FloatAt(b, 84 + 4 * i), first[i]) << i;
    }
}

TEST(StlRead, TwoTrianglesSharingAnEdgeWeldToFourVertices)
{
    TempDir dir;
    const std::string path = dir.File("two.stl");
    // Exponent notation, a '+' sign, CRLF line ends and corners that differ
    // by less than the weld tolerance.
    WriteFileText(path,
                  "solid two\r\n"
                  "  facet normal 0 0 1\r\n    outer loop\r\n"
                  "      vertex 0 0 0\r\n      vertex 1.0e+00 0 0\r\n      vertex 0 +1 0\r\n"
                  "    endloop\r\n  endfacet\r\n"
                  "  facet normal 0.0e0 0 1\r\n    outer loop\r\n"
                  "      vertex 1.0004 0 0\r\n      vertex 1 1 0\r\n      vertex 0 0.9996e0 0.0002\r\n"
                  "    endloop\r\n  endfacet\r\n"
                  "endsolid two\r\n");
    QV_Mesh m;
    ASSERT_TRUE(LoadStl(m, path));
    ASSERT_EQ(m.VertexCount(), 4);
    ASSERT_EQ(m.FaceCount(), 2);
    EXPECT_EQ(FacesText(m), "[0/-1/0 1/-1/1 2/-1/2][1/-1/1 3/-1/3 2/-1/2]");
    ExpectPoint(m.vertices[1], 1, 0, 0);  // the first of the welded pair stays
    ExpectPoint(m.vertices[3], 1, 1, 0);
}

TEST(StlRead, TruncatedAndMalformedFilesFailOrStopCleanly)
{
    TempDir dir;
    const std::string facet = "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
                              "endfacet\n";
    const std::vector<float> tri = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::vector<float> tri2 = {5, 5, 5, 6, 5, 5, 5, 6, 5};
    std::vector<unsigned char> absurd = BinaryStl(0xFFFFFFFFu, {tri, tri2});
    absurd.insert(absurd.end(), 17, 0x41);  // part of a third record
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        bool ok;
        int faces;
        const char* message;
    } cases[] = {
        {"two-corner facet", {}, true, 1, "has fewer than three vertices"},
        {"cut in a facet", {}, true, 1, "has fewer than three vertices"},
        {"vertex without numbers", {}, false, 0, "no triangles in"},
        {"huge count, short data", absurd, true, 2, ""},
        {"header only", BinaryStl(0, {}), false, 0, "no triangles in"},
        {"shorter than a header", std::vector<unsigned char>(83, 'x'), false, 0, "too short"},
        {"empty", {}, false, 0, "too short"},
        {"overlong lines", {}, true, 2, ""},
    };
    auto text = [](const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); };
    cases[0].bytes =
        text("solid x\n" + facet + "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nendloop\n" + facet);
    cases[1].bytes = text("solid x\n" + facet + "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0");
    cases[2].bytes = text("solid x\nfacet normal 0 0 1\nvertex 0 0 0\nvertex 1 0\nvertex 0 1 0\nendfacet\n" + facet);
    cases[7].bytes = text("solid " + std::string(5000, 's') + "\n" + facet + std::string(3000, ' ') + "\n" + facet +
                          "vertex" + std::string(4000, '7'));
    for (Case& c : cases) {
        const std::string path = dir.File("m.stl");
        WriteFileBytes(path, c.bytes);
        QV_Mesh m;
        std::string err;
        EXPECT_EQ(LoadStl(m, path, &err), c.ok) << c.name;
        EXPECT_EQ(m.FaceCount(), c.faces) << c.name;
        if (*c.message) {
            EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ": " << err;
        }
        for (int f = 0; f < m.FaceCount(); ++f)
            for (int k = 0; k < 3; ++k) EXPECT_LT(m.faces[f].corners[k].vertex, m.VertexCount()) << c.name;
    }
    QV_Mesh m;
    EXPECT_FALSE(LoadStl(m, dir.File("none.stl")));
}
