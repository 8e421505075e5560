#include <gtest/gtest.h>

#include <cmath>

#include "QV_AnnotationModel.h"
#include "QV_InterpolatingCurve.h"

namespace {

QV_Annotation Line(const char* label, std::initializer_list<QV_Point2D> pts, bool open = true)
{
    QV_Annotation a;
    a.label = label;
    a.open = open ? 1 : 0;
    for (const QV_Point2D& p : pts) a.points.Append(p);
    return a;
}

TEST(InterpolatingCurve, PassesThroughItsPointsAtTheirChordParameters)
{
    std::vector<QV_Point2D> pts{{0, 0}, {10, 2}, {20, -3}, {35, 5}, {40, 12}, {41, 30}};
    for (int degree : {1, 2, 3}) {
        QV_InterpolatingCurve c;
        ASSERT_TRUE(c.Fit(pts, degree));
        for (size_t k = 0; k < pts.size(); ++k) {
            QV_Point2D q = c.Evaluate(c.Parameters()[k]);
            EXPECT_NEAR(q.x, pts[k].x, 1e-3) << "degree " << degree << " point " << k;
            EXPECT_NEAR(q.y, pts[k].y, 1e-3) << "degree " << degree << " point " << k;
        }
    }
    // Degree 1 is the polyline: the chord-length midpoint of the first segment.
    QV_InterpolatingCurve lin;
    ASSERT_TRUE(lin.Fit(pts, 1));
    QV_Point2D mid = lin.Evaluate(lin.Parameters()[1] * 0.5f);
    EXPECT_NEAR(mid.x, 5.0f, 1e-4);
    EXPECT_NEAR(mid.y, 1.0f, 1e-4);
}

TEST(InterpolatingCurve, DerivativeMatchesFiniteDifferencesAndDegreeIsCappedForFewPoints)
{
    std::vector<QV_Point2D> pts{{0, 0}, {50, 40}, {100, 0}, {150, -30}};
    QV_InterpolatingCurve c;
    ASSERT_TRUE(c.Fit(pts, 3));
    const float u = 0.37f, h = 1e-3f;
    QV_Point2D fd = (c.Evaluate(u + h) - c.Evaluate(u - h)) / (2 * h);
    QV_Point2D d1 = c.Derivative1(u);
    EXPECT_NEAR(d1.x, fd.x, 0.5f);
    EXPECT_NEAR(d1.y, fd.y, 0.5f);
    QV_Point2D fd2 = (c.Derivative1(u + h) - c.Derivative1(u - h)) / (2 * h);
    QV_Point2D d2 = c.Derivative2(u);
    EXPECT_NEAR(d2.x, fd2.x, 5.0f);
    EXPECT_NEAR(d2.y, fd2.y, 5.0f);

    QV_InterpolatingCurve three;
    ASSERT_TRUE(three.Fit({{0, 0}, {1, 1}, {2, 0}}, 3));
    EXPECT_EQ(three.Degree(), 2);
    QV_Point2D end = three.Evaluate(1.0f);
    EXPECT_NEAR(end.x, 2.0f, 1e-4);
    QV_InterpolatingCurve same;  // coincident points do not divide by zero
    ASSERT_TRUE(same.Fit({{1, 1}, {1, 1}, {1, 1}}, 2));
    EXPECT_NEAR(same.Evaluate(0.5f).x, 1.0f, 1e-4);
}

TEST(InterpolatingCurve, NearestParameterFindsTheFootOfAFarPoint)
{
    QV_InterpolatingCurve c;
    ASSERT_TRUE(c.Fit({{0, 0}, {100, 0}}, 1));
    EXPECT_NEAR(c.NearestParameter(QV_Point2D(30.0f, 25.0f)), 0.30f, 0.01f);
    EXPECT_NEAR(c.NearestParameter(QV_Point2D(95.0f, -40.0f)), 0.95f, 0.01f);
}

TEST(Annotation, NormalsOfOpenAndClosedContours)
{
    QV_List<QV_Point2D> n(10);
    QV_Annotation two = Line("X", {{0, 0}, {1, 0}});
    two.PointNormals(QV_Point2D(1, 1), n);
    ASSERT_EQ(n.Size(), 2u);
    EXPECT_EQ(n[0], n[1]);
    EXPECT_FLOAT_EQ(n[0].x, 0.0f);
    EXPECT_FLOAT_EQ(n[0].y, 1.0f);

    // A closed square: every corner normal bisects its two edges.
    QV_Annotation sq = Line("S", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, false);
    QV_List<QV_Point2D> seg(10);
    sq.SegmentNormals(QV_Point2D(2, 2), seg);
    ASSERT_EQ(seg.Size(), 4u);
    EXPECT_FLOAT_EQ(seg[3].x, 1.0f);  // closing edge (0,1) -> (0,0)
    sq.PointNormals(QV_Point2D(1, 1), n);
    ASSERT_EQ(n.Size(), 4u);
    const float r = std::sqrt(0.5f);
    EXPECT_NEAR(n[0].x, r, 1e-6);
    EXPECT_NEAR(n[0].y, r, 1e-6);
    EXPECT_NEAR(n[2].x, -r, 1e-6);
    EXPECT_NEAR(n[2].y, -r, 1e-6);

    QV_Annotation one = Line("P", {{0.5f, 0.5f}});
    one.PointNormals(QV_Point2D(1, 1), n);
    ASSERT_EQ(n.Size(), 1u);
    EXPECT_EQ(n[0], QV_Point2D(0, 1));
    QV_Annotation dup = Line("D", {{0.5f, 0.5f}, {0.5f, 0.5f}});
    dup.SegmentNormals(QV_Point2D(1, 1), seg);
    EXPECT_EQ(seg[0], QV_Point2D(0, 0));
}

TEST(Annotation, DragPointMovesNeighboursUpToTheLandmarksWithNineValuedWeights)
{
    // Eleven points on a line, landmarks at 0 and 10; drag point 5 upwards.
    QV_Annotation a;
    for (int i = 0; i <= 10; ++i) a.points.Append(QV_Point2D(0.1f + 0.05f * i, 0.5f));
    a.landmarks.Append(0);
    a.landmarks.Append(10);
    const QV_Point2D before3 = a.points[3];
    a.DragPoint(5, QV_Point2D(0.35f, 0.6f));
    EXPECT_EQ(a.points[5], QV_Point2D(0.35f, 0.6f));
    EXPECT_EQ(a.points[0], QV_Point2D(0.1f, 0.5f));   // landmarks stay
    EXPECT_EQ(a.points[10], QV_Point2D(0.6f, 0.5f));
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9}) {
        float moved = a.points[i].y - 0.5f;
        // Every span point lies within 0.1 of the first interval midpoint's
        // curve point, so t is one of the nine midpoints (2i - 1) / 18.
        float w = moved / 0.1f;
        float t = 1.0f - w;
        float k = (t * 18.0f + 1.0f) / 2.0f;
        EXPECT_NEAR(k, std::round(k), 1e-3) << "point " << i;
        EXPECT_GT(w, 0.0f);
        EXPECT_LT(w, 1.0f);
    }
    EXPECT_FLOAT_EQ(a.points[3].x - before3.x, 0.0f);
    // Symmetric span: points at equal distance on each side move alike.
    EXPECT_NEAR(a.points[4].y, a.points[6].y, 1e-6);
    EXPECT_NEAR(a.points[1].y, a.points[9].y, 1e-6);
}

TEST(Annotation, DragPointWrapsAroundAClosedContourWithoutLandmarks)
{
    QV_Annotation a;
    a.open = 0;
    for (int i = 0; i < 6; ++i) a.points.Append(QV_Point2D(0.5f + 0.2f * std::cos(i), 0.5f + 0.2f * std::sin(i)));
    QV_Annotation b = a;
    a.DragPoint(0, QV_Point2D(0.8f, 0.5f));
    EXPECT_EQ(a.points[0], QV_Point2D(0.8f, 0.5f));
    // Backward span wraps 0 -> 5 -> ... -> 1, so every other point moves.
    for (int i = 1; i < 6; ++i) EXPECT_NE(a.points[i], b.points[i]) << i;
    const QV_Point2D last = b.points[5];
    b.open = 1;  // an open contour does not wrap backward from point 0
    b.DragPoint(0, QV_Point2D(0.8f, 0.5f));
    EXPECT_EQ(b.points[5], last);          // the end of the forward span stays
    EXPECT_EQ(b.points[1], a.points[1]);   // the forward span is the same either way
}

TEST(AnnotationModel, NearestPointAndLandmarkUseThePickRadius)
{
    QV_AnnotationModel m;
    m.annotations.Append(Line("A", {{0.1f, 0.1f}, {0.5f, 0.5f}}));
    QV_Annotation b = Line("B", {{0.52f, 0.5f}, {0.9f, 0.9f}});
    b.landmarks.Append(1);
    m.annotations.Append(b);
    int ai = -1, pi = -1;
    EXPECT_TRUE(m.NearestPoint(QV_Point2D(0.515f, 0.5f), ai, pi));
    EXPECT_EQ(ai, 1);
    EXPECT_EQ(pi, 0);
    EXPECT_FALSE(m.NearestPoint(QV_Point2D(0.3f, 0.8f), ai, pi));
    EXPECT_EQ(ai, 0);
    EXPECT_EQ(pi, 0);
    EXPECT_FALSE(m.NearestPoint(QV_Point2D(0.55f, 0.5f + 0.05f), ai, pi));  // exactly 0.05 away is not near
    EXPECT_TRUE(m.NearestLandmark(QV_Point2D(0.88f, 0.9f), ai, pi));
    EXPECT_EQ(ai, 1);
    EXPECT_EQ(pi, 1);
    EXPECT_FALSE(m.NearestLandmark(QV_Point2D(0.5f, 0.5f), ai, pi));
}

TEST(AnnotationModel, BoxesCentroidsAndTransforms)
{
    QV_AnnotationModel m;
    QV_Point2D mn, mx;
    QV_Point2D size = m.BoundingBox(false, mn, mx);
    EXPECT_FLOAT_EQ(mn.x, 3.4028235e38f);
    EXPECT_FLOAT_EQ(mx.y, -3.4028235e38f);
    EXPECT_LT(size.x, 0.0f);
    EXPECT_EQ(m.Centroid(false), QV_Point2D(0, 0));

    m.annotations.Append(Line("A", {{0.2f, 0.2f}, {0.4f, 0.2f}}));
    QV_Annotation unused = Line("B", {{0.8f, 0.8f}});
    unused.used = 0;
    m.annotations.Append(unused);
    EXPECT_NEAR(m.Centroid(true).x, 0.3f, 1e-6);
    EXPECT_NEAR(m.Centroid(false).x, (0.2f + 0.4f + 0.8f) / 3, 1e-6);
    size = m.BoundingBox(true, mn, mx);
    EXPECT_NEAR(size.x, 0.2f, 1e-6);
    QV_List<QV_Point2D> px(10);
    m.ScaledPoints(QV_Point2D(100, 50), true, px);
    ASSERT_EQ(px.Size(), 2u);
    EXPECT_NEAR(px[1].x, 40.0f, 1e-4);
    EXPECT_NEAR(px[1].y, 10.0f, 1e-4);

    // A 90 degree rotation in a 200 x 100 frame is a true right angle in pixels.
    QV_AnnotationModel r;
    r.annotations.Append(Line("R", {{0.4f, 0.5f}, {0.6f, 0.5f}}));
    r.Rotate(90.0f, QV_Point2D(200, 100));
    EXPECT_NEAR(r[0].points[0].x, 0.5f, 1e-6);
    EXPECT_NEAR(r[0].points[0].y, 0.7f, 1e-6);  // 20 pixels along x became 20 pixels along y
    EXPECT_NEAR(r[0].points[1].y, 0.3f, 1e-6);

    QV_List<int> group(4);
    group.Append(0);
    group.Append(0);   // listed twice, scaled once
    group.Append(7);   // out of range, ignored
    m.ScaleGroup(group, QV_Point2D(2, 2));
    EXPECT_NEAR(m[0].points[0].x, 0.1f, 1e-6);
    EXPECT_NEAR(m[0].points[1].x, 0.5f, 1e-6);
    EXPECT_NEAR(m[1].points[0].x, 0.8f, 1e-6);

    QV_AnnotationModel other;
    other.annotations.Append(Line("B", {}));
    other[0].used = 1;
    m.CopyUsedFlags(other);
    EXPECT_EQ(m[0].used, 0);  // no "A" in other
    EXPECT_EQ(m[1].used, 1);
}

}  // namespace
