// An outside OBJ reader and an outside image reader agree with what the OBJ
// writer produces for a textured head-like mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "MeshTestUtil.h"
#include "QV_MIO_OBJ.h"
#include "QV_Mesh.h"
#include "TestSupport.h"

using namespace mesh_test;
using visagen_test::TempDir;

namespace {

constexpr int kColumns = 16;  // around the head; column kColumns repeats 0 with u = 1
constexpr int kRings = 8;

// An egg-shaped closed-ish surface with a nose bump: one vertex per (ring,
// column) with its own texture coordinate, quads on the front half in the
// feature "Face" and pairs of triangles on the back in "Back".
QV_Mesh HeadLikeMesh()
{
    QV_Mesh m;
    for (int j = 0; j <= kRings; ++j) {
        const double lat = (-70.0 + 150.0 * j / kRings) * M_PI / 180.0;
        for (int i = 0; i <= kColumns; ++i) {
            const double lon = 2.0 * M_PI * i / kColumns;
            double r = 1.0;
            if (i == kColumns / 4 && j == kRings / 2) r = 1.3;  // the nose
            m.vertices.Append(QV_Point3D(static_cast<float>(0.8 * r * std::cos(lat) * std::cos(lon)),
                                         static_cast<float>(1.1 * std::sin(lat)),
                                         static_cast<float>(0.9 * r * std::cos(lat) * std::sin(lon))));
            m.texCoords.Append(QV_Point2D(static_cast<float>(i) / kColumns, static_cast<float>(j) / kRings));
        }
    }
    auto at = [](int j, int i) { return j * (kColumns + 1) + i; };
    QV_Feature face, back;
    face.name = "Face";
    back.name = "Back";
    for (int j = 0; j < kRings; ++j) {
        for (int i = 0; i < kColumns; ++i) {
            const int a = at(j, i), b = at(j, i + 1), c = at(j + 1, i + 1), d = at(j + 1, i);
            if (i < kColumns / 2) {
                m.faces.Append(MakeFace({Corner(a, -1, a), Corner(b, -1, b), Corner(c, -1, c), Corner(d, -1, d)}));
                face.faceIndices.Append(m.FaceCount() - 1);
            } else {
                m.faces.Append(MakeFace({Corner(a, -1, a), Corner(b, -1, b), Corner(c, -1, c)}));
                back.faceIndices.Append(m.FaceCount() - 1);
                m.faces.Append(MakeFace({Corner(a, -1, a), Corner(c, -1, c), Corner(d, -1, d)}));
                back.faceIndices.Append(m.FaceCount() - 1);
            }
        }
    }
    m.features.Append(face);
    m.features.Append(back);
    m.ComputeVertexNormals();
    m.texture.Resize(64, 64);
    for (int r = 0; r < 64; ++r)
        for (int c = 0; c < 64; ++c)
            m.texture(r, c) = QV_Colour(static_cast<unsigned char>(r * 4), static_cast<unsigned char>(c * 4), 128);
    m.hasTexture = true;
    return m;
}

std::string RunToText(const std::string& command, const std::string& outFile, int& status)
{
    status = visagen_test::RunProgram({"/bin/sh", "-c", command + " > '" + outFile + "' 2>&1"});
    std::ifstream in(outFile);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(ObjClient, OutsideReaderAgreesOnGroupsVerticesAndFaces)
{
    const QV_Mesh m = HeadLikeMesh();
    TempDir dir;
    const std::string obj = dir.File("head.obj");
    ASSERT_TRUE(m.Save(QV_String(obj)));

    // Per group: corners and polygons. Read without processing, the outside
    // reader keeps one vertex per corner and each polygon as written.
    struct Counts {
        int corners = 0, polygons = 0;
    };
    std::map<std::string, Counts> expect;
    Counts total;
    for (int k = 0; k < m.FeatureCount(); ++k) {
        Counts& c = expect[m.features[k].name.Std()];
        for (unsigned j = 0; j < m.features[k].faceIndices.Size(); ++j) {
            const int n = m.faces[m.features[k].faceIndices[j]].count;
            c.corners += n;
            c.polygons += 1;
        }
        total.corners += c.corners;
        total.polygons += c.polygons;
    }
    ASSERT_EQ(expect.size(), 2u);
    EXPECT_EQ(expect["Face"].corners, 8 * 8 * 4);
    EXPECT_EQ(expect["Back"].polygons, 8 * 8 * 2);

    int status = -1;
    const std::string raw = RunToText("assimp info '" + obj + "' -r", dir.File("raw.txt"), status);
    ASSERT_EQ(status, 0) << raw;
    EXPECT_EQ(raw.find("ERROR"), std::string::npos) << raw;
    std::vector<std::string> match = visagen_test::Search(raw, "Meshes:\\s+(\\d+)");
    ASSERT_EQ(match.size(), 2u) << raw;
    EXPECT_EQ(std::stoi(match[1]), 2);
    match = visagen_test::Search(raw, "Vertices:\\s+(\\d+)");
    ASSERT_EQ(match.size(), 2u) << raw;
    EXPECT_EQ(std::stoi(match[1]), total.corners);
    match = visagen_test::Search(raw, "Faces:\\s+(\\d+)");
    ASSERT_EQ(match.size(), 2u) << raw;
    EXPECT_EQ(std::stoi(match[1]), total.polygons);
    for (const auto& [name, c] : expect) {
        match = visagen_test::Search(raw, "\\(" + name + "\\): \\[(\\d+) / \\d+ / (\\d+)");
        ASSERT_EQ(match.size(), 3u) << name << "\n" << raw;
        EXPECT_EQ(std::stoi(match[1]), c.corners) << name;
        EXPECT_EQ(std::stoi(match[2]), c.polygons) << name;
    }

}

TEST(ObjClient, TextureBesideTheFileOpensInImageMagick)
{
    const QV_Mesh m = HeadLikeMesh();
    TempDir dir;
    ASSERT_TRUE(m.Save(QV_String(dir.File("head.obj"))));
    ASSERT_TRUE(visagen_test::Convert({dir.File("head.jpg"), dir.File("check.png")}));
    QV_Image back;
    ASSERT_TRUE(back.LoadPNG(QV_String(dir.File("check.png"))));
    ASSERT_EQ(back.Rows(), 64);
    ASSERT_EQ(back.Cols(), 64);
    // Row 0 is the bottom row in memory on both sides of the round trip.
    for (int r : {0, 31, 63})
        for (int c : {0, 40, 63}) {
            EXPECT_NEAR(back(r, c).red, m.texture(r, c).red, 12) << r << "," << c;
            EXPECT_NEAR(back(r, c).green, m.texture(r, c).green, 12) << r << "," << c;
        }

}
