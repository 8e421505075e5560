// Head creation from a front photograph (and from a front and a profile) on
// the synthetic mugshot.
#include <gtest/gtest.h>

#include <string>

#include "MugShotTestFixture.h"
#include "QV_MugShot.h"
#include "QV_Squeeze.h"

using namespace mugshot_fixture;

namespace {

struct Created {
    QV_MugShot2D3D mug = MugShot();
    QV_Image photo = Photo();
    QV_AnnotationModel model = FrontAnnotation();
    QV_Mesh out;
    bool ok = false;

    void Run(bool highRes = false, const std::vector<QV_RigidPart>& parts = {})
    {
        ok = mug.CreateFromFront(photo, model, parts, highRes, out);
    }
};

std::vector<QV_Point2D> Projected(const QV_MugShotBase& mug, const QV_AnnotationModel& m, float size)
{
    std::vector<QV_Point2D> p;
    EXPECT_TRUE(mug.ProjectPoints(QV_MugShotBase::kFront, {size, size}, m, p));
    return p;
}

}  // namespace

TEST(FrontCreation, MappedVerticesTakeProjectedXYAndKeepScaledDepth)
{
    Created c;
    c.Run();
    ASSERT_TRUE(c.ok);
    const std::vector<QV_Point2D> p = Projected(c.mug, c.model, 100.0f);
    ASSERT_EQ(static_cast<int>(p.size()), kGridVertices);
    ASSERT_EQ(c.out.VertexCount(), c.mug.templateMesh.VertexCount());
    for (int k = 0; k < kGridVertices; ++k) {
        EXPECT_FLOAT_EQ(c.out.vertices[k].x, p[k].x) << k;
        EXPECT_FLOAT_EQ(c.out.vertices[k].y, p[k].y) << k;
    }
    // Depth is the template's, scaled about the centroid by h / H = 0.25 here.
    QV_Point3D centroid;
    const QV_Mesh& t = c.mug.templateMesh;
    for (int i = 0; i < t.VertexCount(); ++i) centroid += t.vertices[i];
    centroid = centroid / static_cast<float>(t.VertexCount());
    float yMin = 1e9f, yMax = -1e9f;
    for (const QV_Point2D& q : p) yMin = std::min(yMin, q.y), yMax = std::max(yMax, q.y);
    const float factor = (yMax - yMin) / t.size.y;
    for (int i : {0, 57, kGridVertices - 1, kGridVertices + 2})
        EXPECT_NEAR(c.out.vertices[i].z, centroid.z + (t.vertices[i].z - centroid.z) * factor, 0.05f) << i;
    EXPECT_EQ(c.out.FaceCount(), t.FaceCount());
    EXPECT_TRUE(c.out.hasTexture);
}

TEST(FrontCreation, PhotographTwiceAsLargeGivesHeadTwiceAsLarge)
{
    Created small, large;
    large.photo = Photo(200);
    small.Run();
    large.Run();
    ASSERT_TRUE(small.ok && large.ok);
    // The mapped vertices follow the photograph; depth is scaled by the
    // projected height, so every extent doubles.
    auto extent = [](const QV_Mesh& m, int n, float QV_Point3D::*axis) {
        float lo = 1e9f, hi = -1e9f;
        for (int i = 0; i < n; ++i) lo = std::min(lo, m.vertices[i].*axis), hi = std::max(hi, m.vertices[i].*axis);
        return hi - lo;
    };
    for (float QV_Point3D::*axis : {&QV_Point3D::x, &QV_Point3D::y}) {
        const float s = extent(small.out, kGridVertices, axis), l = extent(large.out, kGridVertices, axis);
        EXPECT_NEAR(l, 2.0f * s, 1e-3f * l);
    }
    const int all = small.out.VertexCount();
    const float s = extent(small.out, all, &QV_Point3D::z), l = extent(large.out, all, &QV_Point3D::z);
    EXPECT_GT(s, 1.0f);
    EXPECT_NEAR(l, 2.0f * s, 1e-3f * l);
}

TEST(FrontCreation, GreenMaskGivesThePhotographSample)
{
    Created c;
    c.Run();
    ASSERT_TRUE(c.ok);
    std::vector<float> sample;
    ASSERT_TRUE(c.mug.TextureSample(QV_MugShotBase::kFront, c.photo, c.model, {}, false, sample));
    QV_Image expected;
    ASSERT_TRUE(c.mug.sampler.Fill(sample, expected));
    ASSERT_EQ(c.out.texture.Rows(), kTexSize);
    ASSERT_EQ(c.out.texture.Cols(), kTexSize);
    int differing = 0;
    for (int r = 0; r < kTexSize; ++r)
        for (int k = 0; k < kTexSize; ++k) {
            const QV_Colour a = c.out.texture.Row(r)[k], b = expected.Row(r)[k];
            differing += (a.red != b.red || a.green != b.green || a.blue != b.blue);
        }
    EXPECT_EQ(differing, 0);
    // The sample really comes from the gradient photograph, not the stock colour.
    EXPECT_NE(c.out.texture.Row(3)[3].red, 100);
}

TEST(FrontCreation, HighResolutionFlagPicksTheSecondSamplersSize)
{
    Created c;
    c.Run(true);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.out.texture.Rows(), kTexSizeHigh);
    EXPECT_EQ(c.out.texture.Cols(), kTexSizeHigh);
    Created s;
    s.Run(false);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.out.texture.Rows(), kTexSize);
}

TEST(FrontCreation, VerboseModeWritesTheStepsAndTheUnassociatedTextureVertex)
{
    Created c;
    c.mug.verbose = true;
    testing::internal::CaptureStderr();
    c.Run();
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(c.ok);
    const std::string nTex = std::to_string(kGridVertices + 1);
    const char* steps[] = {"Geting front projected 3D\n", "Getting texture sample\n", "Squeezing face/head\n",
                           "Getting 121 image points from 120 projected 3D verts\n",
                           "texvert 120 had zero associated verts\n", "Got 121 image points\n",
                           "Getting tex sample\n", "Blending texture\n", "Scaling pointset\n", "Setting XY\n"};
    size_t at = 0;
    for (const char* s : steps) {
        const size_t found = err.find(s, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << s << "in\n" << err;
        at = found + 1;
    }
    c.mug.verbose = false;
    testing::internal::CaptureStderr();
    c.Run();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(FrontCreation, TextureVertexWithoutVerticesTakesProjectedPointZero)
{
    const QV_MugShot2D3D mug = MugShot();
    std::vector<QV_Point2D> projected = {{7, 8}, {1, 2}, {3, 4}};
    projected.resize(kGridVertices, QV_Point2D(9, 9));
    std::vector<QV_Point2D> points;
    mug.TextureVertexPoints(projected, points);
    ASSERT_EQ(static_cast<int>(points.size()), kGridVertices + 1);
    EXPECT_EQ(points[1], QV_Point2D(1, 2));
    EXPECT_EQ(points[2], QV_Point2D(3, 4));
    EXPECT_EQ(points[kGridVertices], QV_Point2D(7, 8));

    // Lists left over from another template are rebuilt, not trusted.
    QV_MugShot2D3D stale = MugShot();
    stale.texVertVertices.assign(3, std::vector<int>{kGridVertices + 50});
    std::vector<QV_Point2D> again;
    stale.TextureVertexPoints(projected, again);
    EXPECT_EQ(again, points);
}

TEST(FrontCreation, FailuresLeaveTheOutputUntouched)
{
    struct Case {
        const char* name;
        void (*spoil)(Created&);
    } cases[] = {
        {"all points on one spot",
         [](Created& c) {
             for (int a = 0; a < c.model.Count(); ++a)
                 for (int k = 0; k < c.model[a].NumPoints(); ++k) c.model[a].points[k] = {0.5f, 0.5f};
         }},
        {"mapping beyond the annotation", [](Created& c) { c.mug.frontMapping.entries[3].i[1] = 100000; }},
        {"empty photograph", [](Created& c) { c.photo = QV_Image(); }},
        {"template without height", [](Created& c) { c.mug.templateMesh.size.y = 0.0f; }},
    };
    for (const Case& k : cases) {
        Created c;
        k.spoil(c);
        c.out.vertices.Append(QV_Point3D(1, 2, 3));
        testing::internal::CaptureStderr();
        c.Run();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(c.ok) << k.name;
        EXPECT_NE(err, "") << k.name;
        ASSERT_EQ(c.out.VertexCount(), 1) << k.name;
        EXPECT_EQ(c.out.vertices[0], QV_Point3D(1, 2, 3)) << k.name;
    }
}

TEST(TwoPhotographCreation, RefusedWithTheFrontOnlyFlag)
{
    QV_MugShot2D3D mug = MugShot();
    mug.frontOnly = 1;
    QV_Mesh out;
    out.vertices.Append(QV_Point3D(4, 5, 6));
    EXPECT_FALSE(mug.CreateFromFrontAndProfile(Photo(), FrontAnnotation(), Photo(), FrontAnnotation(), {}, false, out));
    ASSERT_EQ(out.VertexCount(), 1);
    EXPECT_EQ(out.vertices[0], QV_Point3D(4, 5, 6));
}

namespace {

// A profile annotation: the grid first (as the mapping expects), then the
// profile line, eye and mouth.
QV_AnnotationModel ProfileAnnotation()
{
    QV_AnnotationModel m = FrontAnnotation();
    while (m.Count() > 1) {
        QV_AnnotationModel keep;
        keep.annotations.Append(m[0]);
        m = keep;
    }
    QV_Annotation face;
    face.label = QV_String("FACE");
    for (int k = 0; k < 36; ++k) face.points.Append(QV_Point2D(0.7f, 0.9f - 0.02f * k));
    face.points[34] = QV_Point2D(0.72f, 0.2f);
    QV_Annotation eye;
    eye.label = QV_String("EYE");
    eye.points.Append(QV_Point2D(0.6f, 0.62f));
    QV_Annotation mouth;
    mouth.label = QV_String("MOUTH");
    for (int k = 0; k < 4; ++k) mouth.points.Append(QV_Point2D(0.62f, 0.3f + 0.01f * k));
    m.annotations.Append(face);
    m.annotations.Append(eye);
    m.annotations.Append(mouth);
    return m;
}

}  // namespace

TEST(TwoPhotographCreation, CombinationModesOneAndThree)
{
    const QV_AnnotationModel front = FrontAnnotation(), profile = ProfileAnnotation();
    const QV_Image photo = Photo();
    QV_MugShot2D3D mug = MugShot();
    std::vector<QV_Point2D> fp, pp;
    ASSERT_TRUE(mug.ProjectPoints(QV_MugShotBase::kFront, {100, 100}, front, fp));
    ASSERT_TRUE(mug.ProjectPoints(QV_MugShotBase::kProfile, {100, 100}, profile, pp));
    ASSERT_EQ(mug.NormaliseProjectedPoints(QV_MugShotBase::kFront, {100, 100}, front, fp), QV_NormaliseResult::kDone);
    ASSERT_EQ(mug.NormaliseProjectedPoints(QV_MugShotBase::kProfile, {100, 100}, profile, pp),
              QV_NormaliseResult::kDone);

    QV_Mesh one, three;
    ASSERT_TRUE(mug.CreateFromFrontAndProfile(photo, front, photo, profile, {}, false, one));
    mug.combinationMode = 3;
    ASSERT_TRUE(mug.CreateFromFrontAndProfile(photo, front, photo, profile, {}, false, three));

    float x0 = 1e9f, x1 = -1e9f;
    for (const QV_Point2D& p : pp) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    const float b = x0 + 0.2f * (x1 - x0), a = x0 + 0.4f * (x1 - x0);
    int below = 0, between = 0, above = 0;
    for (int k = 0; k < kGridVertices; ++k) {
        EXPECT_NEAR(one.vertices[k].x, fp[k].x, 1e-3f);
        EXPECT_NEAR(one.vertices[k].y, fp[k].y, 1e-3f);
        EXPECT_NEAR(one.vertices[k].z, pp[k].x, 1e-3f);
        EXPECT_NEAR(three.vertices[k].x, fp[k].x, 1e-3f);
        EXPECT_NEAR(three.vertices[k].z, pp[k].x, 1e-3f);
        float y = fp[k].y;
        if (pp[k].x < b) {
            y = pp[k].y;
            ++below;
        } else if (pp[k].x <= a) {
            const float t = (pp[k].x - b) / (a - b);
            y = (1 - t) * pp[k].y + t * fp[k].y;
            ++between;
        } else {
            ++above;
        }
        EXPECT_NEAR(three.vertices[k].y, y, 1e-2f) << k;
    }
    // The grid spans all three depth bands, so every branch was checked.
    EXPECT_GT(below, 0);
    EXPECT_GT(between, 0);
    EXPECT_GT(above, 0);
}

TEST(OlderFrontCreation, VerticesFirstThenTextureWithTheOlderSqueeze)
{
    QV_MugShot old = OlderMugShot();
    // Vertex 0 follows "FACE" point 0 (point 120 of the flat list), which the squeeze moves.
    old.frontMapping.entries[0] = {{1.0f, 0.0f, 0.0f}, {120, 0, 0}};
    old.DeriveAssociations();
    old.verbose = true;
    EXPECT_FLOAT_EQ(old.blendSample.x, 0.20f);

    // A "FACE" of 28 points so that the older squeeze applies.
    QV_AnnotationModel model = FrontAnnotation();
    QV_Annotation& face = model[1];
    while (face.NumPoints() < 28) face.points.Append(face.points[face.NumPoints() - 1] + QV_Point2D(0.001f, 0.0f));
    const QV_Image photo = Photo();
    QV_Mesh out;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(old.CreateFromFront(photo, model, {}, true, out));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_LT(err.find("Setting XY\n"), err.find("Getting texture sample\n"));
    EXPECT_EQ(out.texture.Rows(), kTexSizeHigh);
    const std::vector<QV_Point2D> p = Projected(old, model, 100.0f);
    for (int k = 0; k < kGridVertices; k += 13) {
        EXPECT_FLOAT_EQ(out.vertices[k].x, p[k].x);
        EXPECT_FLOAT_EQ(out.vertices[k].y, p[k].y);
    }
    // The texture sample followed the squeezed copy; the caller's model is unchanged.
    QV_AnnotationModel squeezed = model;
    QV_SqueezeOlderFront(squeezed);
    EXPECT_NE(squeezed[1].points[0], model[1].points[0]);
    old.verbose = false;
    std::vector<float> a, b;
    ASSERT_TRUE(old.TextureSample(QV_MugShotBase::kFront, photo, model, {}, false, a));
    std::vector<QV_Point2D> imagePoints;
    old.TextureVertexPoints(Projected(old, squeezed, 100.0f), imagePoints);
    ASSERT_TRUE(old.sampler.Sample(photo, imagePoints, b));
    EXPECT_EQ(a, b);
    std::vector<float> unsqueezed;
    old.TextureVertexPoints(Projected(old, model, 100.0f), imagePoints);
    ASSERT_TRUE(old.sampler.Sample(photo, imagePoints, unsqueezed));
    EXPECT_NE(a, unsqueezed);
}

TEST(OlderTwoPhotographCreation, MissingProfileGroupsReportAndStillCreate)
{
    QV_MugShot old = OlderMugShot();
    // Front groups: "NOSE" 64..66 and "FACE" with member 14 = vertex 15; no profile groups.
    QV_PointGroupTable& t = old.tables[0];
    QV_Annotation nose, face;
    nose.label = QV_String("NOSE");
    face.label = QV_String("FACE");
    t.groups.annotations.Append(nose);
    t.groups.annotations.Append(face);
    t.members.items = {{0, 64}, {0, 66}};
    for (int k = 0; k < 15; ++k) t.members.items.push_back({1, k == 14 ? 15 : k});

    const QV_AnnotationModel front = FrontAnnotation();
    const QV_Image photo = Photo();
    std::vector<QV_Point2D> fp = Projected(old, front, 100.0f), pp = fp;
    ASSERT_EQ(old.NormaliseProjectedPoints(QV_MugShotBase::kFront, {100, 100}, front, fp), QV_NormaliseResult::kDone);
    QV_Mesh out;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(old.CreateFromFrontAndProfile(photo, front, photo, front, {}, false, out));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "QV_MugShot::NormaliseProjectedPoints() Left Error!\n");
    for (int k = 0; k < kGridVertices; k += 9) {
        EXPECT_NEAR(out.vertices[k].x, fp[k].x, 1e-3f) << k;
        EXPECT_NEAR(out.vertices[k].y, fp[k].y, 1e-3f) << k;
        EXPECT_FLOAT_EQ(out.vertices[k].z, pp[k].x) << k;  // the profile points stayed as projected
    }
    EXPECT_EQ(out.texture.Rows(), kTexSize);
}
