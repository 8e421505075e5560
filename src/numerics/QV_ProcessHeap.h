// Process-wide heap settings for the front ends: the photograph pipeline
// allocates and frees images and model arrays of megabytes over and over, and
// on Linux every fresh small page costs a fault, so the heap keeps what is
// freed and is backed by transparent huge pages.
#pragma once

#include <cstddef>

// Heap to set aside for one photograph's pipeline (models, pyramids, head
// and texture), in the programs that run it.
constexpr std::size_t kQV_PipelineHeapReserve = std::size_t{160} << 20;

// Keeps freed memory in the process for reuse (no return to the system, no
// separate mappings for large blocks) and sets aside `reserve` bytes of heap
// (at most 1 GiB) advised into huge pages. Call once, early in main, before
// other threads start. True when the allocator took the settings (false
// where they do not exist, and nothing changes); the reserve and its advice
// are best effort: where the heap cannot grow or huge pages are not
// available, pages stay small.
bool QV_PrepareProcessHeap(std::size_t reserve);
