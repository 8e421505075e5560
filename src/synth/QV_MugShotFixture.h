// Building a texture sampler from a template mesh: every texture triangle is
// rasterised over the texel grid, and each texel whose centre it covers gets
// the triangle's three texture vertices with their barycentric weights.
#pragma once

#include "QV_Mesh.h"
#include "QV_TextureSampler.h"

// Texel (row, column) has its centre at u = (column + 0.5) / width,
// v = (row + 0.5) / height. Faces of more than three corners are split into
// fans; corners without a texture coordinate leave their face out. A texel
// covered by several triangles keeps the first. False for a size outside
// 1..QV_TextureSampler::kMaxSide or a bad mode.
bool QV_BuildTextureSampler(const QV_Mesh& mesh, int height, int width, int mode, QV_TextureSampler& out);
