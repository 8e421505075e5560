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
    int hist[512];
    for (int v = 0; v < levels; ++v) hist[v] = 0;
    if (counted) {
        for (int k = 0; k < nCounted; ++k) ++hist[window[counted[k]]];
    } else {
        nCounted = n;
        for (int k = 0; k < n; ++k) ++hist[window[k]];
    }
    // value[v] = (counted pixels below v + counted pixels at or below v) / count - 1:
    // the running counts first, then the values level by level (a loop the
    // compiler can vectorise).
    int cum[513];
    cum[0] = 0;
    for (int v = 0; v < levels; ++v) cum[v + 1] = cum[v] + hist[v];
    float value[512];
    const float scale = 1.0f / static_cast<float>(nCounted);
    for (int v = 0; v < levels; ++v) value[v] = static_cast<float>(cum[v] + cum[v + 1]) * scale - 1.0f;
    for (int k = 0; k < n; ++k) net.SetInput(k + 1, value[window[k]]);
}

void QV_CorrectLighting(int* window, const QV_DetectorResources& res)
{
    double sl = 0.0, sm = 0.0, s = 0.0;
    for (int idx : res.faceInside) {
        const double v = window[idx];
        sl += (idx % 20 - 10) * v;
        sm += (idx / 20 - 10) * v;
        s += v;
    }
    const double(*m)[3] = res.lighting;
    const double a = m[0][0] * sl + m[0][1] * sm + m[0][2] * s;
    const double b = m[1][0] * sl + m[1][1] * sm + m[1][2] * s;
    const double c = m[2][0] * sl + m[2][1] * sm + m[2][2] * s;
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
