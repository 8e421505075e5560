// Vertex lists of the plug-ins: the files (".verts": text holding a count n
// and then n vertex indices, all whitespace-separated non-negative decimal
// numbers), the lists taken from named groups of a template head, and the
// other text files a target's data folder holds (bone weights, whole texts).
#pragma once

#include <initializer_list>
#include <vector>

#include "QV_Array.h"
#include "QV_HeadRecords.h"
#include "QV_List.h"
#include "QV_Mesh.h"
#include "QV_String.h"

// Replaces list by the indices of the file. False, with the list unchanged,
// when the file cannot be opened, when the count or an index is missing,
// negative, not a decimal number or beyond 32 bits, or when the count is
// larger than the file could hold.
bool QV_LoadVertexList(const QV_String& path, QV_List<int>& list);

// Writes the count and then one index per line.
bool QV_SaveVertexList(const QV_String& path, const QV_List<int>& list);

// The vertices of the mesh's groups of these names, each once, in the mesh's
// group order (missing groups add nothing).
QV_List<int> QV_GroupsVertexList(const QV_Mesh& mesh, std::initializer_list<const char*> groups);

// The list's indices in a vector, as the head repairs take them.
std::vector<int> QV_IndexVector(const QV_List<int>& list);

// Bone-weight files ("Ref_vbw.txt"): whitespace-separated triples of vertex
// index, bone index (non-negative decimals within 32 bits) and weight (a
// finite decimal number), to the end of the file. False, with out unchanged,
// when the file cannot be opened or a triple is incomplete or malformed.
bool QV_LoadBoneWeights(const QV_String& path, std::vector<QV_VertexBoneWeight>& out);
// One "vertex bone weight" line per triple, the weight with all its digits.
bool QV_SaveBoneWeights(const QV_String& path, const std::vector<QV_VertexBoneWeight>& weights);

// The whole file as bytes (at most kQV_MaxTextFileBytes). False, with out
// unchanged, when it cannot be opened or read, or is larger.
constexpr int64_t kQV_MaxTextFileBytes = int64_t{64} << 20;
bool QV_LoadFileBytes(const QV_String& path, QV_Array<unsigned char>& out);
// Writes the bytes as the whole file.
bool QV_SaveFileBytes(const QV_String& path, const QV_Array<unsigned char>& bytes);
