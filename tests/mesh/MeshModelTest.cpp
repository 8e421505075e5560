// Normals, features, bounds, index sets and adjacency of QV_Mesh.
#include <gtest/gtest.h>

#include <cfloat>

#include "MeshTestUtil.h"

using namespace mesh_test;

TEST(MeshNormals, FaceNormalsOfTrianglesQuadsAndBrokenFaces)
{
    QV_Mesh m;
    for (QV_Point3D p : {QV_Point3D(0, 0, 0), QV_Point3D(1, 0, 0), QV_Point3D(0, 1, 0), QV_Point3D(3, 0, 0),
                         QV_Point3D(1, 1, 0)})
        m.vertices.Append(p);
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 2)), 0, 0, 1);
    ExpectPoint(m.FaceNormal(QV_Face(0, 2, 1)), 0, 0, -1);
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 3)), 0, 0, 0);   // collinear: zero stays zero
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 99)), 0, 0, 0);  // no vertex: nothing read
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 4, 2)), 0, 0, 1);
    // Three of the four triples lack a vertex and count as zero; the mean is
    // not renormalised.
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 2, -1)), 0, 0, 0.25f);

    m.faces.Append(QV_Face(0, 1, 2));
    m.ComputeFaceNormals(false);
    m.faceNormals[0] = QV_Point3D(9, 9, 9);
    m.ComputeFaceNormals(false);  // same count: kept
    ExpectPoint(m.faceNormals[0], 9, 9, 9);
    m.ComputeFaceNormals(true);
    ExpectPoint(m.faceNormals[0], 0, 0, 1);
}

TEST(MeshNormals, VertexNormalsInVertexOrderSkippingUnusedVertices)
{
    QV_Mesh m;
    for (QV_Point3D p : {QV_Point3D(5, 5, 5), QV_Point3D(0, 0, 0), QV_Point3D(1, 0, 0), QV_Point3D(0, 1, 0),
                         QV_Point3D(0, 0, 1)})
        m.vertices.Append(p);
    m.faces.Append(QV_Face(1, 2, 3));  // +z
    m.faces.Append(MakeFace({Corner(1), Corner(4), Corner(2), Corner(-1, 0)}));  
    m.normals.Append({7, 7, 7});
    m.ComputeVertexNormals();
    ASSERT_EQ(m.NormalCount(), 4);  // vertex 0 is unused
    // The quad's normal is (0, 0.25, 0): one of its four triples has a vertex
    // missing. Vertices 1 and 2 take the mean of both faces.
    ExpectPoint(m.normals[0], 0, 0.125f, 0.5f);
    ExpectPoint(m.normals[1], 0, 0.125f, 0.5f);
    ExpectPoint(m.normals[2], 0, 0, 1);
    ExpectPoint(m.normals[3], 0, 0.25f, 0);
    // The corner without a vertex loses its stale normal index.
    EXPECT_EQ(FacesText(m), "[1/-1/0 2/-1/1 3/-1/2][1/-1/0 4/-1/3 2/-1/1 -1/-1/-1]");
}

TEST(MeshFeatures, EnsureFeatureNamesAndContents)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "Single Feature"}, {"C:\\data\\Ref.obj", "Ref"}, {"/data/My.Head.obj", "My.Head"}};
    for (const auto& [meshName, featureName] : cases) {
        QV_Mesh m = SquareAndTriangle();
        m.features.Clear();
        m.name = meshName;
        m.EnsureFeature();
        ASSERT_EQ(m.FeatureCount(), 1);
        EXPECT_EQ(m.features[0].name.Std(), featureName);
        EXPECT_EQ(IndicesText(m.features[0].faceIndices), "0,1");
    }
    QV_Mesh m = SquareAndTriangle();
    m.EnsureFeature();
    EXPECT_EQ(m.FeatureCount(), 2);
}

TEST(MeshFeatures, BoundsCountVisibleFeaturesOnly)
{
    QV_Mesh m = SquareAndTriangle();
    m.vertices.Append({-50, -50, -50});  // used by no face
    m.UpdateBounds();
    ExpectPoint(m.bboxMin, 0, 0, 0);
    ExpectPoint(m.size, 2, 1, 1);
    ExpectPoint(m.centre, 1, 0.5f, 0.5f);
    m.features[1].visible = false;
    m.UpdateBounds();
    ExpectPoint(m.bboxMax, 1, 1, 0);

    m.features.Clear();
    m.UpdateBounds();
    EXPECT_EQ(m.bboxMin.x, 3.4028235e38f);
    EXPECT_EQ(m.bboxMax.y, -3.4028235e38f);
    QV_Mesh empty;
    empty.bboxMin = QV_Point3D(4, 5, 6);
    empty.UpdateBounds();  // no vertex: nothing changes
    ExpectPoint(empty.bboxMin, 4, 5, 6);
}

TEST(MeshFeatures, LookupsAndBadIndices)
{
    QV_Mesh m = SquareAndTriangle();
    AddFeature(m, "Square", {1});
    EXPECT_EQ(m.FeatureIndex("Square"), 0);
    EXPECT_EQ(m.FeatureIndex("Wedge"), 1);
    EXPECT_EQ(m.FeatureIndex("Squar"), -1);
    QV_Point3D lo(7, 7, 7), hi(7, 7, 7);
    ASSERT_TRUE(m.FeatureBounds(1, lo, hi));
    ExpectPoint(lo, 1, 0, 0);
    ExpectPoint(hi, 2, 1, 1);
    EXPECT_FALSE(m.FeatureBounds(3, lo, hi));
    EXPECT_FALSE(m.FeatureBounds(-1, lo, hi));

    for (int i = 0; i < 5; ++i) m.texCoords.Append({0.1f * i, 0});
    m.faces[1].corners[0].texCoord = 3;
    m.faces[1].corners[2].texCoord = 1;
    AddFeature(m, "Both", {1, 0});
    QV_List<int> v, t, none;
    v.Append(4);  // already held: not repeated
    EXPECT_EQ(m.FeatureIndexSet(3, v, 'v'), 1);
    EXPECT_EQ(IndicesText(v), "4,1,2,0,3");
    EXPECT_EQ(m.FeatureIndexSet(3, t, 't'), 1);
    EXPECT_EQ(IndicesText(t), "3,1");
    EXPECT_EQ(m.FeatureIndexSet(4, none, 'v'), 0);
    EXPECT_EQ(m.FeatureIndexSet(0, none, 'x'), 0);
    EXPECT_EQ(none.Size(), 0u);
}

TEST(MeshAdjacency, VertexFacesTexCoordsAndTexCoordVertices)
{
    QV_Mesh m = SquareAndTriangle();
    for (int i = 0; i < 6; ++i) m.texCoords.Append({0.1f * i, 0});
    for (int c = 0; c < 4; ++c) m.faces[0].corners[c].texCoord = c;
    m.faces[1].corners[0].texCoord = 5;
    m.faces[1].corners[1].texCoord = 4;
    m.faces[1].corners[2].texCoord = 2;
    m.faces.Append(MakeFace({Corner(0, -1, 0), Corner(3, -1, 5), Corner(0, -1, 0)}));  // vertex 0 twice

    std::vector<std::vector<int>> vf, vt, tv;
    m.BuildVertexFaces(vf);
    m.BuildVertexTexCoords(vt);
    m.BuildTexCoordVertices(tv);
    ASSERT_EQ(vf.size(), 5u);
    EXPECT_EQ(vf[0], (std::vector<int>{0, 2, 2}));
    EXPECT_EQ(vf[1], (std::vector<int>{0, 1}));
    ASSERT_EQ(vt.size(), 5u);
    EXPECT_EQ(vt[0], (std::vector<int>{0}));
    EXPECT_EQ(vt[3], (std::vector<int>{3, 5}));
    ASSERT_EQ(tv.size(), 6u);
    EXPECT_EQ(tv[2], (std::vector<int>{2}));
    EXPECT_EQ(tv[5], (std::vector<int>{1, 3}));
}

TEST(MeshClear, EmptiesNameListsAndTexture)
{
    QV_Mesh m = SquareAndTriangle();
    m.name = "a.obj";
    m.texture.Resize(2, 3);
    m.hasTexture = true;
    m.ComputeVertexNormals();
    m.Clear();
    EXPECT_TRUE(m.name.IsEmpty());
    EXPECT_EQ(m.VertexCount() + m.NormalCount() + m.FaceCount() + m.FeatureCount() +
                  static_cast<int>(m.faceNormals.Size()),
              0);
    EXPECT_TRUE(m.texture.Empty());
    EXPECT_FALSE(m.hasTexture);
}
