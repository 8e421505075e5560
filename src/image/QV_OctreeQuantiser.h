// QV_OctreeQuantiser: reduces an image to palette indices and a palette of at
// most 256 colours with an octree, for the GIF and PCX writers.
#pragma once

#include "QV_Array.h"
#include "QV_Array2D.h"
#include "QV_Image.h"

class QV_OctreeQuantiser {
public:
    // Inserts every pixel (row 0 first, each row left to right), builds the
    // palette (always 256 entries, unused ones zero) and maps every pixel to
    // its index. `indices` takes the image's bounds. False when the tree could
    // not be built.
    static bool Quantise(const QV_Image& image, QV_GreyImage& indices, QV_Array<QV_Colour>& palette);
};
