// The template annotation built from 68 points: contours, counts, flags and
// landmarks, the points taken from the 68, and its agreement with Mirror.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "QV_FaceTemplate.h"

namespace {

constexpr float pi = 3.14159265358979f;

// A face symmetric about x = 0.5, normalised, y up, in the 68-point order.
std::array<QV_Point2D, 68> SymmetricFace()
{
    std::array<QV_Point2D, 68> p{};
    for (int i = 0; i <= 16; ++i) {
        float t = pi + static_cast<float>(i) * pi / 16.0f;
        p[i] = {0.5f + 0.3f * std::cos(t), 0.55f + 0.4f * std::sin(t)};
    }
    for (int i = 0; i < 5; ++i) {
        p[17 + i] = {0.27f + 0.045f * static_cast<float>(i), 0.62f + 0.01f * std::sin(pi * static_cast<float>(i) / 4.0f)};
        p[26 - i] = {1.0f - p[17 + i].x, p[17 + i].y};
    }
    for (int i = 0; i < 4; ++i) p[27 + i] = {0.5f, 0.58f - 0.045f * static_cast<float>(i)};
    const float nostrilY[5] = {0.42f, 0.415f, 0.41f, 0.415f, 0.42f};
    for (int i = 0; i < 5; ++i) p[31 + i] = {0.45f + 0.025f * static_cast<float>(i), nostrilY[i]};
    const QV_Point2D rightEye[6] = {{0.33f, 0.56f}, {0.36f, 0.575f}, {0.40f, 0.575f},
                                    {0.43f, 0.56f}, {0.40f, 0.545f}, {0.36f, 0.545f}};
    const int leftPartner[6] = {45, 44, 43, 42, 47, 46};
    for (int i = 0; i < 6; ++i) {
        p[36 + i] = rightEye[i];
        p[leftPartner[i]] = {1.0f - rightEye[i].x, rightEye[i].y};
    }
    for (int i = 0; i <= 6; ++i) {
        float t = pi - static_cast<float>(i) * pi / 6.0f;
        p[48 + i] = {0.5f + 0.08f * std::cos(t), 0.3f + 0.03f * std::sin(t)};
    }
    for (int k = 1; k <= 5; ++k) {
        float t = -static_cast<float>(k) * pi / 6.0f;
        p[54 + k] = {0.5f + 0.08f * std::cos(t), 0.3f + 0.035f * std::sin(t)};
    }
    p[60] = {0.43f, 0.3f};
    p[64] = {0.57f, 0.3f};
    for (int k = 1; k <= 3; ++k) {
        float t = pi - static_cast<float>(k) * pi / 4.0f;
        p[60 + k] = {0.5f + 0.07f * std::cos(t), 0.3f + 0.01f * std::sin(t)};
        p[64 + k] = {0.5f + 0.07f * std::cos(-static_cast<float>(k) * pi / 4.0f), 0.3f - 0.012f * std::sin(t)};
    }
    return p;
}

// The same face made uneven: every point nudged by a fixed pattern, then
// turned by 7 degrees about the centre.
std::array<QV_Point2D, 68> UnevenFace()
{
    std::array<QV_Point2D, 68> p = SymmetricFace();
    const float a = 7.0f * pi / 180.0f;
    for (int i = 0; i < 68; ++i) {
        QV_Point2D q = p[i] + QV_Point2D(0.004f * std::sin(1.7f * static_cast<float>(i)),
                                         0.004f * std::cos(2.3f * static_cast<float>(i)));
        QV_Point2D d = q - QV_Point2D(0.5f, 0.5f);
        p[i] = QV_Point2D(0.5f, 0.5f) + QV_Point2D(std::cos(a) * d.x - std::sin(a) * d.y,
                                                   std::sin(a) * d.x + std::cos(a) * d.y);
    }
    return p;
}

const QV_Annotation& Contour(const QV_AnnotationModel& m, const char* label)
{
    int i = m.Find(label);
    EXPECT_GE(i, 0) << label;
    return m[i < 0 ? 0 : i];
}

std::vector<int> Landmarks(const QV_Annotation& a)
{
    std::vector<int> v;
    for (size_t i = 0; i < a.landmarks.Size(); ++i) v.push_back(a.landmarks[i]);
    return v;
}

void ExpectNear(const QV_Point2D& a, const QV_Point2D& b, float tol, const char* what)
{
    EXPECT_NEAR(a.x, b.x, tol) << what;
    EXPECT_NEAR(a.y, b.y, tol) << what;
}

QV_Point2D Mid(const QV_Point2D& a, const QV_Point2D& b) { return (a + b) * 0.5f; }

}  // namespace

TEST(FaceTemplate, ContoursCountsFlagsAndLandmarks)
{
    struct Expected {
        const char* label;
        int points;
        bool open;
        std::vector<int> landmarks;
    };
    const Expected table[] = {
        {"FACE", 22, false, {0, 4, 11, 18}},       {"RIGHT EYE", 8, false, {0, 4}},
        {"LEFT EYE", 8, false, {0, 4}},            {"RIGHT IRIS", 3, true, {0, 2}},
        {"LEFT IRIS", 3, true, {0, 2}},            {"BROW RIDGE", 11, true, {0, 5, 10}},
        {"NOSE", 25, true, {0, 8, 12, 16, 24}},    {"OUTER MOUTH", 12, false, {0, 3, 6, 9}},
        {"INNER MOUTH", 12, false, {0, 3, 6, 9}},  {"RIGHT CHEEK", 5, true, {0, 4}},
        {"LEFT CHEEK", 5, true, {0, 4}},           {"NOSE BRIDGE", 7, true, {0, 6}},
        {"HEAD", 17, true, {0, 16}},               {"NECK", 11, true, {0, 10}},
        {"RIGHT EAR", 8, true, {0, 7}},            {"LEFT EAR", 8, true, {0, 7}},
    };
    QV_AnnotationModel m;
    QV_BuildFaceTemplate(UnevenFace(), 0.8f, m);
    ASSERT_EQ(m.Count(), static_cast<int>(std::size(table)));
    for (int i = 0; i < m.Count(); ++i) {
        const Expected& e = table[i];
        EXPECT_EQ(m[i].label, QV_String(e.label));
        EXPECT_EQ(m[i].NumPoints(), e.points) << e.label;
        EXPECT_EQ(m[i].open, e.open ? 1 : 0) << e.label;
        EXPECT_EQ(m[i].used, 1) << e.label;
        EXPECT_EQ(m[i].normalised, 1) << e.label;
        EXPECT_EQ(Landmarks(m[i]), e.landmarks) << e.label;
    }
}

TEST(FaceTemplate, PointsTakenFromTheSixtyEight)
{
    const auto p = UnevenFace();
    QV_AnnotationModel m;
    QV_BuildFaceTemplate(p, 1.25f, m);
    const float tol = 1e-5f;
    const QV_Annotation& face = Contour(m, "FACE");
    ExpectNear(face.points[4], p[0], tol, "FACE 4 = jaw 0");
    ExpectNear(face.points[11], p[8], tol, "FACE 11 = chin");
    ExpectNear(face.points[18], p[16], tol, "FACE 18 = jaw 16");
    // The forehead arc passes above the brows, with point 0 the highest.
    for (int i : {19, 20, 21, 0, 1, 2, 3}) EXPECT_GT(face.points[i].y, p[19].y) << i;
    EXPECT_GT(face.points[0].y, face.points[2].y);
    EXPECT_GT(face.points[0].y, face.points[20].y);

    const QV_Annotation& eye = Contour(m, "RIGHT EYE");
    ExpectNear(eye.points[0], p[36], tol, "eye 0");
    ExpectNear(eye.points[2], Mid(p[37], p[38]), tol, "eye 2");
    ExpectNear(eye.points[6], Mid(p[40], p[41]), tol, "eye 6");
    const QV_Annotation& leftEye = Contour(m, "LEFT EYE");
    ExpectNear(leftEye.points[0], p[45], tol, "left eye 0");
    ExpectNear(leftEye.points[4], p[42], tol, "left eye 4");
    ExpectNear(leftEye.points[7], p[46], tol, "left eye 7");
    const QV_Annotation& iris = Contour(m, "LEFT IRIS");
    ExpectNear(iris.points[1], Mid(leftEye.points[2], leftEye.points[6]), tol, "iris 1");

    const QV_Annotation& brow = Contour(m, "BROW RIDGE");
    ExpectNear(brow.points[5], Mid(p[21], p[22]), tol, "brow centre");
    ExpectNear(brow.points[10], p[26], tol, "brow end");

    const QV_Annotation& nose = Contour(m, "NOSE");
    ExpectNear(nose.points[8], p[31], tol, "nose 8");
    ExpectNear(nose.points[11], Mid(p[32], p[33]), tol, "nose 11");
    ExpectNear(nose.points[16], p[35], tol, "nose 16");

    const QV_Annotation& inner = Contour(m, "INNER MOUTH");
    ExpectNear(inner.points[0], p[60], tol, "inner 0");
    ExpectNear(inner.points[6], p[64], tol, "inner 6");
    const QV_Annotation& outer = Contour(m, "OUTER MOUTH");
    for (int i = 0; i < 12; ++i) ExpectNear(outer.points[i], p[48 + i], tol, "outer mouth");

    // The cheeks follow the child-face formulas from the other contours.
    const QV_Annotation& cheek = Contour(m, "RIGHT CHEEK");
    ExpectNear(cheek.points[0], {eye.points[6].x, face.points[5].y}, tol, "cheek 0");
    ExpectNear(cheek.points[1], {eye.points[7].x, nose.points[8].y}, tol, "cheek 1");
    ExpectNear(cheek.points[3], {eye.points[0].x, outer.points[0].y}, tol, "cheek 3");
    ExpectNear(cheek.points[4], {eye.points[7].x, face.points[14].y}, tol, "cheek 4");
    const QV_Annotation& bridge = Contour(m, "NOSE BRIDGE");
    ExpectNear(bridge.points[0], Mid(nose.points[0], nose.points[24]), tol, "bridge 0");
    ExpectNear(bridge.points[6], Mid(nose.points[5], nose.points[19]), tol, "bridge 6");
    ExpectNear(bridge.points[5], (bridge.points[6] + bridge.points[4]) * 0.5f, tol, "bridge 5");

    // The head outline starts and ends just outside the jaw's top points;
    // the neck starts and ends on the jaw.
    const QV_Annotation& head = Contour(m, "HEAD");
    EXPECT_LT(head.points[0].x, face.points[4].x);
    EXPECT_GT(head.points[16].x, face.points[18].x);
    EXPECT_GT(head.points[8].y, face.points[0].y);
    const QV_Annotation& neck = Contour(m, "NECK");
    ExpectNear(neck.points[0], face.points[8], tol, "neck 0");
    ExpectNear(neck.points[10], face.points[14], tol, "neck 10");
    EXPECT_LT(neck.points[5].y, face.points[11].y);
    // Ears lie outside the face, starting near its top jaw points.
    const QV_Annotation& rightEar = Contour(m, "RIGHT EAR");
    const QV_Annotation& leftEar = Contour(m, "LEFT EAR");
    EXPECT_LT(rightEar.points[3].x, face.points[4].x);
    EXPECT_GT(leftEar.points[3].x, face.points[18].x);
    EXPECT_LT(Distance(rightEar.points[0], face.points[4]), 0.1f);
}

TEST(FaceTemplate, InnerMouthPairsFaceEachOther)
{
    QV_AnnotationModel m;
    QV_BuildFaceTemplate(SymmetricFace(), 1.0f, m);
    const QV_Annotation& inner = Contour(m, "INNER MOUTH");
    for (auto [a, b] : {std::pair{1, 11}, {3, 9}, {5, 7}})
        EXPECT_NEAR(inner.points[a].x, inner.points[b].x, 2e-3f) << a << "," << b;
    EXPECT_NEAR(inner.points[3].x, 0.5f, 1e-5f);
    EXPECT_GT(inner.points[3].y, inner.points[9].y);
}

TEST(FaceTemplate, SymmetricFaceGivesASymmetricTemplate)
{
    QV_AnnotationModel m;
    QV_BuildFaceTemplate(SymmetricFace(), 0.75f, m);
    const float tol = 1e-5f;
    const QV_Annotation& nose = Contour(m, "NOSE");
    for (int k = 0; k < 25; ++k) {
        EXPECT_NEAR(nose.points[k].x, 1.0f - nose.points[24 - k].x, tol) << k;
        EXPECT_NEAR(nose.points[k].y, nose.points[24 - k].y, tol) << k;
    }
    // Down the bridge on the subject's right (image left) side.
    for (int k = 0; k < 8; ++k) EXPECT_LT(nose.points[k].x, 0.5f) << k;
    for (int k = 1; k < 8; ++k) EXPECT_LT(nose.points[k].y, nose.points[k - 1].y) << k;
    const QV_Annotation& face = Contour(m, "FACE");
    EXPECT_NEAR(face.points[0].x, 0.5f, tol);
    EXPECT_NEAR(face.points[11].x, 0.5f, tol);
    for (int i = 1; i < 22; ++i) EXPECT_NEAR(face.points[i].x, 1.0f - face.points[22 - i].x, tol) << i;
    const QV_Annotation& head = Contour(m, "HEAD");
    EXPECT_NEAR(head.points[8].x, 0.5f, tol);
    const QV_Annotation& bridge = Contour(m, "NOSE BRIDGE");
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(bridge.points[i].x, 0.5f, tol) << i;
}

TEST(FaceTemplate, MirrorOfTheTemplateIsTheTemplateOfTheMirroredFace)
{
    for (float aspect : {1.0f, 0.75f, 1.5f}) {
        const auto p = UnevenFace();
        QV_AnnotationModel mirrored;
        QV_BuildFaceTemplate(p, aspect, mirrored);
        mirrored.Mirror();
        QV_AnnotationModel fromMirroredPoints;
        QV_BuildFaceTemplate(QV_MirrorLandmarks68(p), aspect, fromMirroredPoints);
        ASSERT_EQ(mirrored.Count(), fromMirroredPoints.Count());
        for (int c = 0; c < mirrored.Count(); ++c) {
            const QV_Annotation& a = mirrored[c];
            const QV_Annotation& b = fromMirroredPoints[c];
            EXPECT_EQ(a.label, b.label);
            ASSERT_EQ(a.NumPoints(), b.NumPoints());
            for (int i = 0; i < a.NumPoints(); ++i) {
                EXPECT_NEAR(a.points[i].x, b.points[i].x, 2e-5f) << a.label.CStr() << " " << i << " aspect " << aspect;
                EXPECT_NEAR(a.points[i].y, b.points[i].y, 2e-5f) << a.label.CStr() << " " << i << " aspect " << aspect;
            }
        }
    }
}

TEST(FaceTemplate, MirroringThe68PointsTwiceGivesThemBack)
{
    const auto p = UnevenFace();
    const auto once = QV_MirrorLandmarks68(p);
    const auto twice = QV_MirrorLandmarks68(once);
    for (int i = 0; i < 68; ++i) ExpectNear(twice[i], p[i], 1e-6f, "twice");
    // The chin and the nose tip stay themselves; the eye corners swap.
    EXPECT_NEAR(once[8].x, 1.0f - p[8].x, 1e-6f);
    EXPECT_NEAR(once[36].x, 1.0f - p[45].x, 1e-6f);
    EXPECT_NEAR(once[60].y, p[64].y, 1e-6f);
}
