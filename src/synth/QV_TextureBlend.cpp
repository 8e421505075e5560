// Blend of the photograph sample with the stock texture through the mask.
#include "QV_TextureBlend.h"

#include <cmath>
#include <cstdlib>

namespace {

float Channel(const QV_ColourF& c, int k) { return k == 0 ? c.red : (k == 1 ? c.green : c.blue); }

unsigned char& Channel(QV_Colour& c, int k) { return k == 0 ? c.red : (k == 1 ? c.green : c.blue); }

bool SameSize(const QV_Image& im, int rows, int cols) { return im.Rows() == rows && im.Cols() == cols; }

// Brings an image to rows x cols with bounds from 0.
void FitSize(QV_Image& im, int rows, int cols)
{
    if (SameSize(im, rows, cols)) {
        if (im.RowLow() != 0 || im.ColLow() != 0) {
            QV_Image moved(rows, cols);
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < cols; ++c) moved.Row(r)[c] = im.Row(im.RowLow() + r)[c];
            im = std::move(moved);
        }
        return;
    }
    im.Resize(rows, cols, true);
}

// Mean colour of a sampler-filled image over the 11 x 11 square around the
// sample point, counting only the texels the sampler fills: the others stay
// black and would darken the skin colour wherever the square reaches past the
// sampled region. With no filled texel in the square, the plain square mean.
QV_ColourF FilledMean(const QV_Image& im, const QV_TextureSampler& s, const QV_Point2D& uv, int h)
{
    const int cr = static_cast<int>(std::lround(static_cast<float>(im.Rows()) * uv.y));
    const int cc = static_cast<int>(std::lround(static_cast<float>(im.Cols()) * uv.x));
    double sum[3] = {0.0, 0.0, 0.0};
    long n = 0;
    for (const QV_Texel& t : s.texels.items) {
        if (std::abs(t.row - cr) > h || std::abs(t.col - cc) > h) continue;
        if (t.row < 0 || t.row >= im.Rows() || t.col < 0 || t.col >= im.Cols()) continue;
        const QV_Colour& p = im.Row(t.row)[t.col];
        sum[0] += p.red;
        sum[1] += p.green;
        sum[2] += p.blue;
        ++n;
    }
    if (n == 0) return im.MeanColour(uv, h);
    QV_ColourF mean;
    mean.red = static_cast<float>(sum[0] / static_cast<double>(n));
    mean.green = static_cast<float>(sum[1] / static_cast<double>(n));
    mean.blue = static_cast<float>(sum[2] / static_cast<double>(n));
    return mean;
}

}  // namespace

bool QV_BlendTexture(const QV_BlendInput& in, QV_Image& texture, float colourOffset[3])
{
    if (!in.sampler || !in.photoSample) return false;
    const QV_TextureSampler& s = *in.sampler;
    const int rows = s.height, cols = s.width;
    if (rows <= 0 || cols <= 0 || texture.Empty()) return false;

    QV_Image a, b;
    if (!s.Fill(*in.photoSample, a)) return false;
    if (in.secondSample && !s.Fill(*in.secondSample, b)) return false;

    QV_Image t(texture);
    FitSize(t, rows, cols);
    if (!SameSize(t, rows, cols)) return false;
    QV_Image mask;
    const bool hasMask = in.mask && !in.mask->Empty();
    if (hasMask) {
        mask = *in.mask;
        FitSize(mask, rows, cols);
        if (!SameSize(mask, rows, cols)) return false;
    }
    if (!in.secondSample) b = t;  // front only: the stock texture stands in

    // Skin colours over the 11 x 11 square around the sample point (the
    // samples over the texels they fill).
    const QV_ColourF mA = FilledMean(a, s, in.samplePoint, 5);
    const QV_ColourF mB = in.secondSample ? FilledMean(b, s, in.samplePoint, 5) : b.MeanColour(in.samplePoint, 5);
    const QV_ColourF mT = t.MeanColour(in.samplePoint, 5);
    float c1[3], c2[3];
    for (int k = 0; k < 3; ++k) {
        c1[k] = Channel(mA, k) - Channel(mB, k);
        c2[k] = Channel(mA, k) - Channel(mT, k);
    }

    for (int r = 0; r < rows; ++r) {
        const QV_Colour* pa = a.Row(r);
        const QV_Colour* pb = b.Row(r);
        QV_Colour* pt = t.Row(r);
        const QV_Colour* pm = hasMask ? mask.Row(r) : nullptr;
        for (int c = 0; c < cols; ++c) {
            // Without a mask the photograph sample covers the whole texture.
            const QV_Colour m = pm ? pm[c] : QV_Colour(0, 255, 0);
            if (m.red == 0 && m.green == 0 && m.blue == 0) continue;
            const float wa = m.green / 255.0f, wb = m.red / 255.0f, wt = m.blue / 255.0f;
            QV_Colour ca = pa[c], cb = pb[c];
            QV_Colour& ct = pt[c];
            for (int k = 0; k < 3; ++k) {
                const float v = wa * Channel(ca, k) + wb * (Channel(cb, k) + c1[k]) + wt * (Channel(ct, k) + c2[k]);
                Channel(ct, k) = QV_RoundToByte(v);
            }
        }
    }
    texture = std::move(t);
    for (int k = 0; k < 3; ++k) colourOffset[k] = c2[k];
    return true;
}
