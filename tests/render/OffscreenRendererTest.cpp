// The off-screen renderer: what it draws, where the camera fit puts a mesh,
// texture colours, refusals, and that no display is needed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "OffscreenRenderer.h"
#include "RenderTestMeshes.h"

namespace {

using render_test::Box;
using render_test::TexturedSquare;

// A background whose components are exact in bytes.
const float kBackground[3] = {0.2f, 0.4f, 0.6f};
const QV_Colour kClear(51, 102, 153, 0);

QV_Colour Pixel(const QV_Image& image, int x, int y) { return image(image.RowLow() + y, image.ColLow() + x); }

bool IsBackground(const QV_Colour& c) { return c == kClear; }

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(renderer.Create(kW, kH, kBackground)); }

    QV_Image Draw(const QV_Mesh& mesh)
    {
        QV_Image image;
        EXPECT_TRUE(renderer.Render({&mesh}));
        EXPECT_TRUE(renderer.ReadPixels(image));
        return image;
    }

    static constexpr int kW = 96;
    static constexpr int kH = 64;
    OffscreenRenderer renderer;
};

TEST_F(RendererTest, WorksWithoutAnyDisplay)
{
    // The fixture already made one context; a second renderer made with no
    // display variable at all must draw just the same.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    OffscreenRenderer headless;
    ASSERT_TRUE(headless.Create(16, 16, kBackground));
    QV_Mesh box = Box({-1, -1, -1}, {1, 1, 1});
    headless.Fit(box, 1.5f);
    ASSERT_TRUE(headless.Render({&box}));
    QV_Image image;
    ASSERT_TRUE(headless.ReadPixels(image));
    EXPECT_FALSE(IsBackground(Pixel(image, 8, 8)));
    EXPECT_TRUE(IsBackground(Pixel(image, 0, 0)));
}

TEST_F(RendererTest, LitBoxCoversTheCentreAndLeavesTheCornersClear)
{
    QV_Mesh box = Box({-1, -1, -1}, {1, 1, 1});
    renderer.Fit(box, 1.5f);
    const QV_Image image = Draw(box);
    ASSERT_EQ(image.Rows(), kH);
    ASSERT_EQ(image.Cols(), kW);
    const QV_Colour centre = Pixel(image, kW / 2, kH / 2);
    EXPECT_FALSE(IsBackground(centre));
    // The front face is lit head-on by the light from +z: ambient 0.8 plus
    // diffuse 0.8 of the material saturate to white.
    EXPECT_GT(centre.red, 240);
    EXPECT_EQ(centre.red, centre.green);
    EXPECT_EQ(centre.alpha, 255);
    for (auto [x, y] : {std::pair{0, 0}, {kW - 1, 0}, {0, kH - 1}, {kW - 1, kH - 1}})
        EXPECT_TRUE(IsBackground(Pixel(image, x, y))) << x << "," << y;
}

TEST_F(RendererTest, LightingShadesAFaceTurnedAwayFromTheLight)
{
    // Unsaturated material: ambient 0.2, diffuse 0.6 of white.
    renderer.materialScale = 0.25f;
    renderer.diffuseFactor = 0.75f;
    QV_Mesh box = Box({-1, -1, -1}, {1, 1, 1});
    renderer.Fit(box, 1.5f);
    const int facing = Draw(box)(kH / 2, kW / 2).red;
    renderer.rotation[1] = 60.0f;  // the front face now at 60 degrees to the light
    const QV_Point3D front = renderer.Project(QV_Point3D(0.0f, 0.0f, 1.0f));
    const int turned = Pixel(Draw(box), int(front.x), int(front.y)).red;
    // Head-on about 0.2 + 0.6 (+ the scene's own small ambient); at 60
    // degrees the diffuse part halves.
    EXPECT_GT(facing, 0.8 * 255 - 5);
    EXPECT_LT(facing, 0.9 * 255);
    EXPECT_NEAR(facing - turned, 0.3 * 255, 12);
}

struct FitCase {
    const char* name;
    QV_Point3D lo, hi;
    float scale;
    float rotationY;
};

class FitTest : public RendererTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FitTest, BoundingBoxLandsInsideTheFrameAndFillsIt)
{
    const FitCase& c = GetParam();
    QV_Mesh box = Box(c.lo, c.hi);
    renderer.Fit(box, c.scale);
    renderer.rotation[1] = c.rotationY;
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (int i = 0; i < 8; ++i) {
        const QV_Point3D w = renderer.Project(box.vertices[i]);
        minX = std::min(minX, w.x), maxX = std::max(maxX, w.x);
        minY = std::min(minY, w.y), maxY = std::max(maxY, w.y);
        EXPECT_GT(w.z, 0.0f) << "corner " << i << " in front of the near plane";
        EXPECT_LT(w.z, 1.0f) << "corner " << i << " beyond the far plane";
    }
    EXPECT_GE(minX, 0.0f);
    EXPECT_LE(maxX, float(kW));
    EXPECT_GE(minY, 0.0f);
    EXPECT_LE(maxY, float(kH));
    // Framed, not lost in the distance: one extent spans most of the frame.
    EXPECT_GT(std::max((maxX - minX) / kW, (maxY - minY) / kH), 0.5f);

    // What is drawn agrees: the border rows and columns stay clear, the
    // projected centre of the box is covered.
    const QV_Image image = Draw(box);
    for (int x = 0; x < kW; ++x) {
        EXPECT_TRUE(IsBackground(Pixel(image, x, 0)));
        EXPECT_TRUE(IsBackground(Pixel(image, x, kH - 1)));
    }
    for (int y = 0; y < kH; ++y) {
        EXPECT_TRUE(IsBackground(Pixel(image, 0, y)));
        EXPECT_TRUE(IsBackground(Pixel(image, kW - 1, y)));
    }
    const QV_Point3D centre((c.lo.x + c.hi.x) / 2, (c.lo.y + c.hi.y) / 2, (c.lo.z + c.hi.z) / 2);
    const QV_Point3D w = renderer.Project(centre);
    EXPECT_FALSE(IsBackground(Pixel(image, int(w.x), int(w.y))));
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, FitTest,
    ::testing::Values(FitCase{"Cube", {-1, -1, -1}, {1, 1, 1}, 1.2f, 0.0f},
                      FitCase{"TallFarFromOrigin", {300, 500, -900}, {340, 700, -860}, 1.1f, 0.0f},
                      FitCase{"WideFlat", {-50, -2, -1}, {50, 2, 1}, 1.1f, 0.0f},
                      FitCase{"HeadSizedTurned", {-80, -120, -100}, {80, 120, 100}, 1.6f, 45.0f},
                      FitCase{"OffCentreTurned", {1000, 0, 500}, {1100, 100, 600}, 1.6f, -45.0f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RendererTest, TexturedSquareShowsItsTextureColours)
{
    // Left half red, right half blue; row 0 is the bottom, so the top rows
    // of the picture are green.
    QV_Image texture(8, 8);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            texture(r, c) = r >= 6 ? QV_Colour(0, 255, 0) : c < 4 ? QV_Colour(255, 0, 0) : QV_Colour(0, 0, 255);
    QV_Mesh square = TexturedSquare(texture);
    renderer.Fit(square, 1.0f);
    const QV_Image image = Draw(square);
    const QV_Point3D left = renderer.Project(QV_Point3D(-0.5f, -0.3f, 0));
    const QV_Point3D right = renderer.Project(QV_Point3D(0.5f, -0.3f, 0));
    const QV_Point3D top = renderer.Project(QV_Point3D(0.0f, 0.9f, 0));
    const QV_Colour l = Pixel(image, int(left.x), int(left.y));
    const QV_Colour r = Pixel(image, int(right.x), int(right.y));
    const QV_Colour t = Pixel(image, int(top.x), int(top.y));
    EXPECT_GT(l.red, 200);
    EXPECT_LT(l.blue, 40);
    EXPECT_GT(r.blue, 200);
    EXPECT_LT(r.red, 40);
    EXPECT_GT(t.green, 200);
    EXPECT_LT(t.red, 40);

    // With textures off the same square shows the feature's material colour.
    renderer.textures = false;
    const QV_Colour plain = Pixel(Draw(square), int(left.x), int(left.y));
    EXPECT_EQ(plain.red, plain.blue);
    EXPECT_GT(plain.red, 200);

    // Another mesh's texture shows once the textures are invalidated.
    renderer.textures = true;
    QV_Image blue(2, 2);
    blue.Fill(QV_Colour(0, 0, 255));
    renderer.InvalidateTextures();
    const QV_Colour c = Pixel(Draw(TexturedSquare(blue)), int(left.x), int(left.y));
    EXPECT_GT(c.blue, 200);
    EXPECT_LT(c.red, 40);
}

TEST_F(RendererTest, WireframeOverlayDrawsWhiteEdges)
{
    QV_Image dark(2, 2);
    dark.Fill(QV_Colour(0, 0, 0));
    QV_Mesh square = TexturedSquare(dark);
    renderer.Fit(square, 1.5f);
    renderer.wireframe = true;
    const QV_Image image = Draw(square);
    // The left edge of the square, half-way up.
    const QV_Point3D edge = renderer.Project(QV_Point3D(-1.0f, 0.0f, 0.0f));
    bool white = false;
    for (int dx = -1; dx <= 1; ++dx) {
        const QV_Colour c = Pixel(image, int(edge.x) + dx, int(edge.y));
        white = white || (c.red > 200 && c.green > 200 && c.blue > 200);
    }
    EXPECT_TRUE(white);
    EXPECT_LT(Pixel(image, kW / 2, kH / 2).red, 20);
}

TEST_F(RendererTest, HiddenFeaturesAndBrokenIndicesAreNotDrawn)
{
    QV_Mesh box = Box({-1, -1, -1}, {1, 1, 1});
    renderer.Fit(box, 1.5f);
    box.features[0].visible = false;
    EXPECT_TRUE(IsBackground(Draw(box)(kH / 2, kW / 2)));

    // Faces naming vertices, normals or texture coordinates that do not
    // exist, and features naming faces that do not exist, are skipped.
    box.features[0].visible = true;
    box.faces[0].corners[2].vertex = 999;
    box.faces[1].corners[0].normal = -7;
    box.faces[1].corners[1].texCoord = 12345;
    box.features[0].faceIndices.Append(77);
    box.features[0].faceIndices.Append(-1);
    box.faces[2].count = 9;
    const QV_Image image = Draw(box);
    // The front face (face 0) is gone, so the back face shows through... but
    // it is culled, so the centre is clear; the top face, seen edge-on, too.
    EXPECT_TRUE(IsBackground(Pixel(image, kW / 2, kH / 2)));
}

TEST(OffscreenRendererRefusals, SizesSecondCreateAndUseBeforeCreate)
{
    OffscreenRenderer r;
    QV_Image image;
    QV_Mesh box = Box({-1, -1, -1}, {1, 1, 1});
    EXPECT_FALSE(r.Render({&box}));
    EXPECT_FALSE(r.ReadPixels(image));
    for (auto [w, h] : {std::pair{0, 10}, {10, -1}, {OffscreenRenderer::kMaxSide + 1, 10}}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(r.Create(w, h, kBackground));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "OffscreenRenderer::Create() Error! : bad size!\n");
    }
    ASSERT_TRUE(r.Create(8, 8, kBackground));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(r.Create(8, 8, kBackground));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "OffscreenRenderer::Create() Error! : already created!\n");
    // Destroyed, it can be made again, at another size.
    r.Destroy();
    EXPECT_FALSE(r.IsCreated());
    ASSERT_TRUE(r.Create(12, 10, kBackground));
    ASSERT_TRUE(r.Render({}));
    ASSERT_TRUE(r.ReadPixels(image));
    EXPECT_EQ(image.Cols(), 12);
    EXPECT_EQ(image.Rows(), 10);
    EXPECT_TRUE(IsBackground(image(5, 6)));
}

TEST(OffscreenRendererRefusals, DestroyGivesBackThePreviousContext)
{
    OffscreenRenderer outer, inner;
    const float black[3] = {0, 0, 0};
    ASSERT_TRUE(outer.Create(4, 4, black));
    ASSERT_TRUE(inner.Create(6, 6, kBackground));
    inner.Destroy();
    // The outer renderer still renders and reads its own buffer.
    ASSERT_TRUE(outer.Render({}));
    QV_Image image;
    ASSERT_TRUE(outer.ReadPixels(image));
    EXPECT_EQ(image.Cols(), 4);
    EXPECT_EQ(image(0, 0), QV_Colour(0, 0, 0, 0));
}

TEST(OffscreenRendererFit, EmptyMeshKeepsTheDefaultDepthRange)
{
    OffscreenRenderer r;
    ASSERT_TRUE(r.Create(8, 8, kBackground));
    QV_Mesh empty;
    r.rotation[0] = 30.0f;
    r.fieldOfView = -2.0f;
    r.Fit(empty, 1.0f);
    EXPECT_EQ(r.fieldOfView, 1.0f);
    EXPECT_EQ(r.rotation[0], 0.0f);
    // Near 0.5 and far 3000: depth 0 and 1 there, and a point in front of
    // the near plane falls outside.
    EXPECT_NEAR(r.Project(QV_Point3D(0, 0, -0.5f)).z, 0.0f, 1e-4);
    EXPECT_NEAR(r.Project(QV_Point3D(0, 0, -3000.0f)).z, 1.0f, 1e-4);
    EXPECT_LT(r.Project(QV_Point3D(0, 0, -0.4f)).z, 0.0f);
    EXPECT_NEAR(r.Project(QV_Point3D(0, 0, -1)).x, 4.0f, 1e-3);
}

}  // namespace
