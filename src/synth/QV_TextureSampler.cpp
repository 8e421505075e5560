// Texture sampler record, the photograph sample and the sample image.
#include "QV_TextureSampler.h"

#include <cmath>

#include "QV_BinaryIO.h"

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
    const QV_BilinearSampler read(photo);
    float* out = buffer.data();
    for (const QV_MappingEntry& e : entries.items) {
        const QV_Point2D p = e.Evaluate(imagePoints.data());
        const QV_Colour c = read.Sample(p.x, p.y);
        if (mode == kGrey) {
            *out++ = (static_cast<float>(c.red) + static_cast<float>(c.green) + static_cast<float>(c.blue)) *
                     0.33333334f;
        } else {
            *out++ = c.red;
            *out++ = c.green;
            *out++ = c.blue;
            if (mode == kRGBA) *out++ = c.alpha;
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
