// The body avatar's working front annotation: contour order, point counts,
// landmarks, blended and curve points, the eye adjustment, and refusal of
// sources that lack a contour or points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "QV_BodyFrontAnnotation.h"

namespace {

// Every source contour (in another order than the output's) with the fewest
// points the construction reads.
const std::pair<const char*, int> kSources[] = {
    {"NOSE", 25},    {"FACE", 22},     {"BROW RIDGE", 11}, {"HEAD", 2},       {"OUTER MOUTH", 12}, {"INNER MOUTH", 12},
    {"LEFT EAR", 8}, {"RIGHT EAR", 8}, {"LEFT EYE", 8},    {"RIGHT EYE", 8},  {"NECK", 11},
};

// Irregular, distinct points, `extra` more than needed per contour, after an unrelated contour.
QV_AnnotationModel Source(int extra = 3)
{
    QV_AnnotationModel m;
    m.annotations.Append(QV_Annotation());
    int k = 0;
    for (const auto& [label, needed] : kSources) {
        QV_Annotation a;
        a.label = label;
        a.open = static_cast<unsigned char>(k % 2);
        for (int i = 0; i < needed + extra; ++i)
            a.points.Append(QV_Point2D(0.1f + 0.031f * i + 0.007f * k + 0.002f * (i % 3), 0.2f + 0.3f * std::sin(0.5f * i + k)));
        m.annotations.Append(a);
        ++k;
    }
    return m;
}

const QV_Annotation& Get(const QV_AnnotationModel& m, const char* label) { return m[m.Find(label)]; }

#define EXPECT_AT(got, want, tol) EXPECT_NEAR(Distance((got), (want)), 0.0f, (tol))

}  // namespace

TEST(BodyFrontAnnotation, ContoursCountsLandmarksAndFlags)
{
    struct Want {
        const char* label;
        int count;
        std::vector<int> landmarks;
    };
    const Want want[] = {
        {"BROW RIDGE", 9, {0, 4, 8}},           {"FACE", 28, {0, 3, 6, 9, 12, 14, 16, 19, 22, 25}},
        {"HEAD", 17, {0, 2, 5, 8, 11, 14, 16}}, {"OUTER MOUTH", 16, {0, 3, 4, 5, 8, 11, 13}},
        {"INNER MOUTH", 14, {0, 2, 3, 4, 6, 9, 11}}, {"LEFT EAR", 9, {0, 8}}, {"RIGHT EAR", 9, {0, 8}},
        {"LEFT EYE", 6, {0, 1, 2, 3, 4, 5}},    {"RIGHT EYE", 6, {0, 1, 2, 3, 4, 5}},
        {"NECK", 17, {0, 1, 8, 15, 16}},        {"NOSE", 25, {0, 3, 6, 9, 12, 15, 18, 21, 24}},
    };
    const QV_AnnotationModel user = Source();
    const QV_AnnotationModel untouched = user;
    QV_AnnotationModel working;
    working.annotations.Append(QV_Annotation());  // emptied first
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(user, working));
    ASSERT_EQ(working.Count(), 11);
    for (int i = 0; i < 11; ++i) {
        SCOPED_TRACE(want[i].label);
        const QV_Annotation& a = working[i];
        EXPECT_STREQ(a.label.CStr(), want[i].label);
        EXPECT_EQ(a.NumPoints(), want[i].count);
        std::vector<int> lm;
        for (unsigned j = 0; j < a.landmarks.Size(); ++j) lm.push_back(a.landmarks[static_cast<int>(j)]);
        EXPECT_EQ(lm, want[i].landmarks);
        EXPECT_EQ(a.open, Get(user, want[i].label).open);
    }
    for (int i = 0; i < user.Count(); ++i) EXPECT_EQ(user[i].PointVector(), untouched[i].PointVector());
}

TEST(BodyFrontAnnotation, PointsAreTheListedSourcePointsAndBlends)
{
    struct Blend {
        const char* label;
        int out, a;
        float wa;
        int b;
        float wb;
    };
    const Blend blends[] = {
        {"BROW RIDGE", 1, 2, 1, 2, 0},   {"BROW RIDGE", 8, 10, 1, 10, 0}, {"FACE", 1, 0, .5f, 1, .5f},
        {"FACE", 3, 1, .5f, 2, .5f},     {"FACE", 12, 10, 1, 10, 0},      {"FACE", 13, 10, .5f, 11, .5f},
        {"FACE", 15, 11, .5f, 12, .5f},  {"FACE", 24, 20, 1, 20, 0},      {"FACE", 25, 20, .5f, 21, .5f},
        {"FACE", 27, 21, .5f, 0, .5f},   {"OUTER MOUTH", 2, 1, .5f, 2, .5f}, {"OUTER MOUTH", 7, 5, .5f, 6, .5f},
        {"OUTER MOUTH", 10, 7, .5f, 8, .5f}, {"OUTER MOUTH", 13, 10, 1, 10, 0}, {"OUTER MOUTH", 15, 11, .5f, 0, .5f},
        {"INNER MOUTH", 7, 6, .5f, 7, .5f}, {"INNER MOUTH", 9, 8, 1, 8, 0}, {"INNER MOUTH", 13, 11, .5f, 0, .5f},
        {"LEFT EAR", 0, 1, 1, 1, 0},     {"LEFT EAR", 1, 1, .8f, 2, .2f}, {"LEFT EAR", 5, 4, .33f, 5, .67f},
        {"RIGHT EAR", 5, 4, .33f, 5, .67f}, {"RIGHT EAR", 8, 7, 1, 7, 0}, {"NOSE", 7, 8, .5f, 9, .5f},
        {"NOSE", 9, 9, .5f, 10, .5f},    {"NOSE", 17, 15, .5f, 16, .5f},  {"NOSE", 23, 22, 1, 22, 0},
        {"NOSE", 24, 24, 1, 24, 0},      {"NECK", 0, 0, 1, 0, 0},         {"NECK", 16, 10, 1, 10, 0},
    };
    const QV_AnnotationModel user = Source();
    QV_AnnotationModel working;
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(user, working));
    for (const Blend& b : blends) {
        const QV_Annotation& src = Get(user, b.label);
        EXPECT_AT(Get(working, b.label).points[b.out], src.points[b.a] * b.wa + src.points[b.b] * b.wb, 1e-6f)
            << b.label << " point " << b.out;
    }
}

// Evenly spaced collinear sources: the curve is the line with a uniform
// parameter, so curve point k lies at k / m of it.
TEST(BodyFrontAnnotation, CurvesRunEvenlyAlongStraightSources)
{
    QV_AnnotationModel user = Source();
    QV_Annotation& head = user[user.Find("HEAD")];
    const QV_Point2D h0(0.2f, 0.9f), h1(0.8f, 0.3f), n1(0.35f, 0.2f), n9(0.65f, 0.1f);
    head.points.Clear();
    for (int i = 0; i <= 6; ++i) head.points.Append(h0 + (h1 - h0) * (i / 6.0f));
    QV_Annotation& neck = user[user.Find("NECK")];
    for (int i = 1; i <= 9; ++i) neck.points[i] = n1 + (n9 - n1) * ((i - 1) / 8.0f);
    QV_AnnotationModel working;
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(user, working));
    for (int k = 0; k <= 16; ++k) EXPECT_AT(Get(working, "HEAD").points[k], h0 + (h1 - h0) * (k / 16.0f), 2e-5f) << k;
    for (int k = 0; k <= 14; ++k) EXPECT_AT(Get(working, "NECK").points[k + 1], n1 + (n9 - n1) * (k / 14.0f), 2e-5f) << k;
}

TEST(BodyFrontAnnotation, EyesAreEnlargedAboutTheirCentroidAndLowered)
{
    const QV_AnnotationModel user = Source();
    QV_AnnotationModel working;
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(user, working));
    for (const char* label : {"RIGHT EYE", "LEFT EYE"}) {
        std::vector<QV_Point2D> q;
        QV_Point2D c;
        for (int i : {0, 1, 3, 4, 5, 7}) c += Get(user, label).points[i];
        c = c / 6.0f;
        for (int i : {0, 1, 3, 4, 5, 7}) q.push_back(c + (Get(user, label).points[i] - c).Scaled({1.15f, 1.35f}));
        const float d = Distance(q[0].Scaled({384, 512}), q[3].Scaled({384, 512}));
        for (int i = 0; i < 6; ++i)
            EXPECT_AT(Get(working, label).points[i], q[static_cast<size_t>(i)] - QV_Point2D(0, 0.04f * d / 512.0f), 1e-6f)
                << label << " " << i;
    }
}

TEST(BodyFrontAnnotation, MissingContoursOrPointsFailWithoutTouchingTheResult)
{
    for (const auto& [label, needed] : kSources) {
        for (bool drop : {true, false}) {
            SCOPED_TRACE(std::string(label) + (drop ? " missing" : " one point short"));
            QV_AnnotationModel user = Source();
            QV_Annotation& a = user[user.Find(label)];
            if (drop) {
                a.label = "UNKNOWN";
            } else {
                QV_List<QV_Point2D> shorter;
                for (int i = 0; i < needed - 1; ++i) shorter.Append(a.points[i]);
                a.points = shorter;
            }
            QV_AnnotationModel working;
            working.annotations.Append(QV_Annotation());
            testing::internal::CaptureStderr();
            EXPECT_FALSE(QV_BuildBodyFrontAnnotation(user, working));
            const std::string err = testing::internal::GetCapturedStderr();
            EXPECT_EQ(err.rfind(std::string("QV_BuildBodyFrontAnnotation() Error! : ") + label, 0), 0u) << err;
            EXPECT_EQ(working.Count(), 1);
        }
    }
    QV_AnnotationModel working;  // exactly the fewest points is enough
    EXPECT_TRUE(QV_BuildBodyFrontAnnotation(Source(0), working));
}
