#include "QV_LargeBuffer.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

void* QV_AllocateLarge(std::size_t bytes)
{
    // Whole huge pages, so the advice covers every page of the buffer.
    const std::size_t rounded = (bytes + kQV_LargeBufferBytes - 1) / kQV_LargeBufferBytes * kQV_LargeBufferBytes;
    if (rounded < bytes) return nullptr;
    void* p = nullptr;
    if (posix_memalign(&p, kQV_LargeBufferBytes, rounded) != 0) return nullptr;
#if defined(MADV_HUGEPAGE)
    // Only advice: where huge pages are not available the pages stay small.
    madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return p;
}

void QV_FreeLarge(void* p) { std::free(p); }
