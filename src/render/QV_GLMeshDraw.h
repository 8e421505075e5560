// Legacy (fixed-function) OpenGL drawing of a QV_Mesh, its texture upload and
// the light and material set-up; platform-free, for whichever context is
// current (the off-screen renderer here, an on-screen 3D view likewise).
#pragma once

#include "QV_Image.h"
#include "QV_Material.h"
#include "QV_Mesh.h"

// Every face of every visible feature, as triangles, quads or polygons. Each
// corner gives its texture coordinate (when withTexCoords), its normal and its
// vertex; corners whose vertex index is out of range are left out, and normal
// or texture-coordinate indices out of range are not sent.
void QV_GLDrawMeshFaces(const QV_Mesh& mesh, bool withTexCoords);
// The same for one feature (whether visible or not); nothing for a bad index.
void QV_GLDrawFeatureFaces(const QV_Mesh& mesh, int featureIndex, bool withTexCoords);

// Every face of every visible feature as a closed line loop through its
// corner vertices, in the current colour (texturing and lighting off while
// drawing, restored after).
void QV_GLDrawMeshWireframe(const QV_Mesh& mesh, float lineWidth);

// Creates and fills texture `name` from the image (RGBA bytes, row 0 first,
// mipmaps built with gluBuild2DMipmaps): wrap repeat, magnification linear,
// minification linear-mipmap-linear when `mipmapFiltering`, else linear;
// environment modulate. False for an empty image or when GLU refuses.
bool QV_GLUploadTexture(const QV_Image& image, unsigned int name, bool mipmapFiltering);

// Light 0 as a directional light from `position` (w = 0), with the given
// ambient, diffuse and specular colours (alpha 1); lighting and light 0 on.
// The position is taken in the current model-view frame.
void QV_GLSetLight0(const float position[3], const float ambient[3], const float diffuse[3], const float specular[3]);

// Two-sided lighting and the same front and back material: ambient, diffuse
// and specular (alpha 1) and shininess (0..128).
void QV_GLSetMaterial(const float ambient[3], const float diffuse[3], const float specular[3], float shininess);
