// Strict whole-number parsing for command-line values.
#include "WholeNumbers.h"

#include <cerrno>
#include <cstdlib>

bool ParseWholeNumber(const char* text, long low, long high, int& out)
{
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}
