#include "QV_Error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void QV_PrintError(const char* text)
{
    std::fputs(text, stderr);
    std::fflush(stderr);
}

void QV_PrintSystemError(const char* text)
{
    int err = errno;
    std::fprintf(stderr, "%s: %s\n", text, std::strerror(err));
    std::fflush(stderr);
}

void QV_OutOfMemory(const char* text)
{
    QV_PrintSystemError(text);
    std::abort();
}
