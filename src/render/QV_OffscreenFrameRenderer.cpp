// Frames of an animation drawn off screen.
#include "QV_OffscreenFrameRenderer.h"

#include "OffscreenRenderer.h"
#include "QV_MeshPreview.h"

bool QV_OffscreenFrameRenderer::RenderFrames(const std::vector<const QV_Mesh*>& meshes, int width, int height,
                                             std::vector<QV_Image>& frames, QV_String& error)
{
    frames.clear();
    if (meshes.empty()) return true;
    OffscreenRenderer renderer;
    // The lighting of the previews: the texture's own colours head-on.
    renderer.materialScale = 0.45f;
    renderer.diffuseFactor = 0.7f;
    if (!renderer.Create(width, height, background)) {
        error = "Can't start OpenGL";
        return false;
    }
    renderer.Fit(*meshes.front(), margin);
    for (const QV_Mesh* mesh : meshes) {
        QV_Image frame;
        if (!renderer.Render({mesh}) || !renderer.ReadPixels(frame)) {
            error = "Can't draw a frame";
            return false;
        }
        QV_MakeOpaque(frame);
        frames.push_back(std::move(frame));
    }
    return true;
}
