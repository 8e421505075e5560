// Welding vertices within a tolerance: the mapping rule, checked against a
// direct pairwise rendering of it on clouds with clusters and odd values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "MeshTestUtil.h"
#include "QV_Mesh.h"

using namespace mesh_test;

namespace {

// The rule spelled out pairwise: in vertex order, a vertex not mapped yet
// starts a new vertex and takes every unmapped vertex within the tolerance.
std::vector<int> ReferenceMap(const std::vector<QV_Point3D>& p, float tolerance)
{
    std::vector<int> map(p.size(), -1);
    int next = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        if (map[i] >= 0) continue;
        map[i] = next;
        for (size_t j = 0; j < p.size(); ++j) {
            if (j == i || map[j] >= 0) continue;
            const double dx = static_cast<double>(p[i].x) - p[j].x, dy = static_cast<double>(p[i].y) - p[j].y,
                         dz = static_cast<double>(p[i].z) - p[j].z;
            if (tolerance >= 0 && std::sqrt(dx * dx + dy * dy + dz * dz) <= tolerance) map[j] = next;
        }
        ++next;
    }
    return map;
}

// One triangle per three points, all in one feature, so Compact keeps them all.
QV_Mesh Soup(const std::vector<QV_Point3D>& p)
{
    QV_Mesh m;
    for (const QV_Point3D& q : p) m.vertices.Append(q);
    QV_Feature f;
    for (size_t i = 0; i + 2 < p.size(); i += 3) {
        m.faces.Append(QV_Face(static_cast<int>(i), static_cast<int>(i + 1), static_cast<int>(i + 2)));
        f.faceIndices.Append(m.FaceCount() - 1);
    }
    m.features.Append(f);
    return m;
}

void ExpectWeldedAsReference(const std::vector<QV_Point3D>& p, float tolerance, const char* what)
{
    ASSERT_EQ(p.size() % 3, 0u);
    QV_Mesh m = Soup(p);
    m.Weld(tolerance);
    const std::vector<int> map = ReferenceMap(p, tolerance);
    const int count = map.empty() ? 0 : *std::max_element(map.begin(), map.end()) + 1;
    ASSERT_EQ(m.VertexCount(), count) << what << " tolerance " << tolerance;
    for (size_t i = 0; i < p.size(); ++i) {
        const QV_Corner& c = m.faces[static_cast<int>(i / 3)].corners[i % 3];
        ASSERT_EQ(c.vertex, map[i]) << what << " vertex " << i;
    }
    // Each new vertex stands where the first vertex mapped to it stood.
    std::vector<bool> seen(static_cast<size_t>(count), false);
    for (size_t i = 0; i < p.size(); ++i) {
        if (seen[static_cast<size_t>(map[i])]) continue;
        seen[static_cast<size_t>(map[i])] = true;
        const QV_Point3D& q = m.vertices[map[i]];
        EXPECT_EQ(std::memcmp(&q, &p[i], sizeof q), 0) << what << " vertex " << i;
    }
}

}  // namespace

TEST(MeshWeld, MapsInVertexOrderWithoutFollowingTheRelation)
{
    // 0 -- 0.75 -- 1.5 on a line: the middle one joins the first; the last is
    // within reach of the middle one only, which does not pass it on.
    QV_Mesh m;
    for (float x : {0.0f, 0.75f, 1.5f, 0.0f, 7.0f}) m.vertices.Append({x, 0, 0});
    m.vertices.Append({9, 9, 9});  // used by no face
    for (int i = 0; i < 3; ++i) m.normals.Append({0, 0, static_cast<float>(i)});
    for (int i = 0; i < 2; ++i) m.texCoords.Append({0, static_cast<float>(i)});
    m.faces.Append(MakeFace({Corner(4, 2, 1), Corner(0, 0, 0), Corner(1, 1, 0)}));
    m.faces.Append(QV_Face(2, 3, 0));
    AddFeature(m, "F", {0, 1});
    m.Weld(1.0f);

    // After Compact the order is 7, 0, 0.75, 1.5, 0 (first use); normals and
    // texture coordinates are compacted but not merged.
    ASSERT_EQ(m.VertexCount(), 3);
    EXPECT_EQ(m.NormalCount(), 3);
    EXPECT_EQ(m.TexCoordCount(), 2);
    ExpectPoint(m.vertices[0], 7, 0, 0);
    ExpectPoint(m.vertices[1], 0, 0, 0);
    ExpectPoint(m.vertices[2], 1.5f, 0, 0);
    EXPECT_EQ(FacesText(m), "[0/0/0 1/1/1 1/1/2][2/-1/-1 1/-1/-1 1/-1/-1]");
}

TEST(MeshWeld, DistanceEqualToTheToleranceMergesAndBeyondDoesNot)
{
    const std::vector<QV_Point3D> p = {{0, 0, 0}, {0, 0.5f, 0}, {0.5f, 0.5f, 0}};
    QV_Mesh a = Soup(p);
    a.Weld(0.5f);
    EXPECT_EQ(a.VertexCount(), 2);
    QV_Mesh b = Soup(p);
    b.Weld(std::nextafter(0.5f, 0.0f));
    EXPECT_EQ(b.VertexCount(), 3);
    QV_Mesh c = Soup({{1, 2, 3}, {1, 2, 3}, {1, 2, 3.0001f}});
    c.Weld(0.0f);  // only identical positions
    EXPECT_EQ(c.VertexCount(), 2);
    QV_Mesh d = Soup({{1, 2, 3}, {1, 2, 3}, {1, 2, 3}});
    d.Weld(-1.0f);  // nothing lies within a negative distance
    EXPECT_EQ(d.VertexCount(), 3);
}

TEST(MeshWeld, AgreesWithThePairwiseRuleOnClusteredClouds)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> centre(-5.0f, 5.0f), jitter(-0.002f, 0.002f);
    for (int round = 0; round < 6; ++round) {
        std::vector<QV_Point3D> p;
        // Clusters of near points whose spread is about the tolerance, so that
        // chains and cell borders both occur; exact repeats too.
        for (int k = 0; k < 120; ++k) {
            const QV_Point3D c(centre(rng), centre(rng), centre(rng));
            const int n = 1 + static_cast<int>(rng() % 6);
            for (int i = 0; i < n; ++i) p.push_back({c.x + jitter(rng), c.y + jitter(rng), c.z + jitter(rng)});
            if (k % 7 == 0) p.push_back(c), p.push_back(c);
        }
        while (p.size() % 3) p.push_back(p[p.size() / 2]);
        for (float tol : {0.0f, 0.001f, 0.0025f, 0.004f, 0.5f}) ExpectWeldedAsReference(p, tol, "cloud");
    }
}

TEST(MeshWeld, OddCoordinatesNeitherCrashNorMergeWrongly)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float big = 3.0e38f;
    // NaN and infinite coordinates, values near the float limit with a tiny
    // tolerance (cells must not overflow), and close pairs far from the origin.
    const std::vector<QV_Point3D> p = {
        {nan, 0, 0},    {nan, 0, 0},        {0, 0, 0},         {inf, 0, 0},         {inf, 0, 0},
        {-inf, 1, 1},   {big, -big, big},   {big, -big, big},  {-big, big, -big},   {1e30f, 1e30f, 1e30f},
        {1e30f, 1e30f, std::nextafter(1e30f, 2e30f)}, {0, 0, 1e-7f},
    };
    for (float tol : {0.0f, 1e-6f, 1e-3f, 1.0f, 1e31f}) ExpectWeldedAsReference(p, tol, "odd");
    QV_Mesh m = Soup(p);
    m.Weld(nan);
    EXPECT_EQ(m.VertexCount(), static_cast<int>(p.size()));
}
