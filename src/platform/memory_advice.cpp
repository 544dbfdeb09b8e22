#include "platform/memory_advice.h"

#include <cstdint>
#include <sys/mman.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace solvina {

void adviseFilledWhole(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
    // The advice is taken for whole huge pages: the part of the buffer between its first and
    // last 2 MiB boundary.
    constexpr std::size_t kHugePage = std::size_t{2} * 1024 * 1024;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::size_t skipped = (kHugePage - begin % kHugePage) % kHugePage;
    if (size <= skipped)
        return;
    const std::size_t whole = (size - skipped) / kHugePage * kHugePage;
    if (whole > 0)
        (void)madvise(static_cast<char*>(data) + skipped, whole, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

void keepLargeBlocksOutOfTheHeap() {
#ifdef __GLIBC__
    // The library's own starting size; setting it stops its raising.
    (void)mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

} // namespace solvina
