// Contrast stretch by intensity histogram percentiles, and the grey sharpening
// filter.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "QV_Image.h"

namespace {

constexpr int kBins = 10000;

}  // namespace

void QV_Image::ContrastStretch(float percent)
{
    if (!(percent > 0.0f) || Empty()) return;

    float lo = Intensity((*this)(RowLow(), ColLow()));
    float hi = lo;
    for (int r = RowLow(); r <= RowHigh(); ++r) {
        const QV_Colour* p = Row(r);
        for (int c = 0; c < Cols(); ++c) {
            const float v = Intensity(p[c]);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    const float range = hi - lo;
    if (!(range > 0.0f)) return;

    std::vector<int64_t> hist(kBins, 0);
    for (int r = RowLow(); r <= RowHigh(); ++r) {
        const QV_Colour* p = Row(r);
        for (int c = 0; c < Cols(); ++c) {
            const long bin = std::lround((Intensity(p[c]) - lo) / range * 9999.0f);
            ++hist[static_cast<size_t>(std::clamp(bin, 0L, static_cast<long>(kBins - 1)))];
        }
    }

    const int64_t pixels = static_cast<int64_t>(Rows()) * Cols();
    const int64_t g = std::llround(static_cast<double>(percent) * 0.01 * static_cast<double>(pixels));
    // First bin from the bottom (and from the top) at which the running count
    // reaches g. A share above the whole image reaches it nowhere: nothing to do.
    int f = 0, m = kBins - 1;
    if (g > 0) {
        int64_t sum = 0;
        f = -1;
        for (int b = 0; b < kBins; ++b) {
            sum += hist[static_cast<size_t>(b)];
            if (sum >= g) {
                f = b;
                break;
            }
        }
        sum = 0;
        m = -1;
        for (int b = kBins - 1; b >= 0; --b) {
            sum += hist[static_cast<size_t>(b)];
            if (sum >= g) {
                m = b;
                break;
            }
        }
        if (f < 0 || m < 0) return;
    }
    const float low = lo + range * static_cast<float>(f) * 0.00010001f;
    const float high = lo + range * static_cast<float>(m) * 0.00010001f;
    const float span = high - low;
    if (!(span > 0.0f)) return;

    for (int r = RowLow(); r <= RowHigh(); ++r) {
        QV_Colour* p = Row(r);
        for (int c = 0; c < Cols(); ++c) {
            p[c].red = QV_RoundToByte((static_cast<float>(p[c].red) - low) * 255.0f / span);
            p[c].green = QV_RoundToByte((static_cast<float>(p[c].green) - low) * 255.0f / span);
            p[c].blue = QV_RoundToByte((static_cast<float>(p[c].blue) - low) * 255.0f / span);
        }
    }
}

void QV_Image::Sharpen(int n)
{
    ToGrey();
    QV_FloatImage out(RowLow(), RowHigh(), ColLow(), ColHigh());
    out.Fill(0.0f);
    const int h = std::max(n / 2, 0);
    const float centreWeight = static_cast<float>(n) * static_cast<float>(n);
    // Only pixels whose whole window lies inside the bounds; the others keep 0.
    for (int r = RowLow() + h; r <= RowHigh() - h; ++r) {
        float* o = out.Row(r);
        for (int c = h; c <= Cols() - 1 - h; ++c) {
            float window = 0.0f;
            for (int dr = -h; dr <= h; ++dr) {
                const QV_Colour* p = Row(r + dr);
                for (int dc = -h; dc <= h; ++dc) window += static_cast<float>(p[c + dc].red);
            }
            const float centre = static_cast<float>(Row(r)[c].red);
            o[c] = centreWeight * centre - (window - centre);
        }
    }
    FromFloat(out);
}
