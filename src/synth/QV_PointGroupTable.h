// QV_PointGroupTable: named groups of template vertices carried by a mugshot.
//
// Record: int32 version (1 when created), a flag byte, an annotation-model
// record whose annotation k names group k (its points are free reference
// positions), and an array (count, low, high as int64) of 8-byte elements,
// each an int32 group index and an int32 vertex index: the members of the
// groups in order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_RecordArray.h"

struct QV_GroupMember {
    static constexpr int64_t kBytes = 8;
    static constexpr bool kSameInMemory = true;

    int32_t group = 0;
    int32_t vertex = 0;

    bool Read(std::FILE* f);
    bool Write(std::FILE* f) const;
};

class QV_PointGroupTable {
public:
    int version = 1;
    unsigned char flag = 0;
    QV_AnnotationModel groups;
    QV_RecordArray<QV_GroupMember> members;

    // Fails on a short record or a member whose group index names no group
    // (vertex indices are checked by the user against its own list).
    bool ReadBinary(std::FILE* f);
    bool WriteBinary(std::FILE* f) const;

    // Vertex indices of the first group with the label, in order; false when
    // there is no such group.
    bool GroupVertices(const char* label, std::vector<int>& out) const;
};
