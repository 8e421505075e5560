// QV_CylinderScan: a cylindrical range scan as a map of radii (rows along the
// axis, columns around it) with its colour picture, and its conversion to a
// textured mesh.
#pragma once

#include <vector>

#include "QV_Image.h"

class QV_Mesh;

class QV_CylinderScan {
public:
    int rows = 0;
    int cols = 0;
    float angularStep = 0.0f;   // radians from one column to the next
    float verticalStep = 0.0f;  // distance from one row to the next
    std::vector<float> radius;  // rows x cols, row-major
    std::vector<unsigned char> valid;
    QV_Image colour;
    bool hasColour = false;

    // An empty map of the size, every sample void.
    void Resize(int newRows, int newCols);
    int Index(int row, int col) const { return row * cols + col; }

    // Every void sample takes the mean of the nearest valid sample on its
    // left and on its right in the same row (the one there is, when only one
    // side has one; it stays void when neither has).
    void FillVoids();
    // Keeps at most maxRows x maxCols about the centre of the map, and of
    // the colour picture about its own centre.
    void CropAboutCentre(int maxRows, int maxCols);

    // One vertex per valid sample at (-sin a r, row step, -cos a r) with
    // a = column x angular step, texture coordinate ((col + 0.5) / cols,
    // (row + 0.5) / rows); neighbouring valid samples form quads (a triangle
    // where one corner of four is void), facing out. The colour picture,
    // when there is one, is the texture. Columns are not joined across the
    // seam, whose texture would otherwise run back over the whole picture.
    void ToMesh(QV_Mesh& mesh) const;
};
