#include "platform/LargeBlock.h"

#include <sys/mman.h>

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
// Below this the few page faults saved are not worth a block rounded up to whole huge pages.
constexpr size_t kLargeBytes = 4 * kHugePage;
} // namespace

void *AllocateLargeBytes(size_t Bytes)
{
    void *p = nullptr;
    if (Bytes < kLargeBytes) {
        p = std::malloc(Bytes ? Bytes : 1);
    } else {
        const size_t rounded = (Bytes + kHugePage - 1) / kHugePage * kHugePage;
        p = std::aligned_alloc(kHugePage, rounded);
#if defined(MADV_HUGEPAGE)
        if (p)
            ::madvise(p, rounded, MADV_HUGEPAGE); // advice only: without huge pages it is ordinary memory
#endif
    }
    if (!p)
        throw std::bad_alloc();
    return p;
}
