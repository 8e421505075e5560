// QV_MeshFrameRenderer: what a caller that draws meshes into pictures offers
// to code that must not link an OpenGL library itself (a plug-in's saved
// animation frames). The off-screen renderer provides one.
#pragma once

#include <vector>

#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_String.h"

class QV_MeshFrameRenderer {
public:
    virtual ~QV_MeshFrameRenderer() = default;
    // Draws each mesh from the front into a width x height picture (row 0 at
    // the bottom, opaque), all with the camera framed on the first mesh, so
    // that the frames of one animation line up. False with a message when no
    // picture can be drawn.
    virtual bool RenderFrames(const std::vector<const QV_Mesh*>& meshes, int width, int height,
                              std::vector<QV_Image>& frames, QV_String& error) = 0;
};
