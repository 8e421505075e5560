// QV_DetectorResources: what every detector run shares, made once per process
// on first use: the face and eye masks (kept in the named-image table) and the
// lighting matrix fitted over the face mask.
#pragma once

#include <vector>

#include "QV_NamedImages.h"

struct QV_DetectorResources {
    const QV_DetImage* faceMask = nullptr;  // "facemask", 20 x 20
    const QV_DetImage* eyeMask = nullptr;   // "eyemask", 25 x 15
    std::vector<int> faceInside;            // row-major indices of the face mask's inside pixels
    int insideFrom[20] = {}, insideTo[20] = {};  // per mask row, its inside span [from, to)
    double lighting[3][3] = {};             // inverse of the plane-fit normal matrix
    bool lightingValid = false;             // false when that matrix was singular
};

// Built on the first call; later calls return the same object.
const QV_DetectorResources& QV_GetDetectorResources();

// Inverts a 3 x 3 matrix by Gauss-Jordan elimination with partial pivoting;
// prints "Singular matrix!" and returns false when it has no inverse.
bool QV_Invert3x3(const double in[3][3], double out[3][3]);
