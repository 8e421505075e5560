// Turning an image window into network inputs: copying the window with its
// borders repeated, removing a fitted lighting plane, and histogram
// equalisation into the input units.
#pragma once

#include "QV_DetectorResources.h"
#include "QV_NamedImages.h"
#include "QV_NeuralNet.h"

// Copies the w x h window whose top-left pixel is (left, top) into out (row
// after row); pixels outside the image take the nearest border pixel. With
// mirror set each window row is read right to left.
void QV_CopyWindow(const QV_DetImage& image, int left, int top, int w, int h, bool mirror, int* out);

// Writes the equalised window into the inputs 1..n of the network: a pixel of
// value v becomes (below(v) + atOrBelow(v)) / counted - 1 where the counts run
// over the counted pixels only (all n when counted is null). Values must lie
// in 0 .. levels - 1 (levels at most 512).
void QV_EqualiseInto(const int* window, int n, const int* counted, int nCounted, int levels, QV_NeuralNet& net);

// Subtracts the best-fitting brightness plane over the face mask from a 20 x 20
// window, shifting it to centre on 256 and limiting it to 0..511.
void QV_CorrectLighting(int* window, const QV_DetectorResources& res);
