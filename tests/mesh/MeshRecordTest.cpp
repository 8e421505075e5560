// The binary record of a mesh and of its materials: exact layout, round trips
// and corrupt records.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "MeshTestUtil.h"
#include "QV_BinaryIO.h"
#include "QV_Mesh.h"
#include "QV_MeshIO.h"
#include "TestSupport.h"

using namespace mesh_test;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;
using visagen_test::WriteFileBytes;

namespace {

QV_Mesh RichMesh()
{
    QV_Mesh m = SquareAndTriangle();
    m.name = "C:\\heads\\rich.obj";
    for (int i = 0; i < 5; ++i) m.texCoords.Append({0.2f * i, 1.0f - 0.2f * i});
    m.faces[0].corners[2].texCoord = 4;
    m.faces[1].corners[0].texCoord = 1;
    m.ComputeVertexNormals();
    m.features[0].id = 7;
    m.features[1].visible = false;
    m.features[1].material.shininess = 0.75f;
    m.features[1].material.flags[4] = 9;
    m.features[1].material.mode = 1;
    m.features[1].material.emissive[2] = 0.5f;
    m.features[1].material.scale[1] = 2.0f;
    m.texture.Resize(3, 4);
    for (int i = 0; i < m.texture.Count(); ++i)
        m.texture.Data()[i] = QV_Colour(static_cast<unsigned char>(i * 20), 3, static_cast<unsigned char>(255 - i), 255);
    m.hasTexture = true;
    return m;
}

bool WriteMesh(const QV_Mesh& m, const std::string& path)
{
    QV_File f = QV_OpenFile(path.c_str(), "wb");
    return f && m.Write(f.get()) == f.get();
}

bool ReadMesh(QV_Mesh& m, const std::string& path)
{
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    return f && m.Read(f.get()) == f.get();
}

void PutI32(std::vector<unsigned char>& b, size_t at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }

}  // namespace

TEST(MeshRecord, LayoutOfASmallMesh)
{
    QV_Mesh m;
    m.name = "ab";
    m.vertices.Append({1, 2, 3});
    m.faces.Append(MakeFace({Corner(0, -1, -1)}));
    AddFeature(m, "F", {0});
    TempDir dir;
    ASSERT_TRUE(WriteMesh(m, dir.File("m.bin")));
    const std::vector<unsigned char> b = ReadFileBytes(dir.File("m.bin"));

    std::vector<unsigned char> expect;
    auto i32 = [&](int32_t v) { expect.insert(expect.end(), reinterpret_cast<unsigned char*>(&v), reinterpret_cast<unsigned char*>(&v) + 4); };
    auto i64 = [&](int64_t v) { expect.insert(expect.end(), reinterpret_cast<unsigned char*>(&v), reinterpret_cast<unsigned char*>(&v) + 8); };
    auto f32 = [&](float v) { expect.insert(expect.end(), reinterpret_cast<unsigned char*>(&v), reinterpret_cast<unsigned char*>(&v) + 4); };
    auto u8 = [&](unsigned char v) { expect.push_back(v); };
    i32(1);                       // version
    i32(3), u8('a'), u8('b'), u8(0);  // name
    i32(1), f32(1), f32(2), f32(3);   // vertices
    i32(0);                       // normals
    i32(0);                       // texture coordinates
    i32(1), i32(1), i32(0), i32(-1), i32(-1);  // one face of one corner
    i32(1);                       // features
    i32(0), u8(1), i32(2), u8('F'), u8(0);
    i32(1), f32(0.15f), f32(1.0f), u8(1), u8(0), u8(0), u8(1), u8(1), i32(0);
    const float colours[4][4] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {0.1f, 0.1f, 0.1f, 1}, {0.7f, 0.1f, 0.25f, 1}};
    for (const auto& c : colours) {
        i64(4), i64(0), i64(3);
        for (float v : c) f32(v);
    }
    f32(1), f32(1), f32(1);
    i32(1), i32(0);  // face indices
    u8(0);           // no texture
    EXPECT_EQ(b, expect);
}

TEST(MeshRecord, RoundTripKeepsEverythingAndRewritesTheSameBytes)
{
    const QV_Mesh m = RichMesh();
    TempDir dir;
    ASSERT_TRUE(WriteMesh(m, dir.File("a.bin")));
    QV_Mesh back;
    back.vertices.Append({42, 42, 42});  // replaced, not appended to
    ASSERT_TRUE(ReadMesh(back, dir.File("a.bin")));
    EXPECT_EQ(FacesText(back), FacesText(m));
    EXPECT_EQ(back.features[1].material, m.features[1].material);
    ASSERT_TRUE(back.hasTexture);
    ASSERT_EQ(back.texture.Count(), 12);
    EXPECT_EQ(0, std::memcmp(back.texture.Data(), m.texture.Data(), 12 * sizeof(QV_Colour)));
    ExpectPoint(back.bboxMax, 1, 1, 0);  // the box, over the visible feature only

    ASSERT_TRUE(WriteMesh(back, dir.File("b.bin")));
    EXPECT_EQ(ReadFileBytes(dir.File("a.bin")), ReadFileBytes(dir.File("b.bin")));
}

TEST(MeshRecord, BinaryMeshFileIsOneRecordNamedAfterItsPath)
{
    QV_Mesh m = SquareAndTriangle();  // no normals
    m.name = "stored name";
    m.features.Clear();
    TempDir dir;
    const QV_String path(dir.File("head.AMX"));
    ASSERT_TRUE(m.Save(path));
    QV_Mesh back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.name.Std(), path.Std());
    EXPECT_EQ(back.NormalCount(), 5);
    ASSERT_EQ(back.FeatureCount(), 1);
    EXPECT_EQ(back.features[0].name.Std(), "head");
    QV_File f = QV_OpenFile(path, "rb");
    QV_Mesh raw;
    ASSERT_TRUE(raw.Read(f.get()));
    EXPECT_EQ(raw.name.Std(), m.name.Std());
}

TEST(MeshRecord, CorruptRecordsFailCleanly)
{
    TempDir dir;
    const std::string good = dir.File("good.bin");
    ASSERT_TRUE(WriteMesh(RichMesh(), good));
    const std::vector<unsigned char> bytes = ReadFileBytes(good);
    // Offsets in the record of RichMesh: version 0, name 4 (17 characters and
    // the NUL), vertex count 26, 5 vertices, normal count 90.
    const size_t nameAt = 4, vertexCountAt = 26, normalCountAt = 90;
    const size_t normalsEnd = normalCountAt + 4 + 5 * 12;
    const size_t texEnd = normalsEnd + 4 + 5 * 8;
    const size_t faceCountAt = texEnd, firstCornerAt = faceCountAt + 8;
    const size_t featureCountAt = faceCountAt + 4 + (4 + 4 * 12) + (4 + 3 * 12);
    ASSERT_EQ(bytes[featureCountAt], 2);

    struct Case {
        const char* what;
        std::function<void(std::vector<unsigned char>&)> damage;
    } cases[] = {
        {"huge name", [&](auto& b) { PutI32(b, nameAt, 0x7fffffff); }},
        {"huge vertex count", [&](auto& b) { PutI32(b, vertexCountAt, 0x7fffffff); }},
        {"negative vertex count", [&](auto& b) { PutI32(b, vertexCountAt, -5); }},
        {"cut in the faces", [&](auto& b) { b.resize(firstCornerAt + 20); }},
        {"huge face count", [&](auto& b) { PutI32(b, faceCountAt, 0x7ffffff0); }},
        {"negative face count", [&](auto& b) { PutI32(b, faceCountAt, -1); }},
        {"six corners", [&](auto& b) { PutI32(b, faceCountAt + 4, 6); }},
        {"negative corners", [&](auto& b) { PutI32(b, faceCountAt + 4, -3); }},
        {"vertex index past the end", [&](auto& b) { PutI32(b, firstCornerAt, 5); }},
        {"vertex index below -1", [&](auto& b) { PutI32(b, firstCornerAt, -2); }},
        {"normal index past the end", [&](auto& b) { PutI32(b, firstCornerAt + 4, 1000); }},
        {"texture index past the end", [&](auto& b) { PutI32(b, firstCornerAt + 8, 5); }},
        {"huge feature count", [&](auto& b) { PutI32(b, featureCountAt, 1000000); }},
        {"feature face index past the end",
         [&](auto& b) {
             // First feature: id, visible, name "Square" (4 + 7), material
             // (193 bytes), face index count, then its one index.
             PutI32(b, featureCountAt + 4 + 4 + 1 + 11 + 193 + 4, 2);
         }},
        {"cut before the texture flag", [&](auto& b) { b.resize(b.size() - 1); }},
    };
    // The texture record follows the flag; cutting it fails too.
    const size_t flagAt = bytes.size() - 1;
    (void)flagAt;

    for (const Case& c : cases) {
        std::vector<unsigned char> b = bytes;
        c.damage(b);
        const std::string path = dir.File("bad.bin");
        WriteFileBytes(path, b);
        QV_Mesh m;
        testing::internal::CaptureStderr();
        const bool ok = ReadMesh(m, path);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(ok) << c.what;
        EXPECT_NE(err.find("QV_Mesh::Read() Error! : "), std::string::npos) << c.what << ": " << err;
        // Whatever was kept is consistent: every face index names an entry.
        for (int i = 0; i < m.FaceCount(); ++i)
            for (int k = 0; k < m.faces[i].count; ++k) {
                EXPECT_LT(m.faces[i].corners[k].vertex, m.VertexCount()) << c.what;
                EXPECT_LT(m.faces[i].corners[k].normal, m.NormalCount()) << c.what;
                EXPECT_LT(m.faces[i].corners[k].texCoord, m.TexCoordCount()) << c.what;
            }
        for (int k = 0; k < m.FeatureCount(); ++k)
            for (unsigned j = 0; j < m.features[k].faceIndices.Size(); ++j)
                EXPECT_LT(m.features[k].faceIndices[j], m.FaceCount()) << c.what;
    }
}

TEST(MeshRecord, TruncationAtEveryLengthFails)
{
    TempDir dir;
    const std::string good = dir.File("good.bin");
    ASSERT_TRUE(WriteMesh(RichMesh(), good));
    const size_t size = ReadFileBytes(good).size();
    for (size_t n = 0; n < size; n += (n < 400 ? 1 : 37)) {
        visagen_test::WriteTruncated(good, dir.File("cut.bin"), n);
        QV_Mesh m;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(ReadMesh(m, dir.File("cut.bin"))) << "cut at " << n;
        testing::internal::GetCapturedStderr();
    }
}

TEST(MeshRecord, ShortReadEmptiesTheListItStoppedIn)
{
    TempDir dir;
    ASSERT_TRUE(WriteMesh(RichMesh(), dir.File("good.bin")));
    // Cut inside the texture coordinates: vertices and normals stay as read.
    visagen_test::WriteTruncated(dir.File("good.bin"), dir.File("cut.bin"), 90 + 4 + 60 + 4 + 12);
    QV_Mesh m;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ReadMesh(m, dir.File("cut.bin")));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(m.VertexCount() * 100 + m.NormalCount() * 10 + m.TexCoordCount() + m.FaceCount(), 550);
}

TEST(MaterialRecord, ColourRecordOfAnotherLengthIsRefused)
{
    TempDir dir;
    const std::string path = dir.File("mat.bin");
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        ASSERT_TRUE(QV_Material().Write(f.get()));
    }
    std::vector<unsigned char> b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 193u);
    // The ambient colour claims 3 elements with bounds 0..2.
    const int64_t three = 3, two = 2;
    std::memcpy(b.data() + 21, &three, 8);
    std::memcpy(b.data() + 37, &two, 8);
    WriteFileBytes(path, b);
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    QV_Material back;
    back.shininess = 0.9f;
    EXPECT_FALSE(back.Read(f.get()));
    EXPECT_FLOAT_EQ(back.shininess, 0.9f);  // unchanged
}
