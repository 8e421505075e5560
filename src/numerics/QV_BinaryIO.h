// Little-endian binary reads and writes on C streams, the RAII file handle,
// and the check of how many bytes a stream still holds, which every reader
// uses before it allocates storage for a count taken from a file.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

static_assert(std::endian::native == std::endian::little,
              "binary records are little-endian and read by direct copy");

class QV_String;

struct QV_FileCloser {
    void operator()(std::FILE* f) const
    {
        if (f) std::fclose(f);
    }
};
using QV_File = std::unique_ptr<std::FILE, QV_FileCloser>;

// Opens a file; both '\\' and '/' count as separators in the path given, and
// the file system is handed '/'.
QV_File QV_OpenFile(const char* path, const char* mode);
QV_File QV_OpenFile(const QV_String& path, const char* mode);

// Path with every '\\' turned into '/'.
std::string QV_SystemPath(const char* path);

// Bytes between the current position and the end of the stream; INT64_MAX
// when the stream cannot be measured (not seekable).
int64_t QV_BytesLeft(std::FILE* f);

// True when the stream still holds at least count elements of size bytes
// (overflow-safe).
bool QV_CanHold(std::FILE* f, int64_t count, int64_t size);

bool QV_ReadBytes(std::FILE* f, void* data, size_t n);
bool QV_WriteBytes(std::FILE* f, const void* data, size_t n);

template <class T>
inline bool QV_ReadValue(std::FILE* f, T& v)
{
    return QV_ReadBytes(f, &v, sizeof(T));
}
template <class T>
inline bool QV_WriteValue(std::FILE* f, const T& v)
{
    return QV_WriteBytes(f, &v, sizeof(T));
}

inline bool QV_ReadI32(std::FILE* f, int32_t& v) { return QV_ReadValue(f, v); }
inline bool QV_ReadU32(std::FILE* f, uint32_t& v) { return QV_ReadValue(f, v); }
inline bool QV_ReadI64(std::FILE* f, int64_t& v) { return QV_ReadValue(f, v); }
inline bool QV_ReadF32(std::FILE* f, float& v) { return QV_ReadValue(f, v); }
inline bool QV_ReadU8(std::FILE* f, uint8_t& v) { return QV_ReadValue(f, v); }
inline bool QV_ReadU16(std::FILE* f, uint16_t& v) { return QV_ReadValue(f, v); }
inline bool QV_WriteI32(std::FILE* f, int32_t v) { return QV_WriteValue(f, v); }
inline bool QV_WriteU32(std::FILE* f, uint32_t v) { return QV_WriteValue(f, v); }
inline bool QV_WriteI64(std::FILE* f, int64_t v) { return QV_WriteValue(f, v); }
inline bool QV_WriteF32(std::FILE* f, float v) { return QV_WriteValue(f, v); }
inline bool QV_WriteU8(std::FILE* f, uint8_t v) { return QV_WriteValue(f, v); }
inline bool QV_WriteU16(std::FILE* f, uint16_t v) { return QV_WriteValue(f, v); }
