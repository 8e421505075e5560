#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "QV_ShapeInstance.h"
#include "ShapeModelTestUtil.h"

namespace {

using shape_test::MakeAnnotation;

std::vector<QV_Point2D> Line(int n, float y = 0.5f)
{
    std::vector<QV_Point2D> pts;
    for (int i = 0; i < n; ++i) pts.emplace_back(0.01f * static_cast<float>(i), y);
    return pts;
}

struct EyeCase {
    const char* name;
    std::vector<std::pair<const char*, int>> parts;  // label, points (an unused "X" part comes first)
    int right, left;
};

TEST(QV_ShapeInstance, EyeReferenceIndices)
{
    // Every case starts with an unused part of 5 points and a used part of
    // 3 points, so the first listed part starts at point 3 (x index 6).
    const std::vector<EyeCase> cases = {
        {"EYES points 1 and 5", {{"EYES", 8}}, 6 + 2, 6 + 10},
        {"irises, point 2", {{"LEFT IRIS", 4}, {"RIGHT IRIS", 4}}, 6 + 8 + 4, 6 + 4},
        {"eye contours, point 6", {{"RIGHT EYE", 8}, {"LEFT EYE", 8}}, 6 + 12, 6 + 16 + 12},
        {"an iris wins over the eye contours", {{"RIGHT EYE", 8}, {"LEFT EYE", 8}, {"RIGHT IRIS", 3}}, 6 + 32 + 4, -1},
        {"EYES wins over the contours", {{"RIGHT EYE", 8}, {"EYES", 6}}, 6 + 16 + 2, 6 + 16 + 10},
        {"points missing from the part", {{"EYES", 2}, {"LEFT IRIS", 2}}, 6 + 2, -1},
        {"nothing about eyes", {{"FACE", 8}}, -1, -1},
        {"labels are case-sensitive", {{"right eye", 8}, {"LEFT EYE", 8}}, -1, 6 + 16 + 12},
    };
    for (const EyeCase& c : cases) {
        QV_AnnotationModel m;
        m.annotations.Append(MakeAnnotation("RIGHT IRIS", Line(5), 1, 0));
        m.annotations.Append(MakeAnnotation("X", Line(3)));
        for (const auto& [label, n] : c.parts) m.annotations.Append(MakeAnnotation(label, Line(n)));
        QV_ShapeInstance s;
        s.SetFromAnnotation(QV_Point2D(100.0f, 100.0f), m);
        EXPECT_EQ(s.rightEyeIndex, c.right) << c.name;
        EXPECT_EQ(s.leftEyeIndex, c.left) << c.name;
    }
}

TEST(QV_ShapeInstance, AnnotationRoundTripInPixels)
{
    QV_AnnotationModel m;
    m.annotations.Append(MakeAnnotation("FACE", {{0.1f, 0.2f}, {0.3f, 0.4f}}, 1));
    m.annotations.Append(MakeAnnotation("NOSE", {{0.9f, 0.9f}}, 1, 0));
    m.annotations.Append(MakeAnnotation("LEFT EYE", {{0.5f, 0.25f}, {0.75f, 0.5f}, {0.5f, 1.0f}}, 0));
    m[2].landmarks.Append(1);
    QV_ShapeInstance s;
    s.SetFromAnnotation(QV_Point2D(640.0f, 480.0f), m);
    ASSERT_EQ(s.points.Count(), 10);
    EXPECT_EQ(s.normals.Count(), 10);
    ASSERT_EQ(s.parts.size(), 2u);
    EXPECT_EQ(s.parts[1].numPoints, 3);
    EXPECT_FLOAT_EQ(s.points[0], 64.0f);
    EXPECT_FLOAT_EQ(s.points[1], 96.0f);
    EXPECT_FLOAT_EQ(s.points[8], 320.0f);
    EXPECT_FLOAT_EQ(s.points[9], 480.0f);

    QV_AnnotationModel out;
    out.annotations.Append(MakeAnnotation("OLD", {{0, 0}}));
    s.ToAnnotation(QV_Point2D(640.0f, 480.0f), out);
    ASSERT_EQ(out.Count(), 2);
    EXPECT_TRUE(out[0].label == "FACE");
    EXPECT_TRUE(out[1].label == "LEFT EYE");
    EXPECT_EQ(out[0].open, 1);
    EXPECT_EQ(out[1].open, 0);
    EXPECT_EQ(out[1].used, 1);
    EXPECT_EQ(out[1].normalised, 1);
    ASSERT_EQ(out[1].NumPoints(), 3);
    EXPECT_NEAR(out[1].points[1].x, 0.75f, 1e-6f);
    EXPECT_NEAR(out[1].points[2].y, 1.0f, 1e-6f);
    // At another level's size the same shape gives other fractions.
    s.ToAnnotation(QV_Point2D(320.0f, 240.0f), out);
    EXPECT_NEAR(out[0].points[1].x, 0.6f, 1e-6f);
}

TEST(QV_ShapeInstance, NormalsFollowThePartsSegments)
{
    QV_AnnotationModel m;
    // Open line along x: every normal is (0, 1).
    m.annotations.Append(MakeAnnotation("A", {{0.0f, 0.0f}, {0.1f, 0.0f}, {0.3f, 0.0f}}, 1));
    // Closed square, counter-clockwise: corners get the diagonal normals.
    m.annotations.Append(MakeAnnotation("B", {{0.0f, 0.0f}, {0.1f, 0.0f}, {0.1f, 0.1f}, {0.0f, 0.1f}}, 0));
    // A single point gets (0, 1).
    m.annotations.Append(MakeAnnotation("C", {{0.5f, 0.5f}}, 1));
    QV_ShapeInstance s;
    s.SetFromAnnotation(QV_Point2D(100.0f, 100.0f), m);
    s.UpdateNormals();
    const float r = std::sqrt(0.5f);
    const std::vector<QV_Point2D> expected = {{0, 1}, {0, 1}, {0, 1}, {r, r}, {-r, r}, {-r, -r}, {r, -r}, {0, 1}};
    // Segment normal (-dy, dx): along +x it is (0, 1); for point 0 of the
    // square the closing segment (0,0.1)->(0,0) has normal (0.1, 0)/0.1.
    ASSERT_EQ(s.NumPoints(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(s.Normal(i).x, expected[i].x, 1e-6f) << i;
        EXPECT_NEAR(s.Normal(i).y, expected[i].y, 1e-6f) << i;
    }
}

TEST(QV_ShapeInstance, ApplyFixedCopiesOnlyFlaggedCoordinates)
{
    QV_ShapeInstance s;
    s.points.Resize(4);
    for (int i = 0; i < 4; ++i) s.points[i] = static_cast<float>(i);
    s.ApplyFixed();  // no constraint: nothing happens
    EXPECT_EQ(s.points[3], 3.0f);
    s.fixedValues.Resize(4);
    s.fixedValues.Fill(-1.0f);
    s.fixedFlags.Resize(4);
    s.fixedFlags.Fill(0);
    s.fixedFlags[1] = 1;
    s.fixedFlags[2] = 1;
    s.ApplyFixed();
    EXPECT_EQ(s.points[0], 0.0f);
    EXPECT_EQ(s.points[1], -1.0f);
    EXPECT_EQ(s.points[2], -1.0f);
    EXPECT_EQ(s.points[3], 3.0f);
}

}  // namespace
