// 3DS: the chunk tree read back by a small walker (ids, nesting, lengths,
// counts and values), the vertex per texture coordinate, the texture beside
// the file, and the meshes that are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "MeshTestUtil.h"
#include "QV_MIO_3DS.h"
#include "QV_Mesh.h"
#include "TestSupport.h"

using namespace mesh_test;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;

namespace {

struct Chunk {
    uint16_t id = 0;
    size_t data = 0;  // first content byte
    size_t end = 0;   // one past the last byte
    std::vector<Chunk> children;
};

// Chunks whose content is only sub-chunks, and those with data before them.
bool OnlyChildren(uint16_t id)
{
    for (uint16_t p : {0x4D4D, 0x3D3D, 0xAFFF, 0xA010, 0xA020, 0xA030, 0xA040, 0xA041, 0xA050, 0xA052, 0xA053,
                       0xA084, 0xA200, 0x4100, 0xB000, 0xB002})
        if (id == p) return true;
    return false;
}

class ChunkReader {
public:
    explicit ChunkReader(std::vector<unsigned char> file) : b(std::move(file)) {}

    uint16_t U16(size_t at) const { return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8); }
    uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
    float F32(size_t at) const
    {
        const uint32_t u = U32(at);
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    std::string Text(size_t at) const
    {
        std::string s;
        while (b.at(at) != 0) s += static_cast<char>(b.at(at++));
        return s;
    }
    size_t Size() const { return b.size(); }

    // The chunks laid end to end in from..to; a length that does not fit
    // fails the test.
    std::vector<Chunk> Walk(size_t from, size_t to) const
    {
        std::vector<Chunk> out;
        size_t at = from;
        while (at < to) {
            EXPECT_LE(at + 6, to);
            if (at + 6 > to) break;
            Chunk c;
            c.id = U16(at);
            const uint32_t length = U32(at + 2);
            c.data = at + 6;
            c.end = at + length;
            EXPECT_GE(length, 6u) << std::hex << c.id;
            EXPECT_LE(c.end, to) << std::hex << c.id;
            if (length < 6 || c.end > to) break;
            size_t childStart = c.end;
            if (OnlyChildren(c.id)) childStart = c.data;
            if (c.id == 0x4000) childStart = c.data + Text(c.data).size() + 1;
            if (c.id == 0x4120) childStart = c.data + 2 + 8u * U16(c.data);
            c.children = Walk(childStart, c.end);
            out.push_back(c);
            at = c.end;
        }
        EXPECT_EQ(at, to);
        return out;
    }

private:
    std::vector<unsigned char> b;
};

// "id(child child ...)" in hex, for comparing the whole tree at once.
std::string Shape(const std::vector<Chunk>& chunks)
{
    std::string s;
    for (const Chunk& c : chunks) {
        char id[8];
        std::snprintf(id, sizeof id, "%04X", c.id);
        if (!s.empty()) s += ' ';
        s += id;
        if (!c.children.empty()) {
            s += '(';
            s += Shape(c.children);
            s += ')';
        }
    }
    return s;
}

const Chunk* Find(const std::vector<Chunk>& chunks, uint16_t id)
{
    for (const Chunk& c : chunks) {
        if (c.id == id) return &c;
        if (const Chunk* inner = Find(c.children, id)) return inner;
    }
    return nullptr;
}

// The triangles of the file as corner positions, and as texture vertices.
struct Decoded {
    std::vector<QV_Point3D> points;
    std::vector<QV_Point2D> uvs;
    std::vector<int> corners;  // three per face
};

Decoded Decode(const ChunkReader& r, const std::vector<Chunk>& tree)
{
    Decoded d;
    const Chunk* points = Find(tree, 0x4110);
    const Chunk* uvs = Find(tree, 0x4140);
    const Chunk* faces = Find(tree, 0x4120);
    EXPECT_TRUE(points && uvs && faces);
    if (!points || !uvs || !faces) return d;
    const uint16_t n = r.U16(points->data);
    EXPECT_EQ(points->end, points->data + 2 + 12u * n);
    EXPECT_EQ(r.U16(uvs->data), n);
    EXPECT_EQ(uvs->end, uvs->data + 2 + 8u * n);
    for (size_t i = 0; i < n; ++i) {
        const size_t p = points->data + 2 + 12 * i, t = uvs->data + 2 + 8 * i;
        d.points.emplace_back(r.F32(p), r.F32(p + 4), r.F32(p + 8));
        d.uvs.emplace_back(r.F32(t), r.F32(t + 4));
    }
    const uint16_t f = r.U16(faces->data);
    for (size_t i = 0; i < f; ++i) {
        const size_t at = faces->data + 2 + 8 * i;
        for (int k = 0; k < 3; ++k) {
            d.corners.push_back(r.U16(at + 2 * k));
            EXPECT_LT(d.corners.back(), n);
        }
        EXPECT_EQ(r.U16(at + 6), 13);  // face flags
    }
    return d;
}

bool Save3ds(const QV_Mesh& m, const std::string& path, std::string* err = nullptr)
{
    testing::internal::CaptureStderr();
    QV_MIO_3DS io(path.c_str());
    const bool ok = io.Save(m);
    const std::string text = testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return ok;
}

}  // namespace

TEST(Write3ds, ChunkTreeIdsLengthsAndValues)
{
    TempDir dir;
    const std::string path = dir.File("averylongname.3ds");
    QV_Mesh m = SquareAndTriangle();
    for (int i = 0; i < 5; ++i) m.texCoords.Append({0.25f * i, 1.0f - 0.25f * i});
    for (int f = 0; f < m.FaceCount(); ++f)
        for (int c = 0; c < m.faces[f].count; ++c) m.faces[f].corners[c].texCoord = m.faces[f].corners[c].vertex;
    ASSERT_TRUE(Save3ds(m, path));
    const ChunkReader r(ReadFileBytes(path));
    const std::vector<Chunk> tree = r.Walk(0, r.Size());
    EXPECT_EQ(Shape(tree),
              "4D4D(3D3D(3D3E 0100 AFFF(A000 A010(0011) A020(0011) A030(0011) A040(0030) A041(0030) A050(0030) "
              "A052(0030) A053(0030) A100 A08A A084(0030) A087 A200(0030 A300 A351 A353)) "
              "4000(4100(4110 4140 4120(4130 4150) 4160))) "
              "B000(B00A B008 B009 B002(B030 B010 B013 B020 B021 B022)))");
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree[0].end, r.Size());

    // Names: the map and the object take the first 8 characters of the title.
    EXPECT_EQ(r.Text(Find(tree, 0xA300)->data), "averylon.jpg");
    EXPECT_EQ(r.Text(Find(tree, 0x4000)->data), "averylon");
    EXPECT_EQ(r.Text(Find(tree, 0xB010)->data), "averylon");
    const Chunk& ambient = Find(tree, 0xA010)->children.at(0);
    EXPECT_EQ(ambient.end - ambient.data, 3u);
    EXPECT_EQ(r.U16(ambient.data) & 0xFF, 200);
    // Counts: 5 points, 3 triangles in one material group and one smoothing
    // group each.
    const Decoded d = Decode(r, tree);
    EXPECT_EQ(d.points.size(), 5u);
    EXPECT_EQ(d.corners, (std::vector<int>{0, 1, 2, 0, 2, 3, 1, 4, 2}));
    const Chunk* group = Find(tree, 0x4130);
    EXPECT_EQ(r.Text(group->data), "VMtl01");
    EXPECT_EQ(r.U16(group->data + 7), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r.U16(group->data + 9 + 2 * i), i);
    EXPECT_EQ(group->end, group->data + 9 + 6);
    const Chunk* smoothing = Find(tree, 0x4150);
    EXPECT_EQ(smoothing->end - smoothing->data, 12u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r.U32(smoothing->data + 4 * i), 1u);
    // Tracks: a 14-byte header holding one key, then that key's frame, flags
    // and values.
    EXPECT_EQ(r.U32(Find(tree, 0xB020)->data + 10), 1u);
    EXPECT_EQ(Find(tree, 0xB021)->end - Find(tree, 0xB021)->data, 20u + 16u);
    EXPECT_EQ(r.F32(Find(tree, 0xB022)->data + 20), 1.0f);
}

TEST(Write3ds, OneVertexPerTextureCoordinateAndEveryCornerKeepsItsPlace)
{
    TempDir dir;
    QV_Mesh m;
    for (int i = 0; i < 6; ++i) m.vertices.Append({static_cast<float>(i), 10.0f * i, -1.0f * i});
    for (int i = 0; i < 4; ++i) m.texCoords.Append({0.1f * i, 0.2f * i});
    // Vertex v uses texture coordinate 3 - v, except: vertex 4 shares
    // coordinate 0 with vertex 3, and vertex 5 has none.
    m.faces.Append(MakeFace({Corner(0, -1, 3), Corner(1, -1, 2), Corner(2, -1, 1), Corner(3, -1, 0)}));
    m.faces.Append(MakeFace({Corner(3, -1, 0), Corner(4, -1, 0), Corner(5), Corner(1, -1, 2)}));
    m.faces.Append(QV_Face(0, 1, 2));  // in no feature: not written
    AddFeature(m, "A", {0, 1});
    const std::string path = dir.File("v.3ds");
    ASSERT_TRUE(Save3ds(m, path));
    const ChunkReader r(ReadFileBytes(path));
    const Decoded d = Decode(r, r.Walk(0, r.Size()));

    // The first four points are the texture coordinates' vertices; the two
    // corners that would otherwise move or have no point get points after them.
    ASSERT_EQ(d.points.size(), 6u);
    for (int t = 0; t < 4; ++t) {
        ExpectPoint(d.points[t], 3.0f - t, 10.0f * (3 - t), -1.0f * (3 - t));
        EXPECT_FLOAT_EQ(d.uvs[t].x, 0.1f * t);
    }
    QV_Mesh expected = m;
    expected.Triangulate();
    ASSERT_EQ(d.corners.size(), 3u * expected.FaceCount());
    for (int f = 0; f < expected.FaceCount(); ++f)
        for (int c = 0; c < 3; ++c) {
            const QV_Corner& want = expected.faces[f].corners[c];
            const int got = d.corners[3 * f + c];
            const QV_Point3D& p = m.vertices[want.vertex];
            ExpectPoint(d.points[got], p.x, p.y, p.z);
            const QV_Point2D uv = want.texCoord >= 0 ? m.texCoords[want.texCoord] : QV_Point2D();
            EXPECT_FLOAT_EQ(d.uvs[got].x, uv.x) << f << " " << c;
            EXPECT_FLOAT_EQ(d.uvs[got].y, uv.y) << f << " " << c;
            if (want.texCoord >= 0 && want.vertex == 3 - want.texCoord) {
                EXPECT_EQ(got, want.texCoord);
            }
        }
    EXPECT_FALSE(std::filesystem::exists(dir.File("v.jpg")));  // no texture to write
}

TEST(Write3ds, TextureBesideUnderTheShortNameWhateverTheSeparator)
{
    TempDir dir;
    QV_Mesh m = SquareAndTriangle();
    m.texture = QV_Image(4, 6);
    m.hasTexture = true;
    ASSERT_TRUE(Save3ds(m, dir.Path() + "\\headmodel1.3ds"));
    EXPECT_FALSE(ReadFileBytes(dir.File("headmodel1.3ds")).empty());
    QV_Image saved;
    ASSERT_TRUE(saved.Load(dir.File("headmode.jpg")));
    EXPECT_EQ(saved.Cols(), 6);
}

TEST(Write3ds, RefusedMeshesWriteNothing)
{
    TempDir dir;
    std::string err;
    EXPECT_FALSE(Save3ds(QV_Mesh(), dir.File("empty.3ds"), &err));
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.3ds")));

    // 65536 points do not fit the 16-bit count; 65535 do.
    QV_Mesh big;
    for (int i = 0; i < 65535; ++i) big.vertices.Append({static_cast<float>(i), 0, 0});
    big.faces.Append(QV_Face(0, 1, 2));
    for (int i = 3; i + 2 < 65535; i += 3) big.faces.Append(QV_Face(i, i + 1, i + 2));
    big.features.Append(QV_Feature());
    for (int f = 0; f < big.FaceCount(); ++f) big.features[0].faceIndices.Append(f);
    ASSERT_TRUE(Save3ds(big, dir.File("fits.3ds"), &err)) << err;
    const ChunkReader fits(ReadFileBytes(dir.File("fits.3ds")));
    EXPECT_EQ(Decode(fits, fits.Walk(0, fits.Size())).points.size(), 65535u);

    big.vertices.Append({1, 1, 1});
    big.faces.Append(QV_Face(65534, 65535, 0));
    big.features[0].faceIndices.Append(big.FaceCount() - 1);
    EXPECT_FALSE(Save3ds(big, dir.File("points.3ds"), &err));
    EXPECT_NE(err.find("65536 vertices"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("points.3ds")));

    QV_Mesh many;
    for (int i = 0; i < 3; ++i) many.vertices.Append({static_cast<float>(i), 1, 0});
    many.features.Append(QV_Feature());
    for (int f = 0; f < 65536; ++f) {
        many.faces.Append(QV_Face(0, 1, 2));
        many.features[0].faceIndices.Append(f);
    }
    EXPECT_FALSE(Save3ds(many, dir.File("faces.3ds"), &err));
    EXPECT_NE(err.find("65536 triangles"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("faces.3ds")));

    testing::internal::CaptureStderr();
    QV_Mesh loaded;
    EXPECT_FALSE(loaded.Load(QV_String(dir.File("fits.3ds"))));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "QV_MIO_3DS::Load() not implemented\n");
}
