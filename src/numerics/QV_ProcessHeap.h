// Process-wide heap settings for the front ends: the photograph pipeline
// allocates and frees images and model arrays of megabytes over and over, and
// on Linux every fresh small page costs a fault, so the heap keeps what is
// freed and is backed by transparent huge pages.
#pragma once

#include <cstddef>

// Keeps freed memory in the process for reuse (no return to the system, no
// separate mappings for large blocks) and sets aside `reserve` bytes of heap
// advised into huge pages. Call once, early in main, before other threads
// start. Only advice and allocator settings: where they are not available
// nothing changes. True when the settings were applied.
bool QV_PrepareProcessHeap(std::size_t reserve);
