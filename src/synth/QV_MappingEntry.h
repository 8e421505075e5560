// QV_MappingEntry and QV_MappingList: a point defined as the weighted sum of
// three points of another list (template vertex against annotation points,
// texel against texture-vertex image points), and the counted list of them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "QV_Point.h"

struct QV_MappingEntry {
    static constexpr int64_t kBytes = 24;  // three floats, then three int32 indices
    static constexpr bool kSameInMemory = true;

    float w[3] = {0.0f, 0.0f, 0.0f};
    int32_t i[3] = {0, 0, 0};

    bool Read(std::FILE* f);
    bool Write(std::FILE* f) const;

    // True when every index lies in 0..n-1.
    bool IndicesBelow(int n) const;
    // w0*P[i0] + w1*P[i1] + w2*P[i2]; the caller has checked IndicesBelow.
    QV_Point2D Evaluate(const QV_Point2D* points) const;
    bool operator==(const QV_MappingEntry&) const = default;
};

// File form: unsigned 32-bit count, then the entries. Entry k belongs to
// template vertex k.
class QV_MappingList {
public:
    std::vector<QV_MappingEntry> entries;

    int Size() const { return static_cast<int>(entries.size()); }
    // A count larger than the stream can hold fails before any allocation;
    // a failed read leaves the list empty.
    bool ReadBinary(std::FILE* f);
    bool WriteBinary(std::FILE* f) const;
    // True when every entry's indices lie in 0..n-1.
    bool IndicesBelow(int n) const;
};
