// Normals, features, bounds, index sets and adjacency of QV_Mesh.
#include <gtest/gtest.h>

#include <cfloat>

#include "MeshTestUtil.h"
#include "QV_Mesh.h"

using namespace mesh_test;

TEST(MeshDefaults, NewFeatureAndMaterial)
{
    QV_Feature f;
    EXPECT_EQ(f.id, 0);
    EXPECT_EQ(f.name.Std(), "No label");
    EXPECT_TRUE(f.visible);
    const QV_Material& m = f.material;
    EXPECT_EQ(m.version, 1);
    EXPECT_FLOAT_EQ(m.specular[0], 0.1f);
    EXPECT_FLOAT_EQ(m.specular[3], 1.0f);
    EXPECT_FLOAT_EQ(m.shininess, 0.15f);
    EXPECT_FLOAT_EQ(m.opacity, 1.0f);
    const unsigned char flags[5] = {1, 0, 0, 1, 1};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(m.flags[i], flags[i]);
    EXPECT_EQ(m.mode, 0);
    EXPECT_FLOAT_EQ(m.emissive[0], 0.7f);
    EXPECT_FLOAT_EQ(m.emissive[1], 0.1f);
    EXPECT_FLOAT_EQ(m.emissive[2], 0.25f);
    EXPECT_FLOAT_EQ(m.scale[2], 1.0f);
}

TEST(MeshFaceNormal, TriangleQuadAndDegenerate)
{
    QV_Mesh m;
    m.vertices.Append({0, 0, 0});
    m.vertices.Append({1, 0, 0});
    m.vertices.Append({0, 1, 0});
    m.vertices.Append({3, 0, 0});
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 2)), 0, 0, 1);
    ExpectPoint(m.FaceNormal(QV_Face(0, 2, 1)), 0, 0, -1);
    // Collinear corners: the zero vector is left as it is.
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 3)), 0, 0, 0);
    // A corner without a vertex gives no normal rather than reading outside.
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, -1)), 0, 0, 0);
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 99)), 0, 0, 0);

    // Quad (0,1,4,2) with 4 = (1,1,0): all four triples point along +z.
    m.vertices.Append({1, 1, 0});
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 4, 2)), 0, 0, 1);
    // Quad with a missing fourth vertex: the three triples that use it count
    // as zero and the mean is not renormalised.
    ExpectPoint(m.FaceNormal(QV_Face(0, 1, 2, -1)), 0, 0, 0.25f);
}

TEST(MeshFaceNormal, RecomputedOnlyWhenCountChangesOrForced)
{
    QV_Mesh m = SquareAndTriangle();
    m.ComputeFaceNormals(false);
    ASSERT_EQ(m.faceNormals.Size(), 2u);
    ExpectPoint(m.faceNormals[0], 0, 0, 1);
    m.faceNormals[0] = QV_Point3D(9, 9, 9);
    m.ComputeFaceNormals(false);
    ExpectPoint(m.faceNormals[0], 9, 9, 9);
    m.ComputeFaceNormals(true);
    ExpectPoint(m.faceNormals[0], 0, 0, 1);
}

TEST(MeshVertexNormals, MeanOfFacesInVertexOrderSkippingUnused)
{
    QV_Mesh m;
    m.vertices.Append({5, 5, 5});  // unused
    m.vertices.Append({0, 0, 0});
    m.vertices.Append({1, 0, 0});
    m.vertices.Append({0, 1, 0});
    m.vertices.Append({0, 0, 1});
    m.faces.Append(QV_Face(1, 2, 3));  // normal +z
    m.faces.Append(QV_Face(1, 4, 2));  // normal +y
    m.normals.Append({7, 7, 7});
    m.faces[0].corners[0].normal = 0;
    m.ComputeVertexNormals();
    // Vertex 0 is used by no face: four normals for five vertices.
    ASSERT_EQ(m.NormalCount(), 4);
    ExpectPoint(m.normals[0], 0, 0.5f, 0.5f);  // vertex 1, both faces
    ExpectPoint(m.normals[1], 0, 0.5f, 0.5f);  // vertex 2, both faces
    ExpectPoint(m.normals[2], 0, 0, 1);        // vertex 3
    ExpectPoint(m.normals[3], 0, 1, 0);        // vertex 4
    EXPECT_EQ(FacesText(m), "[1/-1/0 2/-1/1 3/-1/2][1/-1/0 4/-1/3 2/-1/1]");
}

TEST(MeshVertexNormals, CornerWithoutVertexLosesItsStaleNormal)
{
    QV_Mesh m;
    m.vertices.Append({0, 0, 0});
    m.vertices.Append({1, 0, 0});
    m.vertices.Append({0, 1, 0});
    m.normals.Append({1, 1, 1});
    m.normals.Append({1, 1, 1});
    m.normals.Append({1, 1, 1});
    m.normals.Append({1, 1, 1});
    m.faces.Append(MakeFace({Corner(0, 3), Corner(1, 3), Corner(2, 3), Corner(-1, 3)}));
    m.ComputeVertexNormals();
    ASSERT_EQ(m.NormalCount(), 3);
    EXPECT_EQ(m.faces[0].corners[3].normal, -1);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(m.faces[0].corners[c].normal, c);
}

TEST(MeshEnsureFeature, NamesAndContents)
{
    struct Case {
        const char* meshName;
        const char* featureName;
    } cases[] = {
        {"", "Single Feature"},
        {"C:\\data\\heads\\Ref.obj", "Ref"},
        {"/data/heads/My.Head.obj", "My.Head"},
        {"plain", "plain"},
    };
    for (const Case& c : cases) {
        QV_Mesh m = SquareAndTriangle();
        m.features.Clear();
        m.faces.Append(QV_Face(0, 1, 2));
        m.name = c.meshName;
        m.EnsureFeature();
        ASSERT_EQ(m.FeatureCount(), 1) << c.meshName;
        EXPECT_EQ(m.features[0].name.Std(), c.featureName);
        EXPECT_EQ(IndicesText(m.features[0].faceIndices), "0,1,2");
    }
    QV_Mesh m = SquareAndTriangle();
    m.EnsureFeature();
    EXPECT_EQ(m.FeatureCount(), 2);
}

TEST(MeshBounds, VisibleFeaturesOnly)
{
    QV_Mesh m = SquareAndTriangle();
    m.vertices.Append({-50, -50, -50});  // used by no face
    m.UpdateBounds();
    ExpectPoint(m.bboxMin, 0, 0, 0);
    ExpectPoint(m.bboxMax, 2, 1, 1);
    ExpectPoint(m.size, 2, 1, 1);
    ExpectPoint(m.centre, 1, 0.5f, 0.5f);

    m.features[1].visible = false;
    m.UpdateBounds();
    ExpectPoint(m.bboxMax, 1, 1, 0);
    ExpectPoint(m.centre, 0.5f, 0.5f, 0);
}

TEST(MeshBounds, NoFeatureLeavesTheStartValuesAndNoVertexChangesNothing)
{
    QV_Mesh m = SquareAndTriangle();
    m.features.Clear();
    m.UpdateBounds();
    EXPECT_EQ(m.bboxMin.x, FLT_MAX);
    EXPECT_EQ(m.bboxMin.z, 3.4028235e38f);
    EXPECT_EQ(m.bboxMax.y, -3.4028235e38f);

    QV_Mesh empty;
    empty.bboxMin = QV_Point3D(4, 5, 6);
    empty.UpdateBounds();
    ExpectPoint(empty.bboxMin, 4, 5, 6);
}

TEST(MeshFeatureLookup, IndexBoundsAndBadIndices)
{
    QV_Mesh m = SquareAndTriangle();
    AddFeature(m, "Square", {1});
    EXPECT_EQ(m.FeatureIndex("Wedge"), 1);
    EXPECT_EQ(m.FeatureIndex("Square"), 0);  // the first of two
    EXPECT_EQ(m.FeatureIndex("square"), -1);
    EXPECT_EQ(m.FeatureIndex("Squar"), -1);

    QV_Point3D lo(7, 7, 7), hi(7, 7, 7);
    ASSERT_TRUE(m.FeatureBounds(1, lo, hi));
    ExpectPoint(lo, 1, 0, 0);
    ExpectPoint(hi, 2, 1, 1);
    // Invisible features still have bounds of their own.
    m.features[0].visible = false;
    ASSERT_TRUE(m.FeatureBounds(0, lo, hi));
    ExpectPoint(hi, 1, 1, 0);

    for (int bad : {-1, 3, 1000}) {
        QV_Point3D a(7, 7, 7), b(7, 7, 7);
        EXPECT_FALSE(m.FeatureBounds(bad, a, b));
        ExpectPoint(a, 7, 7, 7);
    }
}

TEST(MeshFeatureIndexSet, KindsOrderOfFirstUseAndRefusals)
{
    QV_Mesh m = SquareAndTriangle();
    for (int i = 0; i < 5; ++i) m.texCoords.Append({0.1f * i, 0});
    m.faces[1].corners[0].texCoord = 3;
    m.faces[1].corners[2].texCoord = 1;
    AddFeature(m, "Both", {1, 0});

    QV_List<int> out;
    out.Append(4);  // already held: not repeated
    EXPECT_EQ(m.FeatureIndexSet(2, out, 'v'), 1);
    EXPECT_EQ(IndicesText(out), "4,1,2,0,3");

    QV_List<int> tex;
    EXPECT_EQ(m.FeatureIndexSet(2, tex, 't'), 1);
    EXPECT_EQ(IndicesText(tex), "3,1");
    QV_List<int> nor;
    EXPECT_EQ(m.FeatureIndexSet(2, nor, 'n'), 1);
    EXPECT_EQ(nor.Size(), 0u);

    QV_List<int> untouched;
    EXPECT_EQ(m.FeatureIndexSet(3, untouched, 'v'), 0);
    EXPECT_EQ(m.FeatureIndexSet(-1, untouched, 'v'), 0);
    EXPECT_EQ(m.FeatureIndexSet(0, untouched, 'x'), 0);
    EXPECT_EQ(m.FeatureIndexSet(0, untouched, 'V'), 0);
    EXPECT_EQ(untouched.Size(), 0u);
}

TEST(MeshAdjacency, VertexFacesTexCoordsAndTexCoordVertices)
{
    QV_Mesh m = SquareAndTriangle();
    for (int i = 0; i < 6; ++i) m.texCoords.Append({0.1f * i, 0});
    // Square: vertex i uses texture coordinate i; wedge: vertex 1 uses 5,
    // vertex 4 uses 4, vertex 2 uses 2 again.
    for (int c = 0; c < 4; ++c) m.faces[0].corners[c].texCoord = c;
    m.faces[1].corners[0].texCoord = 5;
    m.faces[1].corners[1].texCoord = 4;
    m.faces[1].corners[2].texCoord = 2;
    // A face that uses vertex 0 twice is listed twice for it.
    m.faces.Append(MakeFace({Corner(0, -1, 0), Corner(3, -1, 5), Corner(0, -1, 0)}));

    std::vector<std::vector<int>> vf, vt, tv;
    m.BuildVertexFaces(vf);
    ASSERT_EQ(vf.size(), 5u);
    EXPECT_EQ(vf[0], (std::vector<int>{0, 2, 2}));
    EXPECT_EQ(vf[1], (std::vector<int>{0, 1}));
    EXPECT_EQ(vf[4], (std::vector<int>{1}));

    m.BuildVertexTexCoords(vt);
    ASSERT_EQ(vt.size(), 5u);
    EXPECT_EQ(vt[0], (std::vector<int>{0}));
    EXPECT_EQ(vt[1], (std::vector<int>{1, 5}));
    EXPECT_EQ(vt[3], (std::vector<int>{3, 5}));

    m.BuildTexCoordVertices(tv);
    ASSERT_EQ(tv.size(), 6u);
    EXPECT_EQ(tv[2], (std::vector<int>{2}));
    EXPECT_EQ(tv[5], (std::vector<int>{1, 3}));
}

TEST(MeshCopyAndClear, CopyIsDeepAndClearEmptiesEverything)
{
    QV_Mesh m = SquareAndTriangle();
    m.name = "a.obj";
    m.texture.Resize(2, 3);
    m.texture.SetJPEGQuality(77);
    m.texture.SetComment("note");
    m.hasTexture = true;
    m.features[0].material.shininess = 0.5f;

    QV_Mesh copy = m;
    m.vertices[0] = QV_Point3D(9, 9, 9);
    m.features[0].faceIndices.Append(1);
    EXPECT_EQ(copy.vertices[0], QV_Point3D(0, 0, 0));
    EXPECT_EQ(copy.features[0].faceIndices.Size(), 1u);
    EXPECT_FLOAT_EQ(copy.features[0].material.shininess, 0.5f);
    EXPECT_EQ(copy.texture.Rows(), 2);
    EXPECT_EQ(copy.texture.JPEGQuality(), 77);
    EXPECT_EQ(copy.texture.Comment().Std(), "note");
    EXPECT_TRUE(copy.hasTexture);

    m.ComputeVertexNormals();
    m.texCoords.Append({0, 0});
    m.Clear();
    EXPECT_TRUE(m.name.IsEmpty());
    EXPECT_EQ(m.VertexCount() + m.NormalCount() + m.TexCoordCount() + m.FaceCount() + m.FeatureCount(), 0);
    EXPECT_EQ(m.faceNormals.Size(), 0u);
    EXPECT_TRUE(m.texture.Empty());
    EXPECT_FALSE(m.hasTexture);
}
