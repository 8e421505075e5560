// Image preparation before a model search: the preprocessing modes applied
// to the working image, and the image pyramid that both searches run on.
#pragma once

#include <vector>

#include "QV_Image.h"

// Applies preprocessing mode 0..6 in place (0 none, 1 sharpen, 2 grey,
// 3 edge orientation, 4 edge strength, 5 window gradient orientation,
// 6 orientation in red and gradient magnitude in green and blue); any other
// mode leaves the image unchanged.
void QV_PrepareImage(QV_Image& image, int mode);

// Window of the sharpening mode for an image of the given width:
// (width * 15) / 512, but 3 when width * 15 < 1536.
int QV_SharpenWindow(int width);

// The next coarser pyramid level: half the size (rounded up, at least one
// pixel) by the antialiased resampling.
void QV_DownsampleImage(const QV_Image& finer, QV_Image& coarser);

// Builds `levels` images: the source is resized to workingWidth keeping its
// aspect ratio (height rounded to the nearest pixel), mirrored when asked,
// prepared with `preprocessing`, and then halved repeatedly. Index 0 is the
// coarsest level and index levels - 1 the prepared working image. False
// (pyramid emptied) for an empty source, a non-positive width or level count,
// or a working image of more than 65535 rows or 1e8 pixels.
bool QV_BuildPyramid(const QV_Image& source, int workingWidth, int levels, bool mirror, int preprocessing,
                     std::vector<QV_Image>& pyramid);
