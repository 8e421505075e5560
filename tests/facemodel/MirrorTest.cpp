#include <gtest/gtest.h>

#include "QV_AnnotationModel.h"
#include "QV_FaceLabels.h"

namespace {

QV_Annotation Numbered(const char* label, int n, float x0, bool open = true)
{
    QV_Annotation a;
    a.label = label;
    a.open = open ? 1 : 0;
    for (int i = 0; i < n; ++i) a.points.Append(QV_Point2D(x0 + 0.01f * i, 0.1f + 0.05f * i));
    return a;
}

QV_AnnotationModel Frontal()
{
    using namespace QV_Labels;
    QV_AnnotationModel m;
    QV_Annotation re = Numbered(RightEye, 8, 0.30f);
    re.colour = QV_Colour(1, 2, 3);
    re.landmarks.Append(6);
    m.annotations.Append(re);
    m.annotations.Append(Numbered(LeftEye, 8, 0.60f));
    m.annotations.Append(Numbered(RightCheek, 3, 0.2f));
    m.annotations.Append(Numbered(InnerMouth, 12, 0.4f, false));
    m.annotations.Append(Numbered(Mouth, 9, 0.4f, false));
    m.annotations.Append(Numbered(Face, 10, 0.3f, false));
    m.annotations.Append(Numbered(Nose, 5, 0.45f));
    m.annotations.Append(Numbered(NoseBridge, 4, 0.5f));
    m.annotations.Append(Numbered(LeftEar, 4, 0.9f));
    m.annotations.Append(Numbered("SOMETHING ELSE", 3, 0.1f));
    return m;
}

bool SamePoints(const QV_AnnotationModel& a, const QV_AnnotationModel& b)
{
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        if (!(a[i].label == b[i].label) || a[i].NumPoints() != b[i].NumPoints()) return false;
        for (int k = 0; k < a[i].NumPoints(); ++k)
            if (std::fabs(a[i].points[k].x - b[i].points[k].x) > 1e-6f || a[i].points[k].y != b[i].points[k].y)
                return false;
    }
    return true;
}

TEST(Mirror, TwiceGivesTheModelBack)
{
    QV_AnnotationModel m = Frontal();
    QV_AnnotationModel once = m;
    once.Mirror();
    EXPECT_FALSE(SamePoints(m, once));
    once.Mirror();
    EXPECT_TRUE(SamePoints(m, once));
}

TEST(Mirror, PairsSwapWithTheirFieldsAndLonePairsStay)
{
    using namespace QV_Labels;
    QV_AnnotationModel m = Frontal();
    const QV_AnnotationModel orig = m;
    m.Mirror();
    const QV_Annotation& left = m[m.Find(LeftEye)];
    const QV_Annotation& srcRight = orig[orig.Find(RightEye)];
    EXPECT_STREQ(left.label.CStr(), LeftEye);
    EXPECT_EQ(left.colour, QV_Colour(1, 2, 3));  // other fields travel with the points
    ASSERT_EQ(left.landmarks.Size(), 1u);
    EXPECT_FLOAT_EQ(left.points[2].x, 1.0f - srcRight.points[2].x);
    EXPECT_FLOAT_EQ(left.points[2].y, srcRight.points[2].y);
    // A lone right cheek is left exactly as it was; a lone left ear is mirrored in place.
    const QV_Annotation& cheek = m[m.Find(RightCheek)];
    EXPECT_FLOAT_EQ(cheek.points[0].x, orig[orig.Find(RightCheek)].points[0].x);
    EXPECT_FLOAT_EQ(m[m.Find(LeftEar)].points[0].x, 1.0f - 0.9f);
    // Unknown labels untouched; the nose bridge keeps its order.
    EXPECT_FLOAT_EQ(m[m.Find("SOMETHING ELSE")].points[1].x, 0.11f);
    EXPECT_FLOAT_EQ(m[m.Find(NoseBridge)].points[1].x, 1.0f - 0.51f);
    // Reversed central contour.
    EXPECT_FLOAT_EQ(m[m.Find(Nose)].points[4].y, orig[orig.Find(Nose)].points[0].y);
}

TEST(Mirror, ClosedFaceAndTwelvePointMouthIndexMaps)
{
    using namespace QV_Labels;
    QV_AnnotationModel m = Frontal();
    const QV_AnnotationModel orig = m;
    m.Mirror();
    auto src = [&](const char* label, int k) { return orig[orig.Find(label)].points[k].y; };
    auto dst = [&](const char* label, int k) { return m[m.Find(label)].points[k].y; };
    EXPECT_FLOAT_EQ(dst(Face, 0), src(Face, 0));
    EXPECT_FLOAT_EQ(dst(Face, 9), src(Face, 1));
    EXPECT_FLOAT_EQ(dst(Face, 5), src(Face, 5));
    EXPECT_FLOAT_EQ(dst(InnerMouth, 3), src(InnerMouth, 3));
    EXPECT_FLOAT_EQ(dst(InnerMouth, 9), src(InnerMouth, 9));
    EXPECT_FLOAT_EQ(dst(InnerMouth, 6), src(InnerMouth, 0));
    EXPECT_FLOAT_EQ(dst(InnerMouth, 11), src(InnerMouth, 7));
    // A 9-point mouth: the first lip reverses, the points the second part of
    // the rule cannot reach stay in place, mirrored.
    EXPECT_FLOAT_EQ(dst(Mouth, 0), src(Mouth, 6));
    EXPECT_FLOAT_EQ(dst(Mouth, 7), src(Mouth, 7));
    EXPECT_FLOAT_EQ(m[m.Find(Mouth)].points[8].x, 1.0f - orig[orig.Find(Mouth)].points[8].x);
}

TEST(Mirror, HeadSideOnlyFlipsX)
{
    using namespace QV_Labels;
    QV_AnnotationModel m = Frontal();
    m.annotations.Append(Numbered(HeadSide, 3, 0.7f));
    const QV_AnnotationModel orig = m;
    m.Mirror();
    for (int i = 0; i < m.Count(); ++i) {
        EXPECT_STREQ(m[i].label.CStr(), orig[i].label.CStr());
        for (int k = 0; k < m[i].NumPoints(); ++k) {
            EXPECT_FLOAT_EQ(m[i].points[k].x, 1.0f - orig[i].points[k].x);
            EXPECT_FLOAT_EQ(m[i].points[k].y, orig[i].points[k].y);
        }
    }
}

}  // namespace
