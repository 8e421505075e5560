// Expression targets moved onto a created head: how a head made from a
// photograph blinks or smiles when its template has blink and smile shapes.
#pragma once

#include "QV_Mesh.h"

// The head with each vertex i moved by weight times the displacement from
// rest vertex i to target vertex i, turned and scaled by the similarity that
// best takes the rest vertices onto the head's (so a head placed and sized
// differently from its template moves the same way). Only the vertices that
// all three meshes have move; normals are recomputed. Rest and target are the
// template head and its expression shape, vertex for vertex.
QV_Mesh QV_MorphExpression(const QV_Mesh& head, const QV_Mesh& rest, const QV_Mesh& target, float weight);
