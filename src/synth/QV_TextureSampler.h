// QV_TextureSampler: the precomputed table that fills a head texture from a
// photograph: for every sample entry, three texture vertices with barycentric
// weights and the texel (row, column) that the sample is written to.
//
// Record: int32 version (1 or 2; 2 after reading), int32 mode (0 grey, 1 RGB,
// 2 RGBA), int32 height, int32 width, the sample-entry array (count, low, high
// as int64, then 24-byte mapping entries), the texel array (same header, then
// one 8-byte element per sample entry: int32 row, int32 column), and for
// version 2 an array of 8-byte elements (same header) that is kept verbatim.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "QV_Array.h"
#include "QV_Image.h"
#include "QV_MappingEntry.h"
#include "QV_RecordArray.h"

struct QV_Texel {
    static constexpr int64_t kBytes = 8;
    static constexpr bool kSameInMemory = true;

    int32_t row = 0;
    int32_t col = 0;

    bool Read(std::FILE* f);
    bool Write(std::FILE* f) const;
    bool operator==(const QV_Texel&) const = default;
};

class QV_TextureSampler {
public:
    enum Mode { kGrey = 0, kRGB = 1, kRGBA = 2 };
    // Largest texture side a sampler may name (the sample image is allocated
    // from it, so it is bounded rather than trusted).
    static constexpr int kMaxSide = 4096;

    int version = 2;
    int mode = kRGB;
    int height = 0;
    int width = 0;
    QV_RecordArray<QV_MappingEntry> entries;
    QV_RecordArray<QV_Texel> texels;  // one per entry
    QV_Array<int64_t> extra;          // kept as read

    int EntryCount() const { return entries.Size(); }
    // 1, 3 or 4 floats per entry.
    int Channels() const;

    // Fails on a bad mode, a side outside 0..kMaxSide, a texel count different
    // from the entry count or a texel outside height x width.
    bool ReadBinary(std::FILE* f);
    bool WriteBinary(std::FILE* f) const;
    // True when every entry's indices lie in 0..n-1 (n texture vertices).
    bool IndicesBelow(int n) const;

    // Samples the photograph for every entry at w0*Q[i0] + w1*Q[i1] + w2*Q[i2]
    // into buffer (EntryCount() x Channels()): bilinear between pixel centres
    // (pixel c covers x in [c, c + 1)), the edge pixel in the outer half
    // pixels, mid grey (128, 128, 128, 255) outside the image.
    // False when an entry index is outside the list of image points.
    bool Sample(const QV_Image& photo, const std::vector<QV_Point2D>& imagePoints, std::vector<float>& buffer) const;
    // Resizes image to height x width (bounds from 0), clears it to opaque
    // black and writes each entry's rounded values into its texel. False when
    // the buffer does not hold EntryCount() x Channels() values.
    bool Fill(const std::vector<float>& buffer, QV_Image& image) const;
};
