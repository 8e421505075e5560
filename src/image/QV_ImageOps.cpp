// Per-pixel conversions between the image and grey or float arrays, the
// flips and the rotation, and the windowed mean colour.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "QV_Image.h"

namespace {

inline unsigned char& Channel(QV_Colour& p, int k)
{
    switch (k) {
        case 0: return p.red;
        case 1: return p.green;
        case 2: return p.blue;
        default: return p.alpha;
    }
}

inline unsigned char Channel(const QV_Colour& p, int k)
{
    return Channel(const_cast<QV_Colour&>(p), k);
}

// Minimum and maximum over every value of a float image.
void MinMax(const QV_FloatImage& f, float& lo, float& hi)
{
    lo = hi = 0.0f;
    if (f.Count() == 0) return;
    const float* d = f.Data();
    lo = hi = d[0];
    for (int i = 1; i < f.Count(); ++i) {
        lo = std::min(lo, d[i]);
        hi = std::max(hi, d[i]);
    }
}

// Linear map of lo..hi to 0..255; a flat array (hi == lo) maps to 0 rather
// than dividing by zero.
struct Stretch {
    float lo;
    float range;
    Stretch(float l, float h) : lo(l), range(h - l) {}
    unsigned char operator()(float v) const { return range > 0.0f ? QV_RoundToByte((v - lo) * 255.0f / range) : 0; }
};

inline bool Contains(const QV_FloatImage& f, int r, int c)
{
    return r >= f.RowLow() && r <= f.RowHigh() && c >= f.ColLow() && c <= f.ColHigh();
}

}  // namespace

void QV_Image::ToGrey()
{
    for (int r = RowLow(); r <= RowHigh(); ++r) {
        QV_Colour* p = Row(r);
        for (int c = 0; c < Cols(); ++c) {
            const auto a = static_cast<unsigned char>((p[c].red + p[c].green + p[c].blue) / 3);
            p[c] = QV_Colour(a, a, a, 255);
        }
    }
}

float QV_Image::Intensity(const QV_Colour& p)
{
    float sum = static_cast<float>(p.red + p.green + p.blue);
    if (sum == 0.0f) sum = 1e-8f;
    return sum * 0.33333334f;
}

void QV_Image::ExtractChannel(QV_GreyImage& out, int k) const
{
    out.Resize(RowLow(), RowHigh(), ColLow(), ColHigh());
    for (int r = RowLow(); r <= RowHigh(); ++r) {
        const QV_Colour* p = Row(r);
        unsigned char* o = out.Row(r);
        for (int c = 0; c < Cols(); ++c) o[c] = Channel(p[c], k);
    }
}

void QV_Image::SetChannel(const QV_GreyImage& in, int k)
{
    // Only where the grey image has a value: a smaller grey image leaves the
    // rest of the channel as it was instead of being read past its end.
    const int r0 = std::max(RowLow(), in.RowLow()), r1 = std::min(RowHigh(), in.RowHigh());
    const int c0 = std::max(ColLow(), in.ColLow()), c1 = std::min(ColHigh(), in.ColHigh());
    for (int r = r0; r <= r1; ++r) {
        for (int c = c0; c <= c1; ++c) Channel((*this)(r, c), k) = in(r, c);
    }
}

void QV_Image::ToGreyBytes(QV_GreyImage& out) const
{
    ExtractChannel(out, 0);
}

void QV_Image::FromGrey(const QV_GreyImage& grey)
{
    QV_Array2D<QV_Colour>::Resize(grey.RowLow(), grey.RowHigh(), grey.ColLow(), grey.ColHigh());
    for (int r = RowLow(); r <= RowHigh(); ++r) {
        const unsigned char* g = grey.Row(r);
        QV_Colour* p = Row(r);
        for (int c = 0; c < Cols(); ++c) p[c] = QV_Colour(g[c], g[c], g[c], 255);
    }
}

void QV_Image::FromFloat(const QV_FloatImage& f)
{
    float lo, hi;
    MinMax(f, lo, hi);
    const Stretch s(lo, hi);
    QV_Array2D<QV_Colour>::Resize(f.RowLow(), f.RowHigh(), f.ColLow(), f.ColHigh());
    for (int r = RowLow(); r <= RowHigh(); ++r) {
        const float* in = f.Row(r);
        QV_Colour* p = Row(r);
        for (int c = 0; c < Cols(); ++c) {
            const unsigned char v = s(in[c]);
            p[c] = QV_Colour(v, v, v, 255);
        }
    }
}

void QV_Image::FromFloat(const QV_FloatImage& f1, const QV_FloatImage& f2)
{
    float lo1, hi1, lo2, hi2;
    MinMax(f1, lo1, hi1);
    MinMax(f2, lo2, hi2);
    const Stretch s1(lo1, hi1), s2(lo2, hi2);
    QV_Array2D<QV_Colour>::Resize(f1.RowLow(), f1.RowHigh(), f1.ColLow(), f1.ColHigh());
    for (int r = RowLow(); r <= RowHigh(); ++r) {
        const float* in = f1.Row(r);
        QV_Colour* p = Row(r);
        for (int c = 0; c < Cols(); ++c) {
            const int col = ColLow() + c;
            p[c].red = s1(in[c]);
            // Where the second array has no value green and blue are 0.
            const unsigned char g = Contains(f2, r, col) ? s2(f2(r, col)) : 0;
            p[c].green = g;
            p[c].blue = g;
        }
    }
}

void QV_Image::FlipVertical()
{
    QV_Array2D<QV_Colour> out(RowLow(), RowHigh(), ColLow(), ColHigh());
    for (int r = RowLow(); r <= RowHigh(); ++r) {
        const QV_Colour* from = Row(RowLow() + RowHigh() - r);
        std::copy(from, from + Cols(), out.Row(r));
    }
    QV_Array2D<QV_Colour>::operator=(std::move(out));
}

void QV_Image::Mirror()
{
    QV_Array2D<QV_Colour> out(RowLow(), RowHigh(), ColLow(), ColHigh());
    for (int r = RowLow(); r <= RowHigh(); ++r) std::reverse_copy(Row(r), Row(r) + Cols(), out.Row(r));
    QV_Array2D<QV_Colour>::operator=(std::move(out));
}

void QV_Image::Rotate90()
{
    // New rows run over the old columns and new columns over the old rows:
    // new(r, c) = old(c, colLow + colHigh - r).
    const int cLo = ColLow(), cHi = ColHigh();
    QV_Array2D<QV_Colour> out(cLo, cHi, RowLow(), RowHigh());
    for (int r = cLo; r <= cHi; ++r) {
        QV_Colour* o = out.Row(r);
        const int oldCol = cHi - r;  // relative to the old column bound
        for (int c = 0; c < out.Cols(); ++c) o[c] = Row(RowLow() + c)[oldCol];
    }
    QV_Array2D<QV_Colour>::operator=(std::move(out));
}

QV_ColourF QV_Image::MeanColour(const QV_Point2D& uv, int h) const
{
    QV_ColourF mean;
    if (Empty() || h < 0) return mean;
    // Centre in absolute indices; the window is clipped to the bounds first
    // so a huge half size costs nothing.
    const float fr = static_cast<float>(Rows()) * uv.y;
    const float fc = static_cast<float>(Cols()) * uv.x;
    if (!(std::fabs(fr) < 1e12f) || !(std::fabs(fc) < 1e12f)) return mean;  // far outside, or not a number
    const int64_t cr = RowLow() + static_cast<int64_t>(std::llround(fr));
    const int64_t cc = ColLow() + static_cast<int64_t>(std::llround(fc));
    const int64_t r0 = std::max<int64_t>(cr - h, RowLow()), r1 = std::min<int64_t>(cr + h, RowHigh());
    const int64_t c0 = std::max<int64_t>(cc - h, ColLow()), c1 = std::min<int64_t>(cc + h, ColHigh());
    if (r0 > r1 || c0 > c1) return mean;
    double sr = 0.0, sg = 0.0, sb = 0.0;
    for (int64_t r = r0; r <= r1; ++r) {
        const QV_Colour* p = Row(static_cast<int>(r));
        for (int64_t c = c0 - ColLow(); c <= c1 - ColLow(); ++c) {
            sr += p[c].red;
            sg += p[c].green;
            sb += p[c].blue;
        }
    }
    const double n = static_cast<double>((r1 - r0 + 1) * (c1 - c0 + 1));
    mean.red = static_cast<float>(sr / n);
    mean.green = static_cast<float>(sg / n);
    mean.blue = static_cast<float>(sb / n);
    return mean;
}

void QV_Image::MeanColour(const QV_Point2D& uv, int h, QV_Colour& out) const
{
    const QV_ColourF m = MeanColour(uv, h);
    out.red = QV_RoundToByte(m.red);
    out.green = QV_RoundToByte(m.green);
    out.blue = QV_RoundToByte(m.blue);
}

bool QV_Image::SamePixels(const QV_Image& other) const
{
    static_assert(sizeof(QV_Colour) == 4, "a pixel is its four bytes");
    if (RowLow() != other.RowLow() || RowHigh() != other.RowHigh() || ColLow() != other.ColLow() ||
        ColHigh() != other.ColHigh())
        return false;
    const size_t n = static_cast<size_t>(Rows()) * static_cast<size_t>(Cols());
    return n == 0 || std::memcmp(Data(), other.Data(), n * sizeof(QV_Colour)) == 0;
}
