// Projection, normalisation and rigid parts of the mugshot models.
#include <gtest/gtest.h>

#include <string>

#include "MugShotTestFixture.h"
#include "QV_MugShot.h"

using namespace mugshot_fixture;

namespace {

const QV_Point2D kScale(100.0f, 100.0f);

// Removes the annotation with the label from a copy of the model.
QV_AnnotationModel Without(const QV_AnnotationModel& m, const char* label)
{
    QV_AnnotationModel out;
    for (int a = 0; a < m.Count(); ++a)
        if (!(m[a].label == QV_String(label))) out.annotations.Append(m[a]);
    return out;
}

std::vector<QV_Point2D> Project(const QV_MugShotBase& mug, const QV_AnnotationModel& m, int side = 0)
{
    std::vector<QV_Point2D> p;
    EXPECT_TRUE(mug.ProjectPoints(side, kScale, m, p));
    return p;
}

}  // namespace

TEST(MugShotProjection, EntriesWeighAnnotationPointsInModelOrder)
{
    QV_MugShot2D3D mug = MugShot();
    const QV_AnnotationModel m = FrontAnnotation();
    // Point 125 of the flat list is point 5 of "FACE", the second annotation.
    const QV_Point2D face5 = m[1].points[5].Scaled(kScale), grid7 = m[0].points[7].Scaled(kScale);
    mug.frontMapping.entries[0] = {{1.0f, 0.0f, 0.0f}, {125, 3, 4}};
    mug.frontMapping.entries[1] = {{0.25f, 0.75f, 0.0f}, {125, 7, 0}};
    const std::vector<QV_Point2D> p = Project(mug, m);
    ASSERT_EQ(static_cast<int>(p.size()), kGridVertices);
    EXPECT_EQ(p[0], face5);  // exactly, not nearly
    EXPECT_FLOAT_EQ(p[1].x, 0.25f * face5.x + 0.75f * grid7.x);
    EXPECT_FLOAT_EQ(p[1].y, 0.25f * face5.y + 0.75f * grid7.y);

    int total = 0;
    for (int a = 0; a < m.Count(); ++a) total += m[a].NumPoints();
    for (int bad : {total, -1}) {
        QV_MugShot2D3D b = MugShot();
        b.frontMapping.entries[9].i[2] = bad;
        std::vector<QV_Point2D> out(3);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(b.ProjectPoints(QV_MugShotBase::kFront, kScale, m, out));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "QV_MugShot2D3D::ProjectPoints() Error! : mapping entry names a point the annotation lacks\n");
        EXPECT_TRUE(out.empty());
    }
}

TEST(MugShotNormalise, FrontAnchorsGoToTheFixedFrame)
{
    const QV_MugShot2D3D mug = MugShot();
    const QV_AnnotationModel m = FrontAnnotation();
    QV_Similarity t;
    ASSERT_EQ(mug.AnchorTransform(QV_MugShotBase::kFront, kScale, m, t), QV_NormaliseResult::kDone);
    const QV_Point2D eyeMid = (m.annotations[3].points[0] + m.annotations[4].points[0]).Scaled(kScale) * 0.5f;
    const QV_Point2D a = t.Apply(eyeMid);
    EXPECT_NEAR(a.x, 0.0f, 1e-2f);
    EXPECT_NEAR(a.y, 0.0f, 1e-2f);
    const QV_Point2D b = t.Apply(m.annotations[2].points[3].Scaled(kScale));
    EXPECT_NEAR(b.x, 0.0f, 0.05f);
    EXPECT_NEAR(b.y, -150.0f, 0.05f);

    // The full normalisation brings the projected grid onto the template.
    std::vector<QV_Point2D> p = Project(mug, m);
    ASSERT_EQ(mug.NormaliseProjectedPoints(QV_MugShotBase::kFront, kScale, m, p), QV_NormaliseResult::kDone);
    for (int k = 0; k < kGridVertices; k += 7) {
        EXPECT_NEAR(p[k].x, mug.templateMesh.vertices[k].x, 0.05f) << k;
        EXPECT_NEAR(p[k].y, mug.templateMesh.vertices[k].y, 0.05f) << k;
    }
}

TEST(MugShotNormalise, MissingOrDegenerateAnnotationsLeaveThePointsUnchanged)
{
    const QV_MugShot2D3D mug = MugShot();
    const QV_AnnotationModel front = FrontAnnotation();
    QV_AnnotationModel sameEyes = front;
    sameEyes[4].points[0] = sameEyes[3].points[0];
    struct Case {
        const char* name;
        int side;
        QV_AnnotationModel model;
        QV_NormaliseResult result;
        const char* message;
    } cases[] = {
        {"no left eye", 0, Without(front, "LEFT EYE"), QV_NormaliseResult::kMissingAnnotation,
         "QV_MugShot2D3D::NormaliseProjectedPoints() Front Error!\n"},
        {"no face", 0, Without(front, "FACE"), QV_NormaliseResult::kMissingAnnotation,
         "QV_MugShot2D3D::NormaliseProjectedPoints() Front Error!\n"},
        {"profile face too short for its line", 1, front, QV_NormaliseResult::kMissingAnnotation,
         "QV_MugShot2D3D::NormaliseProjectedPoints() Left Error!\n"},
        {"eyes on one spot", 0, sameEyes, QV_NormaliseResult::kDegenerate, ""},
    };
    for (const Case& c : cases) {
        const std::vector<QV_Point2D> before = Project(mug, front);
        std::vector<QV_Point2D> p = before;
        testing::internal::CaptureStderr();
        EXPECT_EQ(mug.NormaliseProjectedPoints(c.side, kScale, c.model, p), c.result) << c.name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message) << c.name;
        EXPECT_EQ(p, before) << c.name;
    }
}

TEST(MugShotNormalise, ProfileWithoutMouthWritesTheLeftError)
{
    // The profile annotation proper: "FACE" of 35 points, "EYE", and no "MOUTH".
    QV_AnnotationModel m = FrontAnnotation();
    QV_Annotation face, eye;
    face.label = QV_String("FACE");
    for (int k = 0; k < 36; ++k) face.points.Append(QV_Point2D(0.7f, 0.9f - 0.02f * k));
    eye.label = QV_String("EYE");
    eye.points.Append(QV_Point2D(0.6f, 0.6f));
    m.annotations.Append(eye);
    m = Without(m, "FACE");
    m.annotations.Append(face);
    const QV_MugShot2D3D mug = MugShot();
    std::vector<QV_Point2D> p = Project(mug, m, 1);
    const std::vector<QV_Point2D> before = p;
    testing::internal::CaptureStderr();
    EXPECT_EQ(mug.NormaliseProjectedPoints(QV_MugShotBase::kProfile, kScale, m, p),
              QV_NormaliseResult::kMissingAnnotation);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "QV_MugShot2D3D::NormaliseProjectedPoints() Left Error!\n");
    EXPECT_EQ(p, before);
    // With a mouth the same annotation normalises: the eye's foot goes to (0, 0)
    // before the second fit, so the result differs from the input.
    QV_Annotation mouth;
    mouth.label = QV_String("MOUTH");
    for (int k = 0; k < 3; ++k) mouth.points.Append(QV_Point2D(0.62f, 0.3f + 0.01f * k));
    m.annotations.Append(mouth);
    QV_Similarity t;
    ASSERT_EQ(mug.AnchorTransform(QV_MugShotBase::kProfile, kScale, m, t), QV_NormaliseResult::kDone);
    const QV_Point2D foot = t.Apply({70.0f, 60.0f});  // the eye dropped onto the line x = 70
    EXPECT_NEAR(foot.x, 0.0f, 1e-2f);
    EXPECT_NEAR(foot.y, 0.0f, 1e-2f);
    const QV_Point2D mouthFoot = t.Apply({70.0f, 32.0f});
    EXPECT_NEAR(mouthFoot.x, 0.0f, 0.05f);
    EXPECT_NEAR(mouthFoot.y, -150.0f, 0.05f);
}

TEST(MugShotNormalise, OlderModelTakesAnchorsFromItsVertexGroups)
{
    QV_MugShot old;
    const QV_MugShot2D3D m = MugShot();
    old.templateMesh = m.templateMesh;
    old.frontMapping = m.frontMapping;
    old.DeriveAssociations();
    const QV_AnnotationModel front = FrontAnnotation();
    std::vector<QV_Point2D> p = Project(old, front);
    const std::vector<QV_Point2D> before = p;
    testing::internal::CaptureStderr();
    EXPECT_EQ(old.NormaliseProjectedPoints(QV_MugShotBase::kFront, kScale, front, p),
              QV_NormaliseResult::kMissingAnnotation);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "QV_MugShot::NormaliseProjectedPoints() Front Error!\n");
    EXPECT_EQ(p, before);

    // "NOSE" runs from grid vertex 64 to 66 (midpoint 65, at template (-10, 72.7)),
    // member 14 of "FACE" is grid vertex 15; the result lands on the template.
    QV_PointGroupTable& t = old.tables[0];
    QV_Annotation nose, face;
    nose.label = QV_String("NOSE");
    face.label = QV_String("FACE");
    t.groups.annotations.Append(nose);
    t.groups.annotations.Append(face);
    for (int v : {64, 3, 66}) t.members.items.push_back({0, v});
    for (int k = 0; k < 15; ++k) t.members.items.push_back({1, k == 14 ? 15 : k});
    ASSERT_EQ(old.NormaliseProjectedPoints(QV_MugShotBase::kFront, kScale, front, p), QV_NormaliseResult::kDone);
    for (int k = 0; k < kGridVertices; k += 11) {
        EXPECT_NEAR(p[k].x, old.templateMesh.vertices[k].x, 0.05f) << k;
        EXPECT_NEAR(p[k].y, old.templateMesh.vertices[k].y, 0.05f) << k;
    }
    // A group member beyond the projected points counts as missing.
    t.members.items[2].vertex = kGridVertices + 1;
    std::vector<QV_Point2D> q = before;
    testing::internal::CaptureStderr();
    EXPECT_EQ(old.NormaliseProjectedPoints(QV_MugShotBase::kFront, kScale, front, q),
              QV_NormaliseResult::kMissingAnnotation);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(q, before);
}

TEST(MugShotRigidPart, TemplateShapeScaledToTheProjectedWidthAndCentredOnTarget)
{
    const QV_MugShot2D3D mug = MugShot();
    std::vector<QV_Point2D> p = Project(mug, FrontAnnotation());
    // Stretch the projected points of the part so that its width doubles.
    const std::vector<int> part = {22, 23, 24, 32, 33, 34};
    const QV_Point2D c = p[23];
    for (int v : part) p[v] = c + (p[v] - c).Scaled({2.0f, 1.0f});
    float projW = 0;
    {
        float lo = 1e9f, hi = -1e9f;
        for (int v : part) lo = std::min(lo, p[v].x), hi = std::max(hi, p[v].x);
        projW = hi - lo;
    }
    const std::vector<QV_Point2D> before = p;
    const QV_Point2D target(30.0f, 40.0f);
    ASSERT_TRUE(mug.PlaceRigidPart(QV_MugShotBase::kFront, p, part, target));
    float xlo = 1e9f, xhi = -1e9f, ylo = 1e9f, yhi = -1e9f;
    for (int v : part) {
        xlo = std::min(xlo, p[v].x), xhi = std::max(xhi, p[v].x);
        ylo = std::min(ylo, p[v].y), yhi = std::max(yhi, p[v].y);
    }
    EXPECT_NEAR(xhi - xlo, projW, 1e-3f);
    EXPECT_NEAR((xlo + xhi) / 2, target.x, 1e-3f);
    EXPECT_NEAR((ylo + yhi) / 2, target.y, 1e-3f);
    // The part keeps the template's proportions: the 2 x 1 cell block stays
    // 2 : 1 in width to height, rotated by the fitted 5 degrees.
    EXPECT_NEAR(Distance(p[22], p[24]) / Distance(p[22], p[32]), 2.0f * 20.0f / 27.2727f, 1e-3f);
    EXPECT_EQ(p[0], before[0]);  // other points untouched

    std::vector<QV_Point2D> q = before;
    EXPECT_FALSE(mug.PlaceRigidPart(QV_MugShotBase::kFront, q, {3, kGridVertices}, target));
    EXPECT_FALSE(mug.PlaceRigidPart(QV_MugShotBase::kFront, q, {-1}, target));
    EXPECT_FALSE(mug.PlaceRigidPart(QV_MugShotBase::kFront, q, {5}, target));  // one point: no width
    EXPECT_EQ(q, before);
}
