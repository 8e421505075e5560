// Point-group table record and group lookup.
#include "QV_PointGroupTable.h"

#include "QV_BinaryIO.h"

bool QV_GroupMember::Read(std::FILE* f) { return QV_ReadI32(f, group) && QV_ReadI32(f, vertex); }

bool QV_GroupMember::Write(std::FILE* f) const { return QV_WriteI32(f, group) && QV_WriteI32(f, vertex); }

bool QV_PointGroupTable::ReadBinary(std::FILE* f)
{
    int32_t v = 0;
    uint8_t b = 0;
    if (!QV_ReadI32(f, v) || !QV_ReadU8(f, b)) return false;
    QV_AnnotationModel g;
    if (!g.ReadBinary(f)) return false;
    QV_RecordArray<QV_GroupMember> m;
    if (!m.Read(f)) return false;
    for (const QV_GroupMember& x : m.items)
        if (x.group < 0 || x.group >= g.Count() || x.vertex < 0) return false;
    version = v;
    flag = b;
    groups = std::move(g);
    members = std::move(m);
    return true;
}

bool QV_PointGroupTable::WriteBinary(std::FILE* f) const
{
    return QV_WriteI32(f, version) && QV_WriteU8(f, flag) && groups.WriteBinary(f) && members.Write(f);
}

bool QV_PointGroupTable::GroupVertices(const char* label, std::vector<int>& out) const
{
    out.clear();
    const int g = groups.Find(label);
    if (g < 0) return false;
    for (const QV_GroupMember& x : members.items)
        if (x.group == g) out.push_back(x.vertex);
    return true;
}
