// Painting the views into a software OpenGL context and reading the pixels
// back: clear colour, photograph, annotation lines, textured and untextured
// heads, extra meshes and the texture names of re-uploads.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <vector>

#include "GLTestContext.h"
#include "SceneView.h"
#include "SceneViewTestSupport.h"

using namespace visagen_test;

namespace {

constexpr int kSide = 200;

bool Near(const GLPixel& p, int r, int g, int b, int tolerance = 8)
{
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

::testing::AssertionResult IsClearColour(const GLPixel& p)
{
    // 0.9 of full scale.
    if (Near(p, 230, 230, 230, 1)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << p.r << "," << p.g << "," << p.b;
}

QV_Image Solid(int side, QV_Colour c)
{
    QV_Image image(side, side);
    for (int r = 0; r < side; ++r)
        for (int col = 0; col < side; ++col) image(r, col) = c;
    return image;
}

GLPixel At(const GLTestContext& gl, const QV_Point2D& window)
{
    return gl.PixelFromTop(int(window.x), int(window.y));
}

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.Ok());
        ASSERT_TRUE(view.InitialiseGL(kSide, kSide));
    }
    GLTestContext gl{kSide, kSide};
    SceneView view;
    TempDir dir;
};

GLuint BoundTexture()
{
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return GLuint(name);
}

}  // namespace

TEST(SceneViewContext, InitialisingWithoutAContextFails)
{
    SceneView view;
    EXPECT_FALSE(view.InitialiseGL(100, 100));
}

TEST_F(PaintTest, EmptyViewShowsTheClearColour)
{
    view.Paint();
    for (const auto& p : {QV_Point2D(0, 0), QV_Point2D(100, 100), QV_Point2D(199, 199)})
        EXPECT_TRUE(IsClearColour(At(gl, p)));
    EXPECT_EQ(view.lastPointer, QV_Point2D(100, 100));
    EXPECT_EQ(view.camera.cameraOffset, QV_Point3D(0, 0, -300));
}

TEST_F(PaintTest, PhotographAppearsUprightInsideItsRectangle)
{
    view.isImageView = true;
    const QV_Colour red(200, 30, 30), green(30, 200, 30);
    ASSERT_TRUE(view.OpenPhotograph(WritePhoto(dir, "p.png", 200, 100, red, green).c_str()));
    view.FitCamera();
    view.Paint();
    EXPECT_TRUE(view.textureUploaded);
    // Row 0 of the photograph is its bottom: red below, green above.
    const GLPixel lower = At(gl, WindowPoint(view, {0.5f, 0.25f}));
    const GLPixel upper = At(gl, WindowPoint(view, {0.5f, 0.75f}));
    EXPECT_TRUE(Near(lower, 200, 30, 30)) << lower.r << "," << lower.g << "," << lower.b;
    EXPECT_TRUE(Near(upper, 30, 200, 30)) << upper.r << "," << upper.g << "," << upper.b;
    // The photograph is half as wide as high: the sides of the view stay clear.
    EXPECT_TRUE(IsClearColour(gl.PixelFromTop(5, 100)));
    EXPECT_TRUE(IsClearColour(gl.PixelFromTop(194, 100)));
    EXPECT_TRUE(IsClearColour(At(gl, WindowPoint(view, {-0.1f, 0.5f}))));
}

TEST_F(PaintTest, ContrastChangeShowsAfterTheNextUpload)
{
    view.isImageView = true;
    ASSERT_TRUE(view.OpenPhotograph(WritePhoto(dir, "p.png", 64, 64, QV_Colour(100, 100, 100)).c_str()));
    view.FitCamera();
    view.Paint();
    const QV_Point2D centre = WindowPoint(view, {0.5f, 0.5f});
    EXPECT_TRUE(Near(At(gl, centre), 100, 100, 100));
    // The displayed photograph changes (as the contrast command does) and
    // its texture is marked for upload.
    view.photo = Solid(512, QV_Colour(10, 20, 240));
    view.textureUploaded = false;
    view.Paint();
    EXPECT_TRUE(Near(At(gl, centre), 10, 20, 240));
}

TEST_F(PaintTest, AnnotationLinesAreBlueOverThePhotograph)
{
    view.isImageView = true;
    ASSERT_TRUE(view.OpenPhotograph(WritePhoto(dir, "p.png", 64, 64, QV_Colour(220, 220, 40)).c_str()));
    view.FitCamera();
    view.annotation = OneContour({{0.1f, 0.5f}, {0.9f, 0.5f}}, {0});
    view.mode = SceneView::kAnnotate;

    view.Paint();  // annotation hidden
    const QV_Point2D onLine = WindowPoint(view, {0.5f, 0.5f});
    EXPECT_TRUE(Near(At(gl, onLine), 220, 220, 40));

    view.annotationShown = true;
    view.landmarksShown = true;
    view.Paint();
    // The 2-pixel line covers the pixel row at or next to the projected line.
    bool blue = false;
    for (int dy = -1; dy <= 1; ++dy) {
        const GLPixel p = gl.PixelFromTop(int(onLine.x), int(onLine.y) + dy);
        blue = blue || Near(p, 0, 0, 255, 10);
    }
    EXPECT_TRUE(blue);
    EXPECT_TRUE(Near(At(gl, WindowPoint(view, {0.5f, 0.3f})), 220, 220, 40));
    // Landmark 0 as a green point.
    const QV_Point2D landmark = WindowPoint(view, {0.1f, 0.5f});
    bool green = false;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            green = green || Near(gl.PixelFromTop(int(landmark.x) + dx, int(landmark.y) + dy), 77, 255, 77, 10);
    EXPECT_TRUE(green);
}

TEST_F(PaintTest, HeadIsTexturedOrLitUntextured)
{
    const QV_Image red = Solid(64, QV_Colour(200, 20, 20));
    view.SetHeadMesh(TexturedBox({-50, -50, -50}, {50, 50, 50}, &red));
    view.Paint();
    const QV_Point2D centre(100, 100);
    const GLPixel textured = At(gl, centre);
    EXPECT_TRUE(Near(textured, 200, 20, 20)) << textured.r << "," << textured.g << "," << textured.b;
    EXPECT_TRUE(IsClearColour(gl.PixelFromTop(2, 2)));

    view.textured = false;
    view.ambientFactor = 0.65f;
    view.diffuseFactor = 0.99f;
    view.Paint();
    const GLPixel plain = At(gl, centre);
    EXPECT_FALSE(Near(plain, 200, 20, 20));
    EXPECT_NEAR(plain.r, plain.g, 2);  // lit by a white light, no texture
    EXPECT_NEAR(plain.g, plain.b, 2);
    EXPECT_GT(plain.r, 150);
}

TEST_F(PaintTest, WireframeDrawsWhiteEdgesOverTheSurface)
{
    const QV_Image red = Solid(16, QV_Colour(200, 20, 20));
    view.SetHeadMesh(TexturedBox({-50, -50, -50}, {50, 50, 50}, &red));
    const auto whitePixels = [&] {
        int n = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) n += Near(gl.PixelFromTop(x, y), 255, 255, 255, 5);
        return n;
    };
    view.Paint();
    EXPECT_EQ(whitePixels(), 0);
    view.wireframe = true;
    view.Paint();
    EXPECT_GT(whitePixels(), 50);
}

TEST_F(PaintTest, ExtraMeshesTakeTheirOwnTexturesOrNone)
{
    const QV_Image red = Solid(16, QV_Colour(200, 20, 20));
    const QV_Image blue = Solid(16, QV_Colour(20, 20, 200));
    view.SetHeadMesh(TexturedBox({-60, -20, -20}, {-20, 20, 20}, &red));
    view.camera.target = QV_Point3D(0, 0, 0);
    view.extraMeshes.push_back(TexturedBox({20, -20, -20}, {60, 20, 20}, &blue));
    view.extraMeshes.push_back(TexturedBox({-20, 40, -20}, {20, 80, 20}, nullptr));
    view.textureUploaded = false;
    view.camera.cameraOffset.z *= 4.0f;  // room for all four
    view.Paint();
    const GLPixel left = At(gl, WindowPoint3D(view, {-40, 0, 20}));
    const GLPixel right = At(gl, WindowPoint3D(view, {40, 0, 20}));
    const GLPixel top = At(gl, WindowPoint3D(view, {0, 60, 20}));
    EXPECT_TRUE(Near(left, 200, 20, 20)) << left.r << "," << left.g << "," << left.b;
    EXPECT_TRUE(Near(right, 20, 20, 200)) << right.r << "," << right.g << "," << right.b;
    EXPECT_NEAR(top.r, top.b, 2);  // untextured, lit white
    EXPECT_GT(top.r, 200);

    // One attached after the upload is drawn untextured until the next one.
    view.extraMeshes.push_back(TexturedBox({-20, -80, -20}, {20, -40, 20}, &blue));
    view.Paint();
    const GLPixel late = At(gl, WindowPoint3D(view, {0, -60, 20}));
    EXPECT_NEAR(late.r, late.b, 2);
}

TEST_F(PaintTest, ReuploadsDeleteTheOldTextures)
{
    const QV_Image red = Solid(16, QV_Colour(200, 20, 20));
    const QV_Mesh box = TexturedBox({-50, -50, -50}, {50, 50, 50}, &red);
    std::vector<GLuint> names;
    for (int i = 0; i < 4; ++i) {
        view.SetHeadMesh(box);
        view.Paint();
        view.Paint();  // no new upload
        names.push_back(BoundTexture());
        ASSERT_NE(names.back(), 0u);
        EXPECT_TRUE(glIsTexture(names.back()));
    }
    for (size_t i = 0; i + 1 < names.size(); ++i)
        if (names[i] != names.back()) {
            EXPECT_FALSE(glIsTexture(names[i])) << names[i];
        }
    // A mesh without texture leaves no texture behind either.
    view.SetHeadMesh(TexturedBox({-50, -50, -50}, {50, 50, 50}, nullptr));
    view.Paint();
    EXPECT_FALSE(glIsTexture(names.back()));
    EXPECT_FALSE(view.textureUploaded);
}
