// Delaunay triangulation of a 2D point set (Bowyer-Watson), used to cut the
// mean shape into the triangles the appearance model samples its texture in.
#pragma once

#include <array>
#include <vector>

#include "QV_Point.h"

// Triangles as index triples into `points`, counter-clockwise. Coincident
// points are triangulated once (the first of them is used); fewer than three
// distinct, non-collinear points give no triangles.
std::vector<std::array<int, 3>> QV_Triangulate(const std::vector<QV_Point2D>& points);
