// The texture atlas of the ear-and-neck target: a texture of 5 x 5 equal
// tiles, one per material of the head, split into a picture per material.
#pragma once

#include <vector>

#include "QV_Image.h"
#include "QV_Mesh.h"

constexpr int kQV_AtlasTilesPerSide = 5;

// Moves the texture coordinates of the faces of feature k into tile k (row
// k / 5, column k % 5, row 0 at the bottom like the image): u' = (u - 0.2 c) * 5,
// v' = (v - 0.2 r) * 5. Every (feature, coordinate) pair gets a new entry at
// the end of the list, so a coordinate shared by two features is moved into
// each one's tile; the old entries stay. Features past the 25th keep their
// coordinates; the count of features that have a tile is returned.
int QV_RemapAtlasCoordinates(QV_Mesh& mesh);

// Tile k of the texture (rows and columns split as evenly as whole pixels
// allow), resized to side x side when it is not that size.
QV_Image QV_AtlasTile(const QV_Image& texture, int k, int side);

// Turns the mesh's vertices and normals by the angle (degrees) about the x
// axis, counter-clockwise looking down the axis towards the origin.
void QV_RotateMeshAboutX(QV_Mesh& mesh, float degrees);
