// visagen-cli render, run as a program: the two preview files, what they
// show, and its refusals.
#include <gtest/gtest.h>

#include <string>

#include "QV_Image.h"
#include "QV_MeshPreview.h"
#include "RenderTestMeshes.h"
#include "TestSupport.h"

namespace {

using visagen_test::RunProgram;
using visagen_test::TempDir;

QV_Image Checker()
{
    // Red on the left half, blue on the right.
    QV_Image t(16, 16);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) t(r, c) = c < 8 ? QV_Colour(230, 20, 20) : QV_Colour(20, 20, 230);
    return t;
}

TEST(MeshPreview, FrontAndTurnedViewsShowTheTexturedMeshOnAnOpaqueBackground)
{
    QV_Mesh box = render_test::Box({-60, -100, -80}, {60, 100, 80});
    box.texture = Checker();
    box.hasTexture = true;
    QV_MeshPreviewOptions options;
    options.width = 64;
    options.height = 80;
    options.background[0] = 0.2f, options.background[1] = 0.4f, options.background[2] = 0.6f;
    QV_Image front, turned;
    ASSERT_TRUE(QV_RenderMeshPreviews(box, options, front, turned));
    ASSERT_EQ(front.Cols(), 64);
    ASSERT_EQ(front.Rows(), 80);
    const QV_Colour background(51, 102, 153, 255);  // made opaque
    EXPECT_EQ(front(0, 0), background);
    EXPECT_EQ(turned(79, 63), background);
    // The front face shows red left of the centre and blue right of it.
    const QV_Colour l = front(40, 24), r = front(40, 40);
    EXPECT_GT(l.red, 150);
    EXPECT_LT(l.blue, 60);
    EXPECT_GT(r.blue, 150);
    EXPECT_LT(r.red, 60);
    // The turned view shows the box whole: its border stays background, and
    // it differs from the front view.
    int differing = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 64; ++x) {
            if (x == 0 || y == 0 || x == 63 || y == 79) {
                EXPECT_EQ(turned(y, x), background);
            }
            differing += !(turned(y, x) == front(y, x));
        }
    EXPECT_GT(differing, 200);
}

#ifdef VISAGEN_CLI

TEST(RenderCommand, WritesFrontAndThreeQuarterPngs)
{
    TempDir dir;
    QV_Mesh square = render_test::TexturedSquare(Checker());
    ASSERT_TRUE(square.Save(QV_String(dir.File("square.obj"))));
    ASSERT_EQ(RunProgram({VISAGEN_CLI, "render", dir.File("square.obj"), "-o", dir.File("view.png"), "--size", "48"}),
              0);
    QV_Image front, turned;
    ASSERT_TRUE(front.Load(QV_String(dir.File("view.png"))));
    ASSERT_TRUE(turned.Load(QV_String(dir.File("view-3q.png"))));
    EXPECT_EQ(front.Cols(), 48);
    EXPECT_EQ(turned.Rows(), 48);
    // The texture came along with the OBJ: red left, blue right.
    EXPECT_GT(front(24, 14).red, 150);
    EXPECT_GT(front(24, 34).blue, 150);
    // Turned, the square is narrower than from the front.
    auto width = [](const QV_Image& im) {
        int n = 0;
        for (int x = 0; x < im.Cols(); ++x) n += !(im(24, x) == im(24, 0));
        return n;
    };
    EXPECT_LT(width(turned), width(front) - 4);
    EXPECT_GT(width(turned), 4);
}

TEST(RenderCommand, RefusesBadArgumentsAndUnreadableMeshes)
{
    TempDir dir;
    const std::string out = dir.File("x.png");
    struct Case {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"render"}, 2},
        {{"render", dir.File("a.obj")}, 2},
        {{"render", "-o", out}, 2},
        {{"render", dir.File("a.obj"), "-o", out, "--size", "0"}, 2},
        {{"render", dir.File("a.obj"), "-o", out, "--turn", "abc"}, 2},
        {{"render", dir.File("a.obj"), "-o", out, "--bogus"}, 2},
        {{"render", dir.File("missing.obj"), "-o", out}, 1},
        {{"render", "--help"}, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv{VISAGEN_CLI};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(RunProgram(argv), c.status) << c.args.size() << " arguments, last " << c.args.back();
    }
    // A truncated mesh file fails to load without writing anything.
    visagen_test::WriteFileText(dir.File("bad.obj"), "v 1 2\nf 1 2 3 99\n");
    EXPECT_EQ(RunProgram({VISAGEN_CLI, "render", dir.File("bad.obj"), "-o", out}), 1);
    EXPECT_TRUE(visagen_test::ReadFileBytes(out).empty());
}

#endif

}  // namespace
