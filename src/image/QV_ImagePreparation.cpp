#include "QV_ImagePreparation.h"

#include <algorithm>
#include <cmath>

namespace {

// Intensity of every pixel, with the image's bounds.
QV_FloatImage Intensities(const QV_Image& image)
{
    QV_FloatImage out(image.RowLow(), image.RowHigh(), image.ColLow(), image.ColHigh());
    for (int r = image.RowLow(); r <= image.RowHigh(); ++r) {
        const QV_Colour* in = image.Row(r);
        float* o = out.Row(r);
        for (int c = 0; c < image.Cols(); ++c) o[c] = QV_Image::Intensity(in[c]);
    }
    return out;
}

QV_FloatImage Zeros(const QV_Image& image)
{
    QV_FloatImage out(image.RowLow(), image.RowHigh(), image.ColLow(), image.ColHigh());
    out.Fill(0.0f);
    return out;
}

// Modes 3 and 4: 2 x 2 gradients measured against the constant 100, either
// their orientation or their strength, at the lower-left pixel of each block.
void EdgeImage(QV_Image& image, bool orientation)
{
    const QV_FloatImage in = Intensities(image);
    QV_FloatImage out = Zeros(image);
    for (int r = image.RowLow(); r < image.RowHigh(); ++r) {
        for (int c = image.ColLow(); c < image.ColHigh(); ++c) {
            const float a = in(r, c), b = in(r, c + 1), d = in(r + 1, c), e = in(r + 1, c + 1);
            const float g1 = a + b - d - e;
            const float g2 = a + d - b - e;
            const float D = std::sqrt(g1 * g1 + g2 * g2 + 100.0f);
            out(r, c) = orientation ? std::atan2(g1 / D, g2 / D) : std::fabs(g1 / D) + std::fabs(g2 / D);
        }
    }
    image.FromFloat(out);
}

// Modes 5 and 6: 3 x 3 windows over rows r-1..r+1 and columns c..c+2. The
// window's top row is row r-1 and its left column c; v = top - bottom row
// sums, h = left - right column sums; results go to (r-1, c).
void WindowGradients(QV_Image& image, bool withMagnitude)
{
    const QV_FloatImage in = Intensities(image);
    QV_FloatImage angle = Zeros(image), magnitude = Zeros(image);
    const int r0 = image.RowLow(), c0 = image.ColLow();
    for (int r = 1; r <= image.Rows() - 2; ++r) {
        for (int c = 0; c <= image.Cols() - 3; ++c) {
            float top = 0, bottom = 0, left = 0, right = 0;
            for (int k = 0; k < 3; ++k) {
                top += in(r0 + r - 1, c0 + c + k);
                bottom += in(r0 + r + 1, c0 + c + k);
                left += in(r0 + r - 1 + k, c0 + c);
                right += in(r0 + r - 1 + k, c0 + c + 2);
            }
            const float v = top - bottom, h = left - right;
            angle(r0 + r - 1, c0 + c) = std::atan2(h, v);
            magnitude(r0 + r - 1, c0 + c) = std::fabs(v) + std::fabs(h);
        }
    }
    if (withMagnitude) image.FromFloat(angle, magnitude);
    else image.FromFloat(angle);
}

}  // namespace

int QV_SharpenWindow(int width)
{
    const long long w15 = static_cast<long long>(width) * 15;
    return w15 >= 1536 ? static_cast<int>(w15 / 512) : 3;
}

void QV_PrepareImage(QV_Image& image, int mode)
{
    if (image.Empty()) return;
    switch (mode) {
    case 1: image.Sharpen(QV_SharpenWindow(image.Cols())); break;
    case 2: image.ToGrey(); break;
    case 3: EdgeImage(image, true); break;
    case 4: EdgeImage(image, false); break;
    case 5: WindowGradients(image, false); break;
    case 6: WindowGradients(image, true); break;
    default: break;
    }
}

void QV_DownsampleImage(const QV_Image& finer, QV_Image& coarser)
{
    coarser = finer;
    if (finer.Empty()) return;
    const int rows = std::max(1, (finer.Rows() + 1) / 2);
    const int cols = std::max(1, (finer.Cols() + 1) / 2);
    coarser.Resize(rows, cols, true);
}

bool QV_BuildPyramid(const QV_Image& source, int workingWidth, int levels, bool mirror, int preprocessing,
                     std::vector<QV_Image>& pyramid)
{
    pyramid.clear();
    if (source.Empty() || workingWidth <= 0 || levels <= 0) return false;
    QV_Image work = source;
    const double height = static_cast<double>(source.Rows()) * workingWidth / source.Cols();
    // A working image of absurd height (a sliver of a source) is refused
    // rather than allocated.
    if (!(height < 65536.0) || static_cast<double>(workingWidth) * height > 1.0e8) return false;
    const int rows = std::max(1, static_cast<int>(std::lround(height)));
    if (rows != work.Rows() || workingWidth != work.Cols() || work.RowLow() != 0 || work.ColLow() != 0)
        work.Resize(rows, workingWidth, true);
    if (mirror) work.Mirror();
    QV_PrepareImage(work, preprocessing);
    pyramid.resize(static_cast<size_t>(levels));
    pyramid[static_cast<size_t>(levels - 1)] = std::move(work);
    for (int l = levels - 2; l >= 0; --l)
        QV_DownsampleImage(pyramid[static_cast<size_t>(l + 1)], pyramid[static_cast<size_t>(l)]);
    return true;
}
