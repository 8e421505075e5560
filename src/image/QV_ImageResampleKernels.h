// Building blocks shared by the Gaussian blur, the bilinear sampler and the
// resampler, so that the full blur and the resampler's restricted blur give
// bit-identical pixels.
#pragma once

#include <cmath>
#include <vector>

#include "QV_Image.h"

namespace qv_resample {

// Weights w[k], k = -radius..radius (stored at k + radius): the Gaussian
// integral over each pixel, not renormalised.
std::vector<float> GaussianWeights(float sigma, int radius);

// Sum of w[k] * get(k) over k = -radius..radius for R, G and B, rounded to
// bytes; A = 255.
template <class Get>
inline QV_Colour Convolve(const float* w, int radius, Get get)
{
    float r = 0.0f, g = 0.0f, b = 0.0f;
    for (int k = -radius; k <= radius; ++k) {
        const QV_Colour& p = get(k);
        const float wk = w[k + radius];
        r += wk * static_cast<float>(p.red);
        g += wk * static_cast<float>(p.green);
        b += wk * static_cast<float>(p.blue);
    }
    return QV_Colour(QV_RoundToByte(r), QV_RoundToByte(g), QV_RoundToByte(b), 255);
}

// One axis of a bilinear sample: the two neighbouring indices (relative to
// the lower bound) and the weight of the second one.
struct AxisSplit {
    bool inside = false;
    int i0 = 0;
    int i1 = 0;
    float t = 0.0f;
};

// The sampler's rule: e = v + 0.5, f = e truncated; outside when f < 0 or
// f >= n. With clampEnd, a coordinate in the last half pixel (n - 0.5 <= v < n)
// takes the last pixel instead of being outside.
inline AxisSplit SplitAxis(float v, int n, bool clampEnd = false)
{
    AxisSplit s;
    const float e = v + 0.5f;
    const float ft = std::trunc(e);
    if (!(ft >= 0.0f) || n <= 0) return s;  // also NaN
    if (ft >= static_cast<float>(n)) {
        if (!clampEnd || !(v < static_cast<float>(n))) return s;
        s.inside = true;
        s.i0 = s.i1 = n - 1;
        s.t = 0.0f;
        return s;
    }
    const int f = static_cast<int>(ft);
    s.inside = true;
    if (f > 0) {
        s.i0 = f - 1;
        s.i1 = f;
        s.t = e - ft;
    } else {
        s.i0 = 0;
        s.i1 = (n > 1) ? 1 : 0;  // a one-pixel axis has no second neighbour
        s.t = 0.0f;
    }
    return s;
}

inline unsigned char BlendByte(unsigned char p00, unsigned char p01, unsigned char p10, unsigned char p11, float tx,
                               float ty)
{
    const float v = (1.0f - tx) * (1.0f - ty) * p00 + tx * (1.0f - ty) * p01 + (1.0f - tx) * ty * p10 + tx * ty * p11;
    return QV_RoundToByte(v);
}

// p00 = P(y0, x0), p01 = P(y0, x1), p10 = P(y1, x0), p11 = P(y1, x1).
inline QV_Colour Blend(const QV_Colour& p00, const QV_Colour& p01, const QV_Colour& p10, const QV_Colour& p11, float tx,
                       float ty)
{
    return QV_Colour(BlendByte(p00.red, p01.red, p10.red, p11.red, tx, ty),
                     BlendByte(p00.green, p01.green, p10.green, p11.green, tx, ty),
                     BlendByte(p00.blue, p01.blue, p10.blue, p11.blue, tx, ty),
                     BlendByte(p00.alpha, p01.alpha, p10.alpha, p11.alpha, tx, ty));
}

// Source coordinate of target index i when n target pixels cover `size`
// source pixels: (i + 0.5) / n * size.
inline float TargetCoord(int i, int n, int size)
{
    return (static_cast<float>(i) + 0.5f) / static_cast<float>(n) * static_cast<float>(size);
}

}  // namespace qv_resample
