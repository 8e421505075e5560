// The 3D view's camera without a window: projection depth range, framing by
// plug-in class, double-click refit, trackball, pan and zoom, the light, the
// extra meshes of a plug-in and the pick ray.
#include <gtest/gtest.h>

#include <cmath>

#include "QV_HeadModelFile.h"
#include "QV_OlderMugShotPlugins.h"
#include "SceneView.h"
#include "SceneViewPluginClass.h"
#include "SceneViewTestSupport.h"
#include "SceneViewTrackball.h"

using namespace visagen_test;

namespace {

constexpr SceneView::Buttons kLeft{true, false, false, false};
constexpr SceneView::Buttons kRight{false, true, false, false};
constexpr SceneView::Buttons kBoth{true, true, false, false};

// Near and far planes of a perspective matrix.
void NearFar(const QV_GLMatrix& p, float& nearZ, float& farZ)
{
    const float c = p.At(2, 2), d = p.At(2, 3);
    nearZ = d / (c - 1.0f);
    farZ = d / (c + 1.0f);
}

bool IsIdentity(const QV_GLMatrix& m)
{
    const QV_GLMatrix id;
    for (int i = 0; i < 16; ++i)
        if (std::abs(m.m[i] - id.m[i]) > 1e-6f) return false;
    return true;
}

class HeadViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.owner = &owner;
        view.Resize(400, 300);
    }
    void Move(float x0, float y0, float x1, float y1, SceneView::Buttons held)
    {
        view.MouseMove(x0, y0, SceneView::Buttons{});
        view.MouseMove(x1, y1, held);
    }
    RecordingOwner owner;
    SceneView view;
};

}  // namespace

// ---- projection ----

struct DepthCase {
    float diagonal;
    float wantF;
};

class ProjectionDepthTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(ProjectionDepthTest, DepthRangeFollowsTheBoxDiagonal)
{
    SceneView view;
    view.Resize(200, 100);
    // A cube whose diagonal has the wanted length.
    const float side = GetParam().diagonal / std::sqrt(3.0f);
    view.SetHeadMesh(TexturedBox({0, 0, 0}, {side, side, side}));
    view.camera.cameraOffset = QV_Point3D(0, 0, -500);
    float nearZ = 0, farZ = 0;
    NearFar(view.ProjectionMatrix(), nearZ, farZ);
    EXPECT_NEAR(farZ - nearZ, GetParam().wantF, 0.05f * GetParam().wantF / 100.0f + 0.01f);
    EXPECT_NEAR(nearZ, 500.0f - GetParam().wantF / 2.0f, 0.05f);
}

INSTANTIATE_TEST_SUITE_P(Diagonals, ProjectionDepthTest,
                         ::testing::Values(DepthCase{4.0f, 100.0f}, DepthCase{40.0f, 100.0f},
                                           DepthCase{100.0f, 250.0f}));

TEST(SceneViewProjection, WithoutAMeshTheRangeIsFixedAndNearStaysPositive)
{
    SceneView view;
    view.Resize(200, 100);
    float nearZ = 0, farZ = 0;
    NearFar(view.ProjectionMatrix(), nearZ, farZ);
    EXPECT_NEAR(nearZ, 1.0f, 1e-3f);
    EXPECT_NEAR(farZ, 2000.0f, 1.0f);

    // A camera inside the depth range: near falls back to 1.
    view.SetHeadMesh(TexturedBox({0, 0, 0}, {100, 100, 100}));
    view.camera.cameraOffset = QV_Point3D(0, 0, -50);
    NearFar(view.ProjectionMatrix(), nearZ, farZ);
    EXPECT_NEAR(nearZ, 1.0f, 1e-3f);
}

// ---- framing ----

TEST_F(HeadViewTest, FramingFollowsThePluginClass)
{
    const QV_Mesh body = TexturedBox({-50, 0, -20}, {50, 200, 20});
    struct Case {
        int typeCode;
        float targetY;
        float frame;
    } cases[] = {{0, 100.0f, 200.0f}, {1, 200.0f - 0.105f * 200.0f, 0.21f * 200.0f},
                 {11, 200.0f - 0.09f * 200.0f, 0.18f * 200.0f}, {5, 200.0f - 0.15f * 200.0f, 0.3f * 200.0f}};
    for (const Case& c : cases) {
        const auto plugin = QV_CreatePlugin(c.typeCode);
        ASSERT_NE(plugin, nullptr);
        owner.plugin = plugin.get();
        view.SetHeadMesh(body);
        EXPECT_NEAR(view.camera.target.y, c.targetY, 1e-3f) << c.typeCode;
        const float wantZ = -1.1f * c.frame / (2.0f * std::tan(0.5f * 3.14159265f / 180.0f));
        EXPECT_NEAR(view.camera.cameraOffset.z, wantZ, std::abs(wantZ) * 1e-4f) << c.typeCode;
        EXPECT_EQ(view.mode, SceneView::kCamera);
    }
    owner.plugin = nullptr;
    const auto plain = QV_CreatePlugin(5);
    EXPECT_EQ(QV_PluginClassName(plain.get()), "QV_PlainHeadPlugin2");
    EXPECT_EQ(QV_PluginClassName(nullptr), "");
}

TEST_F(HeadViewTest, DoubleClickRestoresTheFramingAfterTurningAndZooming)
{
    view.SetHeadMesh(TexturedBox({-50, -50, -50}, {50, 50, 50}));
    const QV_ViewCamera fitted = view.camera;
    Move(200, 150, 260, 120, kLeft);   // turn
    Move(200, 150, 200, 100, kBoth);   // zoom
    Move(200, 150, 230, 170, kRight);  // pan
    EXPECT_FALSE(IsIdentity(view.camera.rotation));
    EXPECT_NE(view.camera.cameraOffset, fitted.cameraOffset);
    view.LeftDoubleClick(10, 10, SceneView::Buttons{});
    EXPECT_TRUE(IsIdentity(view.camera.rotation));
    EXPECT_EQ(view.camera.cameraOffset, fitted.cameraOffset);
    EXPECT_EQ(view.camera.target, fitted.target);
}

// ---- pointer handling ----

TEST_F(HeadViewTest, LeftDragTurnsAHeadButNotAPhotograph)
{
    view.SetHeadMesh(TexturedBox({-50, -50, -50}, {50, 50, 50}));
    Move(200, 150, 240, 150, kLeft);
    // A horizontal drag turns about the vertical axis.
    const QV_GLMatrix& r = view.camera.rotation;
    EXPECT_LT(r.At(0, 0), 0.999f);
    EXPECT_NEAR(r.At(1, 1), 1.0f, 1e-5f);
    EXPECT_GT(r.At(0, 2), 0.0f);  // the front turns towards the pointer's side

    TempDir dir;
    SceneView image;
    image.isImageView = true;
    image.Resize(400, 300);
    ASSERT_TRUE(image.OpenPhotograph(WritePhoto(dir, "p.png", 64, 64, QV_Colour(1, 2, 3)).c_str()));
    image.FitCamera();
    image.mode = SceneView::kCamera;
    image.MouseMove(200, 150, SceneView::Buttons{});
    image.MouseMove(260, 100, kLeft);
    EXPECT_TRUE(IsIdentity(image.camera.rotation));
}

TEST_F(HeadViewTest, PanAndZoomSteps)
{
    view.SetHeadMesh(TexturedBox({0, 0, 0}, {300, 400, 0}));  // box diagonal 500
    const QV_Point3D start = view.camera.cameraOffset;
    Move(200, 150, 210, 146, kRight);
    // step = 0.0025 x 500; the scene follows the pointer.
    EXPECT_NEAR(view.camera.cameraOffset.x, start.x + 1.25f * 10, 1e-3f);
    EXPECT_NEAR(view.camera.cameraOffset.y, start.y + 1.25f * 4, 1e-3f);

    const QV_Point3D before = view.camera.cameraOffset;
    const QV_Point3D toTarget = view.camera.target - before;
    const float d = std::sqrt(toTarget.x * toTarget.x + toTarget.y * toTarget.y + toTarget.z * toTarget.z);
    Move(200, 150, 200, 140, kBoth);  // up by 10 pixels: dy = 10
    EXPECT_NEAR(view.camera.cameraOffset.z, before.z - d * 0.005f * 10, 1e-2f);
}

TEST_F(HeadViewTest, LightModeMovesTheLight)
{
    view.SetHeadMesh(TexturedBox({-50, -50, -50}, {50, 50, 50}));
    view.mode = SceneView::kLight;
    const QV_Point3D start = view.lightPosition;
    Move(200, 150, 230, 140, kRight);
    EXPECT_EQ(owner.LastStatus(), "Translating");
    EXPECT_FLOAT_EQ(view.lightPosition.x, start.x + 30);
    EXPECT_FLOAT_EQ(view.lightPosition.y, start.y + 10);
    Move(200, 150, 200, 160, kBoth);
    EXPECT_EQ(owner.LastStatus(), "Zooming");
    EXPECT_GT(view.lightPosition.z, start.z);
    // The camera stayed where it was.
    EXPECT_TRUE(IsIdentity(view.camera.rotation));
}

TEST_F(HeadViewTest, PointerRayMeetsThePlaneUnderThePointer)
{
    view.SetHeadMesh(TexturedBox({-50, -50, -50}, {50, 50, 50}));
    Move(10, 10, 200, 150, SceneView::Buttons{});
    EXPECT_NEAR(view.pointerOnPlane.x, 0.0f, 0.05f);
    EXPECT_NEAR(view.pointerOnPlane.y, 0.0f, 0.05f);
    EXPECT_NEAR(view.pointerOnPlane.z, 0.0f, 1e-3f);
    EXPECT_LT(view.pointerRayDirection.z, 0.0f);  // looking down -z

    const QV_Point2D w = WindowPoint3D(view, QV_Point3D(30, -20, 0));
    view.MouseMove(w.x, w.y, SceneView::Buttons{});
    EXPECT_NEAR(view.pointerOnPlane.x, 30.0f, 0.05f);
    EXPECT_NEAR(view.pointerOnPlane.y, -20.0f, 0.05f);
}

TEST(SceneViewTrackball, RotationFollowsThePointer)
{
    EXPECT_TRUE(IsIdentity(QV_TrackballRotation({100, 100}, {100, 100}, 200, 200)));
    EXPECT_TRUE(IsIdentity(QV_TrackballRotation({100, 100}, {150, 100}, 0, 0)));
    // Centre to a quarter width right: a = (0, 0, 1), b on the sphere.
    const QV_GLMatrix r = QV_TrackballRotation({100, 100}, {150, 100}, 200, 200);
    const QV_Point3D b = QV_TrackballVector(150, 100, 200, 200);
    EXPECT_NEAR(b.x * b.x + b.y * b.y + b.z * b.z, 1.0f, 1e-5f);
    // The rotation takes the view direction a onto the direction towards b.
    const QV_Point3D a = r.TransformPoint(QV_Point3D(0, 0, 1));
    const float angle = 90.0f * std::sqrt(b.x * b.x + (b.z - 1) * (b.z - 1));
    EXPECT_NEAR(a.x, std::sin(angle * 3.14159265f / 180.0f), 1e-4f);
    EXPECT_NEAR(a.y, 0.0f, 1e-5f);
}

// ---- extra meshes ----

TEST(SceneViewExtraMeshes, BodyPluginAddsTheChosenBodyAndSomeClassesBlend)
{
    SceneView view;
    auto body = QV_CreatePlugin(1);
    auto* avatar = dynamic_cast<QV_BodyAvatarPlugin*>(body.get());
    ASSERT_NE(avatar, nullptr);
    for (int i = 0; i < 6; ++i) avatar->bodyMeshes[i].name = QV_String("body") + i;
    view.RefreshExtraMeshes(body.get());
    ASSERT_EQ(view.extraMeshes.size(), 2u);
    EXPECT_STREQ(view.extraMeshes[0].name.CStr(), "body0");
    EXPECT_STREQ(view.extraMeshes[1].name.CStr(), "body1");
    EXPECT_FALSE(view.blend);
    avatar->SetFemaleBody(true);
    view.RefreshExtraMeshes(body.get());
    ASSERT_EQ(view.extraMeshes.size(), 2u);
    EXPECT_STREQ(view.extraMeshes[0].name.CStr(), "body3");
    EXPECT_STREQ(view.extraMeshes[1].name.CStr(), "body4");

    for (int code : {3, 8}) {
        auto plugin = QV_CreatePlugin(code);
        view.RefreshExtraMeshes(plugin.get());
        EXPECT_TRUE(view.extraMeshes.empty()) << code;
        EXPECT_TRUE(view.blend) << code;
    }
    auto standard = QV_CreatePlugin(0);
    view.RefreshExtraMeshes(standard.get());
    EXPECT_FALSE(view.blend);
    view.RefreshExtraMeshes(body.get());
    view.RefreshExtraMeshes(nullptr);
    EXPECT_TRUE(view.extraMeshes.empty());
}
