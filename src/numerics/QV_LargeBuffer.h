// Storage for large arrays of plain numbers (trained models, covariances): on
// Linux it is aligned to and advised into transparent huge pages, so filling
// a model of many megabytes costs a few page faults instead of thousands.
#pragma once

#include <cstddef>

// Arrays of at least this many bytes use the large-buffer storage.
constexpr std::size_t kQV_LargeBufferBytes = std::size_t{2} << 20;

// Uninitialised storage of `bytes` bytes, or null when it cannot be had.
void* QV_AllocateLarge(std::size_t bytes);
// Releases storage from QV_AllocateLarge (null is ignored).
void QV_FreeLarge(void* p);
