// Cutting a rectangle out of a picture: the texture quarters and atlas tiles
// that some avatar targets want as separate files.
#pragma once

#include "QV_Image.h"

// The rows firstRow .. firstRow+rows-1 and columns firstCol .. firstCol+cols-1
// of source, counted from its lower bounds (row 0 is the bottom row), as a new
// 0-based image with the source's JPEG quality and comment. The rectangle is
// clipped to the source; nothing of it inside gives an empty image.
QV_Image QV_CopyImageRegion(const QV_Image& source, int firstRow, int firstCol, int rows, int cols);
