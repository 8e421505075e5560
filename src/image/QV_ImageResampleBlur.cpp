// Separable Gaussian blur whose weights are the Gaussian integrated over each
// pixel by Simpson's rule.
#include <cmath>
#include <vector>

#include "QV_Image.h"
#include "QV_ImageResampleKernels.h"

namespace {

// Successive trapezoid refinement of one integral: level 1 uses the two end
// points, each further level adds 2^(level-2) midpoints.
class Trapezoid {
public:
    template <class F>
    double Next(F f, double a, double b)
    {
        ++level;
        if (level == 1) {
            sum = 0.5 * (b - a) * (f(a) + f(b));
            return sum;
        }
        const long points = 1L << (level - 2);
        const double step = (b - a) / static_cast<double>(points);
        double x = a + 0.5 * step;
        double s = 0.0;
        for (long j = 0; j < points; ++j, x += step) s += f(x);
        sum = 0.5 * (sum + (b - a) * s / static_cast<double>(points));
        return sum;
    }
    int Level() const { return level; }

private:
    int level = 0;
    double sum = 0.0;
};

// Simpson's rule S = (4 T(level) - T(level-1)) / 3 until two successive
// estimates agree to 1e-6, both are 0 from level 6 on, or level 20 is done.
template <class F>
double Simpson(F f, double a, double b)
{
    Trapezoid trap;
    double prevT = -1e30;
    double prevS = -1e30;
    double s = 0.0;
    for (int level = 1; level <= 20; ++level) {
        const double t = trap.Next(f, a, b);
        s = (4.0 * t - prevT) / 3.0;
        if (std::fabs(s - prevS) < 1e-6 * std::fabs(prevS)) return s;
        if (level >= 6 && s == 0.0 && prevS == 0.0) return s;
        prevS = s;
        prevT = t;
    }
    return s;
}

}  // namespace

namespace qv_resample {

std::vector<float> GaussianWeights(float sigma, int radius)
{
    std::vector<float> w(static_cast<size_t>(2 * radius + 1));
    const double twoSigma2 = 2.0 * static_cast<double>(sigma) * sigma;
    const double scale = 1.0 / (static_cast<double>(sigma) * 2.5066283);
    auto gauss = [twoSigma2](double t) { return std::exp(-t * t / twoSigma2); };
    for (int k = -radius; k <= radius; ++k) {
        w[static_cast<size_t>(k + radius)] = static_cast<float>(scale * Simpson(gauss, k - 0.5, k + 0.5));
    }
    return w;
}

}  // namespace qv_resample

void QV_Image::GaussianBlur(float sigma, int radius)
{
    // A non-positive sigma has no Gaussian; a radius that leaves no inner
    // pixel has nothing to do.
    if (!(sigma > 0.0f) || radius < 0) return;
    const int rows = Rows(), cols = Cols();
    if (rows - 2 * static_cast<long>(radius) < 1 || cols - 2 * static_cast<long>(radius) < 1) return;

    const std::vector<float> w = qv_resample::GaussianWeights(sigma, radius);
    const int rLo = RowLow();

    // Pass 1, horizontal, into a copy: only the inner rows and columns.
    QV_Array2D<QV_Colour> copy(*this);
    for (int r = radius; r <= rows - radius - 1; ++r) {
        const QV_Colour* src = Row(rLo + r);
        QV_Colour* dst = copy.Row(rLo + r);
        for (int c = radius; c <= cols - radius - 1; ++c) {
            dst[c] = qv_resample::Convolve(w.data(), radius, [src, c](int k) -> const QV_Colour& { return src[c + k]; });
        }
    }
    // Pass 2, vertical, from the copy back into the image; the frame of
    // `radius` pixels keeps its previous value.
    std::vector<const QV_Colour*> window(static_cast<size_t>(2 * radius + 1));
    for (int r = radius; r <= rows - radius - 1; ++r) {
        for (int k = -radius; k <= radius; ++k) window[static_cast<size_t>(k + radius)] = copy.Row(rLo + r + k);
        const QV_Colour* const* win = window.data() + radius;
        QV_Colour* dst = Row(rLo + r);
        for (int c = radius; c <= cols - radius - 1; ++c) {
            dst[c] = qv_resample::Convolve(w.data(), radius, [win, c](int k) -> const QV_Colour& { return win[k][c]; });
        }
    }
}
