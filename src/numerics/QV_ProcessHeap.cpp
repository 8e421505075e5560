#include "QV_ProcessHeap.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "QV_LargeBuffer.h"

bool QV_PrepareProcessHeap(std::size_t reserve)
{
#if defined(__GLIBC__) && defined(__linux__)
    // Blocks up to the allocator's largest setting (32 MiB) come from the
    // heap rather than their own mappings, and the heap is never trimmed: a
    // block freed is the next one's storage, with its pages already present.
    if (mallopt(M_MMAP_THRESHOLD, 32 << 20) != 1 || mallopt(M_TRIM_THRESHOLD, 1 << 30) != 1) return false;
    if (reserve == 0 || reserve > (std::size_t{1} << 30)) return true;
    // Grow the heap by `reserve` at once (the allocator adds its top pad to
    // the next growth), then advise the heap from there to its end, whose
    // pages are still untouched, into huge pages (whole huge pages only).
    if (mallopt(M_TOP_PAD, static_cast<int>(reserve)) != 1) return true;
    void* block = std::malloc(std::size_t{1} << 20);
    mallopt(M_TOP_PAD, 128 << 10);  // back to the allocator's default
    if (!block) return true;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
    std::free(block);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const std::uintptr_t page = kQV_LargeBufferBytes;
    const std::uintptr_t from = (start + page - 1) / page * page, to = end / page * page;
    // The heap did not grow where the block lies (no room to grow it).
    if (end < start || to <= from) return true;
#if defined(MADV_HUGEPAGE)
    madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
    return true;
#else
    (void)reserve;
    return false;
#endif
}
