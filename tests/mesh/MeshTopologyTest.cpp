// Triangulation into fans and compaction to what the features use.
#include <gtest/gtest.h>

#include "MeshTestUtil.h"
#include "QV_Mesh.h"

using namespace mesh_test;

TEST(MeshTriangulate, FansPerFeatureInWalkOrder)
{
    QV_Mesh m;
    for (int i = 0; i < 8; ++i) m.vertices.Append({static_cast<float>(i), 0, 0});
    m.faces.Append(QV_Face(0, 1, 2));                                                                  // 0
    m.faces.Append(MakeFace({Corner(0, 0, 1), Corner(1, 1, 2), Corner(2, 2, 3), Corner(3, 3, 4)}));  // 1
    m.faces.Append(MakeFace({Corner(3), Corner(4), Corner(5), Corner(6), Corner(7)}));               // 2
    m.faces.Append(QV_Face(5, 6, 7));  // 3: listed by no feature
    AddFeature(m, "A", {2, 0, 77});     // 77: no such face
    AddFeature(m, "B", {1});
    m.Triangulate();

    EXPECT_EQ(FacesText(m),
              "[3/-1/-1 4/-1/-1 5/-1/-1][3/-1/-1 5/-1/-1 6/-1/-1][3/-1/-1 6/-1/-1 7/-1/-1]"
              "[0/-1/-1 1/-1/-1 2/-1/-1]"
              "[0/1/0 1/2/1 2/3/2][0/1/0 2/3/2 3/4/3]");
    EXPECT_EQ(IndicesText(m.features[0].faceIndices), "0,1,2,3");
    EXPECT_EQ(IndicesText(m.features[1].faceIndices), "4,5");
    for (int i = 0; i < m.FaceCount(); ++i) EXPECT_EQ(m.faces[i].corners[3], QV_Corner());
}

TEST(MeshTriangulate, KeepsTheWindingOfAQuad)
{
    QV_Mesh m = SquareAndTriangle();
    m.Triangulate();
    ASSERT_EQ(m.FaceCount(), 3);
    m.ComputeFaceNormals(true);
    for (int i = 0; i < 2; ++i) ExpectPoint(m.faceNormals[i], 0, 0, 1);
}

TEST(MeshCompact, OrderOfFirstUseAcrossFeatures)
{
    QV_Mesh m;
    for (int i = 0; i < 6; ++i) m.vertices.Append({static_cast<float>(i), 0, 0});
    for (int i = 0; i < 4; ++i) m.normals.Append({0, static_cast<float>(i), 0});
    for (int i = 0; i < 5; ++i) m.texCoords.Append({0, 0.1f * i});
    m.faces.Append(MakeFace({Corner(0, 0, 0), Corner(1, 0, 1), Corner(2, 0, 2)}));   // unused
    m.faces.Append(MakeFace({Corner(5, 3, 4), Corner(3, 2, -1), Corner(4, 3, 4)}));  // 1
    m.faces.Append(MakeFace({Corner(4, 1), Corner(2, 1), Corner(5, 1), Corner(3, 1)}));  // 2
    AddFeature(m, "X", {2});
    AddFeature(m, "Y", {1});
    m.Compact();

    // Walk: face 2 (vertices 4 2 5 3, normal 1), then face 1.
    ASSERT_EQ(m.VertexCount(), 4);
    EXPECT_EQ(m.vertices[0].x, 4);
    EXPECT_EQ(m.vertices[1].x, 2);
    EXPECT_EQ(m.vertices[2].x, 5);
    EXPECT_EQ(m.vertices[3].x, 3);
    ASSERT_EQ(m.NormalCount(), 3);
    EXPECT_EQ(m.normals[0].y, 1);
    EXPECT_EQ(m.normals[1].y, 3);
    EXPECT_EQ(m.normals[2].y, 2);
    ASSERT_EQ(m.TexCoordCount(), 1);
    EXPECT_FLOAT_EQ(m.texCoords[0].y, 0.4f);
    EXPECT_EQ(FacesText(m), "[0/-1/0 1/-1/0 2/-1/0 3/-1/0][2/0/1 3/-1/2 0/0/1]");
    EXPECT_EQ(IndicesText(m.features[0].faceIndices), "0");
    EXPECT_EQ(IndicesText(m.features[1].faceIndices), "1");
}

TEST(MeshCompact, OutOfRangeIndicesBecomeNone)
{
    QV_Mesh m = SquareAndTriangle();
    m.faces[1].corners[1].vertex = 40;
    m.faces[1].corners[1].normal = 2;  // there are no normals
    m.Compact();
    EXPECT_EQ(m.VertexCount(), 4);
    EXPECT_EQ(FacesText(m), "[0/-1/-1 1/-1/-1 2/-1/-1 3/-1/-1][1/-1/-1 -1/-1/-1 2/-1/-1]");
}
