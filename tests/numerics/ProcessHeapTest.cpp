// The front ends' heap settings: large blocks come from the heap, freed
// memory stays in the process, and the heap is advised into huge pages. Each
// case runs in a child process, since the settings are process-wide.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "QV_ProcessHeap.h"

// The sanitizers bring allocators of their own, which the settings do not reach.
#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#include <unistd.h>

namespace {

// The areas of the heap (advice splits it) with their flags, from this
// process's map.
struct HeapArea {
    std::uintptr_t from = 0, to = 0;
    bool hugePages = false;
};

std::vector<HeapArea> ReadHeap()
{
    std::vector<HeapArea> areas;
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inHeap = false;
    while (std::getline(smaps, line)) {
        unsigned long a = 0, b = 0;
        if (line.find("[heap]") != std::string::npos && std::sscanf(line.c_str(), "%lx-%lx", &a, &b) == 2) {
            areas.push_back({a, b, false});
            inHeap = true;
        } else if (inHeap && line.rfind("VmFlags:", 0) == 0) {
            areas.back().hugePages = (line + " ").find(" hg ") != std::string::npos;
            inHeap = false;
        }
    }
    return areas;
}

[[noreturn]] void Finish(bool ok, const char* what)
{
    if (!ok) std::fprintf(stderr, "failed: %s\n", what);
    std::exit(ok ? 0 : 1);
}

void BlocksStayInTheHeap()
{
    if (!QV_PrepareProcessHeap(std::size_t{64} << 20)) Finish(false, "settings refused");
    // 8 MiB would get its own mapping under the allocator's defaults.
    char* block = static_cast<char*>(std::malloc(std::size_t{8} << 20));
    if (!block) Finish(false, "allocation");
    block[0] = 1;
    const std::vector<HeapArea> heap = ReadHeap();
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(block);
    bool inHeap = false;
    std::uintptr_t advised = 0;
    for (const HeapArea& h : heap) {
        inHeap = inHeap || (at >= h.from && at < h.to);
        if (h.hugePages) advised += h.to - h.from;
    }
    if (!inHeap) Finish(false, "the block lies outside the heap");
    // The reserve less at most one huge page at either end.
    if (advised < (std::size_t{60} << 20)) Finish(false, "the reserve is not advised into huge pages");
    void* const endBefore = sbrk(0);
    std::free(block);
    if (sbrk(0) != endBefore) Finish(false, "the heap was trimmed");
    // The freed block is the next one's storage.
    void* again = std::malloc(std::size_t{8} << 20);
    Finish(again == block, "the freed block was not reused");
}

}  // namespace

TEST(ProcessHeap, LargeBlocksComeFromAHugePageHeapThatKeepsWhatIsFreed)
{
    // The settings are made once, early in a program. A forked child would
    // inherit the heap other tests of this program have already grown and
    // freed into; a re-executed one starts with a fresh heap.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(BlocksStayInTheHeap(), ::testing::ExitedWithCode(0), "");
}

TEST(ProcessHeap, WithoutReserveOnlyTheAllocatorSettingsChange)
{
    EXPECT_EXIT(
        {
            const void* end = sbrk(0);
            Finish(QV_PrepareProcessHeap(0) && sbrk(0) == end, "a heap without reserve grew");
        },
        ::testing::ExitedWithCode(0), "");
}
#endif
