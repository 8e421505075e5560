// Reading and writing of vertex-list files.
#include "QV_VertexList.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_TextReader.h"

namespace {

// A non-negative decimal that fits a signed 32-bit integer.
bool ParseIndex(const std::string& token, int64_t& value)
{
    if (token.empty() || token.size() > 10) return false;
    value = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value <= INT32_MAX;
}

}  // namespace

bool QV_LoadVertexList(const QV_String& path, QV_List<int>& list)
{
    QV_File f = QV_OpenFile(path, "r");
    if (!f) return false;
    QV_TextReader reader(f.get());
    std::string token;
    int64_t count = 0;
    if (!reader.ReadToken(token) || !ParseIndex(token, count)) return false;
    // Each index takes at least one digit and one separator before it.
    if (!QV_CanHold(f.get(), count, 2)) return false;
    std::vector<int> read;
    read.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        int64_t v = 0;
        if (!reader.ReadToken(token) || !ParseIndex(token, v)) return false;
        read.push_back(static_cast<int>(v));
    }
    list.Clear();
    for (int v : read) list.Append(v);
    return true;
}

bool QV_SaveVertexList(const QV_String& path, const QV_List<int>& list)
{
    QV_File f = QV_OpenFile(path, "w");
    if (!f) return false;
    bool ok = std::fprintf(f.get(), "%u\n", list.Size()) > 0;
    for (unsigned i = 0; ok && i < list.Size(); ++i) ok = std::fprintf(f.get(), "%d\n", list[i]) > 0;
    return ok && std::fflush(f.get()) == 0;
}

QV_List<int> QV_GroupsVertexList(const QV_Mesh& mesh, std::initializer_list<const char*> groups)
{
    const std::vector<int> found = QV_GroupsVertices(mesh, [&groups](const QV_String& name) {
        for (const char* g : groups)
            if (name == QV_String(g)) return true;
        return false;
    });
    QV_List<int> out;
    for (int v : found) out.Append(v);
    return out;
}

std::vector<int> QV_IndexVector(const QV_List<int>& list)
{
    std::vector<int> out;
    out.reserve(list.Size());
    for (unsigned i = 0; i < list.Size(); ++i) out.push_back(list[static_cast<int>(i)]);
    return out;
}

bool QV_LoadBoneWeights(const QV_String& path, std::vector<QV_VertexBoneWeight>& out)
{
    QV_File f = QV_OpenFile(path, "r");
    if (!f) return false;
    QV_TextReader reader(f.get());
    std::vector<QV_VertexBoneWeight> read;
    std::string token;
    while (reader.ReadToken(token)) {
        int64_t vertex = 0, bone = 0;
        if (!ParseIndex(token, vertex) || !reader.ReadToken(token) || !ParseIndex(token, bone) ||
            !reader.ReadToken(token))
            return false;
        char* end = nullptr;
        const double weight = std::strtod(token.c_str(), &end);
        if (end == token.c_str() || *end != '\0' || !std::isfinite(weight) || std::fabs(weight) > 3.0e38) return false;
        read.push_back({static_cast<int32_t>(vertex), static_cast<int32_t>(bone), static_cast<float>(weight)});
    }
    out = std::move(read);
    return true;
}

bool QV_LoadFileBytes(const QV_String& path, QV_Array<unsigned char>& out)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) return false;
    const int64_t size = QV_BytesLeft(f.get());
    if (size < 0 || size > kQV_MaxTextFileBytes) return false;
    QV_Array<unsigned char> read;
    if (size > 0) {
        read.Resize(0, static_cast<int>(size) - 1);
        if (std::fread(read.Data(), 1, static_cast<size_t>(size), f.get()) != static_cast<size_t>(size)) return false;
    }
    out = std::move(read);
    return true;
}

bool QV_SaveBoneWeights(const QV_String& path, const std::vector<QV_VertexBoneWeight>& weights)
{
    QV_File f = QV_OpenFile(path, "w");
    if (!f) return false;
    bool ok = true;
    for (const QV_VertexBoneWeight& w : weights)
        ok = ok && std::fprintf(f.get(), "%d %d %.9g\n", w.vertex, w.bone, static_cast<double>(w.weight)) > 0;
    return ok && std::fflush(f.get()) == 0;
}

bool QV_SaveFileBytes(const QV_String& path, const QV_Array<unsigned char>& bytes)
{
    QV_File f = QV_OpenFile(path, "wb");
    if (!f) return false;
    const size_t n = static_cast<size_t>(bytes.Size());
    return (n == 0 || std::fwrite(&bytes[bytes.Low()], 1, n, f.get()) == n) && std::fflush(f.get()) == 0;
}
