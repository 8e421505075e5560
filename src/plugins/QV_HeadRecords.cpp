// Readers and writers of the record kinds of head model files.
#include "QV_HeadRecords.h"

#include "QV_BinaryIO.h"

bool QV_ReadIntRecord(std::FILE* f, int32_t& v) { return QV_ReadI32(f, v); }
bool QV_WriteIntRecord(std::FILE* f, int32_t v) { return QV_WriteI32(f, v); }
bool QV_ReadFloatRecord(std::FILE* f, float& v) { return QV_ReadF32(f, v); }
bool QV_WriteFloatRecord(std::FILE* f, float v) { return QV_WriteF32(f, v); }

bool QV_ReadFloatPair(std::FILE* f, QV_Point2D& p)
{
    float x = 0.0f, y = 0.0f;
    if (!QV_ReadF32(f, x) || !QV_ReadF32(f, y)) return false;
    p.x = x;
    p.y = y;
    return true;
}

bool QV_WriteFloatPair(std::FILE* f, const QV_Point2D& p) { return QV_WriteF32(f, p.x) && QV_WriteF32(f, p.y); }

bool QV_ReadByteRecord(std::FILE* f, unsigned char& b)
{
    uint8_t v = 0;
    if (!QV_ReadU8(f, v)) return false;
    b = v;
    return true;
}

bool QV_WriteByteRecord(std::FILE* f, unsigned char b) { return QV_WriteU8(f, b); }

bool QV_ReadImageRecord(std::FILE* f, QV_Image& image) { return image.Read(f); }
bool QV_WriteImageRecord(std::FILE* f, const QV_Image& image) { return image.Write(f); }
bool QV_ReadAnnotationRecord(std::FILE* f, QV_AnnotationModel& model) { return model.ReadBinary(f); }
bool QV_WriteAnnotationRecord(std::FILE* f, const QV_AnnotationModel& model) { return model.WriteBinary(f); }
bool QV_ReadMeshRecord(std::FILE* f, QV_Mesh& mesh) { return mesh.Read(f) != nullptr; }
bool QV_WriteMeshRecord(std::FILE* f, const QV_Mesh& mesh) { return mesh.Write(f) != nullptr; }
bool QV_ReadIndexList(std::FILE* f, QV_List<int>& list) { return list.Read(f); }
bool QV_WriteIndexList(std::FILE* f, const QV_List<int>& list) { return list.Write(f); }
bool QV_ReadByteArray(std::FILE* f, QV_Array<unsigned char>& bytes) { return bytes.Read(f); }
bool QV_WriteByteArray(std::FILE* f, const QV_Array<unsigned char>& bytes) { return bytes.Write(f); }
bool QV_ReadIndexArray(std::FILE* f, QV_Array<int32_t>& indices) { return indices.Read(f); }
bool QV_WriteIndexArray(std::FILE* f, const QV_Array<int32_t>& indices) { return indices.Write(f); }

bool QV_ReadNameList(std::FILE* f, std::vector<QV_String>& names)
{
    uint32_t n = 0;
    if (!QV_ReadU32(f, n)) return false;
    // Every string record holds at least its 4-byte size.
    if (!QV_CanHold(f, n, 4)) return false;
    std::vector<QV_String> read(n);
    for (QV_String& s : read)
        if (!s.Read(f)) return false;
    names.swap(read);
    return true;
}

bool QV_WriteNameList(std::FILE* f, const std::vector<QV_String>& names)
{
    if (!QV_WriteU32(f, static_cast<uint32_t>(names.size()))) return false;
    for (const QV_String& s : names)
        if (!s.Write(f)) return false;
    return true;
}

bool QV_ReadTripleList(std::FILE* f, std::vector<QV_VertexBoneWeight>& triples)
{
    uint32_t n = 0;
    if (!QV_ReadU32(f, n)) return false;
    if (!QV_CanHold(f, n, 12)) return false;
    std::vector<QV_VertexBoneWeight> read(n);
    for (QV_VertexBoneWeight& t : read)
        if (!QV_ReadI32(f, t.vertex) || !QV_ReadI32(f, t.bone) || !QV_ReadF32(f, t.weight)) return false;
    triples.swap(read);
    return true;
}

bool QV_WriteTripleList(std::FILE* f, const std::vector<QV_VertexBoneWeight>& triples)
{
    if (!QV_WriteU32(f, static_cast<uint32_t>(triples.size()))) return false;
    for (const QV_VertexBoneWeight& t : triples)
        if (!QV_WriteI32(f, t.vertex) || !QV_WriteI32(f, t.bone) || !QV_WriteF32(f, t.weight)) return false;
    return true;
}

bool QV_ReadCountedInts(std::FILE* f, std::vector<int32_t>& values)
{
    int32_t n = 0;
    if (!QV_ReadI32(f, n)) return false;
    if (n < 0 || !QV_CanHold(f, n, 4)) return false;
    std::vector<int32_t> read(static_cast<size_t>(n));
    if (n > 0 && !QV_ReadBytes(f, read.data(), read.size() * sizeof(int32_t))) return false;
    values.swap(read);
    return true;
}

bool QV_WriteCountedInts(std::FILE* f, const std::vector<int32_t>& values)
{
    if (!QV_WriteI32(f, static_cast<int32_t>(values.size()))) return false;
    return values.empty() || QV_WriteBytes(f, values.data(), values.size() * sizeof(int32_t));
}

bool QV_ReadMugShotRecord(std::FILE* f, QV_MugShot& mugshot) { return mugshot.ReadBinary(f); }
bool QV_WriteMugShotRecord(std::FILE* f, const QV_MugShot& mugshot) { return mugshot.WriteBinary(f); }
bool QV_ReadMugShot2D3DRecord(std::FILE* f, QV_MugShot2D3D& mugshot) { return mugshot.ReadBinary(f); }
bool QV_WriteMugShot2D3DRecord(std::FILE* f, const QV_MugShot2D3D& mugshot) { return mugshot.WriteBinary(f); }
