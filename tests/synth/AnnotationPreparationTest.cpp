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

std::vector<std::vector<QV_Point2D>> AllPoints(const QV_AnnotationModel& m)
{
    std::vector<std::vector<QV_Point2D>> out;
    for (int i = 0; i < m.Count(); ++i) out.push_back(m[i].PointVector());
    return out;
}

const QV_Point2D kImage(512.0f, 640.0f);

// Reference pixels to photograph pixels.
QV_Similarity KnownPose()
{
    QV_Similarity s;
    s.FromParams(1.3f * std::cos(0.3f) - 1.0f, 1.3f * std::sin(0.3f), 35.0f, -20.0f);
    return s;
}

// The reference point p (normalised to its own 400 x 600 photograph) under the
// known pose, normalised to the user's photograph.
QV_Point2D Posed(const QV_Point2D& p)
{
    const QV_Point2D q = KnownPose().Apply(p.Scaled(QV_Point2D(400.0f, 600.0f)));
    return QV_Point2D(q.x / kImage.x, q.y / kImage.y);
}

// "CHIN", "BODY" at index 1, "SHOULDERS".
QV_ReferenceAnnotation Reference()
{
    QV_ReferenceAnnotation r;
    r.scale = QV_Point2D(400.0f, 600.0f);
    r.model.annotations.Append(Contour("CHIN", {{0.5f, 0.2f}, {0.45f, 0.25f}}));
    r.model.annotations.Append(Contour("BODY", {{0.2f, 0.3f}, {0.8f, 0.3f}, {0.7f, 0.8f}, {0.3f, 0.75f}, {0.5f, 0.5f}}));
    r.model.annotations.Append(Contour("SHOULDERS", {{0.1f, 0.1f}, {0.9f, 0.1f}, {0.5f, 0.05f}}));
    return r;
}

// "FACE", then at index 1 the posed "BODY" with two unpaired extra points, then "NOSE".
QV_AnnotationModel User(const QV_ReferenceAnnotation& ref)
{
    QV_AnnotationModel m;
    m.annotations.Append(Contour("FACE", {{0.4f, 0.4f}, {0.6f, 0.4f}, {0.5f, 0.2f}}));
    std::vector<QV_Point2D> pts;
    for (const QV_Point2D& p : ref.model[1].PointVector()) pts.push_back(Posed(p));
    pts.push_back({0.99f, 0.01f});
    pts.push_back({0.01f, 0.99f});
    m.annotations.Append(Contour("HEAD", pts));
    m.annotations.Append(Contour("NOSE", {{0.5f, 0.5f}}));
    return m;
}

}  // namespace

TEST(AnnotationPreparation, BodyAlignmentAppendsTheOtherReferencePointsMapped)
{
    const QV_ReferenceAnnotation ref = Reference();
    QV_AnnotationModel m = User(ref);
    const auto before = AllPoints(m);
    ASSERT_TRUE(QV_AnnotationPreparation::AlignReference(m, ref, kImage));
    ASSERT_EQ(m.Count(), 4);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m[i].PointVector(), before[static_cast<size_t>(i)]);
    std::vector<QV_Point2D> want;  // "CHIN" then "SHOULDERS"; not "BODY"
    for (int a : {0, 2})
        for (const QV_Point2D& p : ref.model[a].PointVector()) want.push_back(Posed(p));
    ASSERT_EQ(m[3].NumPoints(), static_cast<int>(want.size()));
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(m[3].points[static_cast<int>(i)].x, want[i].x, 1e-4f) << i;
        EXPECT_NEAR(m[3].points[static_cast<int>(i)].y, want[i].y, 1e-4f) << i;
    }
}

TEST(AnnotationPreparation, BodyAlignmentRefusalsChangeNothing)
{
    using Damage = std::function<void(QV_ReferenceAnnotation&, QV_AnnotationModel&, QV_Point2D&)>;
    const std::vector<std::pair<const char*, Damage>> cases = {
        {"no BODY", [](auto& r, auto&, auto&) { r.model[1].label = "TORSO"; }},
        {"no contour at BODY's index", [](auto&, auto& m, auto&) { m.annotations.Clear(); m.annotations.Append(QV_Annotation()); }},
        {"one pair", [](auto&, auto& m, auto&) { m[1].points.Clear(); m[1].points.Append({0.5f, 0.5f}); }},
        {"coincident user points", [](auto&, auto& m, auto&) { for (int i = 0; i < m[1].NumPoints(); ++i) m[1].points[i] = {0.3f, 0.3f}; }},
        {"coincident reference points", [](auto& r, auto&, auto&) { for (int i = 0; i < 5; ++i) r.model[1].points[i] = {0.3f, 0.3f}; }},
        {"zero image size", [](auto&, auto&, auto& s) { s = QV_Point2D(0, 480); }},
    };
    for (const auto& [name, damage] : cases) {
        SCOPED_TRACE(name);
        QV_ReferenceAnnotation ref = Reference();
        QV_AnnotationModel m = User(ref);
        QV_Point2D size = kImage;
        damage(ref, m, size);
        const auto before = AllPoints(m);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(QV_AnnotationPreparation::AlignReference(m, ref, size));
        EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("QV_AnnotationPreparation::AlignReference() Error!", 0), 0u);
        EXPECT_EQ(AllPoints(m), before);
    }
}

TEST(AnnotationPreparation, PrepareCompletesACopyBeforeAligningIt)
{
    const QV_ReferenceAnnotation ref = Reference();
    const QV_AnnotationModel user = User(ref);
    int seenCount = -1;
    QV_Point2D seenSize;
    const QV_OutlineCompleter completer = [&](QV_AnnotationModel& m, const QV_Point2D& size) {
        seenCount = m.Count();
        seenSize = size;
        m[0].points.Append(QV_Point2D(0.45f, 0.15f));
        return true;
    };
    QV_AnnotationModel out;
    ASSERT_TRUE(QV_AnnotationPreparation::Prepare(user, kImage, &completer, &ref, out));
    EXPECT_EQ(seenCount, 3);  // completion comes first
    EXPECT_EQ(seenSize, kImage);
    ASSERT_EQ(out.Count(), 4);
    EXPECT_EQ(out[0].NumPoints(), 4);
    EXPECT_EQ(user.Count(), 3);
    EXPECT_EQ(user[0].NumPoints(), 3);

    // A refusing hook fails the preparation and leaves the output as it was.
    const QV_OutlineCompleter refuses = [](QV_AnnotationModel& m, const QV_Point2D&) { m.Clear(); return false; };
    testing::internal::CaptureStderr();
    EXPECT_FALSE(QV_AnnotationPreparation::Prepare(user, kImage, &refuses, &ref, out));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("QV_AnnotationPreparation::Prepare() Error!"), std::string::npos);
    EXPECT_EQ(out.Count(), 4);
}

TEST(AnnotationPreparation, EyeTargetsAndEyeLists)
{
    QV_AnnotationModel m;  // uneven points: the mean is not the box centre
    m.annotations.Append(Contour("RIGHT EYE", {{0.30f, 0.60f}, {0.31f, 0.61f}, {0.32f, 0.60f}, {0.40f, 0.58f}}));
    m.annotations.Append(Contour("LEFT EYE", {{0.60f, 0.62f}, {0.70f, 0.60f}, {0.61f, 0.64f}}));
    std::vector<QV_RigidPart> parts;
    ASSERT_TRUE(QV_AnnotationPreparation::EyeParts(m, kImage, {4, 5}, {7}, parts));
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].vertices, (std::vector<int>{4, 5}));
    EXPECT_NEAR(parts[0].target.x, 0.35f * 512.0f, 1e-3f);
    EXPECT_NEAR(parts[0].target.y, 0.595f * 640.0f, 1e-3f);
    EXPECT_NEAR(parts[1].target.x, 0.65f * 512.0f, 1e-3f);
    EXPECT_NEAR(parts[1].target.y, 0.62f * 640.0f, 1e-3f);
    m[1].points.Clear();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(QV_AnnotationPreparation::EyeParts(m, kImage, {4, 5}, {7}, parts));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());

    QV_Mesh mesh;
    for (int i = 0; i < 7; ++i) mesh.vertices.Append(QV_Point3D(static_cast<float>(i), 0, 0));
    mesh.faces.Append(QV_Face(0, 1, 2));
    mesh.faces.Append(QV_Face(5, 3, 4));
    mesh.faces.Append(QV_Face(4, 6, 5));
    QV_Feature eye;
    eye.name = "LeftEye";
    eye.faceIndices.Append(1);
    eye.faceIndices.Append(2);
    mesh.features.Append(eye);
    std::vector<int> right = {99}, left;
    QV_AnnotationPreparation::EyeVertexLists(mesh, right, left);
    EXPECT_TRUE(right.empty());
    EXPECT_EQ(left, (std::vector<int>{5, 3, 4, 6}));
}
