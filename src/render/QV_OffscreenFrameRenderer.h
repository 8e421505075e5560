// QV_OffscreenFrameRenderer: the frame renderer that draws on the off-screen
// OpenGL buffer, for the programs that link it (front views, lit from the
// camera, framed on the first mesh).
#pragma once

#include "QV_MeshFrameRenderer.h"

class QV_OffscreenFrameRenderer : public QV_MeshFrameRenderer {
public:
    float margin = 1.1f;  // frame size over the first mesh's size
    float background[3] = {0.3f, 0.3f, 0.3f};

    bool RenderFrames(const std::vector<const QV_Mesh*>& meshes, int width, int height,
                      std::vector<QV_Image>& frames, QV_String& error) override;
};
