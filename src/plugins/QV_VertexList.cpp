// Reading and writing of vertex-list files.
#include "QV_VertexList.h"

#include <cstdint>
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
