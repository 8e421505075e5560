// The interactive view's camera: framing by plug-in class and feature, and
// the depth range of its projection.
#include <gtest/gtest.h>

#include <cmath>

#include "QV_ViewCamera.h"
#include "RenderTestMeshes.h"

namespace {

// Distance at which a frame of size s fills a field of view of 1 degree.
float Distance(float s) { return s / (2.0f * std::tan(0.5f * 3.14159265f / 180.0f)); }

struct FramingCase {
    const char* pluginClass;
    bool imageView;
    float targetY;  // for a box from y = 0 to 200
    float frame;
};

TEST(ViewCamera, FramesByPluginClassOrFeature)
{
    // A body 200 high; a "Face" feature (the first box face) only in the
    // second mesh.
    QV_Mesh body = render_test::Box({-20, 0, -10}, {20, 200, 10});
    QV_Mesh withFace = body;
    QV_Feature face;
    face.name = "Face";
    face.faceIndices.Append(0);  // the front quad, y 0..200 too, at z = 10
    withFace.features.Append(face);

    const FramingCase cases[] = {
        {"QV_PlainHeadPlugin3", false, 170.0f, 60.0f},  {"QV_EyePartsHeadPlugin", false, 182.0f, 36.0f},
        {"QV_BodySkinPlugin", false, 179.0f, 42.0f},    {"QV_StandardHeadPlugin", false, 100.0f, 200.0f},
        {"QV_BodySkinPlugin", true, 100.0f, 200.0f},    {"SomethingElse", false, 100.0f, 200.0f},
        {nullptr, false, 100.0f, 200.0f},
    };
    for (const FramingCase& c : cases) {
        SCOPED_TRACE(c.pluginClass ? c.pluginClass : "none");
        QV_ViewCamera cam;
        cam.cameraOffset = QV_Point3D(5, 6, 7);
        cam.rotation = QV_GLMatrix::Rotation(30, 0, 1, 0);
        cam.Fit(body, c.pluginClass, c.imageView);
        EXPECT_NEAR(cam.target.y, c.targetY, 1e-3);
        EXPECT_EQ(cam.target.x, 0.0f);
        EXPECT_NEAR(cam.cameraOffset.z, -Distance(1.1f * c.frame), 0.05f);
        EXPECT_EQ(cam.cameraOffset.x, 0.0f);
        EXPECT_EQ(cam.rotation.m[2], 0.0f);  // rotation back to identity
    }
    // The face feature is framed by an image view and by an unknown class,
    // but not by a class with its own framing.
    QV_ViewCamera cam;
    cam.Fit(withFace, "Other", false);
    EXPECT_EQ(cam.target.z, 10.0f);
    cam.Fit(withFace, "QV_FlatSkinPlugin", false);
    EXPECT_EQ(cam.target.z, 0.0f);
}

TEST(ViewCamera, ProjectionDepthRangeFollowsTheMeshSize)
{
    // Box diagonals of 4 and 40 both give f = 100 (2.5 x 40 = 100); 400 gives
    // 1000. The camera is 600 away.
    struct Case {
        float side;  // cube side; diagonal = side x sqrt(3)
        float f;
    } cases[] = {{4.0f / std::sqrt(3.0f), 100}, {40.0f / std::sqrt(3.0f), 100}, {400.0f / std::sqrt(3.0f), 1000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        const float h = c.side / 2;
        QV_Mesh box = render_test::Box({-h, -h, -h}, {h, h, h});
        QV_ViewCamera cam;
        cam.cameraOffset = QV_Point3D(0, 0, -600);
        const QV_GLMatrix p = cam.Projection(&box, 100, 100);
        QV_Point3D w;
        const float nearZ = 600 - c.f / 2;
        ASSERT_TRUE(QV_GLProject({0, 0, -nearZ}, QV_GLMatrix(), p, 100, 100, w));
        EXPECT_NEAR(w.z, 0.0f, 1e-4);
        ASSERT_TRUE(QV_GLProject({0, 0, -(nearZ + c.f)}, QV_GLMatrix(), p, 100, 100, w));
        EXPECT_NEAR(w.z, 1.0f, 1e-4);
    }
    // Close up, near would not be positive: it becomes 1. Without a mesh the
    // range is 1..2000.
    QV_ViewCamera cam;
    cam.cameraOffset = QV_Point3D(0, 0, -20);
    QV_Mesh big = render_test::Box({-100, -100, -100}, {100, 100, 100});
    QV_Point3D w;
    ASSERT_TRUE(QV_GLProject({0, 0, -1}, QV_GLMatrix(), cam.Projection(&big, 10, 10), 10, 10, w));
    EXPECT_NEAR(w.z, 0.0f, 1e-4);
    ASSERT_TRUE(QV_GLProject({0, 0, -2000}, QV_GLMatrix(), cam.Projection(nullptr, 10, 10), 10, 10, w));
    EXPECT_NEAR(w.z, 1.0f, 1e-4);
}

TEST(ViewCamera, ModelViewPutsTheTargetAtTheOffset)
{
    QV_ViewCamera cam;
    cam.target = QV_Point3D(10, 20, 30);
    cam.cameraOffset = QV_Point3D(1, 2, -100);
    cam.rotation = QV_GLMatrix::Rotation(90, 0, 0, 1);
    const QV_Point3D t = cam.ModelView().TransformPoint(cam.target);
    EXPECT_NEAR(t.x, 1, 1e-4);
    EXPECT_NEAR(t.z, -100, 1e-4);
    // A point 1 right of the target turns to 1 above it.
    const QV_Point3D r = cam.ModelView().TransformPoint(QV_Point3D(11, 20, 30));
    EXPECT_NEAR(r.x, 1, 1e-4);
    EXPECT_NEAR(r.y, 3, 1e-4);
}

}  // namespace
