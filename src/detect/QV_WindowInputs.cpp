// Window copying, lighting correction and equalisation.
#include "QV_WindowInputs.h"

#include <cmath>

void QV_CopyWindow(const QV_DetImage& image, int left, int top, int w, int h, bool mirror, int* out)
{
    const bool inside = left >= 0 && top >= 0 && left + w <= image.width && top + h <= image.height;
    for (int r = 0; r < h; ++r) {
        int* dst = out + r * w;
        if (inside) {
            const unsigned char* src = &image.pixels[static_cast<size_t>(top + r) * image.width + left];
            if (mirror)
                for (int c = 0; c < w; ++c) dst[c] = src[w - 1 - c];
            else
                for (int c = 0; c < w; ++c) dst[c] = src[c];
        } else {
            for (int c = 0; c < w; ++c) {
                const int x = mirror ? left + w - 1 - c : left + c;
                dst[c] = image.Clamped(x, top + r);
            }
        }
    }
}

void QV_EqualiseInto(const int* window, int n, const int* counted, int nCounted, int levels, QV_NeuralNet& net)
{
    (void)levels;  // every value is below it: bytes, or corrected values limited to 0..511
    // The values the window holds lie between its least and greatest pixel;
    // the table is only worked out there (a plain pass the compiler
    // vectorises, unlike tracking the counted pixels' own range).
    int lo = window[0], hi = window[0];
    for (int k = 1; k < n; ++k) {
        lo = window[k] < lo ? window[k] : lo;
        hi = window[k] > hi ? window[k] : hi;
    }
    // Two histograms, even and odd pixels, so that runs of equal values do
    // not make every count wait for the one before.
    int hist[512], odd[512];
    for (int v = lo; v <= hi; ++v) hist[v] = odd[v] = 0;
    if (!counted) nCounted = n;
    int k = 0;
    for (; k + 1 < nCounted; k += 2) {
        ++hist[window[counted ? counted[k] : k]];
        ++odd[window[counted ? counted[k + 1] : k + 1]];
    }
    if (k < nCounted) ++hist[window[counted ? counted[k] : k]];
    for (int v = lo; v <= hi; ++v) hist[v] += odd[v];
    // value[v] = (counted pixels below v + counted pixels at or below v) / count - 1;
    // no counted pixel lies below lo.
    const float scale = 1.0f / static_cast<float>(nCounted);
    float value[512];
    int running = 0;
    for (int v = lo; v <= hi; ++v) {
        const int at = running + hist[v];
        value[v] = static_cast<float>(running + at) * scale - 1.0f;
        running = at;
    }
    net.SetInputs(window, value, n);
}

void QV_CorrectLighting(int* window, const QV_DetectorResources& res)
{
    // The sums are of whole numbers well inside what a double holds exactly,
    // so they are taken as integers, row span by row span of the mask.
    long long sl = 0, sm = 0, s = 0;
    for (int y = 0; y < 20; ++y) {
        const int x0 = res.insideFrom[y], x1 = res.insideTo[y];
        const int* row = window + y * 20;
        int rowSum = 0, rowMoment = 0;
        for (int x = x0; x < x1; ++x) {
            rowSum += row[x];
            rowMoment += (x - 10) * row[x];
        }
        s += rowSum;
        sl += rowMoment;
        sm += static_cast<long long>(y - 10) * rowSum;
    }
    const double(*m)[3] = res.lighting;
    const double dl = static_cast<double>(sl), dm = static_cast<double>(sm), ds = static_cast<double>(s);
    const double a = m[0][0] * dl + m[0][1] * dm + m[0][2] * ds;
    const double b = m[1][0] * dl + m[1][1] * dm + m[1][2] * ds;
    const double c = m[2][0] * dl + m[2][1] * dm + m[2][2] * ds;
    // The plane a (x - 10) + b (y - 10) + c, less 256.5, truncated toward
    // zero; the products are taken once per column and row and summed in the
    // same order for every pixel.
    double ax[20], by[20];
    for (int k = 0; k < 20; ++k) {
        ax[k] = a * (k - 10);
        by[k] = b * (k - 10);
    }
    for (int y = 0; y < 20; ++y) {
        int* row = window + y * 20;
        for (int x = 0; x < 20; ++x) {
            const int shift = static_cast<int>(ax[x] + by[y] + c - 256.5);
            const int corrected = row[x] - shift;
            row[x] = corrected < 0 ? 0 : corrected > 511 ? 511 : corrected;
        }
    }
}
