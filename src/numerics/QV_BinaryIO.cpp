#include "QV_BinaryIO.h"

#include <climits>

#if defined(__unix__)
#include <sys/stat.h>
#endif

#include "QV_String.h"

std::string QV_SystemPath(const char* path)
{
    std::string p = path ? path : "";
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

QV_File QV_OpenFile(const char* path, const char* mode)
{
    return QV_File(std::fopen(QV_SystemPath(path).c_str(), mode));
}

QV_File QV_OpenFile(const QV_String& path, const char* mode)
{
    return QV_OpenFile(path.CStr(), mode);
}

int64_t QV_BytesLeft(std::FILE* f)
{
    long here = std::ftell(f);
    if (here < 0) return INT64_MAX;
#if defined(__unix__)
    // A regular file's size comes from the file system: seeking to its end
    // and back would throw away what the stream has read ahead, and readers
    // ask before every array. Pending writes beyond that size fall through
    // to the seek, which flushes them.
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= here)
        return static_cast<int64_t>(st.st_size) - here;
#endif
    if (std::fseek(f, 0, SEEK_END) != 0) return INT64_MAX;
    long end = std::ftell(f);
    std::fseek(f, here, SEEK_SET);
    if (end < here) return 0;
    return static_cast<int64_t>(end) - here;
}

bool QV_CanHold(std::FILE* f, int64_t count, int64_t size)
{
    if (count < 0 || size < 0) return false;
    if (count == 0 || size == 0) return true;
    if (count > INT64_MAX / size) return false;
    return count * size <= QV_BytesLeft(f);
}

bool QV_ReadBytes(std::FILE* f, void* data, size_t n)
{
    return n == 0 || std::fread(data, 1, n, f) == n;
}

bool QV_WriteBytes(std::FILE* f, const void* data, size_t n)
{
    return n == 0 || std::fwrite(data, 1, n, f) == n;
}
