// Little-endian field access on byte buffers and the size checks shared by
// the BMP, GIF, PNM, TGA and PCX codecs.
#pragma once

#include <cstdint>
#include <vector>

#include "QV_CodecLimits.h"

inline uint16_t QV_GetLE16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t QV_GetLE32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void QV_PutLE16(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}
inline void QV_PutLE32(unsigned char* p, uint32_t v)
{
    for (int k = 0; k < 4; ++k) p[k] = static_cast<unsigned char>((v >> (8 * k)) & 0xFF);
}

// Largest pixel count any reader accepts: a file that claims more is refused
// before anything is allocated.
constexpr int64_t QV_MaxImagePixels = QV_kPixelCeiling;

// True when rows x cols is a usable image size: both positive and the product
// no larger than QV_MaxImagePixels.
inline bool QV_SaneImageSize(int64_t rows, int64_t cols)
{
    return rows > 0 && cols > 0 && rows <= QV_MaxImagePixels && cols <= QV_MaxImagePixels &&
           rows * cols <= QV_MaxImagePixels;
}
