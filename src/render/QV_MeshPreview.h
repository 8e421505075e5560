// Preview pictures of a mesh: the front view and a three-quarter view, each
// framed to the whole mesh and lit from the camera, drawn off-screen.
#pragma once

#include "QV_Image.h"
#include "QV_Mesh.h"

struct QV_MeshPreviewOptions {
    int width = 512;
    int height = 512;
    float threeQuarterDegrees = 40.0f;  // turn about the vertical axis
    float margin = 1.1f;                // frame size over the mesh size
    float background[3] = {0.3f, 0.3f, 0.3f};
};

// Draws the two views into `front` and `threeQuarter` (opaque RGBA, row 0 at
// the bottom). False, with the renderer's message, when no off-screen context
// can be made.
bool QV_RenderMeshPreviews(const QV_Mesh& mesh, const QV_MeshPreviewOptions& options, QV_Image& front,
                           QV_Image& threeQuarter);

// Sets every pixel's alpha to 255: the frame buffer's alpha is the clear
// colour's 0 where nothing was drawn.
void QV_MakeOpaque(QV_Image& image);
