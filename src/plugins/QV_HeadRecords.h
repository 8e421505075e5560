// The record kinds of head model files, one reader and one writer per kind,
// and QV_HeadRecordIO, which walks one record list either way so that a
// plug-in states its list once and reading and writing stay exact inverses.
//
// Layouts (little-endian, no padding):
//   int          int32
//   float        float32
//   float pair   float32 x, float32 y
//   byte         uint8, 0 = false
//   image        the QV_Image record
//   annotation   the binary form of QV_AnnotationModel
//   mesh         the QV_Mesh record (texture image included)
//   index list   uint32 n, then n int32 (a QV_List<int>)
//   byte array   int64 count, int64 low, int64 high, then count bytes
//   index array  int64 count, int64 low, int64 high, then count int32
//   name list    uint32 n, then n QV_String records
//   triple list  uint32 n, then n entries of int32 vertex, int32 bone,
//                float32 weight (a vertex bone weight)
//   counted ints int32 n (negative fails), then n int32
//   mugshot      the QV_MugShot record; mugshot 2D3D the QV_MugShot2D3D record
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Array.h"
#include "QV_Image.h"
#include "QV_List.h"
#include "QV_Mesh.h"
#include "QV_MugShot.h"
#include "QV_MugShot2D3D.h"
#include "QV_Point.h"
#include "QV_String.h"

// One entry of a triple list.
struct QV_VertexBoneWeight {
    int32_t vertex = 0;
    int32_t bone = 0;
    float weight = 0.0f;

    bool operator==(const QV_VertexBoneWeight&) const = default;
};

// Readers fail on a short record and on a count larger than the stream still
// holds (checked before anything is allocated).
bool QV_ReadIntRecord(std::FILE* f, int32_t& v);
bool QV_WriteIntRecord(std::FILE* f, int32_t v);
bool QV_ReadFloatRecord(std::FILE* f, float& v);
bool QV_WriteFloatRecord(std::FILE* f, float v);
bool QV_ReadFloatPair(std::FILE* f, QV_Point2D& p);
bool QV_WriteFloatPair(std::FILE* f, const QV_Point2D& p);
bool QV_ReadByteRecord(std::FILE* f, unsigned char& b);
bool QV_WriteByteRecord(std::FILE* f, unsigned char b);
bool QV_ReadImageRecord(std::FILE* f, QV_Image& image);
bool QV_WriteImageRecord(std::FILE* f, const QV_Image& image);
bool QV_ReadAnnotationRecord(std::FILE* f, QV_AnnotationModel& model);
bool QV_WriteAnnotationRecord(std::FILE* f, const QV_AnnotationModel& model);
bool QV_ReadMeshRecord(std::FILE* f, QV_Mesh& mesh);
bool QV_WriteMeshRecord(std::FILE* f, const QV_Mesh& mesh);
bool QV_ReadIndexList(std::FILE* f, QV_List<int>& list);
bool QV_WriteIndexList(std::FILE* f, const QV_List<int>& list);
bool QV_ReadByteArray(std::FILE* f, QV_Array<unsigned char>& bytes);
bool QV_WriteByteArray(std::FILE* f, const QV_Array<unsigned char>& bytes);
bool QV_ReadIndexArray(std::FILE* f, QV_Array<int32_t>& indices);
bool QV_WriteIndexArray(std::FILE* f, const QV_Array<int32_t>& indices);
bool QV_ReadNameList(std::FILE* f, std::vector<QV_String>& names);
bool QV_WriteNameList(std::FILE* f, const std::vector<QV_String>& names);
bool QV_ReadTripleList(std::FILE* f, std::vector<QV_VertexBoneWeight>& triples);
bool QV_WriteTripleList(std::FILE* f, const std::vector<QV_VertexBoneWeight>& triples);
bool QV_ReadCountedInts(std::FILE* f, std::vector<int32_t>& values);
bool QV_WriteCountedInts(std::FILE* f, const std::vector<int32_t>& values);
bool QV_ReadMugShotRecord(std::FILE* f, QV_MugShot& mugshot);
bool QV_WriteMugShotRecord(std::FILE* f, const QV_MugShot& mugshot);
bool QV_ReadMugShot2D3DRecord(std::FILE* f, QV_MugShot2D3D& mugshot);
bool QV_WriteMugShot2D3DRecord(std::FILE* f, const QV_MugShot2D3D& mugshot);

// Reads into or writes from the fields it is handed, in call order, and
// stops at the first failure: every later call does nothing.
class QV_HeadRecordIO {
public:
    enum Mode { kRead, kWrite };

    QV_HeadRecordIO(std::FILE* file, Mode m) : f(file), mode(m) {}

    bool Ok() const { return ok; }
    bool Reading() const { return mode == kRead; }

    QV_HeadRecordIO& Int(int32_t& v) { return Do(v, QV_ReadIntRecord, QV_WriteIntRecord); }
    QV_HeadRecordIO& Float(float& v) { return Do(v, QV_ReadFloatRecord, QV_WriteFloatRecord); }
    QV_HeadRecordIO& FloatPair(QV_Point2D& p) { return Do(p, QV_ReadFloatPair, QV_WriteFloatPair); }
    QV_HeadRecordIO& Byte(unsigned char& b) { return Do(b, QV_ReadByteRecord, QV_WriteByteRecord); }
    QV_HeadRecordIO& Image(QV_Image& i) { return Do(i, QV_ReadImageRecord, QV_WriteImageRecord); }
    QV_HeadRecordIO& Annotation(QV_AnnotationModel& m)
    {
        return Do(m, QV_ReadAnnotationRecord, QV_WriteAnnotationRecord);
    }
    QV_HeadRecordIO& Mesh(QV_Mesh& m) { return Do(m, QV_ReadMeshRecord, QV_WriteMeshRecord); }
    QV_HeadRecordIO& IndexList(QV_List<int>& l) { return Do(l, QV_ReadIndexList, QV_WriteIndexList); }
    QV_HeadRecordIO& ByteArray(QV_Array<unsigned char>& a) { return Do(a, QV_ReadByteArray, QV_WriteByteArray); }
    QV_HeadRecordIO& IndexArray(QV_Array<int32_t>& a) { return Do(a, QV_ReadIndexArray, QV_WriteIndexArray); }
    QV_HeadRecordIO& NameList(std::vector<QV_String>& n) { return Do(n, QV_ReadNameList, QV_WriteNameList); }
    QV_HeadRecordIO& TripleList(std::vector<QV_VertexBoneWeight>& t)
    {
        return Do(t, QV_ReadTripleList, QV_WriteTripleList);
    }
    QV_HeadRecordIO& CountedInts(std::vector<int32_t>& v) { return Do(v, QV_ReadCountedInts, QV_WriteCountedInts); }
    QV_HeadRecordIO& MugShot(QV_MugShot& m) { return Do(m, QV_ReadMugShotRecord, QV_WriteMugShotRecord); }
    QV_HeadRecordIO& MugShot2D3D(QV_MugShot2D3D& m)
    {
        return Do(m, QV_ReadMugShot2D3DRecord, QV_WriteMugShot2D3DRecord);
    }

private:
    template <class T, class R, class W>
    QV_HeadRecordIO& Do(T& value, R read, W write)
    {
        if (ok) ok = mode == kRead ? read(f, value) : write(f, value);
        return *this;
    }

    std::FILE* f;
    Mode mode;
    bool ok = true;
};
