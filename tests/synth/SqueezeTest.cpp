// Squeezing of the annotation before texture sampling.
#include <gtest/gtest.h>

#include "QV_Squeeze.h"

namespace {

QV_Annotation Line(const char* label, int n, float x0, float dx, float y0, float dy)
{
    QV_Annotation a;
    a.label = QV_String(label);
    for (int k = 0; k < n; ++k) a.points.Append(QV_Point2D(x0 + dx * k, y0 + dy * k));
    return a;
}

QV_Point2D Centroid(const QV_Annotation& a) { return a.Centroid(); }

}  // namespace

TEST(Squeeze, FrontPullsCheeksInAndScalesNeckAndHead)
{
    QV_AnnotationModel m;
    m.annotations.Append(Line("FACE", 22, 0.1f, 0.04f, 0.2f, 0.01f));
    m.annotations.Append(Line("NECK", 5, 0.3f, 0.1f, 0.1f, 0.05f));
    m.annotations.Append(Line("HEAD", 4, 0.2f, 0.2f, 0.9f, -0.1f));
    m.annotations.Append(Line("NOSE", 3, 0.4f, 0.1f, 0.5f, 0.0f));
    const QV_AnnotationModel before = m;
    QV_SqueezeFront(m);

    float mean = 0;
    for (int i = 6; i <= 16; ++i) mean += before[0].points[i].x;
    mean /= 11;
    for (int i = 0; i < 22; ++i) {
        const QV_Point2D b = before[0].points[i], a = m[0].points[i];
        const float x = (i >= 6 && i <= 16) ? mean + 0.9f * (b.x - mean) : b.x;
        EXPECT_FLOAT_EQ(a.x, x) << i;
        EXPECT_FLOAT_EQ(a.y, b.y) << i;
    }
    const QV_Point2D cn = Centroid(before[1]);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(m[1].points[i].x, cn.x + 0.9f * (before[1].points[i].x - cn.x), 1e-6f);
        EXPECT_NEAR(m[1].points[i].y, cn.y + 0.97f * (before[1].points[i].y - cn.y), 1e-6f);
    }
    const QV_Point2D ch = Centroid(before[2]);
    EXPECT_NEAR(m[2].points[0].x, ch.x + 0.9f * (before[2].points[0].x - ch.x), 1e-6f);
    EXPECT_NEAR(m[2].points[0].y, ch.y + 0.9f * (before[2].points[0].y - ch.y), 1e-6f);
    EXPECT_EQ(m[3].points[2], before[3].points[2]);
}

TEST(Squeeze, MissingOrShortAnnotationsAreSkipped)
{
    QV_AnnotationModel m;
    m.annotations.Append(Line("FACE", 16, 0.1f, 0.04f, 0.2f, 0.01f));  // too short for points 6..16
    m.annotations.Append(Line("HEAD", 4, 0.2f, 0.2f, 0.9f, -0.1f));
    const QV_AnnotationModel before = m;
    QV_SqueezeFront(m);
    EXPECT_EQ(m[0].points[10], before[0].points[10]);
    EXPECT_NE(m[1].points[0], before[1].points[0]);  // head still squeezed without a neck
    QV_SqueezeOlderFront(m);                          // needs 25 "FACE" points
    EXPECT_EQ(m[0].points[0], before[0].points[0]);
}

TEST(Squeeze, ProfileScalesHeadAndHeadSideTogether)
{
    QV_AnnotationModel m;
    m.annotations.Append(Line("HEAD", 3, 0.2f, 0.1f, 0.8f, 0.0f));
    m.annotations.Append(Line("HEAD SIDE", 1, 0.9f, 0.0f, 0.2f, 0.0f));
    m.annotations.Append(Line("NECK", 2, 0.4f, 0.2f, 0.1f, 0.0f));
    const QV_AnnotationModel before = m;
    QV_SqueezeProfile(m);
    // Common centroid of the four head points: (0.45, 0.65).
    const QV_Point2D c(0.45f, 0.65f);
    EXPECT_NEAR(m[1].points[0].x, c.x + 0.9f * (0.9f - c.x), 1e-6f);
    EXPECT_NEAR(m[1].points[0].y, c.y + 0.9f * (0.2f - c.y), 1e-6f);
    EXPECT_NEAR(m[0].points[0].x, c.x + 0.9f * (0.2f - c.x), 1e-6f);
    EXPECT_NEAR(m[2].points[0].x, 0.5f + 0.9f * (0.4f - 0.5f), 1e-6f);

    // "HEAD" alone is left as it is.
    QV_AnnotationModel single;
    single.annotations.Append(before[0]);
    QV_SqueezeProfile(single);
    EXPECT_EQ(single[0].points[0], before[0].points[0]);
}

TEST(Squeeze, OlderFrontMovesJawEndsAndNarrowsFaceAndHead)
{
    QV_AnnotationModel m;
    m.annotations.Append(Line("FACE", 28, 0.1f, 0.02f, 0.3f, 0.01f));
    m.annotations.Append(Line("HEAD", 3, 0.3f, 0.1f, 0.9f, 0.0f));
    const QV_AnnotationModel before = m;
    QV_SqueezeOlderFront(m);
    // On a straight line both jaw shifts are 0.55 of one step, in opposite directions.
    const QV_Point2D d1(0.55f * 0.02f, 0.55f * 0.01f), d2 = d1 * -1.0f;
    QV_Annotation moved = before[0];
    for (int i = 0; i <= 4; ++i) moved.points[i] += d1;
    for (int i = 24; i < 28; ++i) moved.points[i] += d2;
    const QV_Point2D c = moved.Centroid();
    for (int i : {0, 4, 5, 23, 24, 27}) {
        EXPECT_NEAR(m[0].points[i].x, c.x + 0.95f * (moved.points[i].x - c.x), 1e-6f) << i;
        EXPECT_NEAR(m[0].points[i].y, moved.points[i].y, 1e-6f) << i;
    }
    // The head moves by (d1 + d2) / 2 = 0 and narrows about its centroid (0.4, 0.9).
    EXPECT_NEAR(m[1].points[0].x, 0.4f + 0.95f * (0.3f - 0.4f), 1e-6f);
    EXPECT_NEAR(m[1].points[0].y, 0.9f, 1e-6f);
}
