// Mapping entries and lists: reading, writing and evaluation.
#include "QV_MappingEntry.h"

#include "QV_BinaryIO.h"

bool QV_MappingEntry::Read(std::FILE* f)
{
    for (float& x : w)
        if (!QV_ReadF32(f, x)) return false;
    for (int32_t& x : i)
        if (!QV_ReadI32(f, x)) return false;
    return true;
}

bool QV_MappingEntry::Write(std::FILE* f) const
{
    for (float x : w)
        if (!QV_WriteF32(f, x)) return false;
    for (int32_t x : i)
        if (!QV_WriteI32(f, x)) return false;
    return true;
}

bool QV_MappingEntry::IndicesBelow(int n) const
{
    for (int32_t x : i)
        if (x < 0 || x >= n) return false;
    return true;
}

QV_Point2D QV_MappingEntry::Evaluate(const QV_Point2D* points) const
{
    QV_Point2D p;
    for (int k = 0; k < 3; ++k) p += points[i[k]] * w[k];
    return p;
}

bool QV_MappingList::ReadBinary(std::FILE* f)
{
    entries.clear();
    uint32_t n = 0;
    if (!QV_ReadU32(f, n)) return false;
    if (!QV_CanHold(f, n, QV_MappingEntry::kBytes)) return false;
    std::vector<QV_MappingEntry> read(n);
    for (QV_MappingEntry& e : read)
        if (!e.Read(f)) return false;
    entries.swap(read);
    return true;
}

bool QV_MappingList::WriteBinary(std::FILE* f) const
{
    if (!QV_WriteU32(f, static_cast<uint32_t>(entries.size()))) return false;
    for (const QV_MappingEntry& e : entries)
        if (!e.Write(f)) return false;
    return true;
}

bool QV_MappingList::IndicesBelow(int n) const
{
    for (const QV_MappingEntry& e : entries)
        if (!e.IndicesBelow(n)) return false;
    return true;
}
