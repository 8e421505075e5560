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

struct SourceSpec {
    const char* label;
    int points;  // the fewest the construction reads
};

const SourceSpec kSources[] = {
    {"NOSE", 25},     {"FACE", 22},      {"BROW RIDGE", 11}, {"HEAD", 2},        {"OUTER MOUTH", 12}, {"INNER MOUTH", 12},
    {"LEFT EAR", 8},  {"RIGHT EAR", 8},  {"LEFT EYE", 8},    {"RIGHT EYE", 8},   {"NECK", 11},
};

// Distinct, irregular points per contour (so that every blend is visible).
QV_Point2D SourcePoint(int contour, int i)
{
    return QV_Point2D(0.1f + 0.031f * i + 0.007f * contour + 0.002f * (i % 3),
                      0.2f + 0.3f * std::sin(0.5f * i + contour) + 0.01f * contour);
}

// The user's model: every contour (in another order than the output's) with
// `extra` points more than the construction needs, and an unrelated contour first.
QV_AnnotationModel Source(int extra = 3)
{
    QV_AnnotationModel m;
    QV_Annotation other;
    other.label = "EYEBROWS";
    other.points.Append(QV_Point2D(0.5f, 0.5f));
    m.annotations.Append(other);
    int k = 0;
    for (const SourceSpec& s : kSources) {
        QV_Annotation a;
        a.label = s.label;
        a.open = (k % 2) ? 1 : 0;
        const int n = std::max(s.points + extra, std::string(s.label) == "HEAD" ? 12 : 0);
        for (int i = 0; i < n; ++i) a.points.Append(SourcePoint(k, i));
        m.annotations.Append(a);
        ++k;
    }
    return m;
}

std::vector<int> Landmarks(const QV_Annotation& a)
{
    std::vector<int> out;
    for (unsigned i = 0; i < a.landmarks.Size(); ++i) out.push_back(a.landmarks[static_cast<int>(i)]);
    return out;
}

void ExpectPoint(const QV_Point2D& got, const QV_Point2D& want, float tol, const std::string& what)
{
    EXPECT_NEAR(got.x, want.x, tol) << what;
    EXPECT_NEAR(got.y, want.y, tol) << what;
}

// Undoes the eye adjustment (scale about the centroid by (1.15, 1.35), then
// the downward shift measured from points 0 and 3), for comparing eye points.
QV_Point2D EyeAdjusted(const std::vector<QV_Point2D>& eye, int i)
{
    QV_Point2D c;
    for (const QV_Point2D& p : eye) c += p;
    c = c / static_cast<float>(eye.size());
    auto scaled = [&](const QV_Point2D& p) { return c + (p - c).Scaled(QV_Point2D(1.15f, 1.35f)); };
    const QV_Point2D a = scaled(eye[0]).Scaled(QV_Point2D(384, 512));
    const QV_Point2D b = scaled(eye[3]).Scaled(QV_Point2D(384, 512));
    const float d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
    return scaled(eye[static_cast<size_t>(i)]) - QV_Point2D(0.0f, 0.04f * d / 512.0f);
}

}  // namespace

TEST(BodyFrontAnnotation, ContoursCountsAndLandmarks)
{
    struct Want {
        const char* label;
        int count;
        std::vector<int> landmarks;
    };
    const Want want[] = {
        {"BROW RIDGE", 9, {0, 4, 8}},
        {"FACE", 28, {0, 3, 6, 9, 12, 14, 16, 19, 22, 25}},
        {"HEAD", 17, {0, 2, 5, 8, 11, 14, 16}},
        {"OUTER MOUTH", 16, {0, 3, 4, 5, 8, 11, 13}},
        {"INNER MOUTH", 14, {0, 2, 3, 4, 6, 9, 11}},
        {"LEFT EAR", 9, {0, 8}},
        {"RIGHT EAR", 9, {0, 8}},
        {"LEFT EYE", 6, {0, 1, 2, 3, 4, 5}},
        {"RIGHT EYE", 6, {0, 1, 2, 3, 4, 5}},
        {"NECK", 17, {0, 1, 8, 15, 16}},
        {"NOSE", 25, {0, 3, 6, 9, 12, 15, 18, 21, 24}},
    };
    const QV_AnnotationModel user = Source();
    QV_AnnotationModel working;
    working.annotations.Append(QV_Annotation());  // emptied first
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(user, working));
    ASSERT_EQ(working.Count(), 11);
    for (int i = 0; i < 11; ++i) {
        const Want& w = want[i];
        SCOPED_TRACE(w.label);
        const QV_Annotation& a = working[i];
        EXPECT_STREQ(a.label.CStr(), w.label);
        EXPECT_EQ(a.NumPoints(), w.count);
        EXPECT_EQ(Landmarks(a), w.landmarks);
        EXPECT_EQ(a.open, user[user.Find(w.label)].open);
    }
}

TEST(BodyFrontAnnotation, PointsAreTheListedSourcePointsAndBlends)
{
    struct Blend {
        const char* label;
        int out;
        int a;
        float wa;
        int b;
        float wb;
    };
    const Blend blends[] = {
        {"BROW RIDGE", 0, 0, 1, 0, 0},    {"BROW RIDGE", 1, 2, 1, 2, 0},    {"BROW RIDGE", 8, 10, 1, 10, 0},
        {"FACE", 0, 0, 1, 0, 0},          {"FACE", 1, 0, .5f, 1, .5f},      {"FACE", 2, 1, 1, 1, 0},
        {"FACE", 3, 1, .5f, 2, .5f},      {"FACE", 4, 2, 1, 2, 0},          {"FACE", 12, 10, 1, 10, 0},
        {"FACE", 13, 10, .5f, 11, .5f},   {"FACE", 14, 11, 1, 11, 0},       {"FACE", 15, 11, .5f, 12, .5f},
        {"FACE", 16, 12, 1, 12, 0},       {"FACE", 24, 20, 1, 20, 0},       {"FACE", 25, 20, .5f, 21, .5f},
        {"FACE", 26, 21, 1, 21, 0},       {"FACE", 27, 21, .5f, 0, .5f},    {"OUTER MOUTH", 1, 0, .5f, 1, .5f},
        {"OUTER MOUTH", 2, 1, .5f, 2, .5f}, {"OUTER MOUTH", 3, 2, 1, 2, 0}, {"OUTER MOUTH", 7, 5, .5f, 6, .5f},
        {"OUTER MOUTH", 8, 6, 1, 6, 0},   {"OUTER MOUTH", 10, 7, .5f, 8, .5f}, {"OUTER MOUTH", 13, 10, 1, 10, 0},
        {"OUTER MOUTH", 15, 11, .5f, 0, .5f}, {"INNER MOUTH", 6, 6, 1, 6, 0}, {"INNER MOUTH", 7, 6, .5f, 7, .5f},
        {"INNER MOUTH", 8, 7, .5f, 8, .5f}, {"INNER MOUTH", 9, 8, 1, 8, 0}, {"INNER MOUTH", 13, 11, .5f, 0, .5f},
        {"LEFT EAR", 0, 1, 1, 1, 0},      {"LEFT EAR", 1, 1, .8f, 2, .2f},  {"LEFT EAR", 5, 4, .33f, 5, .67f},
        {"LEFT EAR", 8, 7, 1, 7, 0},      {"RIGHT EAR", 1, 1, .8f, 2, .2f}, {"RIGHT EAR", 5, 4, .33f, 5, .67f},
        {"NOSE", 1, 2, 1, 2, 0},          {"NOSE", 6, 8, 1, 8, 0},          {"NOSE", 7, 8, .5f, 9, .5f},
        {"NOSE", 9, 9, .5f, 10, .5f},     {"NOSE", 15, 14, .5f, 15, .5f},   {"NOSE", 17, 15, .5f, 16, .5f},
        {"NOSE", 22, 20, 1, 20, 0},       {"NOSE", 23, 22, 1, 22, 0},       {"NOSE", 24, 24, 1, 24, 0},
        {"NECK", 0, 0, 1, 0, 0},          {"NECK", 16, 10, 1, 10, 0},
    };
    const QV_AnnotationModel user = Source();
    QV_AnnotationModel working;
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(user, working));
    for (const Blend& b : blends) {
        const QV_Annotation& src = user[user.Find(b.label)];
        const QV_Annotation& out = working[working.Find(b.label)];
        const QV_Point2D want = src.points[b.a] * b.wa + src.points[b.b] * b.wb;
        ExpectPoint(out.points[b.out], want, 1e-6f, std::string(b.label) + " point " + std::to_string(b.out));
    }
}

TEST(BodyFrontAnnotation, CurvesRunEvenlyAlongStraightSources)
{
    // Evenly spaced collinear points: the interpolating curve is the line and
    // its chord-length parameter is uniform, so point k lies at k / m of it.
    QV_AnnotationModel user = Source();
    QV_Annotation& head = user[user.Find("HEAD")];
    head.points.Clear();
    const QV_Point2D h0(0.2f, 0.9f), h1(0.8f, 0.3f);
    for (int i = 0; i <= 6; ++i) head.points.Append(h0 + (h1 - h0) * (i / 6.0f));
    QV_Annotation& neck = user[user.Find("NECK")];
    const QV_Point2D n1(0.35f, 0.2f), n9(0.65f, 0.1f);
    for (int i = 1; i <= 9; ++i) neck.points[i] = n1 + (n9 - n1) * ((i - 1) / 8.0f);

    QV_AnnotationModel working;
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(user, working));
    const QV_Annotation& outHead = working[working.Find("HEAD")];
    for (int k = 0; k <= 16; ++k)
        ExpectPoint(outHead.points[k], h0 + (h1 - h0) * (k / 16.0f), 2e-5f, "head " + std::to_string(k));
    const QV_Annotation& outNeck = working[working.Find("NECK")];
    ExpectPoint(outNeck.points[0], neck.points[0], 0.0f, "neck start");
    for (int k = 0; k <= 14; ++k)
        ExpectPoint(outNeck.points[k + 1], n1 + (n9 - n1) * (k / 14.0f), 2e-5f, "neck " + std::to_string(k));
    ExpectPoint(outNeck.points[16], neck.points[10], 0.0f, "neck end");
}

TEST(BodyFrontAnnotation, CurvedHeadStartsAndEndsOnTheSource)
{
    const QV_AnnotationModel user = Source();
    QV_AnnotationModel working;
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(user, working));
    const QV_Annotation& src = user[user.Find("HEAD")];
    const QV_Annotation& out = working[working.Find("HEAD")];
    ExpectPoint(out.points[0], src.points[0], 1e-5f, "first");
    ExpectPoint(out.points[16], src.points[src.NumPoints() - 1], 1e-5f, "last");
}

TEST(BodyFrontAnnotation, EyesAreEnlargedAndLowered)
{
    const QV_AnnotationModel user = Source();
    QV_AnnotationModel working;
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(user, working));
    for (const char* label : {"RIGHT EYE", "LEFT EYE"}) {
        const QV_Annotation& src = user[user.Find(label)];
        std::vector<QV_Point2D> picked;
        for (int i : {0, 1, 3, 4, 5, 7}) picked.push_back(src.points[i]);
        const QV_Annotation& out = working[working.Find(label)];
        for (int i = 0; i < 6; ++i)
            ExpectPoint(out.points[i], EyeAdjusted(picked, i), 1e-6f, std::string(label) + " " + std::to_string(i));
    }
}

TEST(BodyFrontAnnotation, MissingContoursOrPointsFailWithoutTouchingTheResult)
{
    const QV_AnnotationModel full = Source();
    for (const SourceSpec& s : kSources) {
        for (bool drop : {true, false}) {
            SCOPED_TRACE(std::string(s.label) + (drop ? " missing" : " one point short"));
            QV_AnnotationModel user = full;
            QV_Annotation& a = user[user.Find(s.label)];
            if (drop) {
                a.label = "UNKNOWN";
            } else {
                QV_List<QV_Point2D> shorter;
                for (int i = 0; i < s.points - 1; ++i) shorter.Append(a.points[i]);
                a.points = shorter;
            }
            QV_AnnotationModel working;
            QV_Annotation keep;
            keep.label = "KEEP";
            working.annotations.Append(keep);
            testing::internal::CaptureStderr();
            EXPECT_FALSE(QV_BuildBodyFrontAnnotation(user, working));
            const std::string err = testing::internal::GetCapturedStderr();
            EXPECT_EQ(err.rfind("QV_BuildBodyFrontAnnotation() Error! : ", 0), 0u) << err;
            EXPECT_NE(err.find(s.label), std::string::npos) << err;
            ASSERT_EQ(working.Count(), 1);
            EXPECT_TRUE(working[0].label == "KEEP");
        }
    }
    // Exactly the fewest points is enough.
    QV_AnnotationModel working;
    EXPECT_TRUE(QV_BuildBodyFrontAnnotation(Source(0), working));
}

TEST(BodyFrontAnnotation, TheUserModelIsNotChanged)
{
    const QV_AnnotationModel user = Source();
    QV_AnnotationModel copy = user;
    QV_AnnotationModel working;
    ASSERT_TRUE(QV_BuildBodyFrontAnnotation(copy, working));
    ASSERT_EQ(copy.Count(), user.Count());
    for (int i = 0; i < user.Count(); ++i) EXPECT_EQ(copy[i].PointVector(), user[i].PointVector());
}
