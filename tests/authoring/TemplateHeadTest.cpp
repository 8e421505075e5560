// The procedural template head: a closed, consistently oriented surface with
// its parts, a frontal texture layout over the face, the front annotation's
// contours and conventions, and the mask's colour rule.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "QV_TemplateHead.h"

namespace {

namespace TH = QV_TemplateHead;

const QV_Mesh& TemplateMesh()
{
    static const QV_Mesh mesh = [] {
        QV_Mesh m;
        TH::BuildMesh(m, 128);
        return m;
    }();
    return mesh;
}

TEST(TemplateHeadMesh, EveryEdgeJoinsTwoFacesInOppositeDirections)
{
    const QV_Mesh& mesh = TemplateMesh();
    EXPECT_GE(mesh.VertexCount(), 4000);
    EXPECT_LE(mesh.VertexCount(), 6000);
    std::map<std::pair<int, int>, int> directed;
    for (int f = 0; f < mesh.FaceCount(); ++f) {
        const QV_Face& face = mesh.faces[f];
        ASSERT_GE(face.count, 3);
        for (int c = 0; c < face.count; ++c) {
            const int a = face.corners[c].vertex, b = face.corners[(c + 1) % face.count].vertex;
            ASSERT_NE(a, b) << "degenerate edge in face " << f;
            ++directed[{a, b}];
        }
    }
    for (const auto& [edge, count] : directed) {
        EXPECT_EQ(count, 1) << "edge " << edge.first << "-" << edge.second << " repeated in one direction";
        const auto back = directed.find({edge.second, edge.first});
        EXPECT_TRUE(back != directed.end() && back->second == 1)
            << "edge " << edge.first << "-" << edge.second << " is on the border";
    }
    // Every vertex is used by some face.
    std::vector<int> used(static_cast<size_t>(mesh.VertexCount()), 0);
    for (int f = 0; f < mesh.FaceCount(); ++f)
        for (int c = 0; c < mesh.faces[f].count; ++c) used[static_cast<size_t>(mesh.faces[f].corners[c].vertex)] = 1;
    for (int v = 0; v < mesh.VertexCount(); ++v) EXPECT_TRUE(used[static_cast<size_t>(v)]) << "vertex " << v;
}

TEST(TemplateHeadMesh, GroupsCoverEveryFaceOnceAndSitWhereTheyBelong)
{
    const QV_Mesh& mesh = TemplateMesh();
    std::vector<int> owner(static_cast<size_t>(mesh.FaceCount()), 0);
    for (const char* name : {"Face", "Head", "RightEye", "LeftEye", "RightEar", "LeftEar"}) {
        const int g = mesh.FeatureIndex(name);
        ASSERT_GE(g, 0) << name;
        EXPECT_GT(mesh.features[g].faceIndices.Size(), 0u) << name;
        for (unsigned k = 0; k < mesh.features[g].faceIndices.Size(); ++k)
            ++owner[static_cast<size_t>(mesh.features[g].faceIndices[static_cast<int>(k)])];
    }
    for (size_t f = 0; f < owner.size(); ++f) EXPECT_EQ(owner[f], 1) << "face " << f;
    // The subject's right is at negative x: right eye and ear left of the left ones.
    QV_Point3D lo, hi, lo2, hi2;
    ASSERT_TRUE(mesh.FeatureBounds(mesh.FeatureIndex("RightEye"), lo, hi));
    ASSERT_TRUE(mesh.FeatureBounds(mesh.FeatureIndex("LeftEye"), lo2, hi2));
    EXPECT_LT(hi.x, 0.0f);
    EXPECT_GT(lo2.x, 0.0f);
    EXPECT_NEAR(hi.x - lo.x, 2 * TH::kEyeRadius, 1e-3);
    ASSERT_TRUE(mesh.FeatureBounds(mesh.FeatureIndex("RightEar"), lo, hi));
    EXPECT_LT(hi.x, -0.6f);
    ASSERT_TRUE(mesh.FeatureBounds(mesh.FeatureIndex("Face"), lo, hi));
    EXPECT_GT(lo.z, 0.0f) << "the face feature is on the front";
}

TEST(TemplateHeadMesh, TextureCoordinatesAreInsideAndTheFaceMapsFrontally)
{
    const QV_Mesh& mesh = TemplateMesh();
    for (int t = 0; t < mesh.TexCoordCount(); ++t) {
        const QV_Point2D& uv = mesh.texCoords[t];
        EXPECT_TRUE(uv.x >= 0 && uv.x <= 1 && uv.y >= 0 && uv.y <= 1) << "texture coordinate " << t;
    }
    // Along every edge of the face region u never falls as x grows nor v as y
    // grows, and no face is folded over in texture space.
    const QV_Feature& face = mesh.features[mesh.FeatureIndex("Face")];
    int edges = 0;
    for (unsigned k = 0; k < face.faceIndices.Size(); ++k) {
        const QV_Face& f = mesh.faces[face.faceIndices[static_cast<int>(k)]];
        for (int c = 0; c < f.count; ++c) {
            const QV_Corner& a = f.corners[c];
            const QV_Corner& b = f.corners[(c + 1) % f.count];
            const QV_Point3D pa = mesh.vertices[a.vertex], pb = mesh.vertices[b.vertex];
            const QV_Point2D ta = mesh.texCoords[a.texCoord], tb = mesh.texCoords[b.texCoord];
            EXPECT_GE((tb.x - ta.x) * (pb.x - pa.x), 0.0f);
            EXPECT_GE((tb.y - ta.y) * (pb.y - pa.y), 0.0f);
            ++edges;
        }
        const QV_Point3D p0 = mesh.vertices[f.corners[0].vertex], p1 = mesh.vertices[f.corners[1].vertex],
                         p2 = mesh.vertices[f.corners[2].vertex];
        const QV_Point2D t0 = mesh.texCoords[f.corners[0].texCoord], t1 = mesh.texCoords[f.corners[1].texCoord],
                         t2 = mesh.texCoords[f.corners[2].texCoord];
        const float areaXY = (p1.x - p0.x) * (p2.y - p0.y) - (p2.x - p0.x) * (p1.y - p0.y);
        const float areaUV = (t1.x - t0.x) * (t2.y - t0.y) - (t2.x - t0.x) * (t1.y - t0.y);
        EXPECT_GT(areaXY * areaUV, 0.0f) << "face " << face.faceIndices[static_cast<int>(k)];
    }
    EXPECT_GT(edges, 1000);
}

TEST(TemplateHeadSurface, LayoutInversesAndHeightsAgree)
{
    for (double s : {0.0, 0.1, 0.25, 0.4, 0.6, 0.758, 0.9, 1.0}) {
        EXPECT_NEAR(TH::ParameterOfV(TH::VOfParameter(s)), s, 1e-9);
        EXPECT_NEAR(TH::ParameterAtHeight(TH::HeightAt(s)), s, 1e-9);
    }
    for (double phi : {-3.1, -1.2, -0.5, 0.0, 0.7, 1.5, 3.1}) EXPECT_NEAR(TH::AngleOfU(TH::UOfAngle(phi)), phi, 1e-9);
    // The surface is mirror symmetric: x flips with phi, y and z stay.
    for (double s : {0.2, 0.45, 0.7}) {
        const QV_Point3D a = TH::Surface(s, 0.4), b = TH::Surface(s, -0.4);
        EXPECT_NEAR(a.x, -b.x, 1e-6);
        EXPECT_NEAR(a.y, b.y, 1e-6);
        EXPECT_NEAR(a.z, b.z, 1e-6);
    }
}

struct ContourRule {
    const char* label;
    int points;
    bool open;
};

TEST(TemplateHeadAnnotation, ContoursHaveTheFaceTemplatesCountsAndFlags)
{
    const ContourRule rules[] = {
        {"FACE", 22, false},       {"RIGHT EYE", 8, false},   {"LEFT EYE", 8, false},   {"RIGHT IRIS", 3, true},
        {"LEFT IRIS", 3, true},    {"BROW RIDGE", 11, true},  {"NOSE", 25, true},       {"OUTER MOUTH", 12, false},
        {"INNER MOUTH", 12, false}, {"RIGHT CHEEK", 5, true}, {"LEFT CHEEK", 5, true},  {"NOSE BRIDGE", 7, true},
        {"HEAD", 17, true},        {"NECK", 11, true},        {"RIGHT EAR", 8, true},   {"LEFT EAR", 8, true},
    };
    QV_AnnotationModel model;
    TH::FrontAnnotation(model);
    ASSERT_EQ(model.Count(), static_cast<int>(std::size(rules)));
    for (int a = 0; a < model.Count(); ++a) {
        SCOPED_TRACE(rules[a].label);
        EXPECT_EQ(model[a].label.Std(), rules[a].label);
        EXPECT_EQ(model[a].NumPoints(), rules[a].points);
        EXPECT_EQ(model[a].open != 0, rules[a].open);
        for (int i = 0; i < model[a].NumPoints(); ++i) {
            const QV_Point2D& p = model[a].points[i];
            EXPECT_TRUE(p.x > 0 && p.x < 1 && p.y > 0 && p.y < 1) << "point " << i;
        }
        for (unsigned k = 0; k < model[a].landmarks.Size(); ++k)
            EXPECT_LT(model[a].landmarks[static_cast<int>(k)], model[a].NumPoints());
    }
}

TEST(TemplateHeadAnnotation, PointConventionsHold)
{
    QV_AnnotationModel model;
    TH::FrontContoursInHeadUnits(model);
    auto P = [&](const char* label, int i) { return model[model.Find(label)].points[i]; };
    // Face: 0 at the top, 4 and 18 at the sides, 11 the lowest point (chin).
    for (int i = 0; i < 22; ++i) {
        EXPECT_LE(P("FACE", i).y, P("FACE", 0).y + 1e-6f);
        EXPECT_GE(P("FACE", i).y, P("FACE", 11).y - 1e-6f);
    }
    EXPECT_LT(P("FACE", 4).x, 0.0f);
    EXPECT_GT(P("FACE", 18).x, 0.0f);
    // Eyes: point 0 the outer corner, 4 the inner one, 1..3 the upper lid.
    EXPECT_LT(P("RIGHT EYE", 0).x, P("RIGHT EYE", 4).x);
    EXPECT_GT(P("LEFT EYE", 0).x, P("LEFT EYE", 4).x);
    EXPECT_GT(P("RIGHT EYE", 2).y, P("RIGHT EYE", 6).y);
    EXPECT_NEAR(P("RIGHT IRIS", 1).x, -TH::kEyeX, 1e-5);
    // Mouth: 0..6 along the upper lip, 7..11 back along the lower one; point 3
    // above the corners.
    EXPECT_LT(P("OUTER MOUTH", 0).x, P("OUTER MOUTH", 6).x);
    EXPECT_GT(P("OUTER MOUTH", 3).y, P("OUTER MOUTH", 0).y);
    EXPECT_LT(P("OUTER MOUTH", 9).y, P("OUTER MOUTH", 0).y);
    for (int i : {1, 3, 5}) EXPECT_GT(P("INNER MOUTH", i).y, P("INNER MOUTH", 12 - i).y) << "lips apart at " << i;
    // Nose 8 and 16 are the nostril wings, 12 the centre.
    EXPECT_NEAR(P("NOSE", 12).x, 0.0f, 1e-6);
    EXPECT_LT(P("NOSE", 8).x, P("NOSE", 16).x);
}

TEST(TemplateHeadAnnotation, MirroringGivesTheSameAnnotation)
{
    // The head is symmetric, so every contour's point order convention is
    // right exactly when mirroring the model changes nothing.
    QV_AnnotationModel model;
    TH::FrontAnnotation(model);
    const QV_Point2D centre = TH::FrontFrame(0.0f, 0.0f);
    ASSERT_NEAR(centre.x, 0.5f, 1e-6);
    QV_AnnotationModel mirrored(model);
    mirrored.Mirror();
    ASSERT_EQ(mirrored.Count(), model.Count());
    for (int a = 0; a < model.Count(); ++a) {
        ASSERT_EQ(mirrored[a].label.Std(), model[a].label.Std());
        ASSERT_EQ(mirrored[a].NumPoints(), model[a].NumPoints());
        for (int i = 0; i < model[a].NumPoints(); ++i) {
            EXPECT_NEAR(mirrored[a].points[i].x, model[a].points[i].x, 1e-5) << model[a].label.Std() << " " << i;
            EXPECT_NEAR(mirrored[a].points[i].y, model[a].points[i].y, 1e-5) << model[a].label.Std() << " " << i;
        }
    }
}

TEST(TemplateHeadAnnotation, ProfileHasTheContoursTheProfileNormalisationReads)
{
    QV_AnnotationModel model;
    TH::ProfileAnnotation(model);
    const int face = model.Find("FACE"), eye = model.Find("EYE"), mouth = model.Find("MOUTH");
    ASSERT_GE(face, 0);
    ASSERT_GE(eye, 0);
    ASSERT_GE(mouth, 0);
    EXPECT_GE(model[face].NumPoints(), 35);
    EXPECT_GE(model[mouth].NumPoints(), 3);
    EXPECT_GE(model.Find("HEAD SIDE"), 0);
    EXPECT_GE(model.Find("NECK"), 0);
    // The face silhouette is in front of (right of) the eye, the eye above the mouth.
    EXPECT_GT(model[face].points[20].x, model[eye].points[0].x);
    EXPECT_GT(model[eye].points[0].y, model[mouth].points[2].y);
}

TEST(TemplateHeadTexture, MaskFollowsTheColourRule)
{
    const int size = 256;
    QV_Image mask;
    TH::BlendMask(size, mask);
    ASSERT_EQ(mask.Rows(), size);
    int green = 0, blue = 0, black = 0, mixed = 0;
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) {
            const QV_Colour& m = mask(r, c);
            ASSERT_EQ(m.red, 0) << r << "," << c;
            if (m.green == 0 && m.blue == 0) {
                ++black;
                continue;
            }
            ASSERT_NEAR(m.green + m.blue, 255, 1) << r << "," << c;
            if (m.green == 255) ++green;
            else if (m.blue == 255) ++blue;
            else ++mixed;
        }
    EXPECT_GT(green, 0);
    EXPECT_GT(blue, green);
    EXPECT_GT(mixed, 0) << "the face fades into the stock";
    EXPECT_GT(black, 0);
    // The top of the head keeps the stock hair; the back of the neck is tinted.
    EXPECT_EQ(mask(size - 1, size / 2), QV_Colour(0, 0, 0));
    EXPECT_EQ(mask(static_cast<int>(0.15 * size), 2), QV_Colour(0, 0, 255));
}

TEST(TemplateHeadTexture, BlendSamplePointOfTheStandardPluginIsOnPhotographedSkin)
{
    // The standard plug-in compares skin colours in the 11 x 11 texels around
    // (0.362, 0.562): all of them must take the photograph and be stock skin.
    for (int size : {512, 1024}) {
        QV_Image mask, stock;
        TH::BlendMask(size, mask);
        TH::StockTexture(size, stock);
        const int cr = static_cast<int>(std::lround(0.562 * size)), cc = static_cast<int>(std::lround(0.362 * size));
        for (int r = cr - 5; r <= cr + 5; ++r)
            for (int c = cc - 5; c <= cc + 5; ++c) {
                EXPECT_GT(mask(r, c).green, 100) << size << ": " << r << "," << c;
                EXPECT_GT(stock(r, c).red, 180) << "skin, not hair, at " << r << "," << c;
            }
    }
}

}  // namespace
