#include <gtest/gtest.h>

#include <cmath>

#include "QV_FaceLabels.h"
#include "QV_SearchRules.h"

namespace {

const QV_Point2D kSize(640.0f, 480.0f);

QV_Point2D Norm(float px, float py) { return QV_Point2D(px / kSize.x, py / kSize.y); }
QV_Point2D Pix(const QV_Point2D& p) { return p.Scaled(kSize); }

QV_Annotation Contour(const char* label, std::initializer_list<QV_Point2D> pixels, bool open)
{
    QV_Annotation a;
    a.label = label;
    a.open = open ? 1 : 0;
    for (const QV_Point2D& p : pixels) a.points.Append(Norm(p.x, p.y));
    return a;
}

// An inner mouth of 12 points, closed, around (320, 200): points 1, 3, 5 on
// the upper lip above 11, 9, 7 on the lower lip, with the given gaps.
QV_Annotation InnerMouth(float side1, float middle, float side2)
{
    return Contour(QV_Labels::InnerMouth,
                   {{290, 200},
                    {300, 200 + side1 / 2},
                    {310, 200 + middle / 2},
                    {320, 200 + middle / 2},
                    {330, 200 + middle / 2},
                    {340, 200 + side2 / 2},
                    {350, 200},
                    {340, 200 - side2 / 2},
                    {330, 200 - middle / 2},
                    {320, 200 - middle / 2},
                    {310, 200 - middle / 2},
                    {300, 200 - side1 / 2}},
                   false);
}

// Eight points on an ellipse about centre, half-widths rx, ry, in pixels,
// point 0 at the outer corner and going round.
QV_Annotation Eye(const char* label, QV_Point2D centre, float rx, float ry)
{
    QV_Annotation a;
    a.label = label;
    a.open = 0;
    for (int i = 0; i < 8; ++i) {
        double t = i * 3.14159265358979 / 4.0;
        a.points.Append(Norm(centre.x + rx * static_cast<float>(std::cos(t)),
                             centre.y + ry * static_cast<float>(std::sin(t))));
    }
    return a;
}

}  // namespace

TEST(MouthRule, SideOpeningsAreCutToTheMiddleOpening)
{
    struct Case {
        float side1, middle, side2;
        float want1, want2;
    };
    const Case cases[] = {
        {14, 10, 6, 10, 6},   // left side too wide
        {6, 10, 14, 6, 10},   // right side too wide
        {14, 10, 12, 10, 10}, // both
        {8, 10, 9, 8, 9},     // neither
        {5, 0, 5, 0, 0},      // closed middle closes the sides onto points 1 and 5
    };
    for (const Case& c : cases) {
        QV_AnnotationModel m;
        m.annotations.Append(InnerMouth(c.side1, c.middle, c.side2));
        const QV_Annotation before = m[0];
        QV_ApplyMouthRule(m, kSize);
        const QV_Annotation& a = m[0];
        EXPECT_NEAR(Distance(Pix(a.points[1]), Pix(a.points[11])), c.want1, 1e-3f) << c.side1;
        EXPECT_NEAR(Distance(Pix(a.points[5]), Pix(a.points[7])), c.want2, 1e-3f) << c.side2;
        // Only points 11 and 7 may move, and only along their opening.
        for (int i = 0; i < 12; ++i) {
            if (i == 11 || i == 7) {
                EXPECT_NEAR(Pix(a.points[i]).x, Pix(before.points[i]).x, 1e-3f);
                continue;
            }
            EXPECT_EQ(a.points[i], before.points[i]) << i;
        }
    }
}

TEST(MouthRule, MeasuresInPixelsNotInImageFractions)
{
    // A slanted side opening of 14 pixels in a wide image: the result must be
    // 10 pixels long in the image, not 10 "pixels" of a distorted frame.
    QV_AnnotationModel m;
    QV_Annotation a = InnerMouth(10, 10, 10);
    a.points[11] = Norm(300 + 14 * 0.6f, 205 - 14 * 0.8f);
    m.annotations.Append(a);
    QV_ApplyMouthRule(m, kSize);
    QV_Point2D d = Pix(m[0].points[11]) - Pix(m[0].points[1]);
    EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y), 10.0f, 1e-3f);
    EXPECT_NEAR(d.x / 10.0f, 0.6f, 1e-4f);  // direction kept
}

TEST(EyeRule, LowerAndCornerPointsMoveAlongTheirNormals)
{
    QV_AnnotationModel m;
    m.annotations.Append(Eye(QV_Labels::RightEye, {250, 300}, 30, 12));
    m.annotations.Append(Eye(QV_Labels::LeftEye, {390, 300}, 30, 12));
    const QV_AnnotationModel before = m;
    QV_ApplyEyeRule(m, kSize);
    for (int e = 0; e < 2; ++e) {
        const QV_Annotation& b = before[e];
        const QV_Annotation& a = m[e];
        float size = Distance(Pix(b.points[2]), Pix(b.points[6]));
        ASSERT_NEAR(size, 24.0f, 1e-3f);
        QV_List<QV_Point2D> normals;
        b.PointNormals(kSize, normals);
        float sign = e == 0 ? 1.0f : -1.0f;
        for (int i = 0; i < 8; ++i) {
            QV_Point2D moved = Pix(a.points[i]) - Pix(b.points[i]);
            bool shouldMove = i == 0 || i >= 4;
            float want = shouldMove ? 0.04f * size * sign : 0.0f;
            EXPECT_NEAR(moved.x, want * normals[i].x, 1e-3f) << e << " " << i;
            EXPECT_NEAR(moved.y, want * normals[i].y, 1e-3f) << e << " " << i;
        }
    }
    // The two eyes move in opposite directions relative to their own normals,
    // so the lower point 6 of a counter-clockwise eye goes one way and the
    // other eye's goes the other.
    float right6 = Pix(m[0].points[6]).y - Pix(before[0].points[6]).y;
    float left6 = Pix(m[1].points[6]).y - Pix(before[1].points[6]).y;
    EXPECT_NEAR(std::fabs(right6), 0.96f, 1e-3f);
    EXPECT_NEAR(right6, -left6, 1e-4f);
}

TEST(SearchRules, ContoursWithoutTheNamedPointsAreLeftAlone)
{
    QV_AnnotationModel m;
    QV_Annotation mouth = InnerMouth(14, 10, 14), eye = Eye(QV_Labels::RightEye, {250, 300}, 30, 12);
    QV_Annotation shortMouth = mouth, shortEye = eye;
    shortMouth.points.Clear();
    shortEye.points.Clear();
    for (int i = 0; i < 11; ++i) shortMouth.points.Append(mouth.points[i]);
    for (int i = 0; i < 7; ++i) shortEye.points.Append(eye.points[i]);
    m.annotations.Append(shortMouth);
    m.annotations.Append(shortEye);
    const QV_AnnotationModel before = m;
    QV_ApplyMouthRule(m, kSize);
    QV_ApplyEyeRule(m, kSize);
    for (int a = 0; a < 2; ++a)
        for (int i = 0; i < m[a].NumPoints(); ++i) EXPECT_EQ(m[a].points[i], before[a].points[i]);
}

TEST(CopyLandmarks, ListsComeFromTheReferenceByIndexAndMustFitThePoints)
{
    QV_AnnotationModel model;
    model.annotations.Append(Contour("A", {{0, 0}, {1, 1}, {2, 2}}, true));
    model.annotations.Append(Contour("B", {{0, 0}, {1, 1}}, true));
    model.annotations.Append(Contour("C", {{0, 0}}, true));
    model[0].landmarks.Append(0);
    model[2].landmarks.Append(0);
    QV_AnnotationModel reference;
    reference.annotations.Append(Contour("A", {{0, 0}}, true));
    reference.annotations.Append(Contour("B", {{0, 0}}, true));
    reference[0].landmarks.Append(2);
    reference[0].landmarks.Append(1);
    reference[1].landmarks.Append(1);
    reference[1].landmarks.Append(5);   // no such point in the model
    reference[1].landmarks.Append(-1);  // nor this
    QV_CopyLandmarks(model, reference);
    ASSERT_EQ(model[0].landmarks.Size(), 2u);
    EXPECT_EQ(model[0].landmarks[0], 2);
    EXPECT_EQ(model[0].landmarks[1], 1);
    ASSERT_EQ(model[1].landmarks.Size(), 1u);
    EXPECT_EQ(model[1].landmarks[0], 1);
    ASSERT_EQ(model[2].landmarks.Size(), 1u);  // beyond the reference: kept
    EXPECT_EQ(model[2].landmarks[0], 0);
}

TEST(CopyLandmarks, FitsWithoutTheUnusedContoursFindTheirsByLabel)
{
    // The reference has an unused "HEAD" between the eyes; the fit does not.
    QV_AnnotationModel reference;
    reference.annotations.Append(Contour(QV_Labels::RightEye, {{0, 0}, {1, 1}, {2, 2}}, false));
    reference.annotations.Append(Contour(QV_Labels::Head, {{0, 0}, {1, 1}, {2, 2}}, true));
    reference.annotations.Append(Contour(QV_Labels::LeftEye, {{0, 0}, {1, 1}, {2, 2}}, false));
    reference[0].landmarks.Append(0);
    reference[1].landmarks.Append(1);
    reference[2].landmarks.Append(2);
    QV_AnnotationModel fit;
    fit.annotations.Append(Contour(QV_Labels::RightEye, {{0, 0}, {1, 1}, {2, 2}}, false));
    fit.annotations.Append(Contour(QV_Labels::LeftEye, {{0, 0}, {1, 1}, {2, 2}}, false));
    QV_CopyLandmarks(fit, reference);
    ASSERT_EQ(fit[0].landmarks.Size(), 1u);
    EXPECT_EQ(fit[0].landmarks[0], 0);
    ASSERT_EQ(fit[1].landmarks.Size(), 1u);
    EXPECT_EQ(fit[1].landmarks[0], 2);
}

namespace {

// A reference in the 320 x 512 frame: a 21-point face outline (an arc from
// the right temple round the chin to the left temple, points 4 and 18 level
// at the eyes), a right eye, and a 9-point head arc over the top.
QV_AnnotationModel Reference()
{
    QV_AnnotationModel r;
    QV_Annotation face;
    face.label = QV_Labels::Face;
    for (int i = 0; i < 21; ++i) {
        double t = 3.14159265358979 * (-0.25 - 1.5 * i / 20.0);  // from upper right round the bottom
        face.points.Append(QV_Point2D((160.0f + 100.0f * static_cast<float>(std::cos(t))) / 320.0f,
                                      (260.0f + 130.0f * static_cast<float>(std::sin(t))) / 512.0f));
    }
    r.annotations.Append(face);
    QV_Annotation head;
    head.label = QV_Labels::Head;
    head.landmarks.Append(4);
    head.colour = QV_Colour(9, 8, 7);
    for (int i = 0; i < 9; ++i) {
        double t = 3.14159265358979 * (0.1 + 0.8 * i / 8.0);
        head.points.Append(QV_Point2D((160.0f - 120.0f * static_cast<float>(std::cos(t))) / 320.0f,
                                      (300.0f + 160.0f * static_cast<float>(std::sin(t))) / 512.0f));
    }
    r.annotations.Append(head);
    r.annotations.Append(Contour(QV_Labels::RightEye, {{0.3f, 0.6f}, {0.35f, 0.62f}, {0.4f, 0.6f}}, false));
    return r;
}

// The reference placed in a photograph: scaled, moved and slightly turned,
// in normalised coordinates of an image of kSize.
QV_AnnotationModel Fitted(const QV_AnnotationModel& reference)
{
    QV_AnnotationModel m = reference;
    const float c = std::cos(0.05f), s = std::sin(0.05f);
    for (int i = 0; i < m.Count(); ++i) {
        m[i].landmarks.Clear();
        for (int k = 0; k < m[i].NumPoints(); ++k) {
            QV_Point2D p = m[i].points[k].Scaled(QV_Point2D(320, 512));
            QV_Point2D q(0.7f * (c * p.x - s * p.y) + 200, 0.7f * (s * p.x + c * p.y) + 40);
            m[i].points[k] = Norm(q.x, q.y);
        }
    }
    // The head of a fitted model is whatever the search left: scramble it.
    for (int k = 0; k < m[1].NumPoints(); ++k) m[1].points[k] = Norm(10.0f * k, 5.0f);
    return m;
}

// ((p - m) / r) squared summed: 1 on the ellipse.
float EllipseValue(const QV_Point2D& p, const QV_Point2D& m, float rx, float ry)
{
    QV_Point2D d = p - m;
    return (d.x / rx) * (d.x / rx) + (d.y / ry) * (d.y / ry);
}

}  // namespace

TEST(CompleteOutline, HeadAndUpperFaceAreRebuiltOnTheirEllipses)
{
    const QV_AnnotationModel reference = Reference();
    QV_AnnotationModel m = Fitted(reference);
    const QV_AnnotationModel before = m;
    ASSERT_TRUE(QV_CompleteOutline(m, reference, kSize));

    // Head: every point but the two ends on the ellipse about the ends'
    // midpoint; the ends, pulled in by 1% each, give J back.
    const QV_Annotation& head = m[1];
    const int n = head.NumPoints();
    QV_Point2D a = Pix(head.points[0]), b = Pix(head.points[n - 1]);
    QV_Point2D mid = (a + b) * 0.5f;
    // The ends lie on the ellipse before the 1% pull, at opposite angles, so
    // their distance before the pull is 2 x the radius along their direction.
    QV_Point2D dir = (b - a) / Distance(a, b);
    float full = Distance(a, b) / 0.98f;
    // Solve for J from the end direction: (dx*r/ (0.525 J))^2 + (dy*r/(0.6 J))^2 = 1 with r = full / 2.
    float r = full / 2.0f;
    float j = r * std::sqrt((dir.x / 0.525f) * (dir.x / 0.525f) + (dir.y / 0.6f) * (dir.y / 0.6f));
    for (int k = 1; k < n - 1; ++k)
        EXPECT_NEAR(EllipseValue(Pix(head.points[k]), mid, 0.525f * j, 0.6f * j), 1.0f, 2e-3f) << k;
    // The head's ends sit 40% of the way to face points 4 and 18 before the
    // ellipse, so J is comparable to the face's width there.
    float x = Distance(Pix(m[0].points[4]), Pix(m[0].points[18]));
    EXPECT_GT(j, 0.5f * x);
    EXPECT_LT(j, 1.5f * x);
    // The head lies above the face's level line (y grows upwards).
    for (int k = 1; k < n - 1; ++k) EXPECT_GT(Pix(head.points[k]).y, mid.y) << k;
    // Label, flags and landmarks come from the reference.
    EXPECT_TRUE(head.label == QV_String(QV_Labels::Head));
    ASSERT_EQ(head.landmarks.Size(), 1u);
    EXPECT_EQ(head.landmarks[0], 4);
    EXPECT_EQ(head.colour, reference[1].colour);

    // Face: points 0-4 and 18-20 on the ellipse about the midpoint of 4 and
    // 18 with radii X/2 and 0.475 X; points 5-17 untouched.
    const QV_Annotation& face = m[0];
    QV_Point2D f4 = Pix(before[0].points[4]), f18 = Pix(before[0].points[18]);
    QV_Point2D fm = (f4 + f18) * 0.5f;
    float fx = Distance(f4, f18);
    for (int k = 0; k < 21; ++k) {
        if (k > 4 && k < 18) {
            EXPECT_EQ(face.points[k], before[0].points[k]) << k;
            continue;
        }
        EXPECT_NEAR(EllipseValue(Pix(face.points[k]), fm, 0.5f * fx, 0.475f * fx), 1.0f, 2e-3f) << k;
    }
    // Other annotations are untouched.
    for (int k = 0; k < 3; ++k) EXPECT_EQ(m[2].points[k], before[2].points[k]);
}

TEST(CompleteOutline, ModelsThatDoNotMatchTheReferenceAreLeftAlone)
{
    const QV_AnnotationModel reference = Reference();
    QV_AnnotationModel noHead;  // face and eye only
    QV_AnnotationModel fitted = Fitted(reference);
    noHead.annotations.Append(fitted[0]);
    noHead.annotations.Append(fitted[2]);
    QV_AnnotationModel extraPoint = fitted;
    extraPoint[2].points.Append(QV_Point2D(0.5f, 0.5f));
    QV_AnnotationModel shortFace = fitted, shortReference = reference;
    for (QV_AnnotationModel* m : {&shortFace, &shortReference}) {
        QV_Annotation f = (*m)[0];
        f.points.Clear();
        for (int k = 0; k < 18; ++k) f.points.Append((*m)[0].points[k]);
        (*m)[0] = f;
    }
    struct Case {
        QV_AnnotationModel model;
        const QV_AnnotationModel* ref;
    };
    for (Case c : {Case{noHead, &reference}, Case{extraPoint, &reference}, Case{shortFace, &shortReference}}) {
        const QV_AnnotationModel before = c.model;
        EXPECT_FALSE(QV_CompleteOutline(c.model, *c.ref, kSize));
        for (int i = 0; i < c.model.Count(); ++i)
            for (int k = 0; k < c.model[i].NumPoints(); ++k) EXPECT_EQ(c.model[i].points[k], before[i].points[k]);
    }
}
