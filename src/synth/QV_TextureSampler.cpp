// Texture sampler record, the photograph sample and the sample image.
#include "QV_TextureSampler.h"

#include <algorithm>
#include <cmath>

#include "QV_BinaryIO.h"

namespace {

// One axis of a bilinear read: pixel k covers [k, k + 1) and has its centre at
// k + 0.5; positions inside the image but beyond the outer centres take the
// edge pixel. False outside 0 <= v < n (and for NaN).
bool Split(float v, int n, int& i0, int& i1, float& t)
{
    if (!(v >= 0.0f) || !(v < static_cast<float>(n))) return false;
    const float e = std::min(std::max(v - 0.5f, 0.0f), static_cast<float>(n - 1));
    i0 = std::min(static_cast<int>(e), n - 1);
    i1 = std::min(i0 + 1, n - 1);
    t = e - static_cast<float>(i0);
    return true;
}

// Bilinear read of the four surrounding pixels as floats; mid grey outside.
void Read(const QV_Image& im, float x, float y, float out[4])
{
    int c0, c1, r0, r1;
    float tx, ty;
    if (!Split(x, im.Cols(), c0, c1, tx) || !Split(y, im.Rows(), r0, r1, ty)) {
        out[0] = out[1] = out[2] = 128.0f;
        out[3] = 255.0f;
        return;
    }
    const QV_Colour* a = im.Row(im.RowLow() + r0);
    const QV_Colour* b = im.Row(im.RowLow() + r1);
    const unsigned char QV_Colour::*ch[4] = {&QV_Colour::red, &QV_Colour::green, &QV_Colour::blue, &QV_Colour::alpha};
    for (int k = 0; k < 4; ++k) {
        const float top = (1.0f - tx) * (a[c0].*ch[k]) + tx * (a[c1].*ch[k]);
        const float bottom = (1.0f - tx) * (b[c0].*ch[k]) + tx * (b[c1].*ch[k]);
        out[k] = (1.0f - ty) * top + ty * bottom;
    }
}

}  // namespace

bool QV_Texel::Read(std::FILE* f) { return QV_ReadI32(f, row) && QV_ReadI32(f, col); }

bool QV_Texel::Write(std::FILE* f) const { return QV_WriteI32(f, row) && QV_WriteI32(f, col); }

int QV_TextureSampler::Channels() const
{
    switch (mode) {
    case kGrey:
        return 1;
    case kRGBA:
        return 4;
    default:
        return 3;
    }
}

bool QV_TextureSampler::ReadBinary(std::FILE* f)
{
    int32_t v = 0, m = 0, h = 0, w = 0;
    if (!QV_ReadI32(f, v) || !QV_ReadI32(f, m) || !QV_ReadI32(f, h) || !QV_ReadI32(f, w)) return false;
    if (v < 1 || v > 2 || m < kGrey || m > kRGBA) return false;
    if (h < 0 || h > kMaxSide || w < 0 || w > kMaxSide) return false;
    QV_RecordArray<QV_MappingEntry> e;
    QV_RecordArray<QV_Texel> t;
    QV_Array<int64_t> x;
    if (!e.Read(f) || !t.Read(f)) return false;
    if (v >= 2 && !x.Read(f)) return false;
    if (t.Size() != e.Size()) return false;
    for (const QV_Texel& tx : t.items)
        if (tx.row < 0 || tx.row >= h || tx.col < 0 || tx.col >= w) return false;
    version = 2;
    mode = m;
    height = h;
    width = w;
    entries = std::move(e);
    texels = std::move(t);
    extra = std::move(x);
    return true;
}

bool QV_TextureSampler::WriteBinary(std::FILE* f) const
{
    if (!QV_WriteI32(f, version) || !QV_WriteI32(f, mode) || !QV_WriteI32(f, height) || !QV_WriteI32(f, width))
        return false;
    if (!entries.Write(f) || !texels.Write(f)) return false;
    return version < 2 || extra.Write(f);
}

bool QV_TextureSampler::IndicesBelow(int n) const
{
    for (const QV_MappingEntry& e : entries.items)
        if (!e.IndicesBelow(n)) return false;
    return true;
}

bool QV_TextureSampler::Sample(const QV_Image& photo, const std::vector<QV_Point2D>& imagePoints,
                               std::vector<float>& buffer) const
{
    if (!IndicesBelow(static_cast<int>(imagePoints.size()))) return false;
    const int channels = Channels();
    buffer.assign(static_cast<size_t>(EntryCount()) * static_cast<size_t>(channels), 0.0f);
    float* out = buffer.data();
    float c[4];
    for (const QV_MappingEntry& e : entries.items) {
        const QV_Point2D p = e.Evaluate(imagePoints.data());
        Read(photo, p.x, p.y, c);
        if (mode == kGrey) {
            *out++ = (c[0] + c[1] + c[2]) * 0.33333334f;
        } else {
            *out++ = c[0];
            *out++ = c[1];
            *out++ = c[2];
            if (mode == kRGBA) *out++ = c[3];
        }
    }
    return true;
}

bool QV_TextureSampler::Fill(const std::vector<float>& buffer, QV_Image& image) const
{
    const int channels = Channels();
    if (buffer.size() != static_cast<size_t>(EntryCount()) * static_cast<size_t>(channels)) return false;
    image.Resize(0, height - 1, 0, width - 1);
    for (int r = 0; r < height; ++r) {
        QV_Colour* row = image.Row(r);
        for (int c = 0; c < width; ++c) row[c] = QV_Colour(0, 0, 0, 255);
    }
    const float* in = buffer.data();
    for (const QV_Texel& t : texels.items) {
        QV_Colour& px = image.Row(t.row)[t.col];
        if (mode == kGrey) {
            const unsigned char g = QV_RoundToByte(*in++);
            px = QV_Colour(g, g, g, 255);
        } else {
            px.red = QV_RoundToByte(*in++);
            px.green = QV_RoundToByte(*in++);
            px.blue = QV_RoundToByte(*in++);
            if (mode == kRGBA) px.alpha = QV_RoundToByte(*in++);
        }
    }
    return true;
}
