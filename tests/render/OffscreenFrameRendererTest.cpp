// Animation frames drawn off screen: one camera for every frame, so what
// moves between meshes moves in the pictures and nothing else does.
#include <gtest/gtest.h>

#include "QV_OffscreenFrameRenderer.h"
#include "RenderTestMeshes.h"

namespace {

using render_test::Box;

bool SamePixels(const QV_Image& a, const QV_Image& b) { return a.SamePixels(b); }

TEST(OffscreenFrameRenderer, FramesShareTheFirstMeshsCamera)
{
    QV_OffscreenFrameRenderer renderer;
    const QV_Mesh still = Box({-1, -1, -1}, {1, 1, 1});
    QV_Mesh moved = still;
    for (int i = 0; i < moved.VertexCount(); ++i) moved.vertices[i].x += 0.5f;  // to the right
    std::vector<QV_Image> frames;
    QV_String error;
    ASSERT_TRUE(renderer.RenderFrames({&still, &still, &moved}, 110, 64, frames, error)) << error.CStr();
    ASSERT_EQ(frames.size(), 3u);
    for (const QV_Image& f : frames) {
        EXPECT_EQ(f.Rows(), 64);
        EXPECT_EQ(f.Cols(), 110);
        for (int r = 0; r < f.Rows(); ++r)
            for (int c = 0; c < f.Cols(); ++c) ASSERT_EQ(f.Row(r)[c].alpha, 255);
    }
    EXPECT_TRUE(SamePixels(frames[0], frames[1]));
    EXPECT_FALSE(SamePixels(frames[0], frames[2]));
    // Framed on the first box, the moved one covers columns right of it and
    // leaves some on its left bare.
    const QV_Colour background = frames[0].Row(32)[2];
    int firstStill = -1, firstMoved = -1;
    for (int c = 0; c < 110; ++c) {
        if (firstStill < 0 && !(frames[0].Row(32)[c] == background)) firstStill = c;
        if (firstMoved < 0 && !(frames[2].Row(32)[c] == background)) firstMoved = c;
    }
    ASSERT_GE(firstStill, 0);
    EXPECT_GT(firstMoved, firstStill);

    EXPECT_TRUE(renderer.RenderFrames({}, 110, 64, frames, error));
    EXPECT_TRUE(frames.empty());
    EXPECT_FALSE(renderer.RenderFrames({&still}, 0, 64, frames, error));
    EXPECT_FALSE(error.IsEmpty());
}

}  // namespace
