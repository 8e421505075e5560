// Allocation bounds for the image readers: how many pixels a file of a given
// size can plausibly describe, so that a hostile or truncated header never
// makes a reader allocate more than the file could justify.
#pragma once

#include <cstdint>

// Pixel counts at or below this are always accepted (16 MiB of RGBA).
inline constexpr int64_t QV_kPixelFloor = int64_t(1) << 22;
// No reader allocates more pixels than this (1 GiB of RGBA), whatever the file.
inline constexpr int64_t QV_kPixelCeiling = int64_t(1) << 28;

// True when width x height pixels (both > 0) may be allocated for a file that
// still holds `bytes` bytes and whose data cannot describe more than
// `pixelsPerByte` pixels per byte. An unmeasurable stream (bytes = INT64_MAX)
// is limited by the ceiling only.
inline bool QV_PixelCountPlausible(int64_t width, int64_t height, int64_t bytes, int64_t pixelsPerByte)
{
    if (width <= 0 || height <= 0) return false;
    if (width > QV_kPixelCeiling || height > QV_kPixelCeiling) return false;
    const int64_t pixels = width * height;
    if (pixels > QV_kPixelCeiling) return false;
    if (pixels <= QV_kPixelFloor) return true;
    if (bytes < 0) return false;
    if (bytes >= QV_kPixelCeiling / pixelsPerByte) return true;
    return pixels <= bytes * pixelsPerByte;
}
