// Preparation of the user's annotation: the copy, the outline hook, the
// reference alignment through "BODY", and the eye targets and eye lists.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "QV_AnnotationPreparation.h"
#include "QV_Similarity.h"

namespace {

QV_Annotation Contour(const char* label, const std::vector<QV_Point2D>& pts)
{
    QV_Annotation a;
    a.label = label;
    for (const QV_Point2D& p : pts) a.points.Append(p);
    return a;
}

std::vector<QV_Point2D> PointsOf(const QV_Annotation& a) { return a.PointVector(); }

std::vector<std::vector<QV_Point2D>> AllPoints(const QV_AnnotationModel& m)
{
    std::vector<std::vector<QV_Point2D>> out;
    for (int i = 0; i < m.Count(); ++i) out.push_back(PointsOf(m[i]));
    return out;
}

// A reference in its own photograph's pixels (scale 400 x 600): a "CHIN"
// contour, the "BODY" contour at index 1, and a "SHOULDERS" contour.
QV_ReferenceAnnotation Reference()
{
    QV_ReferenceAnnotation r;
    r.scale = QV_Point2D(400.0f, 600.0f);
    r.model.annotations.Append(Contour("CHIN", {{0.5f, 0.2f}, {0.45f, 0.25f}}));
    r.model.annotations.Append(
        Contour("BODY", {{0.2f, 0.3f}, {0.8f, 0.3f}, {0.7f, 0.8f}, {0.3f, 0.75f}, {0.5f, 0.5f}}));
    r.model.annotations.Append(Contour("SHOULDERS", {{0.1f, 0.1f}, {0.9f, 0.1f}, {0.5f, 0.05f}}));
    return r;
}

// A 2D pose from reference pixels to photograph pixels.
QV_Similarity KnownPose()
{
    QV_Similarity s;
    const float a = 0.3f;
    s.scale = 1.3f;
    s.R[0][0] = std::cos(a);
    s.R[0][1] = -std::sin(a);
    s.R[1][0] = std::sin(a);
    s.R[1][1] = std::cos(a);
    s.tx = 35.0f;
    s.ty = -20.0f;
    return s;
}

const QV_Point2D kImage(512.0f, 640.0f);

// The user's model: "FACE", then at index 1 a contour whose points are the
// reference "BODY" under the known pose (normalised to the photograph), then "NOSE".
QV_AnnotationModel User(const QV_ReferenceAnnotation& ref)
{
    QV_AnnotationModel m;
    m.annotations.Append(Contour("FACE", {{0.4f, 0.4f}, {0.6f, 0.4f}, {0.5f, 0.2f}}));
    const QV_Similarity pose = KnownPose();
    std::vector<QV_Point2D> pts;
    for (const QV_Point2D& p : PointsOf(ref.model[1])) {
        const QV_Point2D q = pose.Apply(p.Scaled(ref.scale));
        pts.push_back(QV_Point2D(q.x / kImage.x, q.y / kImage.y));
    }
    m.annotations.Append(Contour("HEAD", pts));
    m.annotations.Append(Contour("NOSE", {{0.5f, 0.5f}}));
    return m;
}

}  // namespace

TEST(AnnotationPreparation, BodyAlignmentMapsTheOtherReferencePointsAndAppendsThem)
{
    const QV_ReferenceAnnotation ref = Reference();
    QV_AnnotationModel m = User(ref);
    const auto before = AllPoints(m);
    ASSERT_TRUE(QV_AnnotationPreparation::AlignReference(m, ref, kImage));

    ASSERT_EQ(m.Count(), 4);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(PointsOf(m[i]), before[static_cast<size_t>(i)]);
    const QV_Annotation& added = m[3];
    EXPECT_EQ(added.landmarks.Size(), 0u);
    // "CHIN" then "SHOULDERS", in model order; "BODY" itself is left out.
    std::vector<QV_Point2D> want;
    const QV_Similarity pose = KnownPose();
    for (int a : {0, 2})
        for (const QV_Point2D& p : PointsOf(ref.model[a])) {
            const QV_Point2D q = pose.Apply(p.Scaled(ref.scale));
            want.push_back(QV_Point2D(q.x / kImage.x, q.y / kImage.y));
        }
    ASSERT_EQ(added.NumPoints(), static_cast<int>(want.size()));
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(added.points[static_cast<int>(i)].x, want[i].x, 1e-4f) << i;
        EXPECT_NEAR(added.points[static_cast<int>(i)].y, want[i].y, 1e-4f) << i;
    }
}

TEST(AnnotationPreparation, BodyAlignmentPairsOnlyThePointsBothHave)
{
    QV_ReferenceAnnotation ref = Reference();
    QV_AnnotationModel m = User(ref);
    // Extra points on the user's side are not paired, so the pose is unchanged.
    m[1].points.Append(QV_Point2D(0.99f, 0.01f));
    m[1].points.Append(QV_Point2D(0.01f, 0.99f));
    QV_AnnotationModel plain = User(ref);
    ASSERT_TRUE(QV_AnnotationPreparation::AlignReference(m, ref, kImage));
    ASSERT_TRUE(QV_AnnotationPreparation::AlignReference(plain, ref, kImage));
    ASSERT_EQ(m.Count(), 4);
    EXPECT_EQ(PointsOf(m[3]), PointsOf(plain[3]));
}

TEST(AnnotationPreparation, BodyAlignmentRefusals)
{
    struct Case {
        const char* name;
        std::function<void(QV_ReferenceAnnotation&, QV_AnnotationModel&, QV_Point2D&)> damage;
    };
    const Case cases[] = {
        {"no BODY", [](QV_ReferenceAnnotation& r, QV_AnnotationModel&, QV_Point2D&) { r.model[1].label = "TORSO"; }},
        {"no contour at BODY's index",
         [](QV_ReferenceAnnotation&, QV_AnnotationModel& m, QV_Point2D&) {
             QV_AnnotationModel one;
             one.annotations.Append(m[0]);
             m = one;
         }},
        {"one point pairs",
         [](QV_ReferenceAnnotation&, QV_AnnotationModel& m, QV_Point2D&) {
             m[1].points.Clear();
             m[1].points.Append(QV_Point2D(0.5f, 0.5f));
         }},
        {"coincident user points",
         [](QV_ReferenceAnnotation&, QV_AnnotationModel& m, QV_Point2D&) {
             for (int i = 0; i < m[1].NumPoints(); ++i) m[1].points[i] = QV_Point2D(0.3f, 0.3f);
         }},
        {"coincident reference points",
         [](QV_ReferenceAnnotation& r, QV_AnnotationModel&, QV_Point2D&) {
             for (int i = 0; i < r.model[1].NumPoints(); ++i) r.model[1].points[i] = QV_Point2D(0.3f, 0.3f);
         }},
        {"zero image size", [](QV_ReferenceAnnotation&, QV_AnnotationModel&, QV_Point2D& s) { s = QV_Point2D(0, 480); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QV_ReferenceAnnotation ref = Reference();
        QV_AnnotationModel m = User(ref);
        QV_Point2D size = kImage;
        c.damage(ref, m, size);
        const auto before = AllPoints(m);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(QV_AnnotationPreparation::AlignReference(m, ref, size));
        EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("QV_AnnotationPreparation::AlignReference() Error!", 0),
                  0u);
        EXPECT_EQ(AllPoints(m), before);
        for (const auto& pts : AllPoints(m))
            for (const QV_Point2D& p : pts) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    }
}

TEST(AnnotationPreparation, PrepareWorksOnACopyCompletingBeforeAligning)
{
    const QV_ReferenceAnnotation ref = Reference();
    const QV_AnnotationModel user = User(ref);
    int calls = 0;
    QV_Point2D seenSize;
    int seenCount = -1;
    const QV_OutlineCompleter completer = [&](QV_AnnotationModel& m, const QV_Point2D& size) {
        ++calls;
        seenSize = size;
        seenCount = m.Count();  // still without the appended reference contour
        m[0].points.Append(QV_Point2D(0.45f, 0.15f));
        return true;
    };
    QV_AnnotationModel out;
    ASSERT_TRUE(QV_AnnotationPreparation::Prepare(user, kImage, &completer, &ref, out));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenSize, kImage);
    EXPECT_EQ(seenCount, 3);
    ASSERT_EQ(out.Count(), 4);
    EXPECT_EQ(out[0].NumPoints(), 4);
    EXPECT_EQ(user.Count(), 3);  // the user's model is untouched
    EXPECT_EQ(user[0].NumPoints(), 3);

    // Without hook or reference it is a plain copy.
    QV_AnnotationModel copy;
    ASSERT_TRUE(QV_AnnotationPreparation::Prepare(user, kImage, nullptr, nullptr, copy));
    EXPECT_EQ(AllPoints(copy), AllPoints(user));
}

TEST(AnnotationPreparation, PrepareFailuresLeaveTheOutputAlone)
{
    const QV_ReferenceAnnotation ref = Reference();
    const QV_AnnotationModel user = User(ref);
    const QV_OutlineCompleter refuses = [](QV_AnnotationModel& m, const QV_Point2D&) {
        m.Clear();
        return false;
    };
    QV_AnnotationModel out;
    out.annotations.Append(Contour("KEEP", {{0.1f, 0.1f}}));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(QV_AnnotationPreparation::Prepare(user, kImage, &refuses, &ref, out));
    QV_ReferenceAnnotation noBody = ref;
    noBody.model[1].label = "NECK";
    EXPECT_FALSE(QV_AnnotationPreparation::Prepare(user, kImage, nullptr, &noBody, out));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("QV_AnnotationPreparation::Prepare() Error!"), std::string::npos);
    ASSERT_EQ(out.Count(), 1);
    EXPECT_TRUE(out[0].label == "KEEP");
    EXPECT_EQ(user.Count(), 3);
}

TEST(AnnotationPreparation, EyeTargetsAreBoxCentresInPixels)
{
    QV_AnnotationModel m;
    // Uneven points: the mean is not the box centre.
    m.annotations.Append(Contour("RIGHT EYE", {{0.30f, 0.60f}, {0.31f, 0.61f}, {0.32f, 0.60f}, {0.40f, 0.58f}}));
    m.annotations.Append(Contour("LEFT EYE", {{0.60f, 0.62f}, {0.70f, 0.60f}, {0.61f, 0.64f}}));
    QV_Point2D right, left;
    ASSERT_TRUE(QV_AnnotationPreparation::EyeTargets(m, kImage, right, left));
    EXPECT_NEAR(right.x, 0.35f * 512.0f, 1e-3f);
    EXPECT_NEAR(right.y, 0.595f * 640.0f, 1e-3f);
    EXPECT_NEAR(left.x, 0.65f * 512.0f, 1e-3f);
    EXPECT_NEAR(left.y, 0.62f * 640.0f, 1e-3f);

    std::vector<QV_RigidPart> parts;
    ASSERT_TRUE(QV_AnnotationPreparation::EyeParts(m, kImage, {4, 5}, {7}, parts));
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].vertices, (std::vector<int>{4, 5}));
    EXPECT_EQ(parts[0].target, right);
    EXPECT_EQ(parts[1].vertices, (std::vector<int>{7}));
    EXPECT_EQ(parts[1].target, left);

    QV_AnnotationModel oneEye;
    oneEye.annotations.Append(m[0]);
    oneEye.annotations.Append(Contour("LEFT EYE", {}));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(QV_AnnotationPreparation::EyeTargets(oneEye, kImage, right, left));
    EXPECT_FALSE(QV_AnnotationPreparation::EyeParts(m, kImage, {}, {7}, parts));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
}

TEST(AnnotationPreparation, EyeVertexListsComeFromTheEyeGroups)
{
    QV_Mesh mesh;
    for (int i = 0; i < 8; ++i) mesh.vertices.Append(QV_Point3D(static_cast<float>(i), 0, 0));
    mesh.faces.Append(QV_Face(0, 1, 2));
    mesh.faces.Append(QV_Face(5, 3, 4));
    mesh.faces.Append(QV_Face(4, 6, 5));
    auto group = [&](const char* name, std::vector<int> faces) {
        QV_Feature f;
        f.name = name;
        for (int i : faces) f.faceIndices.Append(i);
        mesh.features.Append(f);
    };
    group("Head", {0});
    group("LeftEye", {1, 2});
    std::vector<int> right = {99}, left;
    QV_AnnotationPreparation::EyeVertexLists(mesh, right, left);
    EXPECT_TRUE(right.empty());
    EXPECT_EQ(left, (std::vector<int>{5, 3, 4, 6}));
    group("RightEye", {0});
    QV_AnnotationPreparation::EyeVertexLists(mesh, right, left);
    EXPECT_EQ(right, (std::vector<int>{0, 1, 2}));
}
